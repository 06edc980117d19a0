#pragma once
// Base of every effector kind. The manager holds one instance per kind; the instance tells the
// size of the kind's per-object record and rates a record against a point (its weight).
#include "enviro/EnviroApi.h"
#include "enviro/host/MathVector.h"

namespace effector {

class ENVIRO_API Effector {
public:
    explicit Effector(int type);
    Effector(const Effector& other);
    Effector& operator=(const Effector& other);
    virtual ~Effector();

    // Weight of one stored record of this kind with respect to pos. The base returns 1.0.
    virtual float getWeight(void* data, Math::Vector3f* pos, float scale);
    // Exact size in bytes of one record of this kind. The base returns 0 (records without payload).
    virtual int getDataSize();
    // Called by the manager whenever a record of this kind is dropped. The base does nothing.
    virtual void freeData(void* data);

    int getType() const { return m_nType; }

protected:
    int m_nType;  // the kind's EFFECTOR_TYPE value, fixed at construction
};

}  // namespace effector
