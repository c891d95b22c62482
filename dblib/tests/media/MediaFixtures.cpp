#include "dblib/tests/media/MediaFixtures.h"

#include <cstdio>
#include <cstdlib>

namespace qh::dblib::media_testing {

bool HaveTool(const char* name) { return RunTool(std::string("command -v ") + name); }

bool RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Capture(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r' || output.back() == ' ')) output.pop_back();
  return output;
}

std::string Quoted(const std::string& path) {
  std::string quoted = "'";
  for (char ch : path) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return quoted + "'";
}

std::string Le16(uint16_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

std::string Le32(uint32_t value) { return Le16(static_cast<uint16_t>(value & 0xFFFF)) + Le16(static_cast<uint16_t>(value >> 16)); }

std::string BuildWav(const std::vector<RiffChunk>& chunks, std::optional<uint32_t> riffSize) {
  std::string body = "WAVE";
  for (const RiffChunk& chunk : chunks) {
    body += chunk.id + Le32(chunk.declaredSize.value_or(static_cast<uint32_t>(chunk.data.size()))) + chunk.data;
    if (chunk.data.size() % 2 != 0) body += '\0';
  }
  return "RIFF" + Le32(riffSize.value_or(static_cast<uint32_t>(body.size()))) + body;
}

std::string FormatChunkData(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avgBytes, uint16_t align,
                            uint16_t bits) {
  return Le16(tag) + Le16(channels) + Le32(rate) + Le32(avgBytes) + Le16(align) + Le16(bits);
}

RiffChunk InfoList(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string data = "INFO";
  for (const auto& [id, text] : fields) {
    std::string value = text + '\0';
    data += id + Le32(static_cast<uint32_t>(value.size())) + value;
    if (value.size() % 2 != 0) data += '\0';
  }
  return {"LIST", data, std::nullopt};
}

std::string Id3v1Trailer(const std::string& title, const std::string& artist, const std::string& album,
                         const std::string& year, const std::string& comment, int track, int genre) {
  auto field = [](const std::string& text, size_t width) {
    std::string out = text.substr(0, width);
    out.resize(width, '\0');
    return out;
  };
  std::string trailer = "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
                        field(comment, 28) + '\0' + static_cast<char>(track) + static_cast<char>(genre);
  return trailer;
}

}  // namespace qh::dblib::media_testing
