// Remote action objects, request records and the argument rules every action body shares.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "jukebox/remote/ActionArguments.h"
#include "jukebox/remote/RemoteAction.h"
#include "jukebox/remote/RemoteCommand.h"

namespace {

CActionArgument* MakeArgument(const char* name, const char* value, BYTE direction = ARG_DIRECTION_IN) {
  auto* argument = new CActionArgument;
  argument->SetName(name);
  argument->SetString(value);
  argument->SetDirection(direction);
  return argument;
}

std::vector<std::string> WalkNames(CRemoteAction& action) {
  std::vector<std::string> names;
  EXPECT_TRUE(action.BeginArguments());
  while (CActionArgument* argument = action.NextArgument()) names.push_back(argument->GetName().str());
  action.EndArguments();
  return names;
}

TEST(RemoteActionTest, FreshActionHasNoOutcome) {
  CRemoteAction action;
  EXPECT_EQ(action.GetReturnCode(), 0);
  EXPECT_TRUE(action.GetReturnMessage().IsEmpty());
  EXPECT_FALSE(action.IsDone());
  EXPECT_EQ(action.GetArgumentCount(), 0);
}

TEST(RemoteActionTest, LookupIgnoresCase) {
  CRemoteAction action;
  action.SetName("SongLoadPlay");
  ASSERT_TRUE(action.AddArgument("SongID", MakeArgument("SongID", "42")));
  CActionArgument* found = action.FindArgument("songid");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetString(), "42");
  EXPECT_EQ(action.FindArgument("SongIDs"), nullptr);
  EXPECT_EQ(action.FindArgument("Song"), nullptr);
}

TEST(RemoteActionTest, SecondArgumentOfOneNameIsNotStored) {
  CRemoteAction action;
  action.SetName("SetVolumeAbsolute");
  EXPECT_TRUE(action.AddArgument("Volume", MakeArgument("Volume", "10")));
  EXPECT_TRUE(action.AddArgument("VOLUME", MakeArgument("VOLUME", "90")));
  EXPECT_EQ(action.GetArgumentCount(), 1);
  EXPECT_EQ(action.FindArgument("volume")->GetString(), "10");
  EXPECT_FALSE(action.AddArgument("Other", nullptr));
  EXPECT_EQ(action.GetArgumentCount(), 1);
}

TEST(RemoteActionTest, WalkVisitsArgumentsInCaseBlindOrder) {
  CRemoteAction action;
  action.SetName("QrySongInfo");
  for (const char* name : {"b", "A", "c"}) action.AddArgument(name, MakeArgument(name, ""));
  EXPECT_EQ(WalkNames(action), (std::vector<std::string>{"A", "b", "c"}));
}

TEST(RemoteActionTest, WalkNeedsTheLockThatTheNameCreates) {
  CRemoteAction action;
  action.AddArgument("a", MakeArgument("a", ""));
  EXPECT_FALSE(action.BeginArguments());
  action.SetName("XportPlay");
  EXPECT_TRUE(action.BeginArguments());
  action.EndArguments();
}

TEST(RemoteActionTest, WalkWaitsForAnotherThreadsWalk) {
  CRemoteAction action;
  action.SetName("QryStreamState");
  action.AddArgument("a", MakeArgument("a", ""));
  ASSERT_TRUE(action.BeginArguments());
  std::atomic<bool> secondStarted{false};
  std::atomic<bool> secondDone{false};
  std::thread other([&] {
    secondStarted = true;
    EXPECT_TRUE(action.BeginArguments());
    secondDone = true;
    action.EndArguments();
  });
  while (!secondStarted) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(secondDone);
  action.EndArguments();
  other.join();
  EXPECT_TRUE(secondDone);
}

TEST(RemoteActionTest, ResultReplacesEarlierOutcome) {
  CRemoteAction action;
  action.SetResult(-2, "Error occurred when loading song");
  action.SetResult(0, "OK");
  EXPECT_EQ(action.GetReturnCode(), 0);
  EXPECT_EQ(action.GetReturnMessage(), "OK");
}

TEST(RemoteActionTest, CopyTakesEverythingButDone) {
  CRemoteAction source;
  source.SetName("SetVolumeAbsolute");
  source.SetTransID(7);
  source.SetRequestNumber(3);
  source.SetActionID(101);
  source.SetSubDevice(2);
  source.SetResult(-1, "Invalid SubDevice");
  source.AddArgument("Volume", MakeArgument("Volume", "55", ARG_DIRECTION_INOUT));
  source.MarkDone();
  CRemoteAction copy;
  copy.AddArgument("Stale", MakeArgument("Stale", "x"));
  copy.CopyFrom(source);
  EXPECT_EQ(copy.GetName(), "SetVolumeAbsolute");
  EXPECT_EQ(copy.GetTransID(), 7);
  EXPECT_EQ(copy.GetRequestNumber(), 3);
  EXPECT_EQ(copy.GetActionID(), 101);
  EXPECT_EQ(copy.GetSubDevice(), 2);
  EXPECT_EQ(copy.GetReturnCode(), -1);
  EXPECT_EQ(copy.GetReturnMessage(), "Invalid SubDevice");
  EXPECT_FALSE(copy.IsDone());
  EXPECT_EQ(copy.FindArgument("Stale"), nullptr);
  CActionArgument* volume = copy.FindArgument("volume");
  ASSERT_NE(volume, nullptr);
  EXPECT_NE(volume, source.FindArgument("Volume"));
  EXPECT_EQ(volume->GetString(), "55");
  EXPECT_EQ(volume->GetDirection(), ARG_DIRECTION_INOUT);
  // The source can still be walked: the copy released its lock.
  EXPECT_EQ(WalkNames(source), (std::vector<std::string>{"Volume"}));
}

std::unique_ptr<CRemoteAction> ActionWithId(LONG id) {
  auto action = std::make_unique<CRemoteAction>();
  action->SetName("XportPlay");
  action->SetActionID(id);
  return action;
}

TEST(RemoteCommandTest, ActionsComeInActionIdOrder) {
  CRemoteCommand command;
  command.Stamp(5);
  EXPECT_EQ(command.GetRequestNumber(), 5);
  EXPECT_NE(command.GetCreated(), 0);
  for (LONG id : {3, 1, 2}) EXPECT_TRUE(command.AddAction(id, ActionWithId(id)));
  std::vector<LONG> order;
  for (CRemoteAction* action = command.First(); action; action = command.Next()) order.push_back(action->GetActionID());
  EXPECT_EQ(order, (std::vector<LONG>{1, 2, 3}));
  EXPECT_FALSE(command.HasHandler());
}

TEST(RemoteCommandTest, DuplicateActionIdIsKeptUntilItHasRunButNeverReported) {
  CRemoteCommand command;
  auto first = ActionWithId(0);
  auto second = ActionWithId(0);
  CRemoteAction* firstRaw = first.get();
  CRemoteAction* secondRaw = second.get();
  EXPECT_TRUE(command.AddAction(0, std::move(first)));
  EXPECT_FALSE(command.AddAction(0, std::move(second)));
  EXPECT_EQ(command.CountOpenActions(), 2);
  firstRaw->MarkDone();
  // The duplicate is still queued somewhere: the record must not be answered and deleted yet.
  EXPECT_EQ(command.CountOpenActions(), 1);
  secondRaw->MarkDone();
  EXPECT_EQ(command.CountOpenActions(), 0);
  int reported = 0;
  for (CRemoteAction* action = command.First(); action; action = command.Next()) {
    EXPECT_EQ(action, firstRaw);
    ++reported;
  }
  EXPECT_EQ(reported, 1);
}

TEST(RemoteCommandTest, OriginNamesTheConnection) {
  CRemoteCommand command;
  auto* fakeThread = reinterpret_cast<CHttpSocketThread*>(0x10);
  command.SetOrigin("/control", 0x1234, fakeThread);
  EXPECT_EQ(command.GetRequestPath(), "/control");
  EXPECT_EQ(command.GetHandlerThreadId(), 0x1234u);
  EXPECT_TRUE(command.HasHandler());
}

struct FlagCase {
  const char* text;
  bool expected;
};

TEST(ActionArgumentsTest, FlagsAreTrueOnlyForYAndOne) {
  const FlagCase cases[] = {{"Y", true}, {"y", true}, {"1", true}, {"N", false}, {"yes", false},
                            {"Yes", false}, {"11", false}, {"", false}, {"true", false}, {" 1", false}};
  for (const FlagCase& c : cases) {
    CRemoteAction action;
    action.SetName("SongLoadByGenre");
    action.AddArgument("Flag", MakeArgument("Flag", c.text));
    EXPECT_EQ(ArgumentFlag(action, "flag"), c.expected) << "text \"" << c.text << "\"";
  }
  CRemoteAction empty;
  EXPECT_FALSE(ArgumentFlag(empty, "Flag"));
}

TEST(ActionArgumentsTest, NumbersAreReadAsTheRuntimeDoes) {
  CRemoteAction action;
  action.SetName("SongLoadByIndex");
  action.AddArgument("Index", MakeArgument("Index", "  12abc"));
  action.AddArgument("Count", MakeArgument("Count", "abc"));
  action.AddArgument("Big", MakeArgument("Big", "99999999999"));
  EXPECT_EQ(ArgumentLong(action, "Index"), 12);
  EXPECT_EQ(ArgumentInt(action, "Count", 5), 0);
  EXPECT_EQ(ArgumentLong(action, "Big"), 2147483647);
  EXPECT_EQ(ArgumentInt(action, "RowCount", 5), 5);
  EXPECT_TRUE(HasArgument(action, "INDEX"));
  EXPECT_EQ(ArgumentText(action, "Missing"), "");
}

TEST(ActionArgumentsTest, ResultsGoOnlyIntoArgumentsTheRequestAsksFor) {
  CRemoteAction action;
  action.SetName("QryStreamState");
  action.AddArgument("Volume", MakeArgument("Volume", "", ARG_DIRECTION_OUT));
  action.AddArgument("State", MakeArgument("State", "", ARG_DIRECTION_IN));
  action.AddArgument("Name", MakeArgument("Name", "", ARG_DIRECTION_INOUT));
  EXPECT_TRUE(SetResultI4(action, "volume", 80));
  EXPECT_FALSE(SetResultString(action, "State", "PLAYING"));
  EXPECT_TRUE(SetResultString(action, "State", "PLAYING", false));
  EXPECT_TRUE(SetResultInt(action, "Name", 3));
  EXPECT_FALSE(SetResultI4(action, "Shuffle", 1));
  EXPECT_EQ(action.FindArgument("Volume")->GetType(), ARGTYPE_I4);
  EXPECT_EQ(action.FindArgument("Volume")->GetI4(), 80);
  EXPECT_EQ(action.FindArgument("State")->GetString(), "PLAYING");
  EXPECT_EQ(action.FindArgument("Name")->GetType(), ARGTYPE_INT);
}

TEST(ActionArgumentsTest, ListResultsAppendOneItemPerRow) {
  CActionArgument list;
  EXPECT_TRUE(AppendResultString(list, "Rock"));
  EXPECT_TRUE(AppendResultI4(list, 7));
  ASSERT_EQ(list.GetItemCount(), 2);
  CValueNode item;
  ASSERT_TRUE(list.GetItem(0, item));
  EXPECT_EQ(item.ToText(), "Rock");
  ASSERT_TRUE(list.GetItem(1, item));
  EXPECT_EQ(item.ToText(), "7");
}

}  // namespace
