// The skin effector: which textures the skin replaces, and which cached files are usable.
#include <gtest/gtest.h>

#include <cstring>

#include "enviro/effects/SkinEffector.h"
#include "refhost/ReferenceHost.h"

using effector::SkinEffector;

namespace {

SCachedTexDesc named(const char* fileName) {
    SCachedTexDesc desc;
    std::strncpy(desc.szFileName, fileName, sizeof desc.szFileName - 1);
    return desc;
}

}  // namespace

TEST(SkinEffector, SkinReplacesOnlyTexturesWithoutUnderscoreInTheFileName) {
    SkinEffector skin;
    refhost::RefTexture tex("Textures\\Body.dds");
    EXPECT_EQ(skin.getSkinTexture(&tex), nullptr);  // no skin set
    SCachedTexDesc desc = named("Skins\\Leather.dds");
    skin.setSkinTexture(&desc);
    const struct { const char* file; bool skinned; } cases[] = {
        {"Textures\\Body.dds", true}, {"Body.dds", true}, {"", true},
        {"Textures\\Body_n.dds", false}, {"Body_n.dds", false},  // an underscore in the file name
        {"My_Textures\\Body.dds", true}, {"My_Textures\\Sub\\Body_s.dds", false},  // only in a directory
        {"Textures/Body_n.dds", false}, {"My_Textures/Body.dds", false},  // '/' is not a separator here
    };
    for (const auto& c : cases) {
        tex.setFileName(c.file);
        EXPECT_EQ(skin.getSkinTexture(&tex), c.skinned ? skin.getSkinTexture(nullptr) : nullptr) << c.file;
    }
    EXPECT_STREQ(skin.getSkinTexture(nullptr)->szFileName, "Skins\\Leather.dds");
    skin.setSkinTexture(nullptr);  // clears
    EXPECT_TRUE(skin.getSkinTexture(&tex) == nullptr && skin.getSkinTexture(nullptr)->szFileName[0] == '\0');
}

TEST(SkinEffector, FileIsUnusableOnlyWithoutNameOrWhenTheCacheFinishedWithoutTexture) {
    SCachedTexDesc empty, skinFile = named("Skins\\Leather.dds");
    EXPECT_FALSE(SkinEffector::isValidFile(nullptr) || SkinEffector::isValidFile(&empty));
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));  // no cache installed: not cached yet
    refhost::ReferenceHost host;
    host.install();
    refhost::RefTexture loaded("Skins\\Leather.dds");
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));  // never seen by the cache
    host.textureCache().add("Skins\\Leather.dds", nullptr, false);  // still loading
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));
    host.textureCache().add("Skins\\Leather.dds", nullptr, true);  // finished, nothing loaded
    EXPECT_FALSE(SkinEffector::isValidFile(&skinFile));
    host.textureCache().add("Skins\\Leather.dds", &loaded, true);  // finished and loaded
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));
}
