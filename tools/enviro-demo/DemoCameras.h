#pragma once
// The camera presets of enviro-demo: where the eye stands in the town (world metres, x north,
// y up, z east) and what it looks at.
#include <string>
#include <vector>

#include "glhost/scene/SceneRenderer.h"

namespace demotool {

struct CameraPreset {
    const char* name;
    const char* description;
    Math::Vector3d eye;
    Math::Vector3d target;
    float fovDeg;
    Math::Vector3d velocity{0.0, 0.0, 0.0};  // metres per second: eye and target fly along
};

const std::vector<CameraPreset>& cameraPresets();
std::vector<std::string> cameraPresetList();
std::string cameraPresetNames();  // "town, street, lake, hills"
const CameraPreset* findCameraPreset(const std::string& name);

}  // namespace demotool
