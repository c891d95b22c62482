#include "platform/cd/CdSource.h"

#include <cdio/cdio.h>

#include <cstdlib>

#include "platform/core/Drives.h"
#include "platform/core/FileApi.h"

namespace qh::cd {
namespace {

char Upper(char letter) { return (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter; }

std::string HostDefaultDevice() {
  char* device = cdio_get_default_device(nullptr);
  if (device == nullptr) return {};
  std::string result(device);
  cdio_free(device);
  return result;
}

std::string ConfiguredSource() {
  const char* configured = std::getenv("QH_CDROM");
  if (configured != nullptr) return configured;
  return HostDefaultDevice();
}

std::string TableCdLetters(DWORD& used) {
  used = GetLogicalDrives();
  std::string letters;
  for (int bit = 0; bit < 26; ++bit) {
    if ((used & (1u << bit)) == 0) continue;
    char root[4] = {static_cast<char>('A' + bit), ':', '\\', '\0'};
    if (GetDriveType(root) == DRIVE_CDROM) letters += root[0];
  }
  return letters;
}

}  // namespace

std::string CdDriveLetters() {
  DWORD used = 0;
  std::string letters = TableCdLetters(used);
  if (!letters.empty() || ConfiguredSource().empty()) return letters;
  for (int bit = 'D' - 'A'; bit < 26; ++bit) {
    if ((used & (1u << bit)) == 0) return std::string(1, static_cast<char>('A' + bit));
  }
  return {};
}

std::string CdSourceForDrive(char letter) {
  if (CdDriveLetters().find(Upper(letter)) == std::string::npos) return {};
  return ConfiguredSource();
}

}  // namespace qh::cd
