#pragma once
// Where enviro-demo's frames go: PNG files written whole or not at all (a partial file is never
// left under the frame's name), the progress bar on standard error, and the video through ffmpeg.
#include <string>
#include <vector>

namespace demotool {

// Makes the folder if missing and checks that a file can be written in it; false with the
// reason in error.
bool prepareOutputFolder(const std::string& folder, std::string& error);
// Writes 8-bit RGBA rows from the top as a PNG: into "path.part", then renamed to path.
bool writePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgba,
              std::string& error);
void showProgress(int done, int total);
// Is ffmpeg on the PATH?
bool haveFfmpeg();
// NAME-0000.png ... of folder into video (H.264, 24 frames a second); false with the reason.
bool encodeVideo(const std::string& folder, const std::string& name, const std::string& video, std::string& error);

}  // namespace demotool
