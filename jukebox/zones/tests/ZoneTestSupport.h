// What the zone-window tests share: a sandbox with a song database, the application's services double,
// a main window that records what zones post to it, a scripted engine, a scripted runner in place of
// the application's dialogs (so a test chooses what the user would), and the zone window over them in
// either look.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "jukebox/player/tests/PlayerTestSupport.h"
#include "jukebox/player/tests/ScriptedEngine.h"
#include "jukebox/zones/ZoneDialogs.h"
#include "jukebox/zones/ZoneWindow.h"
#include "platform/core/testing/TestSandbox.h"

namespace jukebox::zone_testing {

using player_testing::FakeJukeboxServices;
using player_testing::MessageRecorder;
using player_testing::PumpUntil;

class ZoneServices : public FakeJukeboxServices {
 public:
  bool IsSongPlaying(LONG songId) const override { return playingSongs.count(songId) != 0; }
  std::set<LONG> playingSongs;
};

// The scripted engine with seeks recorded and the state settable, as a stalled output would leave it.
class ZoneTestEngine : public player_testing::ScriptedEngine {
 public:
  int SeekPercent(double percent) override {
    seeks.push_back(percent);
    return 0;
  }
  void SetStateForTest(LONG state, std::time_t since) {
    m_state = state;
    m_stateTime = since;
  }
  void SetTextsForTest(const char* fileType, const char* elapsed, const char* length) {
    m_fileTypeText = fileType;
    m_elapsedText = elapsed;
    m_lengthText = length;
  }
  std::vector<double> seeks;

 protected:
  // As the local engine does, the screen shows a volume the output took.
  void OutputVolume(int percent) override {
    ScriptedEngine::OutputVolume(percent);
    UpdateVolume();
  }
};

// Answers the application's dialogs as a user would, from a script; records which ran.
class ScriptedZoneDialogs : public CZoneDialogs {
 public:
  ScriptedZoneDialogs() : previous_(SetZoneDialogs(this)) {}
  ~ScriptedZoneDialogs() override { SetZoneDialogs(previous_); }
  INT_PTR ChooseArtist(CWnd*, bool listAlbums, CString& chosen) override;
  INT_PTR ChooseGenre(CWnd*, CString& chosen) override;
  INT_PTR ChoosePlaylist(CWnd*, CString& chosen) override;
  INT_PTR ChooseSavedPlaylist(CWnd*, const std::vector<CString>& names, const CString& preset, int& index) override;
  INT_PTR Search(CWnd*, ZoneSearchCriteria& criteria) override;
  INT_PTR EditPlaylist(CWnd*, const CString& name) override;
  INT_PTR EditSongInfo(CWnd*, ZoneSongInfo& fields) override;
  void ShowAbout(CWnd*, const CString& version, const CString& legal) override;

  INT_PTR result = IDOK;
  CString choice;                 // what a chooser picks
  ZoneSearchCriteria criteria;    // what the search dialog returns
  ZoneSongInfo songInfo;          // fields after the song dialog (when editInfo is set)
  bool editInfo = false;
  std::vector<std::string> ran;   // "artist", "album", "genre", ..., with arguments where useful
  std::vector<CString> offeredNames;
  CString offeredPreset;
  ZoneSongInfo shownInfo;
  CString aboutVersion, aboutLegal;

 private:
  CZoneDialogs* previous_;
};

std::string SourcePath(const std::string& relative);
std::string BinaryPath(const std::string& relative);

template <class Look>
using TestZone = CZoneWindowT<ZoneTestEngine, Look>;

class ZoneFixtureBase : public ::testing::Test {
 protected:
  void SetUpDatabase();
  LONG AddSong(const std::string& name, const std::string& artist, const std::string& album = "",
               const std::string& genre = "Rock");
  // Creates the zone as the application does: child of the main window, shown, updated.
  bool CreateZone(CWnd& zone, const CRect& rect);
  // A child window's rectangle in the client coordinates of its parent.
  static CRect ChildRect(HWND child);
  // Writes a JPEG cover of the song made by ffmpeg in one colour.
  bool MakeCover(LONG songId, const char* colour, int width, int height);

  qh::testing::TestSandbox sandbox;
  tQHDb db;
  std::unique_ptr<tStorage> storage;
  ZoneServices app;
  player_testing::RecordingEventSink events;
  std::unique_ptr<MessageRecorder> mainWindow;
  ScriptedZoneDialogs dialogs;
};

template <class Look>
class ZoneFixture : public ZoneFixtureBase {
 protected:
  template <class... Arguments>
  void MakeZone(const CRect& rect, Arguments... arguments) {
    SetUpDatabase();
    zone = std::make_unique<TestZone<Look>>(arguments...);
    zone->SetStreamNumber(0);
    zone->SetStreamName("Main Bar");
    zone->SetDeviceName("Null Audio Device");
    ASSERT_TRUE(CreateZone(*zone, rect));
  }
  void TearDown() override {
    zone.reset();
    mainWindow.reset();
  }
  Look& look() { return zone->GetLook(); }

  std::unique_ptr<TestZone<Look>> zone;
};

}  // namespace jukebox::zone_testing
