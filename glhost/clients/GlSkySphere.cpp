#include "glhost/clients/GlSkySphere.h"

#include <cmath>

#include "enviro/sky/Sky.h"
#include "glhost/GlCameraView.h"
#include "glhost/GlObjects.h"

namespace glhost {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kStarPointSize = 2.6f;  // pixels of a magnitude 0 star

struct StarVertex {
    float direction[3];
    float magnitude;
    float color[3];
};

Math::Vector3f normalised(const Math::Vector3f& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0.0f ? Math::Vector3f(v.x / l, v.y / l, v.z / l) : v;
}

Math::Vector3f cross(const Math::Vector3f& a, const Math::Vector3f& b) {
    return Math::Vector3f(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// Where the sun stands seen from the moon, in the world frame: the phase angle pi (1 - phase)
// from the line of sight toward us, turned by getMoonAngle - pi from the disc's right through
// its up (right = m x up of the world, up = right x m).
Math::Vector3f moonLightDirection(const Math::Vector3f& m, float phase, float angle) {
    Math::Vector3f right = normalised(Math::Vector3f(-m.z, 0.0f, m.x));
    if (right.x == 0.0f && right.z == 0.0f) right = Math::Vector3f(0.0f, 0.0f, -1.0f);
    const Math::Vector3f up = normalised(cross(right, m));
    const float a = kPi * (1.0f - phase), t = angle - kPi;
    const float lx = std::sin(a) * std::cos(t), ly = std::sin(a) * std::sin(t), lz = std::cos(a);
    return right * lx + up * ly - m * lz;
}

}  // namespace

std::unique_ptr<GlSkySphere> GlSkySphere::create(GlDevice& device, std::string& error) {
    GlShader* sky = device.programs().load("sky", "fullscreen.vert", "sky.frag", error);
    GlShader* stars = sky ? device.programs().load("stars", "stars.vert", "stars.frag", error) : nullptr;
    return stars ? std::unique_ptr<GlSkySphere>(new GlSkySphere(device, *sky, *stars)) : nullptr;
}

GlSkySphere::GlSkySphere(GlDevice& device, GlShader& sky, GlShader& stars)
    : m_device(device), m_sky(sky), m_stars(stars) {
    m_starBuffer = gl::createBuffer();
    m_starArray = gl::createVertexArray();
    glVertexArrayVertexBuffer(m_starArray, 0, m_starBuffer, 0, sizeof(StarVertex));
    const GLuint sizes[3] = {3, 1, 3};
    const GLuint offsets[3] = {0, 3 * sizeof(float), 4 * sizeof(float)};
    for (GLuint i = 0; i < 3; ++i) {
        glEnableVertexArrayAttrib(m_starArray, i);
        glVertexArrayAttribFormat(m_starArray, i, GLint(sizes[i]), GL_FLOAT, GL_FALSE, offsets[i]);
        glVertexArrayAttribBinding(m_starArray, i, 0);
    }
}

GlSkySphere::~GlSkySphere() {
    gl::deleteObject(gl::ObjectType::VertexArray, m_starArray);
    gl::deleteObject(gl::ObjectType::Buffer, m_starBuffer);
}

void GlSkySphere::setFrame(const SkyFrame& frame) {
    const bool first = !m_hasFrame;
    m_frame = frame;
    m_hasFrame = true;
    if (first || frame.starsChanged) uploadStars();
}

void GlSkySphere::uploadStars() {
    std::vector<StarVertex> vertices;
    if (m_frame.stars) {
        vertices.reserve(m_frame.stars->size());
        for (const Astro::STARDESC& s : *m_frame.stars)
            vertices.push_back({{s.vPos.x, s.vPos.y, s.vPos.z}, s.fMagnitude, {s.vColor.x, s.vColor.y, s.vColor.z}});
    }
    m_starCount = static_cast<int>(vertices.size());
    // Buffer data is re-specified whole: a star list changes at most once per horizon rebuild.
    glNamedBufferData(m_starBuffer, GLsizeiptr(vertices.size() * sizeof(StarVertex)), vertices.data(), GL_STATIC_DRAW);
}

// The sky's coefficient block for this frame's sun and altitude (one evaluation fills it), as
// the uniforms of skymodel.glsl.
void GlSkySphere::setSkyModel(GlShader& program, const Math::Vector3f& sunDir) {
    enviro::Sky& sky = *enviro::sky;
    Math::Vector3f zenith(0.0f, 1.0f, 0.0f), yxy;
    Math::Vector4f sun = m_frame.sun;
    sky.getSkyYxy(zenith, sun, m_frame.altitude, &yxy);
    program.setArray("u_perezY", sky.m_aPerezY, 5);
    program.setArray("u_perezX", sky.m_aPerezCx, 5);
    program.setArray("u_perezYc", sky.m_aPerezCy, 5);
    program.set("u_skyNorm", sky.m_fNormCx, sky.m_fNormCy, sky.m_fLumAngleScale, sky.m_fNormLum);
    program.set("u_skySun", sunDir.x, sunDir.y, sunDir.z);
}

void GlSkySphere::draw(int mode) {
    GlCameraView view;
    if (!m_hasFrame || !enviro::sky || !currentCameraView(view) || !m_device.api().bindDrawTargets()) return;
    ++m_draws;
    // The sun over the length of all four components, as the sky model normalises it.
    const Math::Vector4f& s = m_frame.sun;
    const float len = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z + s.w * s.w);
    const Math::Vector3f sunDir = len > 0.0f ? Math::Vector3f(s.x / len, s.y / len, s.z / len)
                                             : Math::Vector3f(0.0f, 0.0f, 0.0f);
    GlDevice::screenPassState();
    setSkyModel(m_sky, sunDir);
    m_sky.set("u_invViewProj", view.rotationProjInv);
    m_sky.set("u_mode", mode);
    const Math::Vector3f sun3 = normalised(Math::Vector3f(s.x, s.y, s.z));
    m_sky.set("u_sunDisc", sun3.x, sun3.y, sun3.z, std::cos(kSunRadius));
    m_sky.set("u_sunColor", m_frame.sunColor.x, m_frame.sunColor.y, m_frame.sunColor.z);
    const Math::Vector3f moon = normalised(m_frame.moon);
    const Math::Vector3f light = moonLightDirection(moon, m_frame.moonPhase, m_frame.moonAngle);
    m_sky.set("u_moonDisc", moon.x, moon.y, moon.z, kMoonRadius);
    m_sky.set("u_moonLight", light.x, light.y, light.z, m_frame.moonBrightness);
    const Math::Vector3f& n = m_frame.galacticNorthPole;
    const Math::Vector3f& c = m_frame.galacticCentre;
    m_sky.set("u_galNorth", n.x, n.y, n.z);
    m_sky.set("u_galCentre", c.x, c.y, c.z, m_frame.milkyWayBrightness);
    m_sky.use(m_device.api());
    m_device.drawFullscreen();
    if (mode == 2) {
        setSkyModel(m_stars, sunDir);
        drawStars(view.rotationProj);
    }
}

void GlSkySphere::drawStars(const Math::Matrix4f& rotationProj) {
    if (m_starCount == 0) return;
    m_stars.set("u_viewProj", rotationProj);
    m_stars.set("u_pixelScale", kStarPointSize);
    m_stars.set("u_flux", m_frame.starFlux);
    m_stars.use(m_device.api());
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_PROGRAM_POINT_SIZE);
    glBindVertexArray(m_starArray);
    glDrawArrays(GL_POINTS, 0, m_starCount);
    glDisable(GL_PROGRAM_POINT_SIZE);
    glDisable(GL_BLEND);
}

}  // namespace glhost
