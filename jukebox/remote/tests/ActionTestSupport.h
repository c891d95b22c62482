// The jukebox as the remote actions meet it: the application started on a sandboxed song database made by
// the schema creator, three real zone windows playing on the null sound device, songs made with sox and
// lame and indexed into the library, and a way to run one action and read its outcome back.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dblib/Song.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/remote/EventSubscriptions.h"
#include "jukebox/remote/RemoteAction.h"
#include "jukebox/remote/RemoteExecutor.h"

namespace remote_test {

// One argument of a request: its name, direction ("in", "out", "inout") and value.
struct Arg {
  std::string name;
  std::string direction;
  std::string value;
};
inline Arg In(std::string name, std::string value) { return {std::move(name), "in", std::move(value)}; }
inline Arg Out(std::string name) { return {std::move(name), "out", ""}; }

// What came back of one action: its code, its message and every out argument's value (a list value as
// its items; a single value as one text).
struct Outcome {
  long code = 0;
  std::string message;
  std::map<std::string, std::string> values;
  std::map<std::string, std::vector<std::string>> lists;
  bool completedAtOnce = false;  // the completion was reported before the executor returned
  std::string Value(const std::string& name) const {
    auto found = values.find(name);
    return found == values.end() ? "<absent>" : found->second;
  }
  std::vector<std::string> List(const std::string& name) const {
    auto found = lists.find(name);
    return found == lists.end() ? std::vector<std::string>{} : found->second;
  }
  bool Has(const std::string& name) const { return values.contains(name) || lists.contains(name); }
};

// The executor's surroundings over the running application.
class AppHost : public CRemoteExecutorHost {
 public:
  CMasterWindow* MainWindow() override;
  int ZoneCount() override;
  int CurrentZone() override;
  CPlayerBase* ZonePlayer(int index) override;
  CWnd* ChooserDialog() override;
  void ActionCompleted() override { ++completions; }
  void FinishNow() override { ++inlineFinishes; }
  void ShutdownServer() override { ++shutdowns; }
  CEventSubscriptions* Subscriptions() override { return &subscriptions; }

  CEventSubscriptions subscriptions;
  int completions = 0;
  int inlineFinishes = 0;
  int shutdowns = 0;
};

// A song of the test library.
struct SongSpec {
  std::string file;  // under D:\Music
  std::string name, artist, album, genre, year;
};

class JukeboxActions : public ::testing::Test {
 public:
  // The songs of the library, indexed in this order (SongIDs 1..n).
  static const std::vector<SongSpec>& Library();

 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs one action on zone `subDevice`: through the executor, or with `overHttp` as an action document
  // POSTed by curl to the control port, its reply checked by xmllint and read back.
  Outcome Run(const std::string& name, int subDevice = 0, const std::vector<Arg>& args = {});
  // The reply of the last action run over HTTP (headers and body as curl wrote them).
  const std::string& LastReply() const { return lastReply_; }

  LONG SongId(const std::string& name);
  CPlayerBase& Zone(int index);
  CMasterWindow& Master() { return *env.App()->GetMainWindow(); }
  tQHDb& Db() { return *env.App()->GetSongDatabase(); }
  // The stored song, loaded afresh.
  tSong StoredSong(LONG songId);
  // Dispatches the thread's messages until `done` holds or `ms` have passed; the result of `done`.
  bool PumpUntil(const std::function<bool()>& done, int ms = 5000);
  // The completion messages (0x46C) the players posted to the main window since the last call.
  int TakePlayerCompletions();
  // Queues the song ids on a zone (no playing).
  void QueueSongs(int zone, const std::vector<LONG>& ids);
  // Playlist rows of a saved playlist in sequence order.
  std::vector<LONG> PlaylistSongs(const std::string& playlist);

  // Set before SetUp: the jukebox gets its control port and Run goes through it.
  bool overHttp = false;

  jukebox::test::JukeboxEnvironment env;
  std::unique_ptr<AppHost> host;
  std::unique_ptr<CRemoteExecutor> executor;
  int playerCompletions_ = 0;

 private:
  Outcome RunDirect(const std::string& name, int subDevice, const std::vector<Arg>& args);
  Outcome RunOverHttp(const std::string& name, int subDevice, const std::vector<Arg>& args);
  WORD port_ = 0;
  std::string lastReply_;
};

// The action document of one action, as a peer writes it.
std::string ActionDocument(const std::string& name, int subDevice, const std::vector<Arg>& args);
// The outcome of the first action of a response document; false when the text is no such document.
bool ReadResponse(const std::string& document, Outcome& outcome);

}  // namespace remote_test
