#include "platform/core/VersionInfo.h"

#include <unistd.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/core/Cp1252.h"
#include "qh_version.h"

namespace {

constexpr char kBlockMagic[8] = "QHVERS1";
constexpr std::string_view kCopyrightPath = "\\StringFileInfo\\040904B0\\LegalCopyright";

struct VersionBlock {
  char magic[8];
  VS_FIXEDFILEINFO fixed;
  char legalCopyright[sizeof(QH_LEGAL_COPYRIGHT)];
};

VersionBlock makeBlock() {
  VersionBlock block{};
  std::memcpy(block.magic, kBlockMagic, sizeof block.magic);
  block.fixed.dwSignature = VS_FFI_SIGNATURE;
  block.fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  block.fixed.dwFileVersionMS = (QH_VERSION_MAJOR << 16) | QH_VERSION_MINOR;
  block.fixed.dwFileVersionLS = (QH_VERSION_BUILD << 16) | QH_VERSION_REVISION;
  block.fixed.dwProductVersionMS = block.fixed.dwFileVersionMS;
  block.fixed.dwProductVersionLS = block.fixed.dwFileVersionLS;
  block.fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
  block.fixed.dwFileOS = VOS_NT_WINDOWS32;
  block.fixed.dwFileType = VFT_APP;
  std::memcpy(block.legalCopyright, QH_LEGAL_COPYRIGHT, sizeof block.legalCopyright);
  return block;
}

std::string_view lastName(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view withoutExe(std::string_view name) {
  if (name.size() > 4 && Cp1252EqualNoCase(name.substr(name.size() - 4), ".exe")) name.remove_suffix(4);
  return name;
}

std::string runningProgramName() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::string();
  return std::string(lastName(std::string_view(path, static_cast<std::size_t>(length))));
}

bool isRunningProgram(LPCSTR fileName) {
  if (fileName == nullptr) return false;
  static const std::string programName = runningProgramName();
  return !programName.empty() &&
         Cp1252EqualNoCase(withoutExe(lastName(fileName)), withoutExe(programName));
}

}  // namespace

DWORD GetFileVersionInfoSize(LPCSTR fileName, LPDWORD handle) {
  if (handle) *handle = 0;
  if (!isRunningProgram(fileName)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  return sizeof(VersionBlock);
}

BOOL GetFileVersionInfo(LPCSTR fileName, DWORD /*handle*/, DWORD length, LPVOID data) {
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!isRunningProgram(fileName)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  if (length < sizeof(VersionBlock)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const VersionBlock block = makeBlock();
  std::memcpy(data, &block, sizeof block);
  return TRUE;
}

BOOL VerQueryValue(LPCVOID blockData, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
  if (buffer) *buffer = nullptr;
  if (length) *length = 0;
  if (blockData == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) return FALSE;
  auto* block = static_cast<VersionBlock*>(const_cast<LPVOID>(blockData));
  if (std::memcmp(block->magic, kBlockMagic, sizeof block->magic) != 0) return FALSE;
  const std::string_view path(subBlock);
  if (path == "\\" || path.empty()) {
    *buffer = &block->fixed;
    *length = sizeof block->fixed;
    return TRUE;
  }
  if (Cp1252EqualNoCase(path, kCopyrightPath)) {
    *buffer = block->legalCopyright;
    *length = static_cast<UINT>(std::strlen(block->legalCopyright) + 1);
    return TRUE;
  }
  return FALSE;
}
