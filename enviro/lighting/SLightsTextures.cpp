#include "enviro/lighting/SLightsTextures.h"

#include <algorithm>

#include "enviro/effector/CountedTargetName.h"
#include "enviro/host/CountedRef.h"
#include "enviro/host/RenderClients.h"

namespace effector {

namespace {

constexpr int kListFormat = RendAPI::FMT_G16R16F;

// The smallest power of two (from 1) not below value.
int pow2AtLeast(int value) {
    int p = 1;
    while (p < value && p < (1 << 30)) p <<= 1;
    return p;
}

// Tiles needed to cover size pixels with tiles of edge tile (the last one may be partial).
int tilesFor(int size, int tile) { return size / tile + (tile * (size / tile) != size ? 1 : 0); }

// Releases what held holds, then creates a target named base + counter and holds it.
void createTarget(RendAPI::IRenderTarget*& held, const char* base, int width, int height) {
    RendAPI::dropCounted(held);
    char name[kCountedTargetNameSize];
    makeCountedTargetName(base, name);
    RendAPI::holdCounted(held, RendAPI::renderApi().createRenderTarget(name, width, height, kListFormat, 1));
}

void clearTarget(renderBase::ISysPostEffect* post, RendAPI::IRenderTarget* target) {
    static const Math::Vector4f kZero(0.0f, 0.0f, 0.0f, 0.0f);
    if (target) post->clearTarget(target, &kZero);
}

}  // namespace

SLightsTextures::SLightsTextures()
    : m_prtOcclusion(nullptr),
      m_prtLightsList(nullptr),
      m_prtLightsTemp(nullptr),
      m_prtDepthRange(nullptr),
      m_vListRect(0.0f, 0.0f, 0.0f, 0.0f),
      m_nTilesX(0),
      m_nTilesY(0),
      m_nTileSize(0),
      m_nWidth(0),
      m_nHeight(0),
      m_nMaxLights(0) {}

SLightsTextures::SLightsTextures(const SLightsTextures& other) : SLightsTextures() { copyTargets(other); }

SLightsTextures& SLightsTextures::operator=(const SLightsTextures& other) {
    if (this != &other) copyTargets(other);
    return *this;
}

SLightsTextures::~SLightsTextures() { uninit(); }

void SLightsTextures::copyTargets(const SLightsTextures& other) {
    RendAPI::holdCounted(m_prtOcclusion, other.m_prtOcclusion);
    RendAPI::holdCounted(m_prtLightsList, other.m_prtLightsList);
    RendAPI::holdCounted(m_prtLightsTemp, other.m_prtLightsTemp);
    RendAPI::holdCounted(m_prtDepthRange, other.m_prtDepthRange);
    m_vListRect = other.m_vListRect;
    m_nTilesX = other.m_nTilesX;
    m_nTilesY = other.m_nTilesY;
    m_nTileSize = other.m_nTileSize;
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_nMaxLights = other.m_nMaxLights;
}

bool SLightsTextures::init(short width, short height, short tileSize, short maxLights) {
    if (maxLights < 1 || width < 1 || height < 1) return false;
    m_nMaxLights = std::min<short>(maxLights, kMaxListLayers);
    m_nWidth = width;
    m_nHeight = height;

    int tile = std::max<int>(tileSize, 1);
    while (width / tile > kMaxTilesPerSide || height / tile > kMaxTilesPerSide) tile *= 2;
    m_nTileSize = static_cast<short>(tile);
    const int tilesX = tilesFor(width, tile);
    const int tilesY = tilesFor(height, tile);
    m_nTilesX = static_cast<short>(tilesX);
    m_nTilesY = static_cast<short>(tilesY);

    const int gridWidth = pow2AtLeast(kLightsPerRow * tilesX);
    const int layerRows = (m_nMaxLights - 1) / kLightsPerRow + 1;
    createTarget(m_prtOcclusion, "m_rtOcclusion", gridWidth, pow2AtLeast(kLightsPerRow * tilesY));
    createTarget(m_prtLightsList, "m_rtLightsList", gridWidth, pow2AtLeast(layerRows * tilesY));
    if (!m_prtOcclusion || !m_prtLightsList) {
        uninit();
        return false;
    }
    createTarget(m_prtDepthRange, "m_rtDepthRange", pow2AtLeast(tilesX), pow2AtLeast(tilesY));
    createTarget(m_prtLightsTemp, "m_rtLightsTemp", pow2AtLeast(tilesX), pow2AtLeast(tilesY));

    const float listWidth = static_cast<float>(m_prtLightsList->getWidth());
    const float listHeight = static_cast<float>(m_prtLightsList->getHeight());
    m_vListRect = Math::Vector4f(tilesX / listWidth, tilesY / listHeight, 1.0f / listWidth, 1.0f / listHeight);
    return true;
}

void SLightsTextures::clear() {
    renderBase::ISysPostEffect* post = renderBase::findClient<renderBase::ISysPostEffect>();
    if (!post) return;
    clearTarget(post, m_prtOcclusion);
    clearTarget(post, m_prtLightsList);
    clearTarget(post, m_prtLightsTemp);
    clearTarget(post, m_prtDepthRange);
}

void SLightsTextures::uninit() {
    RendAPI::dropCounted(m_prtOcclusion);
    RendAPI::dropCounted(m_prtLightsList);
    RendAPI::dropCounted(m_prtDepthRange);
    RendAPI::dropCounted(m_prtLightsTemp);
}

Math::Vector4f SLightsTextures::getListRect2() const {
    const float invTile = m_nTileSize > 0 ? 1.0f / m_nTileSize : 0.0f;
    return Math::Vector4f(m_nWidth, m_nHeight, invTile, 0.0f);
}

}  // namespace effector
