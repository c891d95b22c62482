// Event notifications through a real receiver: subscriptions, documents, held notifications, and a
// receiver that goes away.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "dblib/Song.h"
#include "jukebox/app/services/RemoteEvents.h"
#include "jukebox/remote/tests/ControlPortSupport.h"
#include "netlib/DeviceDescription.h"
#include "netlib/tests/PeerProcess.h"

using namespace remote::test;
using jukebox::test::Pump;

namespace {

constexpr LONG kDevice = 5;

class EventReceiver {
 public:
  explicit EventReceiver(const std::string& record, bool closeEach = false) {
    std::vector<std::string> args{"python3", PeerScript("event_receiver.py"), record};
    if (closeEach) args.emplace_back("close");
    process = std::make_unique<PeerProcess>(args);
    port = std::atoi(process->ReadLine().c_str());
  }
  std::unique_ptr<PeerProcess> process;
  int port = 0;
};

class Events : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(port.Start());
    char path[] = "/tmp/qh-remote-events-XXXXXX";
    close(mkstemp(path));
    record = path;
    port.Control().Events().SetDeviceLookup([this](LONG number) { return number == kDevice ? device.get() : nullptr; });
  }
  void TearDown() override { unlink(record.c_str()); }
  void PointDeviceAt(int receiverPort) {
    device = std::make_unique<CDeviceDescription>();
    device->SetProjectInfo(kDevice, "Panel", "Bar panel", "uid-5", "127.0.0.1", receiverPort, "");
  }
  std::vector<std::string> Received() {
    std::ifstream in(record);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  bool WaitForReceived(size_t count, int milliseconds = 10000) {
    Pump(milliseconds, [&] { return Received().size() >= count; });
    return Received().size() >= count;
  }
  CEventSubscriptions& Store() { return *port.Control().Subscriptions(); }

  ControlPortFixture port;
  std::string record;
  std::unique_ptr<CDeviceDescription> device;
};

std::string EventDocument(const char* name, LONG subscription, const std::string& values) {
  return "/events <?xml version=\"1.0\" encoding=\"iso-8859-1\"?><eventList><event><name>" + std::string(name) +
         "</name><deviceID>5</deviceID><subscriptionID>" + std::to_string(subscription) + "</subscriptionID>" + values +
         "</event></eventList>";
}

TEST_F(Events, EachSubscriptionGetsItsOwnNotification) {
  EventReceiver receiver(record);
  PointDeviceAt(receiver.port);
  ASSERT_EQ(Store().AddSubscription(kDevice, "VolumeChanged"), 1);
  ASSERT_EQ(Store().AddSubscription(kDevice, "VolumeChanged"), 2);
  ASSERT_EQ(Store().AddSubscription(kDevice, "PlayerStateChanged"), 3);
  // The players call the services' functions; the remote control is the sink behind them.
  FireVolumeChanged(1, 80);
  ASSERT_TRUE(WaitForReceived(2)) << port.env.LogText();
  FirePlayerStateChanged(2, "HW-PAUSED");
  ASSERT_TRUE(WaitForReceived(3));
  const auto lines = Received();
  EXPECT_EQ(lines[0], EventDocument("VolumeChanged", 1, "<value>1</value><value>80</value>"));
  EXPECT_EQ(lines[1], EventDocument("VolumeChanged", 2, "<value>1</value><value>80</value>"));
  EXPECT_EQ(lines[2], EventDocument("PlayerStateChanged", 3, "<value>2</value><value>HW-PAUSED</value>"));
  for (const std::string& line : lines) EXPECT_EQ(XmlLintErrors(line.substr(line.find(' ') + 1)), "") << line;
  const std::string log = port.env.LogText();
  EXPECT_NE(log.find("SendXMLCommand:: Device: 5 XML: [<?xml"), std::string::npos);
}

TEST_F(Events, SongChangedCarriesSixEscapedValues) {
  EventReceiver receiver(record);
  PointDeviceAt(receiver.port);
  ASSERT_GT(Store().AddSubscription(kDevice, "SongChanged"), 0);
  tSong song;
  song.SongID = 12;
  song.SongName = "Rock & <Roll>";
  song.SongArtist = "The \"Band\"";
  song.SongAlbumName = "Live";
  song.SongLengthMS = 181500;
  FireSongChanged(0, song);
  ASSERT_TRUE(WaitForReceived(1));
  EXPECT_EQ(Received()[0], EventDocument("SongChanged", 1,
                                         "<value>0</value><value>12</value><value>Rock &amp; &lt;Roll&gt;</value>"
                                         "<value>The &quot;Band&quot;</value><value>Live</value><value>181500</value>"));
  FireSongPosChanged(0, 4500);
  Pump(300);
  EXPECT_EQ(Received().size(), 1u);  // nobody subscribed to positions
}

TEST_F(Events, AnEndedConnectionThreadIsReplacedByANewOne) {
  EventReceiver receiver(record);
  PointDeviceAt(receiver.port);
  ASSERT_GT(Store().AddSubscription(kDevice, "SongPosChanged"), 0);
  FireSongPosChanged(0, 1000);
  ASSERT_TRUE(WaitForReceived(1));
  // Every outbound thread ends (as after a lock time-out or a failed wait); the device's entry stays.
  ASSERT_TRUE(port.Control().Events().Connections().CloseAll());
  FireSongPosChanged(0, 2000);
  ASSERT_TRUE(WaitForReceived(2)) << port.env.LogText();
  EXPECT_NE(Received()[1].find("<value>2000</value>"), std::string::npos);
}

TEST_F(Events, AReceiverThatClosesIsReachedAgainOnTheNextEvent) {
  EventReceiver receiver(record, true);
  PointDeviceAt(receiver.port);
  ASSERT_GT(Store().AddSubscription(kDevice, "VolumeChanged"), 0);
  for (int volume = 1; volume <= 3; ++volume) {
    FireVolumeChanged(0, volume);
    ASSERT_TRUE(WaitForReceived(static_cast<size_t>(volume))) << port.env.LogText();
    Pump(200);
  }
  EXPECT_NE(port.env.LogText().find("has closed its connection."), std::string::npos);
}

TEST_F(Events, AVanishedReceiverDoesNotStallTheJukebox) {
  auto receiver = std::make_unique<EventReceiver>(record);
  PointDeviceAt(receiver->port);
  ASSERT_GT(Store().AddSubscription(kDevice, "SongPosChanged"), 0);
  FireSongPosChanged(0, 1);
  ASSERT_TRUE(WaitForReceived(1));
  receiver.reset();  // the device goes away
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 200; ++i) {
    FireSongPosChanged(0, 100 + i);
    Pump(5);
  }
  const PeerResult answer = port.Post("/control", "<action><actionName>Anyone</actionName></action>");
  EXPECT_NE(answer.output.find("200 OK"), std::string::npos) << answer.output;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  // What is held for the device stays bounded however long it stays away.
  EXPECT_LE(port.Control().Events().HeldCount(kDevice), CHeldNotifications::kDefaultCapacity);
  // A device back at a new address gets the next event.
  EventReceiver again(record);
  PointDeviceAt(again.port);
  Pump(500);
  FireSongPosChanged(0, 999);
  ASSERT_TRUE(WaitForReceived(2, 15000)) << port.env.LogText();
  EXPECT_NE(Received().back().find("<value>999</value>"), std::string::npos);
}

TEST_F(Events, ARefusedConnectionDiscardsWhatWasHeld) {
  EventReceiver receiver(record);
  const int closedPort = receiver.port;
  receiver.process.reset();  // nothing listens there now
  PointDeviceAt(closedPort);
  ASSERT_GT(Store().AddSubscription(kDevice, "VolumeChanged"), 0);
  FireVolumeChanged(0, 10);
  EXPECT_EQ(port.Control().Events().HeldCount(kDevice), 1);
  Pump(5000, [&] { return port.env.LogText().find("had 1 pending commands which were marked complete.") != std::string::npos; });
  EXPECT_NE(port.env.LogText().find("had 1 pending commands which were marked complete."), std::string::npos)
      << port.env.LogText();
  EXPECT_EQ(port.Control().Events().HeldCount(kDevice), 0);
}

TEST_F(Events, DevicesOutsideTheProjectGetNothing) {
  ASSERT_GT(Store().AddSubscription(99, "VolumeChanged"), 0);
  EXPECT_EQ(port.Control().Events().FireEvent(EVENT_VOLUME_CHANGED, {"0", "1"}), 1);
  EXPECT_EQ(port.Control().Events().SendEventToSubscribers(99, "<event/>"), -1);
  EXPECT_EQ(port.Control().Events().SendEventToSubscribers(kDevice, ""), -3);
  EXPECT_EQ(port.Control().Events().Connections().GetCount(), 0);
}

}  // namespace
