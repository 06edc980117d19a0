#include "glhost/scene/DemoTown.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace glhost {

namespace {

constexpr int kCells = 128;
constexpr float kLakeX = 0.0f, kLakeZ = 330.0f, kLakeRadius = 110.0f;
constexpr float kTownRadius = 200.0f, kHillStart = 260.0f;

// A small deterministic generator (the standard distributions differ between libraries).
class Random {
public:
    explicit Random(uint32_t seed) : m_state(seed) {}
    float next(float lo, float hi) {
        m_state = m_state * 1664525u + 1013904223u;
        return lo + (hi - lo) * float(m_state >> 8) / float(1u << 24);
    }

private:
    uint32_t m_state;
};

float smooth(float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float lakeDepth(float x, float z) {
    const float d = std::hypot(x - kLakeX, z - kLakeZ) / kLakeRadius;
    return 5.0f * smooth(1.2f - d);
}

Math::Vector3f groundAlbedo(float x, float z, float h) {
    const float r = std::hypot(x, z);
    if (h < DemoTown::kWaterLevel + 0.6f) return Math::Vector3f(0.30f, 0.26f, 0.18f);  // shore and lake bed
    if (r < kTownRadius) return Math::Vector3f(0.20f, 0.20f, 0.19f);             // streets and squares
    const float rock = smooth((h - 60.0f) / 40.0f);
    const Math::Vector3f grass(0.07f, 0.12f, 0.04f), stone(0.22f, 0.21f, 0.19f);
    return grass * (1.0f - rock) + stone * rock;
}

}  // namespace

float DemoTown::groundHeight(float x, float z) {
    const float r = std::hypot(x, z);
    const float rise = smooth((r - kHillStart) / 600.0f);
    const float hills = 140.0f * rise * (0.7f + 0.3f * std::sin(x * 0.009f + 0.5f) * std::cos(z * 0.011f));
    const float rolling = smooth((r - kTownRadius) / 60.0f) * 3.0f * std::sin(x * 0.03f + 1.0f) * std::sin(z * 0.025f);
    return hills + rolling - lakeDepth(x, z);
}

SceneContent DemoTown::build(GlModelDrawer& drawer) {
    SceneContent scene;
    scene.groundLevel = 0.0f;

    // Terrain: smooth normals from the height field's differences.
    MeshData terrain;
    const float step = 2.0f * kExtent / kCells;
    for (int j = 0; j <= kCells; ++j)
        for (int i = 0; i <= kCells; ++i) {
            const float x = -kExtent + i * step, z = -kExtent + j * step;
            const float h = groundHeight(x, z);
            const float dx = groundHeight(x + 1.0f, z) - groundHeight(x - 1.0f, z);
            const float dz = groundHeight(x, z + 1.0f) - groundHeight(x, z - 1.0f);
            Math::Vector3f n(-dx, 2.0f, -dz);
            n = n * (1.0f / std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z));
            terrain.vertices.push_back({Math::Vector3f(x, h, z), n, groundAlbedo(x, z, h)});
        }
    for (int j = 0; j < kCells; ++j)
        for (int i = 0; i < kCells; ++i) {
            const unsigned a = unsigned(j * (kCells + 1) + i), b = a + 1, c = a + kCells + 1, d = c + 1;
            for (unsigned k : {a, c, d, a, d, b}) terrain.indices.push_back(k);
        }
    scene.ground.push_back(std::make_unique<GlMesh>(terrain));

    // The lake's surface.
    MeshData water;
    const float w = kLakeRadius * 1.3f;
    const Math::Vector3f up(0, 1, 0), dark(0.02f, 0.03f, 0.035f);
    const Math::Vector3f c0(kLakeX - w, kWaterLevel, kLakeZ - w), c1(kLakeX - w, kWaterLevel, kLakeZ + w),
        c2(kLakeX + w, kWaterLevel, kLakeZ + w), c3(kLakeX + w, kWaterLevel, kLakeZ - w);
    water.addTriangle({c0, up, dark}, {c1, up, dark}, {c2, up, dark});
    water.addTriangle({c0, up, dark}, {c2, up, dark}, {c3, up, dark});
    scene.water = std::make_unique<GlMesh>(water);

    // Buildings on a 6 x 6 street grid, each a box on its lot.
    Random random(20260621u);
    for (int gz = 0; gz < 6; ++gz)
        for (int gx = 0; gx < 6; ++gx) {
            const float cx = -112.5f + gx * 45.0f + random.next(-4, 4), cz = -112.5f + gz * 45.0f + random.next(-4, 4);
            const float sx = random.next(8, 16), sz = random.next(8, 16);
            const float centre = 1.0f - std::hypot(cx, cz) / 180.0f;  // taller in the middle
            const float height = random.next(6, 14) + 28.0f * std::max(centre, 0.0f) * random.next(0.3f, 1.0f);
            const float tint = random.next(0.35f, 0.6f);
            const Math::Vector3f albedo(tint, tint * random.next(0.85f, 1.0f), tint * random.next(0.75f, 0.95f));
            MeshData box;
            box.addBox(Math::Vector3f(-sx, 0, -sz), Math::Vector3f(sx, height, sz), albedo);
            std::vector<model::Node> nodes{{{-1, -1}, Math::Vector3f(-sx, 0, -sz), Math::Vector3f(sx, height, sz)}};
            scene.objects.push_back({std::make_unique<GlModel>(box, nodes, drawer), Math::Vector3d(cx, 0.0, cz)});
        }

    // Trees: on the streets between the lots and out on the slopes; trunk and crown.
    for (int t = 0; t < 48; ++t) {
        const bool street = t < 24;
        float x, z;
        if (street) {
            x = -135.0f + 45.0f * float(t % 7) + random.next(-1, 1);
            z = -90.0f + 45.0f * float(t / 7) + random.next(-15, 15);
        } else {
            const float a = random.next(0, 6.2831853f), r = random.next(220, 420);
            x = r * std::cos(a);
            z = r * std::sin(a);
            if (lakeDepth(x, z) > 0.0f) x = -x;  // keep out of the lake
        }
        const float scale = random.next(0.8f, 1.3f);
        const float trunkH = 3.0f * scale, crownH = 8.0f * scale, crownR = 3.0f * scale;
        MeshData tree;
        tree.addBox(Math::Vector3f(-0.35f, 0, -0.35f), Math::Vector3f(0.35f, trunkH, 0.35f),
                    Math::Vector3f(0.12f, 0.08f, 0.05f));
        tree.addPyramid(Math::Vector3f(0, trunkH, 0), crownR, crownH, Math::Vector3f(0.04f, 0.09f, 0.03f));
        std::vector<model::Node> nodes{
            {{-1, -1}, Math::Vector3f(-0.35f, 0, -0.35f), Math::Vector3f(0.35f, trunkH, 0.35f)},
            {{-1, -1}, Math::Vector3f(-crownR, trunkH, -crownR), Math::Vector3f(crownR, trunkH + crownH, crownR)},
            {{0, 1}, Math::Vector3f(-crownR, 0, -crownR), Math::Vector3f(crownR, trunkH + crownH, crownR)}};
        const double y = street ? 0.0 : double(groundHeight(x, z)) - 0.3;
        scene.objects.push_back({std::make_unique<GlModel>(tree, nodes, drawer), Math::Vector3d(x, y, z)});
    }
    return scene;
}

}  // namespace glhost
