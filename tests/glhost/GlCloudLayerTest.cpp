// The cloud layer of "Cirrus" and its shadow: the cloud-shadow map drawn by draw(2) and looked up
// through the fog effector's shadow matrix darkens a ground point by the cloud that the same
// client draws (draw(1)) where a camera at that point sees the sun, wherever the drawing frame's
// origin stands, with a slanting sun and the wind's drift.
#include <cmath>
#include <random>

#include "GlEffectScene.h"
#include "enviro/fog/FogEffector.h"
#include "glhost/clients/GlCirrus.h"

namespace glhost {
namespace {

using namespace effector;

Math::Vector3f cross(const Math::Vector3f& a, const Math::Vector3f& b) {
    return Math::Vector3f(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

TEST(GlCloudLayer, ShadowMapMatchesTheCloudsTowardTheSun) {
    test::GlEffectScene scene(32, 32);
    GlRenderApi& api = test::host().renderApi();
    refhost::RefCamera& camera = test::host().camera();
    auto* fog = effectorInstance<FogEffector>(EFFECTOR_FOG);
    auto* cirrus = test::host().clients().get<GlCirrus>();
    const Math::Vector3f light(0.35f, -1.0f, -0.2f);  // the direction sunlight travels
    LIGHTDESC sun{};
    sun.type = LIGHT_DIRECTIONAL;
    sun.vPos = light;
    sun.vColor = Math::Vector4f(1, 1, 1, 1);
    scene.man.addLight(&sun);
    CloudLayer layer;
    layer.altitude = fog->getFogDesc().fLayerBottom;
    layer.tileSize = 40000.0;  // the layer's fade over distance stays below half a percent here
    layer.drift = Math::Vector3d(1370.0, 0.0, -2550.0);
    layer.coverage = 0.4f;
    layer.opacity = 0.8f;
    cirrus->setLayer(layer);

    const double base[4] = {12345.6, 3.0, -7890.1, 0.0};
    camera.setBasePosition(base);
    fog->beginShadowsRT(float(layer.tileSize));
    cirrus->draw(2);
    fog->endShadowsRT();
    fog->updateShadowMatrix(float(layer.drift.x), float(layer.drift.z));
    const Math::Matrix4f m = *fog->getShadowMatrix();
    RendAPI::ITexture* map = fog->getShadowTexture();
    const std::vector<float> shadows = api.readTexels(map);

    RendAPI::ITexture* view = api.createRenderTarget("cloud_view", 8, 8, RendAPI::FMT_A32B32G32R32F, 1);
    RendAPI::ITexture* depth = api.createRenderTarget("cloud_view_depth", 8, 8, RendAPI::FMT_R32F, 1);
    const Math::Vector3f forward = Math::normalizeOrKeep(-light);
    const Math::Vector3f right = Math::normalizeOrKeep(cross(forward, Math::Vector3f(0, 1, 0)));
    const Math::Vector3f up = cross(right, forward);
    Math::Matrix4f orientation = Math::Matrix4f::identity();
    for (int c = 0; c < 3; ++c) {
        orientation.m[0][c] = forward[c];
        orientation.m[1][c] = up[c];
        orientation.m[2][c] = right[c];
    }
    camera.setOrientation(&orientation);
    camera.setFov(0.002f);  // the view's centre texels look along the axis
    camera.setAspect(1.0f);
    std::mt19937 random(62);
    std::uniform_real_distribution<float> u(-3000.0f, 3000.0f);
    int clouded = 0, clear = 0;
    for (int i = 0; i < 24; ++i) {
        const Math::Vector3f p(u(random), 0.0f, u(random));  // on the ground, drawing frame
        const Math::Vector4f q = Math::transformPoint(p, m);
        const int tx = int((q.x - std::floor(q.x)) * map->getWidth()), tz = int((q.z - std::floor(q.z)) * map->getHeight());
        const float shadow = shadows[(size_t(tz) * map->getWidth() + tx) * 4 + 1];
        // A camera standing at p (the drawing frame's origin moved there) looking at the sun.
        const double at[4] = {base[0] + p.x, base[1] + p.y, base[2] + p.z, 0.0};
        camera.setBasePosition(at);
        api.setRenderTargets(view, depth, nullptr);
        cirrus->draw(1);
        api.resetRenderTarget();
        const float cloud = api.readTexels(view)[(4 * 8 + 4) * 4 + 3];
        EXPECT_NEAR(shadow, 1.0f - cloud, 0.04f) << "ground point " << p.x << ", " << p.z;
        clouded += shadow < 0.85f;
        clear += shadow > 0.97f;
    }
    EXPECT_GE(clouded, 3);
    EXPECT_GE(clear, 3);
}

}  // namespace
}  // namespace glhost
