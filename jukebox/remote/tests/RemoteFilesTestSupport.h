// What the tests of the jukebox's own XML files share: a sandbox whose drive C: holds the start
// directory, a services double that records the log, and writing files below the start directory.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "jukebox/player/tests/PlayerTestSupport.h"
#include "platform/core/testing/TestSandbox.h"

namespace remote_files_test {

class RemoteFilesTest : public ::testing::Test {
 protected:
  static constexpr const char* kStart = "C:\\Jukebox";

  RemoteFilesTest() { std::filesystem::create_directories(sandbox.HostPath("C/Jukebox")); }

  // Writes `content` to start directory + "/" + relative ("config/project.xml").
  void WriteStartFile(const std::string& relative, const std::string& content) {
    qh::testing::WriteHostFile(StartHostPath(relative), content);
  }
  std::string ReadStartFile(const std::string& relative) { return qh::testing::ReadHostFile(StartHostPath(relative)); }
  std::string StartHostPath(const std::string& relative) { return sandbox.HostPath("C/Jukebox/" + relative); }
  // The log lines (text only) in the order written.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const auto& line : services.log) texts.push_back(line.text);
    return texts;
  }

  qh::testing::TestSandbox sandbox;
  jukebox::player_testing::FakeJukeboxServices services;
};

}  // namespace remote_files_test
