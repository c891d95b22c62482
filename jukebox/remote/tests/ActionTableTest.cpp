// The action table and the executor's frame: lookup, chooser forwarding, unknown names and completion.
#include <gtest/gtest.h>

#include <set>

#include "jukebox/remote/RemoteAction.h"
#include "jukebox/remote/RemoteActionIds.h"
#include "jukebox/remote/RemoteExecutor.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/WinUser.h"

namespace {

class FakeHost : public CRemoteExecutorHost {
 public:
  CMasterWindow* MainWindow() override { return nullptr; }
  int ZoneCount() override { return zoneCount; }
  int CurrentZone() override { return currentZone; }
  CPlayerBase* ZonePlayer(int) override { return nullptr; }
  CWnd* ChooserDialog() override { return chooser; }
  void ActionCompleted() override { ++completions; }
  void FinishNow() override { ++inlineFinishes; }
  void ShutdownServer() override { ++shutdowns; }
  CEventSubscriptions* Subscriptions() override { return nullptr; }

  int zoneCount = 2;
  int currentZone = 0;
  CWnd* chooser = nullptr;
  int completions = 0;
  int inlineFinishes = 0;
  int shutdowns = 0;
};

struct LookupCase {
  const char* name;
  int id;
};

TEST(ActionTableTest, NamesAreFoundWithoutCase) {
  FakeHost host;
  CRemoteExecutor executor(host);
  const LookupCase cases[] = {
      {"SongLoadPlay", 0}, {"songloadplay", 0}, {"SONGLOADPLAY", 0}, {"xPORTpLAY", 22}, {"XportRewind", 20},
      {"IRStream1", 59}, {"irstream8", 66}, {"QrySongInfo", 84}, {"SvcSubscribe", 39}, {"SvcShutdown", 87},
      {"SongLoad", 88}, {"SongLoadPlayX", 88}, {"", 88}, {"IRCursorUp", 88}, {"QryStreamStat", 88},
  };
  for (const LookupCase& c : cases) EXPECT_EQ(executor.FindActionIndex(c.name), c.id) << c.name;
}

TEST(ActionTableTest, EveryIdButTwoHasOneName) {
  FakeHost host;
  CRemoteExecutor executor(host);
  std::set<int> ids;
  for (const auto& [name, id] : executor.RemoteActionMap()) {
    EXPECT_TRUE(ids.insert(id).second) << "id " << id << " twice";
    EXPECT_EQ(RemoteActionName(id), name);
    EXPECT_NE(GroupOfAction(id), RemoteActionGroup::None) << name;
  }
  EXPECT_EQ(ids.size(), 86u);
  EXPECT_FALSE(ids.contains(41));
  EXPECT_FALSE(ids.contains(83));
  EXPECT_EQ(*ids.rbegin(), 87);
}

TEST(ActionTableTest, GroupsFollowTheTable) {
  EXPECT_EQ(GroupOfAction(ACTION_CURRENT_PLAYLIST_CLEAR), RemoteActionGroup::Song);
  EXPECT_EQ(GroupOfAction(ACTION_SEARCH_RESULTS_BY_ARTIST_ALBUM), RemoteActionGroup::Search);
  EXPECT_EQ(GroupOfAction(ACTION_SET_INITIAL_DX_PLUGIN), RemoteActionGroup::Transport);
  EXPECT_EQ(GroupOfAction(ACTION_SVC_UNSUBSCRIBE), RemoteActionGroup::Query);
  EXPECT_EQ(GroupOfAction(ACTION_IR_REPEAT), RemoteActionGroup::Key);
  EXPECT_EQ(GroupOfAction(41), RemoteActionGroup::None);
  EXPECT_EQ(GroupOfAction(83), RemoteActionGroup::None);
  EXPECT_EQ(GroupOfAction(ACTION_UNKNOWN), RemoteActionGroup::None);
}

TEST(ExecutorFrameTest, UnknownNameIsAnsweredAndCompleted) {
  FakeHost host;
  CRemoteExecutor executor(host);
  for (const char* name : {"NoSuchAction", "", "IRCursorLeft", "IRCursorRight", "IRCursorExit"}) {
    CRemoteAction action;
    action.SetName(name);
    EXPECT_TRUE(executor.ExecuteAction(action));
    EXPECT_EQ(action.GetReturnCode(), -3) << name;
    EXPECT_EQ(action.GetReturnMessage(), "Illegal actionName entered") << name;
  }
  EXPECT_EQ(host.completions, 5);
  EXPECT_EQ(host.inlineFinishes, 0);
}

TEST(ExecutorFrameTest, SubDeviceMustBeAnExistingZone) {
  FakeHost host;
  CRemoteExecutor executor(host);
  CRemoteAction action;
  action.SetSubDevice(2);  // equal to the zone count
  EXPECT_EQ(executor.SubDevicePlayer(action), nullptr);
  action.SetSubDevice(-1);
  EXPECT_EQ(executor.SubDevicePlayer(action), nullptr);
  host.currentZone = 5;
  EXPECT_EQ(executor.CurrentZonePlayer(), nullptr);
}

// A window of the test's own thread that stands for an open chooser dialog.
class ChooserWindow : public CWnd {
 public:
  ChooserWindow() { CreateEx(0, AfxRegisterWndClass(0), "Chooser", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
  ~ChooserWindow() override { DestroyWindow(); }
  // The WPARAMs of the remote keys that reached the window.
  std::vector<WPARAM> TakeKeys() {
    std::vector<WPARAM> keys;
    MSG msg;
    while (::PeekMessage(&msg, GetSafeHwnd(), kMsgChooserRemoteKey, kMsgChooserRemoteKey, PM_REMOVE))
      keys.push_back(msg.wParam);
    return keys;
  }
};

TEST(ExecutorFrameTest, OpenChooserTakesEveryActionAsAKey) {
  FakeHost host;
  ChooserWindow chooser;
  ASSERT_NE(chooser.GetSafeHwnd(), nullptr);
  host.chooser = &chooser;
  CRemoteExecutor executor(host);
  for (const char* name : {"XportStop", "NoSuchAction", "SvcShutdown", "IRCursorLeft"}) {
    CRemoteAction action;
    action.SetName(name);
    executor.ExecuteAction(action);
    EXPECT_EQ(action.GetReturnCode(), 0) << name;
    EXPECT_EQ(action.GetReturnMessage(), "OK") << name;
  }
  EXPECT_EQ(chooser.TakeKeys(), (std::vector<WPARAM>{24, 88, 87, 43}));
  EXPECT_EQ(host.completions, 4);
  EXPECT_EQ(host.shutdowns, 0);
}

}  // namespace
