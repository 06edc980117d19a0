#pragma once
// Where enviro-demo's frames go: PNG files written whole or not at all (enviro-sky's atomic
// outputs), the progress bar on standard error, and the video through ffmpeg.
#include <string>
#include <vector>

namespace demotool {

// Checks that the folder can be written (or made) and makes it; false with the reason in error.
bool prepareOutputFolder(const std::string& folder, std::string& error);
// Writes 8-bit RGBA rows from the top as a PNG file, whole or not at all.
bool writePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgba,
              std::string& error);
void showProgress(int done, int total);
// Is ffmpeg on the PATH?
bool haveFfmpeg();
// NAME-0000.png ... of folder into video (H.264, 24 frames a second); false with the reason.
bool encodeVideo(const std::string& folder, const std::string& name, const std::string& video, std::string& error);

}  // namespace demotool
