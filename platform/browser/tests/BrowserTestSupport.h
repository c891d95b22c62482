// Fixtures of the browser's tests: pictures made by ffmpeg (a real encoder) in known colours and sizes.
#pragma once

#include <string>

namespace qh::browser::test {

// Writes a picture of one colour ("0xRRGGBB") and size; the format follows the file's extension
// (.jpg, .png, .gif). False when ffmpeg fails.
bool MakePicture(const std::string& hostPath, const char* colour, int width, int height);
void WriteText(const std::string& hostPath, const std::string& text);

}  // namespace qh::browser::test
