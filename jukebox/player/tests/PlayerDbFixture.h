// A sandbox with a song database made by the schema creator, the application's services double over
// it, a main window and one scripted zone player.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "jukebox/player/tests/PlayerTestSupport.h"
#include "jukebox/player/tests/ScriptedEngine.h"
#include "platform/core/testing/TestSandbox.h"

namespace jukebox::player_testing {

class PlayerDbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds a song (and its primary genre) and returns its SongID.
  LONG AddSong(const std::string& name, const std::string& artist, const std::string& album = "",
               const std::string& genre = "Rock", int track = 0);
  // Adds `count` songs of one artist in one transaction, fast (no genres).
  void AddManySongs(int count, const std::string& artist);
  void AddToPlaylist(const std::string& playlist, LONG songId);
  std::vector<LONG> QueueIds() const;

  qh::testing::TestSandbox sandbox;
  tQHDb db;
  std::unique_ptr<tStorage> storage;
  FakeJukeboxServices app;
  RecordingEventSink events;
  std::unique_ptr<MessageRecorder> mainWindow;
  std::unique_ptr<ScriptedEngine> player;
  LONG nextBulkId_ = 100000;
};

}  // namespace jukebox::player_testing
