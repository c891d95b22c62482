#include "platform/browser/tests/BrowserTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qh::browser::test {

bool MakePicture(const std::string& hostPath, const char* colour, int width, int height) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  const std::string command = "ffmpeg -v error -y -f lavfi -i 'color=c=" + std::string(colour) + ":s=" +
                              std::to_string(width) + "x" + std::to_string(height) + "' -frames:v 1 '" + hostPath +
                              "' </dev/null";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(hostPath);
}

void WriteText(const std::string& hostPath, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream(hostPath, std::ios::binary) << text;
}

}  // namespace qh::browser::test
