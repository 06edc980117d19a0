#pragma once
// What the scene renderer draws, in world coordinates (x north, y up, z east, metres): ground
// meshes that receive shadows, shadow-casting objects (a model each, stored in the effector
// manager as shadow-caster records while the content is in the scene) and an optional water
// plane (drawn plain: a dark surface that shows the sky).
#include <memory>
#include <vector>

#include "enviro/host/MathVector.h"
#include "glhost/scene/GlModel.h"

namespace glhost {

struct SceneObject {
    std::unique_ptr<GlModel> model;
    Math::Vector3d position;  // world position of the model's origin
};

struct SceneContent {
    std::vector<std::unique_ptr<GlMesh>> ground;  // world coordinates
    std::vector<SceneObject> objects;             // shadow casters
    std::unique_ptr<GlMesh> water;                // world coordinates, or null
    float groundLevel = 0.0f;                     // world height of the level ground (shadow fit)
};

}  // namespace glhost
