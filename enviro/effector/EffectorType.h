#pragma once
// The effector kinds. These numbers are part of the interface (hosts pass them); 2 belongs to
// no kind.
namespace effector {

enum EFFECTOR_TYPE : int {
    EFFECTOR_ALL = 0,  // every kind, in setState(type, state) and flush
    EFFECTOR_LIGHT = 1,
    EFFECTOR_PSMSHADOW = 3,
    EFFECTOR_SHADOWCASTER = 4,
    EFFECTOR_FOG = 5,
    EFFECTOR_REFLECTION = 6,
    EFFECTOR_SKIN = 7,
    EFFECTOR_TRANSPARENTEXCLUSION = 8,
    EFFECTOR_KINEMATIC = 9,
};

}  // namespace effector
