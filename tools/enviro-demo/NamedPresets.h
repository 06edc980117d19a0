#pragma once
// The lookups of enviro-demo's named presets (cameras, scenes): any list of records with a
// `const char* name`.
#include <string>
#include <vector>

namespace demotool {

template <class Preset>
std::vector<std::string> presetNames(const std::vector<Preset>& presets) {
    std::vector<std::string> names;
    for (const Preset& p : presets) names.push_back(p.name);
    return names;
}

// The preset of that name, or null.
template <class Preset>
const Preset* findPreset(const std::vector<Preset>& presets, const std::string& name) {
    for (const Preset& p : presets)
        if (name == p.name) return &p;
    return nullptr;
}

}  // namespace demotool
