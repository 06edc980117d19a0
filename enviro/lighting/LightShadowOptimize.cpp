// LightSource::optimize: trims the frame's lights to a budget in order of importance to the
// camera and fades lights with an identity in and out across calls.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/lighting/LightSource.h"

namespace effector {

namespace {

constexpr float kAlwaysImportance = 100000000.0f;  // ambient and directional lights
constexpr float kFadeStep = 0.05f;                 // a fade takes 20 calls
constexpr float kVisibleFade = 0.001f;             // above this a fading light counts as shown
constexpr float kAddedFade = 0.01f;                // above this a fading light is added back
constexpr float kInvRightAngle = 0.63661975f;      // 2 / pi
constexpr int kMaxListIndex = 32767;               // the index lists hold signed 16-bit values

struct FadeEntry {
    float fade;         // 0 (gone) to 1 (full strength)
    int32_t age;        // calls in which the light has been seen
    uint32_t lastSeen;  // the call that last saw the light (to sweep the others)
    uint32_t id;        // the key, for the check of the per-index cache
};

using FadeTable = std::map<uint32_t, FadeEntry>;

// The working storage of optimize, kept from call to call so that a frame with the lights of
// the last one allocates nothing: the lists only grow, and the fade table's entries that are
// swept out keep their nodes in a spare pool from which new ids are served before the map
// allocates a node. So the table allocates only when it grows past its largest size so far.
struct OptimizeScratch {
    CQuickVector<float, 3> importance;  // per light of the current call
    CQuickVector<LIGHTDESC, 3> copies;  // the records, copied before the manager is flushed
    CQuickVector<int16_t, 3> plain;     // lights switched at once (ambient, directional, no id)
    CQuickVector<int16_t, 3> fading;    // lights with an id, faded in and out
    CQuickVector<uint64_t, 3> sortWords;  // {importance key, index} words of the sort
    CQuickVector<FadeEntry*, 3> entries;  // per light: its fade-table entry (fading lights only)
    // The entries of the last call by light index. Hosts add their lights in the same order
    // frame after frame, so most lookups are answered here without walking the map.
    CQuickVector<FadeEntry*, 3> lastEntries;
    FadeTable fades;
    std::vector<FadeTable::node_type> spare;  // nodes of swept entries, ready for new ids
    uint32_t call = 0;                        // number of the current call, for the sweep

    // The entry of id marked as seen by this call, or null when it has none.
    FadeEntry* findEntry(uint32_t id) {
        auto found = fades.find(id);
        if (found == fades.end()) return nullptr;
        found->second.lastSeen = call;
        return &found->second;
    }

    // The entry of id, made with {0, 0} when it has none. Null only when memory is exhausted.
    FadeEntry* entryOf(uint32_t id) {
        if (FadeEntry* entry = findEntry(id)) return entry;
        if (!spare.empty()) {
            FadeTable::node_type node = std::move(spare.back());
            spare.pop_back();
            node.key() = id;
            node.mapped() = FadeEntry{0.0f, 0, call, id};
            return &fades.insert(std::move(node)).position->second;
        }
        try {
            FadeEntry* made = &fades.emplace(id, FadeEntry{0.0f, 0, call, id}).first->second;
            // Room in the pool for every node there is, so that sweeping never grows it.
            spare.reserve(fades.size() + spare.size());
            return made;
        } catch (...) {
            return nullptr;
        }
    }

    // Makes nodes until the table and the pool hold one per light of the call, so that ids that
    // show up later (a light that comes into view) are served from the pool. Stops quietly when
    // memory runs out: entryOf then allocates as before.
    void provideNodes(int lightCount) {
        const size_t wanted = static_cast<size_t>(lightCount);
        if (fades.size() + spare.size() >= wanted) return;
        try {
            spare.reserve(wanted);
            FadeTable maker;
            while (fades.size() + spare.size() < wanted) {
                maker.emplace(0u, FadeEntry{0.0f, 0, 0, 0});
                spare.push_back(maker.extract(maker.begin()));
            }
        } catch (...) {
        }
    }

    // Moves every entry that this call did not see into the spare pool.
    void sweep() {
        for (auto it = fades.begin(); it != fades.end();) {
            auto next = std::next(it);
            if (it->second.lastSeen != call) {
                try {
                    spare.push_back(fades.extract(it));
                } catch (...) {
                    // The pool could not grow: the extracted node is freed, so the cache may
                    // point at it and must go.
                    lastEntries.clear();
                }
            }
            it = next;
        }
    }
};

OptimizeScratch g_optimize;

float importanceOf(const LIGHTDESC& light, const Math::Vector3f& camPos) {
    const Math::Vector3f v = camPos - light.vPos;
    float importance = light.fMaxRadius / Math::length(v);
    if (light.type == LIGHT_SPOT) importance *= std::max(0.0f, std::min(1.0f, light.fConeAngle * kInvRightAngle));
    return importance;
}

// Sort key of an importance: unsigned values that grow as the importance falls, so that an
// ascending sort puts the most important first. NaN sorts after every number.
uint32_t descendingKey(float importance) {
    if (std::isnan(importance)) return 0xFFFFFFFFu;
    uint32_t bits;
    std::memcpy(&bits, &importance, sizeof(bits));
    if (importance == 0.0f) bits = 0;  // -0 and +0 are equal
    // Ordered as unsigned: negative floats reversed below positive ones.
    const uint32_t ordered = (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
    return ~ordered;
}

// Orders a list of light indices by importance, highest first; equal importances by index.
// Sorts 64-bit {key, index} words, which is several times faster than comparing through the
// importance array.
void sortByImportance(CQuickVector<int16_t, 3>& list, const float* importance, CQuickVector<uint64_t, 3>& words) {
    if (!words.resize(list.count())) return;  // no memory: the list keeps the order of the manager
    for (int k = 0; k < list.count(); ++k)
        words[k] = (static_cast<uint64_t>(descendingKey(importance[list[k]])) << 32) | static_cast<uint16_t>(list[k]);
    std::sort(words.data(), words.data() + words.count());
    for (int k = 0; k < list.count(); ++k) list[k] = static_cast<int16_t>(words[k] & 0xFFFF);
}

// Step 2 of optimize: importance, list membership and copy of every light.
void classifyLights(EffectorMan::DataList& lights, int count, cam::SMCamera* camera, bool cull) {
    OptimizeScratch& s = g_optimize;
    const Math::Vector3f camPos = cam::cameraDrawingPosition(camera);
    for (int i = 0; i < count; ++i) {
        const LIGHTDESC& light = *static_cast<const LIGHTDESC*>(lights[i]);
        s.copies[i] = light;
        s.entries[i] = nullptr;
        if (light.type < LIGHT_POINT) {
            s.importance[i] = kAlwaysImportance;
            s.plain.append(static_cast<int16_t>(i));
            continue;
        }
        if (cull && camera && !(light.flags & LIGHTFLAG_NOCULL) && !camera->isSphereVisible(&light.vPos, light.fMaxRadius))
            continue;
        s.importance[i] = importanceOf(light, camPos);
        (light.dwLightId != 0 ? s.fading : s.plain).append(static_cast<int16_t>(i));
    }
}

// Step 3: the fade table keeps exactly the ids of this call's fading lights. Entries of ids
// that are gone are swept before new ones are made, so their nodes serve the new ids.
// Returns the number of fading lights shown now (fade above 0.001).
int updateFadeTable() {
    OptimizeScratch& s = g_optimize;
    const uint32_t previous = s.call++;
    for (int k = 0; k < s.fading.count(); ++k) {
        const int i = s.fading[k];
        const uint32_t id = s.copies[i].dwLightId;
        // An entry the last call saw is still in the table (only unseen ones were swept).
        FadeEntry* cached = i < s.lastEntries.count() ? s.lastEntries[i] : nullptr;
        if (cached && cached->id == id && cached->lastSeen == previous) {
            cached->lastSeen = s.call;
            s.entries[i] = cached;
        } else {
            s.entries[i] = s.findEntry(id);
        }
    }
    s.sweep();
    int shown = 0;
    for (int k = 0; k < s.fading.count(); ++k) {
        const int i = s.fading[k];
        if (!s.entries[i]) s.entries[i] = s.entryOf(s.copies[i].dwLightId);
        if (s.entries[i] && s.entries[i]->fade > kVisibleFade) ++shown;
    }
    if (s.lastEntries.resize(s.entries.count()))
        std::memcpy(s.lastEntries.data(), s.entries.data(), sizeof(FadeEntry*) * static_cast<size_t>(s.entries.count()));
    else
        s.lastEntries.clear();
    return shown;
}

// Step 7: one fading step of every fading light; shown counts the lights shown so far.
void stepFades(int budget, int shown) {
    OptimizeScratch& s = g_optimize;
    for (int k = 0; k < s.fading.count(); ++k) {
        FadeEntry* entry = s.entries[s.fading[k]];
        if (!entry) continue;
        float f = entry->fade;
        if (k >= budget) {
            if (f > 0.0f) f = std::max(f - kFadeStep, 0.0f);
        } else if (f >= kVisibleFade || shown < budget) {
            if (f < kVisibleFade) {
                // A free place: the light starts, at once at full strength when first seen.
                if (entry->age == 0) f = 1.0f;
                ++shown;
            }
            if (f < 1.0f) f = std::min(f + kFadeStep, 1.0f);
        }
        entry->fade = f;
        entry->age += 1;
    }
}

// Step 8: the fading lights still visible, colour scaled by their fade.
void addFadingLights(EffectorMan& man) {
    OptimizeScratch& s = g_optimize;
    for (int k = 0; k < s.fading.count(); ++k) {
        const int i = s.fading[k];
        const FadeEntry* entry = s.entries[i];
        if (!entry || !(entry->fade > kAddedFade)) continue;
        LIGHTDESC light = s.copies[i];
        light.vColor = light.vColor * entry->fade;
        man.addLight(&light);
    }
}

}  // namespace

void LightSource::optimize(short maxLights, bool cull) {
    if (!effectorMan) return;
    EffectorMan& man = *effectorMan;
    OptimizeScratch& s = g_optimize;

    EffectorMan::DataList& lights = *man.getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0);
    const int count = std::min(lights.count(), kMaxListIndex + 1);
    if (!s.importance.resize(count) || !s.copies.resize(count) || !s.entries.resize(count)) return;
    // Both lists get room for every light, so that a frame's split between them never grows them;
    // the fade table gets a node for every light.
    if (!s.plain.reserve(count) || !s.fading.reserve(count)) return;
    s.provideNodes(count);
    s.plain.clear();
    s.fading.clear();
    classifyLights(lights, count, cam::currentCamera(), cull);

    const int shown = updateFadeTable();
    sortByImportance(s.plain, s.importance.data(), s.sortWords);
    sortByImportance(s.fading, s.importance.data(), s.sortWords);

    man.flush(EFFECTOR_LIGHT, 0);
    const int plainAdded = std::min(s.plain.count(), static_cast<int>(maxLights) - shown);
    for (int k = 0; k < plainAdded; ++k) man.addLight(&s.copies[s.plain[k]]);

    stepFades(static_cast<int>(maxLights) - s.plain.count(), shown);
    addFadingLights(man);
}

}  // namespace effector
