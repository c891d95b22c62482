// The action queue over real connections while an action runs on: a volume ramp on a zone holds every
// later request back until its player reports the ramp's end, and a request whose client has gone by
// then has its answer dropped.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>

#include "jukebox/remote/RemoteControl.h"
#include "jukebox/remote/tests/ActionTestSupport.h"
#include "jukebox/remote/tests/RawHttpClient.h"

namespace remote_test {
namespace {

using remote::test::RawClient;

// Long enough for a loaded machine to see the ramp running and a connection end meanwhile.
constexpr int kRampMs = 4000;

class QueueTurns : public JukeboxActions {
 protected:
  void SetUp() override {
    overHttp = true;
    JukeboxActions::SetUp();
    if (HasFatalFailure()) return;
    // Zone 0 at a volume a ramp down takes its full time from.
    ASSERT_EQ(Run("SetVolumeRampTime", 0, {In("RampMS", std::to_string(kRampMs))}).code, 0);
    ASSERT_EQ(Run("SetVolumeAbsolute", 0, {In("Volume", "60")}).code, 0);
  }
  CRemoteControl& Control() { return *static_cast<CRemoteControl*>(Master().GetRemotePort()); }
  WORD Port() { return Control().GetBoundPort(); }
  // Reads a reply on another thread while this one keeps the main window's messages flowing.
  std::string ReadPumping(RawClient& client) {
    std::string reply;
    std::atomic<bool> done{false};
    std::thread reader([&] {
      reply = client.ReadReply();
      done = true;
    });
    PumpUntil([&] { return done.load(); }, 25000);
    reader.join();
    return reply;
  }
  // The first action's outcome of a reply with headers.
  static Outcome OutcomeOf(const std::string& reply) {
    Outcome outcome;
    const size_t head = reply.find("\r\n\r\n");
    EXPECT_NE(head, std::string::npos) << reply;
    if (head != std::string::npos) {
      EXPECT_TRUE(ReadResponse(reply.substr(head + 4), outcome)) << reply;
    }
    return outcome;
  }
};

const std::string kRampDown = ActionDocument("SetVolumeRampDown", 0, {});
const std::string kStateOfZone0 = ActionDocument("QryStreamState", 0, {Out("CurVolume")});

TEST_F(QueueTurns, ARequestArrivingDuringARampRunsOnlyAfterItsEnd) {
  RawClient ramping(Port()), asking(Port());
  ASSERT_TRUE(ramping.Connected() && asking.Connected());
  ASSERT_TRUE(ramping.PostDocument(kRampDown));
  ASSERT_TRUE(PumpUntil([&] { return Control().PendingRequestCount() == 1; }, 10000)) << "the ramp's request is filed";
  ASSERT_GT(Zone(0).GetVolume(), 0) << "the ramp is still running";
  ASSERT_TRUE(asking.PostDocument(kStateOfZone0));
  ASSERT_TRUE(PumpUntil([&] { return Control().QueuedActionCount() == 1; }, 10000)) << "the query waits in the queue";
  EXPECT_EQ(Control().PendingRequestCount(), 2u);

  const Outcome asked = OutcomeOf(ReadPumping(asking));
  // The query ran after the ramp had ended: it finds the volume the ramp came down to.
  EXPECT_EQ(asked.code, 0);
  EXPECT_EQ(asked.Value("CurVolume"), "0");
  const Outcome ramped = OutcomeOf(ReadPumping(ramping));
  EXPECT_EQ(ramped.code, 0);
  EXPECT_EQ(ramped.message, "OK");
  EXPECT_EQ(Control().PendingRequestCount(), 0u);
  EXPECT_EQ(Control().QueuedActionCount(), 0u);
  EXPECT_NE(env.LogText().find("Swallowed next command request because a command is still executing - TransID: "),
            std::string::npos)
      << env.LogText();
}

TEST_F(QueueTurns, TheAnswerForAClientThatHasGoneIsDropped) {
  RawClient client(Port());
  ASSERT_TRUE(client.Connected());
  ASSERT_TRUE(client.PostDocument(kRampDown));
  ASSERT_TRUE(PumpUntil([&] { return Control().PendingRequestCount() == 1; }, 10000));
  // The client gives up before the ramp has ended; its connection's handler ends.
  client.Reset();
  ASSERT_TRUE(PumpUntil([&] { return Control().ConnectionCount() == 0; }, 10000));
  ASSERT_EQ(Control().PendingRequestCount(), 1u);
  ASSERT_GT(Zone(0).GetVolume(), 0) << "the ramp is still running";
  ASSERT_TRUE(PumpUntil([&] { return Control().PendingRequestCount() == 0; }, 20000));
  const std::string log = env.LogText();
  EXPECT_TRUE(std::regex_search(log, std::regex("Handler thread 0x[0-9a-f]+ is gone or refused the reply; the reply is dropped\\.")))
      << log;
  // The queue goes on: the next client is answered.
  RawClient next(Port());
  ASSERT_TRUE(next.Connected());
  ASSERT_TRUE(next.PostDocument(kStateOfZone0));
  const Outcome asked = OutcomeOf(ReadPumping(next));
  EXPECT_EQ(asked.code, 0);
  EXPECT_EQ(asked.Value("CurVolume"), "0");
}

}  // namespace
}  // namespace remote_test
