#include "enviro/effects/SkinEffector.h"

#include <cstring>

#include "enviro/effector/EffectorType.h"
#include "enviro/host/Shader.h"

namespace effector {

namespace {

// Position of the last c in name, or -1.
long lastIndexOf(const char* name, char c) {
    const char* p = std::strrchr(name, c);
    return p ? static_cast<long>(p - name) : -1;
}

// Textures whose file name (after the last backslash) carries an underscore keep their own look.
bool takesSkin(const char* fileName) {
    if (!fileName) return true;
    return lastIndexOf(fileName, '_') <= lastIndexOf(fileName, '\\');
}

}  // namespace

SkinEffector::SkinEffector() : Effector(EFFECTOR_SKIN), m_skinDesc() {}

SkinEffector::SkinEffector(const SkinEffector& other) : Effector(other), m_skinDesc(other.m_skinDesc) {}

SkinEffector& SkinEffector::operator=(const SkinEffector& other) {
    Effector::operator=(other);
    m_skinDesc = other.m_skinDesc;
    return *this;
}

SkinEffector::~SkinEffector() {}

void SkinEffector::setSkinTexture(SCachedTexDesc* desc) { m_skinDesc = desc ? *desc : SCachedTexDesc(); }

bool SkinEffector::isValidFile(SCachedTexDesc* desc) {
    if (!desc || desc->szFileName[0] == '\0') return false;
    if (!g_pTexCache) return true;
    CCachedHandle* handle = g_pTexCache->getExistingHandle(desc);
    const SCachedTexDesc* cached = handle ? handle->getDesc() : nullptr;
    if (!cached || !cached->bFinished) return true;  // not cached yet, or still loading
    return cached->pTexture != nullptr;
}

SCachedTexDesc* SkinEffector::getSkinTexture(graphics::Texture* tex) {
    if (!tex) return &m_skinDesc;
    if (m_skinDesc.szFileName[0] == '\0') return nullptr;
    return takesSkin(tex->getFileName()) ? &m_skinDesc : nullptr;
}

}  // namespace effector
