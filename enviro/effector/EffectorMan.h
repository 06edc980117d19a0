#pragma once
// The effector manager: one instance of every effector kind, and per kind a container of the
// data records the host stores for objects of its scene (a light per light, a volume per
// exclusion volume, ...). Records get ids from one counter shared by all kinds: 0, 1, 2, ... up
// to the largest int, then 0 again (never -1, the failure value; a host that keeps a record
// through 2^31 adds may meet its id again).
//
// States: a record's state is a signed 8-bit number (addEffectorData and setState keep the low 8
// bits of what they are given). Queries and flush compare it with the whole int they are given, so
// a state outside -128..127 selects no record (a negative state still selects every record in the
// queries, and flush's 0 every record).
#include <map>

#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/effector/EffectorType.h"
#include "enviro/effector/QuickVector.h"
#include "enviro/host/MathVector.h"

namespace effector {

struct LIGHTDESC;

// One {slot index, weight} pair of the weighted query's sort.
struct SORTVALUE {
    int index;    // slot index into one kind's record array
    float value;  // sort key (a weight)
};

// One record slot. Each slot owns a data buffer of exactly the kind's data size for the life of
// the container; adding a record copies the caller's bytes into it.
struct EFFRECORD {
    int id;             // record id, unique across kinds
    signed char type;   // the kind, low 8 bits of what addEffectorData was given
    signed char state;  // small state number chosen by the host (1 = active light)
    void* data;         // this slot's own buffer
    float weight;       // last weight computed by getWeightedEffectorList
};

// One kind's records: slots 0..count-1 are live, in the order of adding.
struct EFFCONTAINER {
    EFFRECORD* records;  // heap array of `capacity` slots, null until the first add
    int count;           // live records
    Effector* instance;  // the kind's instance, owned by the manager
    int capacity;        // slots allocated, a multiple of 32
};

class ENVIRO_API EffectorMan final {
public:
    using DataList = CQuickVector<void*, 3>;

    EffectorMan();
    // A copy shares the record storage and the kind instances of the manager it was copied from,
    // and does not own them: closing or destroying a copy forgets them without releasing them.
    EffectorMan(const EffectorMan& other);
    EffectorMan& operator=(const EffectorMan& other);
    ~EffectorMan();  // not virtual (the class is final): calls close()

    // Starts again: ids from 0 and fresh instances. A manager that still has containers is
    // closed first.
    virtual void init();
    // Drops every record, releases every slot and buffer and destroys the instances (a copy only
    // forgets them). Afterwards the manager has no containers; a second close does nothing.
    virtual void close();
    // Creates one instance of each kind, in the order 1, 3, 4, 5, 6, 7, 8, 9.
    virtual void initInstances();

    // Adds one record; returns its id, or -1 for an unknown kind, a size other than the kind's
    // data size, null data with a non-zero size, or storage that cannot grow.
    int addEffectorData(int type, void* data, long size, int state);
    // Sets the light's nShadowMatrix and nShadowSlot to -1, then stores it (kind 1, state 1).
    int addLight(LIGHTDESC* light);
    // The data of the record with this id (any kind), or null.
    void* getEffectorData(int id);
    // The data of the record with this id in the container of type, or null.
    void* getEffectorData(int type, int id);
    // Removes the record with this id; unknown ids change nothing.
    void removeEffector(int id);

    // Queries. The returned list is the manager's own and is overwritten by the next query.
    // With an order, indices that are not live slots of the kind are skipped.
    DataList* getEffectorDataList(EFFECTOR_TYPE type, int state, SORTVALUE* order, long count);
    DataList* getWeightedEffectorList(Math::Vector3f* pos, EFFECTOR_TYPE type, int state);
    void setState(EFFECTOR_TYPE type, int state);
    void setState(EFFECTOR_TYPE type, int id, int state);
    void flush(EFFECTOR_TYPE type, int state);
    Effector* getEffectorInstance(EFFECTOR_TYPE type);

    // Number of live records of a kind (0 for unknown kinds).
    int getRecordCount(int type);
    // The container of a kind, or null (read-only view for hosts and tests).
    const EFFCONTAINER* getContainer(int type);

private:
    friend class EffectorManProbe;  // the id counter, for the module's tests
    EFFCONTAINER* findContainer(int type);
    bool growContainer(EFFCONTAINER* container);
    void removeAt(EFFCONTAINER* container, int slot);
    void FreeContainer(EFFCONTAINER* container, int state);

    int m_nNextId;
    std::map<int, EFFCONTAINER> m_containers;
    DataList m_dataList;
    CQuickVector<SORTVALUE, 3> m_sortList;
    bool m_bOwnsStorage;  // false for copies: they share, never release
};

// The one manager of the process, set by createEnviro().
ENVIRO_API extern EffectorMan* effectorMan;

// The instance of a kind as its class, or null while there is no manager.
template <class Kind>
Kind* effectorInstance(EFFECTOR_TYPE type) {
    return effectorMan ? static_cast<Kind*>(effectorMan->getEffectorInstance(type)) : nullptr;
}

}  // namespace effector
