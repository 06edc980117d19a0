// The effector manager: kind instances, record storage, adding, lookup and removal.
#include "enviro/effector/EffectorMan.h"

#include <cstdlib>
#include <limits>
#include <cstring>
#include <new>

#include "enviro/effects/KinematicEffector.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/effects/ShadowCaster.h"
#include "enviro/effects/SkinEffector.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"

namespace effector {

EffectorMan* effectorMan = nullptr;

namespace {
constexpr int kSlotGrowth = 32;
}

EffectorMan::EffectorMan() : m_nNextId(0), m_bOwnsStorage(true) { initInstances(); }

EffectorMan::EffectorMan(const EffectorMan& other)
    : m_nNextId(other.m_nNextId),
      m_containers(other.m_containers),
      m_dataList(other.m_dataList),
      m_sortList(other.m_sortList),
      m_bOwnsStorage(false) {}

EffectorMan& EffectorMan::operator=(const EffectorMan& other) {
    if (this == &other) return *this;
    close();  // what this manager owned is released before it takes a shared view of other's
    m_nNextId = other.m_nNextId;
    m_containers = other.m_containers;
    m_dataList = other.m_dataList;
    m_sortList = other.m_sortList;
    m_bOwnsStorage = false;
    return *this;
}

EffectorMan::~EffectorMan() { close(); }

void EffectorMan::init() {
    if (!m_containers.empty()) close();
    m_nNextId = 0;
    m_bOwnsStorage = true;
    initInstances();
}

void EffectorMan::close() {
    if (!m_bOwnsStorage) {
        m_containers.clear();
        return;
    }
    flush(EFFECTOR_ALL, 0);
    for (auto& entry : m_containers) {
        EFFCONTAINER& c = entry.second;
        for (int i = 0; i < c.capacity; ++i) std::free(c.records[i].data);
        std::free(c.records);
        delete c.instance;
    }
    m_containers.clear();
}

void EffectorMan::initInstances() {
    Effector* kinds[] = {
        new (std::nothrow) LightSource(),        new (std::nothrow) PSMShadow(),
        new (std::nothrow) ShadowCaster(),       new (std::nothrow) FogEffector(),
        new (std::nothrow) ReflectionEffector(), new (std::nothrow) SkinEffector(),
        new (std::nothrow) TransparentExclusion(), new (std::nothrow) KinematicEffector(),
    };
    for (Effector* kind : kinds) {
        if (!kind) continue;
        m_containers[kind->getType()] = EFFCONTAINER{nullptr, 0, kind, 0};
    }
}

EFFCONTAINER* EffectorMan::findContainer(int type) {
    auto it = m_containers.find(type);
    return it == m_containers.end() ? nullptr : &it->second;
}

bool EffectorMan::growContainer(EFFCONTAINER* c) {
    const int newCapacity = c->count + kSlotGrowth;
    const size_t dataSize = static_cast<size_t>(c->instance->getDataSize());
    EFFRECORD* records = static_cast<EFFRECORD*>(std::realloc(c->records, sizeof(EFFRECORD) * newCapacity));
    if (!records) return false;
    c->records = records;
    for (int i = c->capacity; i < newCapacity; ++i) {
        // A zero-byte kind still gets a buffer of its own (malloc(1)), so no two slots share one.
        void* buffer = std::malloc(dataSize > 0 ? dataSize : 1);
        if (!buffer) return false;  // the slots made so far stay usable
        records[i] = EFFRECORD{-1, 0, 0, buffer, 0.0f};
        c->capacity = i + 1;
    }
    return true;
}

int EffectorMan::addEffectorData(int type, void* data, long size, int state) {
    EFFCONTAINER* c = findContainer(type);
    if (!c) return -1;
    if (size != c->instance->getDataSize()) return -1;
    if (size > 0 && !data) return -1;
    if (c->capacity < c->count + 1 && !growContainer(c)) {
        if (c->capacity < c->count + 1) return -1;
    }
    EFFRECORD& r = c->records[c->count];
    r.type = static_cast<signed char>(type & 0xFF);
    r.state = static_cast<signed char>(state & 0xFF);
    r.id = m_nNextId;
    // After the largest int the ids start again at 0: never the failure value -1, and no overflow.
    m_nNextId = m_nNextId == std::numeric_limits<int>::max() ? 0 : m_nNextId + 1;
    ++c->count;
    // memmove: a host may pass the data pointer of a record it has just removed (same buffer).
    if (size > 0) std::memmove(r.data, data, static_cast<size_t>(size));
    return r.id;
}

int EffectorMan::addLight(LIGHTDESC* light) {
    if (!light) return -1;
    light->nShadowMatrix = -1;
    light->nShadowSlot = -1;
    return addEffectorData(EFFECTOR_LIGHT, light, static_cast<long>(sizeof(LIGHTDESC)), 1);
}

void* EffectorMan::getEffectorData(int id) {
    for (auto& entry : m_containers) {
        EFFCONTAINER& c = entry.second;
        for (int i = 0; i < c.count; ++i)
            if (c.records[i].id == id) return c.records[i].data;
    }
    return nullptr;
}

void* EffectorMan::getEffectorData(int type, int id) {
    EFFCONTAINER* c = findContainer(type);
    if (!c) return nullptr;
    for (int i = 0; i < c->count; ++i)
        if (c->records[i].id == id) return c->records[i].data;
    return nullptr;
}

void EffectorMan::removeAt(EFFCONTAINER* c, int slot) {
    EFFRECORD removed = c->records[slot];
    c->instance->freeData(removed.data);
    std::memmove(static_cast<void*>(&c->records[slot]), &c->records[slot + 1],
                 sizeof(EFFRECORD) * static_cast<size_t>(c->count - slot - 1));
    --c->count;
    c->records[c->count] = removed;  // the freed slot at the end keeps the removed buffer
}

void EffectorMan::removeEffector(int id) {
    for (auto& entry : m_containers) {
        EFFCONTAINER& c = entry.second;
        for (int i = 0; i < c.count; ++i)
            if (c.records[i].id == id) {
                removeAt(&c, i);
                return;
            }
    }
}

void EffectorMan::FreeContainer(EFFCONTAINER* c, int state) {
    if (state == 0) {
        for (int i = 0; i < c->count; ++i) c->instance->freeData(c->records[i].data);
        c->count = 0;
        return;
    }
    for (int i = 0; i < c->count;) {
        if (c->records[i].state == state)
            removeAt(c, i);
        else
            ++i;
    }
}

int EffectorMan::getRecordCount(int type) {
    EFFCONTAINER* c = findContainer(type);
    return c ? c->count : 0;
}

const EFFCONTAINER* EffectorMan::getContainer(int type) { return findContainer(type); }

}  // namespace effector
