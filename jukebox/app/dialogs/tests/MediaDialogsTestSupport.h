// What the tests of the choosers, the playlist and song information dialogs, the compress dialog and
// the CD rip dialog share: a sandbox with a song database on C:, the application's services over it,
// scripted dialogs and message boxes, and input injected as a user gives it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"

namespace media_dialogs_test {

struct LogLine {
  std::string severity, source, text;
};

// The application's services over the test's database; the log and the registered dialog are kept.
class TestServices : public CJukeboxServices {
 public:
  TestServices();
  ~TestServices() override;
  int LogEvent(const CString& severity, const CString& source, const CString& text) override;
  void WriteErrorLog(const CString& severity, const CString& source, const CString& text) override;
  tQHDb* GetSongDatabase() override { return database; }
  tStorage* GetStorageManager() override { return storage; }
  tQHFRDb* GetAlbumDatabase() override { return albumDatabase; }
  CString GetSongDbPath() const override { return "C:\\Quaverhouse"; }
  CString GetRandomPicPath() const override { return CString(); }
  CString GetStartDirectory() const override { return "C:\\"; }
  COleDateTime GetStartTime() const override { return COleDateTime::GetCurrentTime(); }
  CString GetVersionText() const override { return "4.0.0"; }
  CString GetLegalText() const override { return CString(); }
  BOOL IsTVOutput() const override { return FALSE; }
  int GetVolumeRampTime() const override { return 6000; }
  int SetVolumeRampTime(int) override { return 6000; }
  CString GetZoneDevice(int) const override { return CString(); }
  bool LockSong(LONG) override { return true; }
  void UnlockSong(LONG) override {}
  bool IsSongLocked(LONG) const override { return false; }
  bool IsSongPlaying(LONG) const override { return false; }
  void SetModalDialog(CDialog* dialog) override { modalDialog = dialog; }
  void ShowZone(int) override {}
  CWnd* GetMasterWindow() override { return nullptr; }

  tQHDb* database = nullptr;
  tStorage* storage = nullptr;
  tQHFRDb* albumDatabase = nullptr;
  CDialog* modalDialog = nullptr;
  std::vector<LogLine> log;

 private:
  CJukeboxServices* previous_;
};

struct SongSpec {
  std::string name, artist, album = "An Album", genre = "Rock", length = "00:03:30.500";
  char code = ' ';
  BOOL uncompressed = FALSE;
  LONG cdTrack = 0;
  LONG cddb = 0;
};

class MediaDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `script` when the dialog of that template is shown (in order, once each).
  void OnDialog(UINT templateId, std::function<void(CDialog&)> script);
  // Answers the next message boxes in order; the default button afterwards.
  void AnswerBoxes(std::deque<int> answers) { answers_ = std::move(answers); }

  LONG AddSong(const SongSpec& spec);
  std::unique_ptr<tSong> Load(LONG songId);
  std::vector<LONG> PlaylistSongs(const char* name);
  std::string Host(const std::string& relative) const { return sandbox_->HostPath(relative); }
  // The host path of a song's managed file ("Song%010ld.wav" or ".mp3").
  std::string SongFile(LONG songId, const char* extension) const;
  std::string TempFile(LONG songId, const char* extension) const;

  std::unique_ptr<qh::testing::TestSandbox> sandbox_;
  tQHDb database_;
  std::unique_ptr<tStorage> storage_;
  std::unique_ptr<TestServices> services_;
  std::vector<std::string> boxTexts;
  std::vector<UINT> shownDialogs;

 private:
  std::map<UINT, std::deque<std::function<void(CDialog&)>>> scripts_;
  std::deque<int> answers_;
};

// Input as a user gives it, with the queue dispatched afterwards.
void Settle();
void Click(CWnd& dialog, int id);
void DoubleClickEntry(CWnd& dialog, int listId, int entry);
void ClickEntry(CWnd& dialog, int listId, int entry, WPARAM keys = 0);
void ClickRow(CWnd& dialog, int listId, int row);
void Type(CWnd& dialog, int id, const std::string& text);
void PressKey(UINT key);
// Picks a drop-down list entry with the keyboard as a user does.
void Choose(CWnd& dialog, int id, int entry);
std::string TextOf(CWnd& dialog, int id);
std::vector<std::string> EntriesOf(CWnd& dialog, int listId);
std::vector<std::string> ComboEntriesOf(CWnd& dialog, int comboId);
std::vector<std::vector<std::string>> RowsOf(CWnd& dialog, int listId, int columns);
bool IsEnabled(CWnd& dialog, int id);
bool RunTool(const std::string& command);
std::string ReadHostFile(const std::string& path);

}  // namespace media_dialogs_test
