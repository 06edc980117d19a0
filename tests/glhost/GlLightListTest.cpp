// The tiled light list of "SysLightRender" against the CPU: over random scenes of 1 to 256 lights
// and random screen depths, every light whose sphere reaches a tile's frustum between the tile's
// nearest and farthest depth is in the tile's list.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "GlEffectScene.h"
#include "enviro/host/Math3D.h"

namespace glhost {
namespace {

using namespace effector;

constexpr int kWidth = 160, kHeight = 96, kTile = 16, kTilesX = kWidth / kTile, kTilesY = kHeight / kTile;

struct HalfSpace {
    Math::Vector3d n;  // unit normal; inside where n . x >= d
    double d;
};

double dot(const Math::Vector3d& a, const Math::Vector3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Distance from c to the intersection of the half-spaces (a convex polytope), by Dykstra's
// alternating projections.
double distanceTo(const std::vector<HalfSpace>& set, const Math::Vector3d& c) {
    Math::Vector3d x = c;
    std::vector<Math::Vector3d> p(set.size(), Math::Vector3d(0, 0, 0));
    for (int iteration = 0; iteration < 2000; ++iteration) {
        double moved = 0.0;
        for (size_t i = 0; i < set.size(); ++i) {
            const Math::Vector3d y0 = x + p[i];
            const double out = set[i].d - dot(set[i].n, y0);
            const Math::Vector3d y = out > 0.0 ? y0 + set[i].n * out : y0;
            p[i] = y0 - y;
            moved += std::fabs(y.x - x.x) + std::fabs(y.y - x.y) + std::fabs(y.z - x.z);
            x = y;
        }
        if (moved < 1e-9) break;
    }
    const Math::Vector3d d = x - c;
    return std::sqrt(dot(d, d));
}

// The tile's frustum between two view depths: four side planes through the eye and two slabs.
std::vector<HalfSpace> tileVolume(const Math::Matrix4f& proj, int tx, int ty, double zNear, double zFar) {
    const double sx = 2.0 * kTile / kWidth, sy = 2.0 * kTile / kHeight;
    const double x0 = -1.0 + tx * sx, x1 = x0 + sx, y1 = 1.0 - ty * sy, y0 = y1 - sy;
    auto side = [](double ax, double ay, double az) {
        const double l = std::sqrt(ax * ax + ay * ay + az * az);
        return HalfSpace{Math::Vector3d(ax / l, ay / l, az / l), 0.0};
    };
    return {side(proj.m[0][0], 0, proj.m[2][0] - x0), side(-proj.m[0][0], 0, x1 - proj.m[2][0]),
            side(0, proj.m[1][1], proj.m[2][1] - y0), side(0, -proj.m[1][1], y1 - proj.m[2][1]),
            HalfSpace{Math::Vector3d(0, 0, 1), zNear}, HalfSpace{Math::Vector3d(0, 0, -1), -zFar}};
}

// A screen of view depths: a tilted plane, random boxes in front of it and, in some scenes, sky.
std::vector<float> randomDepths(std::mt19937& random, bool sky) {
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const float base = 10.0f + 60.0f * u(random), tiltX = 0.3f * (u(random) - 0.5f), tiltY = 0.3f * u(random);
    std::vector<float> depth(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) depth[y * kWidth + x] = base * (1.0f + tiltX * x / kWidth + tiltY * y / kHeight);
    for (int box = 0; box < 6; ++box) {
        const int x0 = int(u(random) * kWidth), y0 = int(u(random) * kHeight);
        const int w = 4 + int(u(random) * 40), h = 4 + int(u(random) * 30);
        const float z = 1.0f + u(random) * base;
        for (int y = y0; y < std::min(y0 + h, kHeight); ++y)
            for (int x = x0; x < std::min(x0 + w, kWidth); ++x) depth[y * kWidth + x] = z;
    }
    if (sky)
        for (int i = 0; i < kWidth * kHeight / 4; ++i) depth[i] = 100000.0f * PSMShadow::kScreenDepthRange;
    return depth;
}

TEST(GlLightList, EveryLightReachingATileIsInItsList) {
    test::GlEffectScene scene(kWidth, kHeight, kTile, SLightsTextures::kMaxListLayers);
    std::mt19937 random(1607);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const Math::Matrix4f proj = test::host().camera().projectionMatrix();
    long listed = 0, exact = 0;
    for (int s = 0; s < 20; ++s) {
        SCOPED_TRACE(s);
        const std::vector<float> depth = randomDepths(random, s % 3 == 0);
        std::vector<float> texels(depth.size() * 4, 0.0f);
        for (size_t i = 0; i < depth.size(); ++i) texels[i * 4] = depth[i] / PSMShadow::kScreenDepthRange;
        scene.upload(scene.object(scene.screen.m_prtScreenDepth), texels);

        const int count = s == 0 ? 256 : s == 1 ? 1 : 1 + int(u(random) * 255);
        scene.man.flush(EFFECTOR_LIGHT, 0);
        for (int i = 0; i < count; ++i) {
            LIGHTDESC l{};
            l.type = u(random) < 0.3f ? LIGHT_SPOT : LIGHT_POINT;
            l.vPos = Math::Vector3f(60.0f * (u(random) - 0.5f), 40.0f * (u(random) - 0.5f), 90.0f * u(random) - 10.0f);
            l.vColor = Math::Vector4f(1.0f + u(random), 1.0f, 1.0f, 1.0f);
            l.vDir = Math::Vector4f(0.0f, 1.0f, 0.0f, 0.0f);
            l.fMaxRadius = 0.5f + 15.0f * u(random);
            l.fAttenK = LightSource::calcAttenKMaxRad(0.0f, l.fMaxRadius);
            l.fConeAngle = 0.6f;
            scene.man.addLight(&l);
        }
        scene.lights->renderLighting();
        const auto& rendered = scene.lights->getRenderedLights();
        ASSERT_EQ(rendered.count(), count);
        const std::vector<float> list = scene.read(scene.set.m_prtLightsList);
        const int listWidth = scene.set.m_prtLightsList->getWidth();
        const Math::Matrix4f view = test::host().camera().getView()->mView;

        for (int ty = 0; ty < kTilesY; ++ty)
            for (int tx = 0; tx < kTilesX; ++tx) {
                double zNear = 1e30, zFar = 0.0;
                for (int y = ty * kTile; y < (ty + 1) * kTile; ++y)
                    for (int x = tx * kTile; x < (tx + 1) * kTile; ++x) {
                        zNear = std::min<double>(zNear, depth[y * kWidth + x]);
                        zFar = std::max<double>(zFar, depth[y * kWidth + x]);
                    }
                const std::vector<HalfSpace> volume = tileVolume(proj, tx, ty, zNear, zFar);
                const int length = int(list[(ty * listWidth + tx) * 4 + 1]);
                std::vector<int> entries;
                for (int k = 0; k < length; ++k) {
                    const int x = (k % 16) * kTilesX + tx, y = (k / 16) * kTilesY + ty;
                    entries.push_back(int(list[(y * listWidth + x) * 4]));
                }
                listed += length;
                for (int i = 0; i < count; ++i) {
                    const Math::Vector4f c = Math::transformPoint(rendered[i].vPos, view);
                    const double r = rendered[i].fMaxRadius;
                    if (distanceTo(volume, Math::Vector3d(c.x, c.y, c.z)) > r * (1.0 - 1e-6)) continue;
                    ++exact;
                    EXPECT_NE(std::find(entries.begin(), entries.end(), i), entries.end())
                        << "light " << i << " missing from tile " << tx << ", " << ty;
                }
            }
    }
    std::printf("[ lists    ] mean list length %.2f, lights that reach the tile %.2f per tile\n",
                double(listed) / (20 * kTilesX * kTilesY), double(exact) / (20 * kTilesX * kTilesY));
}

}  // namespace
}  // namespace glhost
