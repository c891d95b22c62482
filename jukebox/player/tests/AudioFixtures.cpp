#include "jukebox/player/tests/AudioFixtures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace jukebox::player_testing {

bool HaveTool(const char* name) { return RunTool(std::string("command -v ") + name); }

bool RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Q(const std::string& path) { return "'" + path + "'"; }

namespace {
uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

bool ReadWave16(const std::string& hostPath, Pcm16& out) {
  std::ifstream file(hostPath, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    return false;
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const size_t size = std::min<size_t>(Le32(&bytes[at + 4]), bytes.size() - at - 8);
    const unsigned char* body = &bytes[at + 8];
    if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
      const uint16_t tag = Le16(body);
      if ((tag != 1 && tag != 0xFFFE) || Le16(body + 14) != 16) return false;
      out.channels = Le16(body + 2);
      out.rate = static_cast<int>(Le32(body + 4));
      haveFormat = true;
    } else if (std::memcmp(&bytes[at], "data", 4) == 0 && haveFormat) {
      out.samples.resize(size / 2);
      std::memcpy(out.samples.data(), body, out.samples.size() * 2);
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

double Correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t count) {
  count = std::min({count, a.size(), b.size()});
  if (count == 0) return 0.0;
  double ma = 0, mb = 0;
  for (size_t i = 0; i < count; ++i) ma += a[i], mb += b[i];
  ma /= count;
  mb /= count;
  double sab = 0, saa = 0, sbb = 0;
  for (size_t i = 0; i < count; ++i) {
    const double da = a[i] - ma, db = b[i] - mb;
    sab += da * db;
    saa += da * da;
    sbb += db * db;
  }
  return (saa > 0 && sbb > 0) ? sab / std::sqrt(saa * sbb) : 0.0;
}

double Rms(const std::vector<int16_t>& samples, size_t first, size_t count) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = first; i < samples.size() && n < count; ++i, ++n) sum += static_cast<double>(samples[i]) * samples[i];
  return n > 0 ? std::sqrt(sum / n) : 0.0;
}

}  // namespace jukebox::player_testing
