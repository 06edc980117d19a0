// The effector base and the eight kinds: type numbers, record sizes and default weights.
#include <gtest/gtest.h>

#include <memory>

#include "enviro/effector/Effector.h"
#include "enviro/effector/EffectorType.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/effects/ShadowCaster.h"
#include "enviro/effects/SkinEffector.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"

namespace {

using namespace effector;

TEST(Effector, BaseReportsItsTypeSizeZeroAndWeightOne) {
    for (int type : {-7, 0, 2, 42}) {
        Effector e(type);
        EXPECT_EQ(e.getType(), type);
        EXPECT_EQ(e.getDataSize(), 0);
        char record[8] = {};
        Math::Vector3f far(1e30f, -1e30f, 0.0f);
        EXPECT_EQ(e.getWeight(record, &far, 123.0f), 1.0f);
        EXPECT_EQ(e.getWeight(nullptr, nullptr, 0.0f), 1.0f);
        e.freeData(record);  // a no-op, also for null
        e.freeData(nullptr);
    }
}

struct KindCase {
    std::unique_ptr<Effector> instance;
    int type;
    int dataSize;
};

TEST(Effector, EveryKindHasItsNumberAndRecordSize) {
    KindCase kinds[] = {
        {std::make_unique<LightSource>(), EFFECTOR_LIGHT, 72},
        {std::make_unique<PSMShadow>(), EFFECTOR_PSMSHADOW, 32},
        {std::make_unique<ShadowCaster>(), EFFECTOR_SHADOWCASTER, int(sizeof(SHADOWCASTERDESC))},
        {std::make_unique<FogEffector>(), EFFECTOR_FOG, 0},
        {std::make_unique<ReflectionEffector>(), EFFECTOR_REFLECTION, 0},
        {std::make_unique<SkinEffector>(), EFFECTOR_SKIN, 0},
        {std::make_unique<TransparentExclusion>(), EFFECTOR_TRANSPARENTEXCLUSION, 24},
        {std::make_unique<KinematicEffector>(), EFFECTOR_KINEMATIC, 0},
    };
    const int numbers[] = {1, 3, 4, 5, 6, 7, 8, 9};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(kinds[i].type);
        EXPECT_EQ(kinds[i].type, numbers[i]);
        EXPECT_EQ(kinds[i].instance->getType(), kinds[i].type);
        EXPECT_EQ(kinds[i].instance->getDataSize(), kinds[i].dataSize);
    }
}

TEST(Effector, KindsWithoutOwnWeightWeighOne) {
    std::unique_ptr<Effector> kinds[] = {
        std::make_unique<PSMShadow>(),   std::make_unique<ShadowCaster>(),       std::make_unique<FogEffector>(),
        std::make_unique<SkinEffector>(), std::make_unique<ReflectionEffector>(), std::make_unique<KinematicEffector>(),
    };
    unsigned char record[128] = {};
    Math::Vector3f pos(3.0f, -4.0f, 5.0f);
    for (auto& kind : kinds) EXPECT_EQ(kind->getWeight(record, &pos, 0.5f), 1.0f) << kind->getType();
}

}  // namespace
