#pragma once
// Rendering library: models and their instances, as the shadow passes use them.
#include "enviro/host/MathMatrix.h"

namespace model {

// One node of a model's bounding-box hierarchy. The root is the last node; an inner node has
// two children, a leaf has child[0] < 0.
struct Node {
    short child[2];
    Math::Vector3f vMin;  // model-space box, min corner
    Math::Vector3f vMax;  // model-space box, max corner
};

class ModelInstance {
public:
    virtual ~ModelInstance() = default;
    virtual void setWorldMatrix(const Math::Matrix4f* world) = 0;
    virtual const Math::Matrix4f* getWorldMatrix() = 0;
};

class Model {
public:
    virtual ~Model() = default;
    // Draws with the current camera and targets; a null instance draws the model as it is.
    virtual void draw(ModelInstance* instance) = 0;
    virtual int getNodeCount() = 0;
    // Node i, 0 <= i < getNodeCount(); null out of range.
    virtual const Node* getNode(int i) = 0;
};

}  // namespace model
