// The version record of the platform's web-browser component, in the form programs ask it for by
// loading "shdocvw.dll" and calling its DllGetVersion. This platform has no browser control with a
// version of its own; it answers the version the system's programs were written against (6.0).
#include <cstdint>

namespace {
struct DllVersionInfo {
  std::uint32_t cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
};
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057u);
}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t DllGetVersion(DllVersionInfo* info) {
  if (!info || info->cbSize < sizeof(DllVersionInfo)) return kInvalidArgument;
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 0;
  info->dwPlatformID = 2;
  return kOk;
}
