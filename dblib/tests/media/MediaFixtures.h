// Helpers of the media tests: real tools run into the test's sandbox, and small builders of RIFF files
// for the damaged and unusual cases no tool writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qh::dblib::media_testing {

// Whether a program is on the PATH.
bool HaveTool(const char* name);
// Runs a shell command quietly; true when it exited with 0.
bool RunTool(const std::string& command);
// The standard output of a command, trailing white space removed.
std::string Capture(const std::string& command);
// A path quoted for the shell.
std::string Quoted(const std::string& path);

std::string Le16(uint16_t value);
std::string Le32(uint32_t value);

struct RiffChunk {
  std::string id;
  std::string data;
  std::optional<uint32_t> declaredSize;  // a size that lies; else the data's own
};
// "RIFF", size, "WAVE" and the chunks (odd sizes padded); riffSize overrides the RIFF chunk's size.
std::string BuildWav(const std::vector<RiffChunk>& chunks, std::optional<uint32_t> riffSize = std::nullopt);
std::string FormatChunkData(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avgBytes, uint16_t align,
                            uint16_t bits);
// A "LIST" chunk of type INFO with the given sub-chunks (texts get their terminating NUL).
RiffChunk InfoList(const std::vector<std::pair<std::string, std::string>>& fields);

// An ID3v1.1 trailer.
std::string Id3v1Trailer(const std::string& title, const std::string& artist, const std::string& album,
                         const std::string& year, const std::string& comment, int track, int genre);

}  // namespace qh::dblib::media_testing
