// A sandbox with a music drive D: on which the media tests make their files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dblib/Song.h"
#include "dblib/tests/media/MediaFixtures.h"
#include "platform/core/testing/TestSandbox.h"

namespace qh::dblib::media_testing {

inline constexpr DWORD kMusicSerial = 0x0D15C0DE;

class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override { musicFolder = sandbox.AddDrive('D', kMusicSerial, "MUSIC"); }

  // Where a file of drive D: is on the host, and its path in the system's form.
  std::string Host(const std::string& name) const { return musicFolder + "/" + name; }
  static CString OnD(const std::string& name) { return CString(("D:\\" + name).c_str()); }
  void Write(const std::string& name, const std::string& content) const { qh::testing::WriteHostFile(Host(name), content); }

  // Skips the test when one of the tools is missing.
  static bool Missing(std::initializer_list<const char*> tools) {
    for (const char* tool : tools)
      if (!HaveTool(tool)) return true;
    return false;
  }

  qh::testing::TestSandbox sandbox;
  std::string musicFolder;
};

#define SKIP_WITHOUT(...)                                                          \
  do {                                                                             \
    if (Missing({__VA_ARGS__})) GTEST_SKIP() << "a tool is missing: " #__VA_ARGS__; \
  } while (0)

}  // namespace qh::dblib::media_testing
