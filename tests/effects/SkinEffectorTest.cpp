// The skin effector: which textures the skin replaces, and which cached files are usable.
#include <gtest/gtest.h>

#include <cstring>

#include "enviro/effector/EffectorType.h"
#include "enviro/effects/SkinEffector.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

SCachedTexDesc named(const char* fileName) {
    SCachedTexDesc desc;
    std::strncpy(desc.szFileName, fileName, sizeof desc.szFileName - 1);
    return desc;
}

}  // namespace

TEST(SkinEffector, SkinReplacesOnlyTexturesWithoutUnderscoreInTheFileName) {
    SkinEffector skin;
    EXPECT_EQ(skin.getType(), EFFECTOR_SKIN);
    refhost::RefTexture tex("Textures\\Body.dds");
    EXPECT_EQ(skin.getSkinTexture(&tex), nullptr);  // no skin set
    ASSERT_NE(skin.getSkinTexture(nullptr), nullptr);  // the (empty) descriptor itself
    EXPECT_EQ(skin.getSkinTexture(nullptr)->szFileName[0], '\0');

    SCachedTexDesc desc = named("Skins\\Leather.dds");
    skin.setSkinTexture(&desc);
    ASSERT_NE(skin.getSkinTexture(nullptr), nullptr);
    EXPECT_STREQ(skin.getSkinTexture(nullptr)->szFileName, "Skins\\Leather.dds");

    struct Case { const char* file; bool skinned; } cases[] = {
        {"Textures\\Body.dds", true},
        {"Textures\\Body_n.dds", false},        // underscore in the file name
        {"Body_n.dds", false},                  // bare name with underscore
        {"Body.dds", true},                     // bare name without one
        {"My_Textures\\Body.dds", true},        // underscore only in a directory
        {"My_Textures\\Sub\\Body_s.dds", false},
        {"Textures/Body_n.dds", false},         // '/' is not a separator here...
        {"My_Textures/Body.dds", false},        // ...so this underscore counts
        {"Textures\\_\\Body.dds", true},
        {"", true},
    };
    for (const Case& c : cases) {
        tex.setFileName(c.file);
        SCachedTexDesc* got = skin.getSkinTexture(&tex);
        EXPECT_EQ(got != nullptr, c.skinned) << c.file;
        if (got) {
            EXPECT_STREQ(got->szFileName, "Skins\\Leather.dds");
        }
    }

    SkinEffector copy(skin);  // copies the descriptor
    tex.setFileName("Textures\\Body.dds");
    ASSERT_NE(copy.getSkinTexture(&tex), nullptr);
    EXPECT_STREQ(copy.getSkinTexture(&tex)->szFileName, "Skins\\Leather.dds");

    skin.setSkinTexture(nullptr);  // clears
    EXPECT_EQ(skin.getSkinTexture(&tex), nullptr);
    EXPECT_EQ(skin.getSkinTexture(nullptr)->szFileName[0], '\0');
    copy = skin;
    EXPECT_EQ(copy.getSkinTexture(&tex), nullptr);
}

TEST(SkinEffector, FileIsUnusableOnlyWithoutNameOrWhenTheCacheFinishedWithoutTexture) {
    SCachedTexDesc empty;
    SCachedTexDesc skinFile = named("Skins\\Leather.dds");
    EXPECT_FALSE(SkinEffector::isValidFile(nullptr));
    EXPECT_FALSE(SkinEffector::isValidFile(&empty));
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));  // no cache installed: not cached yet

    refhost::ReferenceHost host;
    host.install();
    EXPECT_FALSE(SkinEffector::isValidFile(&empty));
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));  // never seen by the cache
    EXPECT_EQ(host.textureCache().lookupCount(), 1);

    host.textureCache().add("Skins\\Leather.dds", nullptr, false);  // still loading
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));
    host.textureCache().add("Skins\\Leather.dds", nullptr, true);   // finished, nothing loaded
    EXPECT_FALSE(SkinEffector::isValidFile(&skinFile));
    refhost::RefTexture loaded("Skins\\Leather.dds");
    host.textureCache().add("Skins\\Leather.dds", &loaded, true);   // finished and loaded
    EXPECT_TRUE(SkinEffector::isValidFile(&skinFile));
}
