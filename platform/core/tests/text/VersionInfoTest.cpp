#include "platform/core/VersionInfo.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "qh_version.h"

namespace {

std::string ownPath() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

std::vector<BYTE> readBlock(const std::string& path) {
  DWORD handle = 99;
  const DWORD size = GetFileVersionInfoSize(path.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfo(path.c_str(), handle, size, block.data())) block.clear();
  return block;
}

TEST(VersionInfo, OwnProgramHasTheProjectVersionAndCopyright) {
  const std::vector<BYTE> block = readBlock(ownPath());
  ASSERT_FALSE(block.empty());
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValue(block.data(), "\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
  // The way start-up reads it: major and minor from the high word, build from the low one.
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), QH_VERSION_MAJOR);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), QH_VERSION_MINOR);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), QH_VERSION_BUILD);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), QH_VERSION_REVISION);

  ASSERT_TRUE(VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\LegalCopyright", &value, &length));
  EXPECT_STREQ(static_cast<const char*>(value), "Copyright (C) 2026 Tallowmere");
  EXPECT_EQ(length, sizeof "Copyright (C) 2026 Tallowmere");
  EXPECT_TRUE(VerQueryValue(block.data(), "\\stringfileinfo\\040904b0\\legalcopyright", &value, &length));
}

TEST(VersionInfo, VersionComesFromTheProjectVersion) {
  // The root project's version, as CMake knows it, reaches the generated header.
  EXPECT_STREQ(QH_VERSION_TEXT, "4.0.0.0");
}

TEST(VersionInfo, ProgramIsFoundByItsNameInEitherPathForm) {
  const std::string name = ownPath().substr(ownPath().find_last_of('/') + 1);
  EXPECT_FALSE(readBlock("C:\\Quaverhouse\\" + name + ".EXE").empty());
  EXPECT_FALSE(readBlock(name).empty());
}

TEST(VersionInfo, OtherFilesHaveNoVersionRecord) {
  DWORD handle = 0;
  SetLastError(0);
  EXPECT_EQ(GetFileVersionInfoSize("/usr/bin/env", &handle), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
  std::vector<BYTE> block(4096);
  EXPECT_FALSE(GetFileVersionInfo("C:\\Windows\\shdocvw.dll", 0, 4096, block.data()));
  EXPECT_EQ(GetFileVersionInfoSize(nullptr, &handle), 0u);
}

TEST(VersionInfo, ShortBuffersAndUnknownValuesFail) {
  const std::string path = ownPath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSize(path.c_str(), &handle);
  std::vector<BYTE> block(size);
  SetLastError(0);
  EXPECT_FALSE(GetFileVersionInfo(path.c_str(), 0, size - 1, block.data()));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_TRUE(GetFileVersionInfo(path.c_str(), 0, size, block.data()));
  LPVOID value = &handle;
  UINT length = 7;
  EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\CompanyName", &value, &length));
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(length, 0u);
  std::vector<BYTE> garbage(size, 0x5A);
  EXPECT_FALSE(VerQueryValue(garbage.data(), "\\", &value, &length));
}

}  // namespace
