// What the recorder's tests share: a sandbox with a song database made by the schema creator and the
// recorder started over it, songs with real media files, and a user at the keyboard and mouse who
// drives each modal dialog through injected input (scripts per dialog template) and answers message
// boxes from a list.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "recorder/RecorderApp.h"

namespace qh::recorder::testing {

// ---- The user ----
// Dispatches until no input waits and no message is queued.
void Settle();
void Click(CWnd& dialog, int id);
void ClickAt(HWND window, int x, int y);
void DoubleClickAt(HWND window, int x, int y);
// Replaces an edit's text by typing.
void Type(CWnd& dialog, int id, const std::string& text);
// Chooses a drop-down list's entry with the keyboard.
void Choose(CWnd& dialog, int id, const std::string& entry);
void PressKey(UINT key);
// Dispatches (timers and posted messages included) until the condition holds; false after `seconds`.
bool RunUntil(const std::function<bool()>& condition, int seconds = 20);
// Clicks a list-view row; a double click when asked.
void ClickRow(CWnd& dialog, int listId, int row, bool twice = false);
// Clicks a list-box entry (toggles it in a multiple-selection list).
void ClickEntry(CWnd& dialog, int listId, int entry);
std::string TextOf(CWnd& dialog, int id);
std::vector<std::vector<std::string>> RowsOf(CWnd& dialog, int listId, int columns);
std::vector<std::string> EntriesOf(CWnd& dialog, int listId);
bool IsEnabled(CWnd& dialog, int id);
// Writes the window to <build>/snapshots/<name>.png and checks that the file was made.
void Snapshot(CWnd& window, const std::string& name);

struct SongSpec {
  std::string name, artist, album = "", genre = "Rock";
  char code = ' ';
  int year = 2001, month = 6, day = 15;
  int hour = 12;
  std::string length = "03:25.500";
  std::string comments, label, attributes, rotation = "GENERAL";
  std::vector<std::string> moreGenres;
  int cdTrack = 1;
};

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the recorder over the sandbox's database; false when start-up refused.
  bool StartRecorder();
  tQHDb* Db() const { return app->GetSongDatabase(); }
  tStorage* Storage() const { return app->GetStorage(); }
  LONG AddSong(const SongSpec& spec);
  // A real media file for a song of the primary volume: sox for WAV, lame for native MP3, ffmpeg for
  // MP3 inside a WAV container; false when the tool is missing or failed.
  bool MakeMediaFile(LONG songId, char code, double seconds = 1.0);
  std::unique_ptr<tSong> Load(LONG songId);
  std::vector<std::string> PlaylistNames();
  std::vector<LONG> PlaylistSongs(const char* name);

  // The scripts the user follows, each for the next showing of its dialog (FIFO per template id).
  void OnDialog(UINT templateId, std::function<void(CDialog&)> script);
  // Answers for the next message boxes (button ids); without one a box gets its default button.
  void AnswerBoxes(std::vector<int> answers) { answers_.insert(answers_.end(), answers.begin(), answers.end()); }
  std::vector<std::string> boxTexts;
  std::vector<UINT> shownDialogs;

  std::unique_ptr<qh::testing::TestSandbox> sandbox;
  std::unique_ptr<CRecorderApp> app;
  const CString databaseFolder = "C:\\Quaverhouse";

 private:
  std::map<UINT, std::deque<std::function<void(CDialog&)>>> scripts_;
  std::deque<int> answers_;
};

bool HaveTool(const char* name);
bool RunTool(const std::string& command);
std::string ReadHostFile(const std::string& path);

}  // namespace qh::recorder::testing
