// The effector manager's queries: state lists, weighted lists, bulk state and flushing.
#include <algorithm>
#include <cmath>
#include <limits>

#include "enviro/effector/EffectorMan.h"

namespace effector {

namespace {
constexpr float kUnselectedWeight = -1.0e11f;  // -99999997952.0 as a float

// The sort key of a weight. A NaN weight (a record with a NaN position or range) compares with
// nothing, which breaks the ordering the sort relies on and scrambles the order of the other
// records too; such records sort last instead. The record's own weight keeps the NaN.
float sortKey(float weight) { return std::isnan(weight) ? -std::numeric_limits<float>::infinity() : weight; }
}

EffectorMan::DataList* EffectorMan::getEffectorDataList(EFFECTOR_TYPE type, int state, SORTVALUE* order, long count) {
    m_dataList.clear();
    EFFCONTAINER* c = findContainer(type);
    if (!c) return &m_dataList;
    if (order) {
        // Indices outside the live records are skipped rather than read.
        for (long i = 0; i < count; ++i)
            if (order[i].index >= 0 && order[i].index < c->count) m_dataList.append(c->records[order[i].index].data);
        return &m_dataList;
    }
    for (int i = 0; i < c->count; ++i)
        if (state < 0 || c->records[i].state == state) m_dataList.append(c->records[i].data);
    return &m_dataList;
}

EffectorMan::DataList* EffectorMan::getWeightedEffectorList(Math::Vector3f* pos, EFFECTOR_TYPE type, int state) {
    m_sortList.clear();
    m_dataList.clear();
    EFFCONTAINER* c = findContainer(type);
    if (!c) return &m_dataList;
    Math::Vector3f origin(0.0f, 0.0f, 0.0f);
    Math::Vector3f* at = pos ? pos : &origin;
    for (int i = 0; i < c->count; ++i) {
        EFFRECORD& r = c->records[i];
        if (state >= 0 && r.state != state) {
            r.weight = kUnselectedWeight;
            continue;
        }
        r.weight = c->instance->getWeight(r.data, at, 1.0f);
        m_sortList.append(SORTVALUE{i, sortKey(r.weight)});
    }
    std::sort(m_sortList.data(), m_sortList.data() + m_sortList.count(),
              [](const SORTVALUE& a, const SORTVALUE& b) { return a.value > b.value; });
    for (int i = 0; i < m_sortList.count(); ++i) m_dataList.append(c->records[m_sortList[i].index].data);
    return &m_dataList;
}

void EffectorMan::setState(EFFECTOR_TYPE type, int state) {
    const signed char s = static_cast<signed char>(state & 0xFF);
    for (auto& entry : m_containers) {
        if (type != EFFECTOR_ALL && entry.first != type) continue;
        EFFCONTAINER& c = entry.second;
        for (int i = 0; i < c.count; ++i) c.records[i].state = s;
    }
}

void EffectorMan::setState(EFFECTOR_TYPE type, int id, int state) {
    EFFCONTAINER* c = findContainer(type);
    if (!c) return;
    for (int i = 0; i < c->count; ++i)
        if (c->records[i].id == id) {
            c->records[i].state = static_cast<signed char>(state & 0xFF);
            return;
        }
}

void EffectorMan::flush(EFFECTOR_TYPE type, int state) {
    if (type == EFFECTOR_ALL) {
        for (auto& entry : m_containers) FreeContainer(&entry.second, state);
        return;
    }
    EFFCONTAINER* c = findContainer(type);
    if (c) FreeContainer(c, state);
}

Effector* EffectorMan::getEffectorInstance(EFFECTOR_TYPE type) {
    EFFCONTAINER* c = findContainer(type);
    return c ? c->instance : nullptr;
}

}  // namespace effector
