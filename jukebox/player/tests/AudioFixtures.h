// Audio files made at test time with sox, lame, ffmpeg and mpg123, and reading 16-bit WAVE files back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jukebox::player_testing {

bool HaveTool(const char* name);
// Runs a shell command quietly; true when it exited with 0.
bool RunTool(const std::string& command);
std::string Q(const std::string& path);

struct Pcm16 {
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;  // interleaved
  size_t Frames() const { return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0; }
};
// Reads a PCM WAVE file of 16-bit samples (chunks walked, bounded by the file); false when it is not one.
bool ReadWave16(const std::string& hostPath, Pcm16& out);
// Pearson correlation of the first `count` samples of both.
double Correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t count);
double Rms(const std::vector<int16_t>& samples, size_t first, size_t count);

}  // namespace jukebox::player_testing
