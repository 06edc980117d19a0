#include "DemoCameras.h"

#include "NamedPresets.h"

namespace demotool {

const std::vector<CameraPreset>& cameraPresets() {
    static const std::vector<CameraPreset> presets = {
        {"town", "over the roofs from the north-west, toward the lake", {170, 60, -190}, {-40, 5, 120}, 60.0f},
        {"street", "at eye height on a street of the town, looking south", {60, 1.7, 11}, {-100, 12, 0}, 65.0f},
        {"lake", "from above the lake back to the town, looking west", {-10, 32, 235}, {-30, 6, 0}, 62.0f},
        {"hills", "from the hills in the south over the whole valley", {-520, 160, -60}, {0, 0, 120}, 55.0f},
        {"night", "over the central crossing, down on the lamp-lit streets", {-100, 45, -100}, {0, 0, 5}, 58.0f},
        {"flight", "flying low over the lake toward the town and the north-west", {-20, 12, 320}, {90, 6, 60}, 65.0f,
         {0.0, 0.0, -40.0}},
    };
    return presets;
}

std::vector<std::string> cameraPresetList() { return presetNames(cameraPresets()); }

std::string cameraPresetNames() {
    std::string text;
    for (const CameraPreset& p : cameraPresets()) text += (text.empty() ? "" : ", ") + std::string(p.name);
    return text;
}

const CameraPreset* findCameraPreset(const std::string& name) { return findPreset(cameraPresets(), name); }

}  // namespace demotool
