// The shadow-map effector's flags, target names, light-space matrix, state stack and copies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ShadowPassScene.h"
#include "enviro/host/Math3D.h"

namespace {

using namespace shadow_test;

const Math::Matrix4f kSample{{{2, 0, 1, 0}, {0, 3, 0, 0}, {1, 0, 1, 0}, {5, -2, 7, 1}}};

std::string names(PSMShadow& shadow) {
    PSMSTATE s;
    shadow.getState(&s);
    return std::string(s.szDepthTarget) + " " + s.szColorTarget;
}

TEST(PSMShadowState, FlagsNamesMatrixAndTheStateStack) {
    InstalledHost host;
    PSMShadow shadow;
    shadow.setActive(true);
    shadow.enable(true);  // no "psm_depth" yet: neither
    EXPECT_FALSE(shadow.isActive() || shadow.isEnabled() || host.renderApi().liveObjectCount() > 1) << "the constructor makes no target";
    shadow.initShadows(4, 0);
    shadow.setTargets(const_cast<char*>("nothing"), nullptr);  // the constant name counts, not this one
    shadow.enable(true);
    shadow.setActive(true);
    EXPECT_TRUE(shadow.isEnabled() && shadow.isActive());
    shadow.enable(true);
    EXPECT_FALSE(shadow.isActive()) << "enabling again invalidates the current map";
    // Target names: given, defaulted when null, cut to 63 characters; the depth one is looked up.
    shadow.setTargets(const_cast<char*>("psm_depth_ortho"), nullptr);
    EXPECT_EQ(names(shadow), "psm_depth_ortho psm_color");
    EXPECT_EQ(shadow.getDepthTarget(), host.renderApi().find("psm_depth_ortho"));
    std::string longName(100, 'n');
    shadow.setTargets(&longName[0], const_cast<char*>("y"));
    EXPECT_EQ(names(shadow), std::string(63, 'n') + " y");
    // A given matrix is pointed at and inverted; the own (zero, singular) one is its own "inverse".
    Math::Matrix4f m = kSample;
    shadow.setMatrix(&m);
    EXPECT_TRUE(shadow.getLightSpace() == &m && ShadowPassScene::inverses(m, *shadow.getLightSpaceInverse()));

    // The stack gives flags, names and matrix back; an empty stack's pop does nothing.
    shadow.setTargets(nullptr, nullptr);
    shadow.setActive(true);
    shadow.setMatrix(nullptr);
    shadow.pushState();
    shadow.setTargets(const_cast<char*>("a"), const_cast<char*>("b"));
    shadow.setMatrix(&m);
    shadow.enable(false);
    shadow.popState();
    shadow.popState();
    EXPECT_TRUE(shadow.isEnabled() && shadow.isActive() && shadow.getStateDepth() == 0);
    EXPECT_NE(shadow.getLightSpace(), &m);
    EXPECT_EQ(*shadow.getLightSpaceInverse(), *shadow.getLightSpace()) << "inverse recomputed";
    EXPECT_EQ(names(shadow), "psm_depth psm_color");
    // setState then getState gives the state back field by field; the stack stays as it was.
    shadow.pushState();
    PSMSTATE given, back;
    std::memset(&given, 0x5a, sizeof(given));  // names without terminator: bounded to 63 bytes
    given.bDepthRender = 1, given.bFrontSide = 0, given.bEnabled = false, given.bActive = true, given.pLightSpace = &m;
    std::strcpy(given.szColorTarget, "colour");
    shadow.setState(&given);
    shadow.getState(&back);
    EXPECT_EQ(std::vector<int>({back.bDepthRender, back.bFrontSide, back.bEnabled, back.bActive, shadow.getStateDepth()}), std::vector<int>({1, 0, 0, 1, 1}));
    EXPECT_TRUE(back.pLightSpace == &m && names(shadow) == std::string(63, '\x5a') + " colour");
    EXPECT_TRUE(ShadowPassScene::inverses(m, *shadow.getLightSpaceInverse()));
    shadow.popState();
    shadow.setState(nullptr), shadow.getState(nullptr);
    EXPECT_TRUE(shadow.isEnabled() && shadow.isDepthRender() == 0);
    shadow.uninitShadows();
}

TEST(PSMShadowState, CopiesTakeReferencesAndTheirOwnLightSpace) {
    InstalledHost host;
    refhost::RefRenderApi& api = host.renderApi();
    auto* shadow = new PSMShadow();
    shadow->initShadows(4, 1);
    shadow->initSSAO(64, 32);
    *shadow->getLightSpace() = kSample;  // the effector's own matrix, written in place
    PSMShadow copy(*shadow), assigned;
    for (const char* name : {"psm_depth", "m_rtLightsDepth", "psm_surface"}) EXPECT_EQ(api.refCount(name), 3) << name;
    EXPECT_TRUE(copy.getLightSpace() != shadow->getLightSpace() && *copy.getLightSpace() == kSample) << "its own matrix";
    EXPECT_EQ(copy.getSSAO(), shadow->getSSAO()) << "occlusion wrappers are shared";
    Math::Matrix4f external = kSample;
    shadow->setMatrix(&external);
    assigned = *shadow;
    assigned = assigned;  // self-assignment keeps the references
    EXPECT_TRUE(assigned.getLightSpace() == &external && api.refCount("psm_depth") == 4) << "a foreign matrix is copied as a pointer";
    shadow->closeSSAO();
    delete shadow;
    copy.uninitShadows(), assigned.uninitShadows();
    EXPECT_TRUE(api.leakedObjects().empty() && api.protocolErrors() == 0);
}

}  // namespace
