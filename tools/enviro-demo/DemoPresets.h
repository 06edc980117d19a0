#pragma once
// Named scenes of enviro-demo: an instant, a camera and the frames rendered per instant, for the
// frames the README shows. An option given on the command line wins over its preset's value.
#include <string>
#include <vector>

namespace demotool {

struct ScenePreset {
    const char* name;
    const char* description;
    const char* time;    // --time
    const char* camera;  // --camera
    int repeat;          // --repeat: a moving camera needs a frame before the one written
};

const std::vector<ScenePreset>& scenePresets();
std::vector<std::string> scenePresetList();
const ScenePreset* findScenePreset(const std::string& name);

}  // namespace demotool
