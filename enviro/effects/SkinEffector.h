#pragma once
// The skin effector (kind 7): the skin texture of textured objects. Stores no records.
// It holds one descriptor of the texture cache, which the host's material code asks for when it
// draws a textured object, and tells whether a cached texture file is usable.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/host/TextureCache.h"

namespace graphics {
class Texture;
}

namespace effector {

class ENVIRO_API SkinEffector : public Effector {
public:
    SkinEffector();
    SkinEffector(const SkinEffector& other);
    SkinEffector& operator=(const SkinEffector& other);
    ~SkinEffector() override;

    // Copies *desc; null clears the skin (an empty descriptor).
    void setSkinTexture(SCachedTexDesc* desc);
    // Can the file be used? False for a null descriptor or an empty name, and for a file the
    // cache has finished with without a texture; true otherwise (not cached yet, still loading,
    // or loaded). Without an installed cache every named file counts as not cached yet.
    static bool isValidFile(SCachedTexDesc* desc);
    // The skin for an object drawn with texture tex: the descriptor itself when tex is null
    // (even if empty); otherwise null when no skin is set or when the file name of tex has an
    // underscore after its last backslash (only '\\' separates directories here), else the
    // descriptor.
    SCachedTexDesc* getSkinTexture(graphics::Texture* tex);

private:
    SCachedTexDesc m_skinDesc;
};

}  // namespace effector
