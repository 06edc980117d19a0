#include "DemoPresets.h"

#include "NamedPresets.h"

namespace demotool {

const std::vector<ScenePreset>& scenePresets() {
    static const std::vector<ScenePreset> presets = {
        {"night", "the town at 23:30 under its 256 street lamps and headlights", "2024-06-21T23:30:00+02:00",
         "night", 2},
        {"sunset", "a flight over the lake at sunset, the town against the evening sky", "2024-06-21T21:10:00+02:00",
         "flight", 4},
    };
    return presets;
}

std::vector<std::string> scenePresetList() { return presetNames(scenePresets()); }

const ScenePreset* findScenePreset(const std::string& name) { return findPreset(scenePresets(), name); }

}  // namespace demotool
