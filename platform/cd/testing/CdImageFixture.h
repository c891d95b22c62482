// CD images for tests: a cue/bin pair made at test time from sox-made audio (and plain data frames
// for a data track), so that ripping, tables of contents and disc ids are checked on real images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qh::cd::testing {

struct ImageTrack {
  bool audio = true;
  double seconds = 1.0;  // rounded up to whole frames
  int frequency = 440;   // of the audio's sine tone
};

struct CdImage {
  std::string cuePath;
  std::string binPath;
  std::vector<int32_t> trackFrames;  // the start of each track in the bin file, in frames
  std::vector<int32_t> trackLengths;
};

// Builds <folder>/<name>.cue and .bin; the folder must exist. Fails the calling test on an error.
CdImage MakeCdImage(const std::string& folder, const std::string& name, const std::vector<ImageTrack>& tracks);
// The bytes of one track (1-based) as the bin file holds them.
std::string TrackBytes(const CdImage& image, int track);
// Standard output of a shell command; fails the calling test when the command fails.
std::string RunCommand(const std::string& command);

}  // namespace qh::cd::testing
