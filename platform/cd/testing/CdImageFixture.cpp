#include "platform/cd/testing/CdImageFixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace qh::cd::testing {
namespace {

constexpr size_t kFrameBytes = 2352;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Msf(int32_t frames) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", frames / 75 / 60, (frames / 75) % 60, frames % 75);
  return text;
}

std::string AudioBytes(const std::string& folder, const ImageTrack& track) {
  std::string raw = folder + "/sox-track.raw";
  std::ostringstream command;
  command << "sox -n -t raw -r 44100 -c 2 -b 16 -e signed-integer -L '" << raw << "' synth " << track.seconds
          << " sine " << track.frequency << " vol 0.5";
  RunCommand(command.str());
  std::string bytes = ReadFile(raw);
  std::remove(raw.c_str());
  return bytes;
}

std::string DataBytes(const ImageTrack& track) {
  size_t frames = static_cast<size_t>(track.seconds * 75 + 0.999);
  std::string bytes(frames * kFrameBytes, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7) & 0xFF);
  return bytes;
}

}  // namespace

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return output;
  }
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  int status = pclose(pipe);
  if (status != 0) ADD_FAILURE() << command << " failed with " << status;
  return output;
}

CdImage MakeCdImage(const std::string& folder, const std::string& name, const std::vector<ImageTrack>& tracks) {
  CdImage image;
  image.cuePath = folder + "/" + name + ".cue";
  image.binPath = folder + "/" + name + ".bin";
  std::string bin;
  std::ostringstream cue;
  cue << "FILE \"" << name << ".bin\" BINARY\n";
  for (size_t i = 0; i < tracks.size(); ++i) {
    std::string bytes = tracks[i].audio ? AudioBytes(folder, tracks[i]) : DataBytes(tracks[i]);
    bytes.resize((bytes.size() + kFrameBytes - 1) / kFrameBytes * kFrameBytes, '\0');
    int32_t start = static_cast<int32_t>(bin.size() / kFrameBytes);
    image.trackFrames.push_back(start);
    image.trackLengths.push_back(static_cast<int32_t>(bytes.size() / kFrameBytes));
    char number[24];
    std::snprintf(number, sizeof number, "%02zu", i + 1);
    cue << "  TRACK " << number << (tracks[i].audio ? " AUDIO\n" : " MODE1/2352\n");
    cue << "    INDEX 01 " << Msf(start) << "\n";
    bin += bytes;
  }
  std::ofstream(image.binPath, std::ios::binary) << bin;
  std::ofstream(image.cuePath) << cue.str();
  return image;
}

std::string TrackBytes(const CdImage& image, int track) {
  std::string bin = ReadFile(image.binPath);
  size_t index = static_cast<size_t>(track - 1);
  return bin.substr(static_cast<size_t>(image.trackFrames[index]) * kFrameBytes,
                    static_cast<size_t>(image.trackLengths[index]) * kFrameBytes);
}

}  // namespace qh::cd::testing
