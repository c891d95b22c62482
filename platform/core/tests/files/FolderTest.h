// The fixture of the file tests: a sandbox whose drive C: holds an empty C:\Quaverhouse folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/core/testing/TestSandbox.h"

class QuaverhouseFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(C("Quaverhouse")); }
  // The host path of a path below C:\ ("Quaverhouse/Songs" is <sandbox>/C/Quaverhouse/Songs).
  std::string C(const std::string& relative) const { return sandbox_.HostPath("C/" + relative); }

  qh::testing::TestSandbox sandbox_;
};
