// The zone windows over the real engines: the local engine playing a WAVE file into a file renderer at
// a raised clock rate, the box engine with no box answering, and the box engine on the simulated box.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dblib/Song.h"
#include "jukebox/player/tests/AudioFixtures.h"
#include "jukebox/player/tests/BoxTestSupport.h"
#include "jukebox/zones/ZoneWnd.h"
#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/media/DeviceEnum.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageBox.h"

namespace jukebox::zone_testing {
namespace {

class RealEngineZone : public ZoneFixtureBase {
 protected:
  void SetUp() override {
    setenv("QH_CLOCK_RATE", "10", 1);
    setenv("QH_SOUND", "none", 1);
    music = sandbox.AddDrive('D', 0x0D15C0DE, "MUSIC");
    qh::media::ClearWaveFileRenderers();
    qh::media::RegisterWaveFileRenderer("Capture", music + "/capture.wav");
    app.zoneDevices = {"Capture"};
    SetUpDatabase();
    qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& box) {
      boxes.push_back(box.text);
      return IDOK;
    });
  }
  void TearDown() override {
    qh::ui::SetMessageBoxAnswerer(nullptr);
    mainWindow.reset();
    qh::media::ClearWaveFileRenderers();
  }
  std::string music;
  std::vector<std::string> boxes;
};

TEST_F(RealEngineZone, ALocalZonePlaysAFileAndFollowsIt) {
  CZoneWnd zone;
  zone.SetStreamNumber(0);
  zone.SetDeviceName("Capture");
  ASSERT_TRUE(CreateZone(zone, CRect(0, 0, 800, 600)));
  // Without a song the plug-in command says so and opens nothing.
  zone.SendMessage(WM_COMMAND, ID_ZONE_PLUGINS, 0);
  EXPECT_EQ(boxes, std::vector<std::string>{"You must load a song before performing this function."});
  EXPECT_TRUE(zone.GetLook().Button(ID_ZONE_PLUGINS)->IsWindowEnabled());
  // 300 seconds of audio last 30 seconds at the raised clock: the thumb has moved long before the end,
  // even on a loaded machine whose window thread gets its turn late (at a hundred times the song could
  // end, and the thumb go back, before the first display tick was seen).
  ASSERT_TRUE(player_testing::RunTool("sox -n -r 8000 -c 1 -b 16 " + player_testing::Q(music + "/tone.wav") +
                                      " synth 300 sine 440 vol 0.5"));
  tSong song;
  song.SetSongID(7);
  song.SetSongName("Tone");
  song.SetSongArtist("Sox");
  song.SetSongCompression(' ');
  song.MediaPath = "D:\\tone.wav";
  ASSERT_EQ(0, zone.PlaySong(&song));
  EXPECT_EQ(zone.GetState(), PLAYER_PLAYING);
  EXPECT_EQ(zone.GetLook().Button(ID_ZONE_PLAY)->GetState(), 1);
  EXPECT_TRUE(zone.GetLook().Button(ID_ZONE_STOP)->IsWindowEnabled());
  // The display timer moves the position thumb along its track as the song plays.
  const int start = zone.GetLook().PositionThumbRect().left;
  ASSERT_TRUE(PumpUntil([&] { return zone.GetLook().PositionThumbRect().left > start; }, std::chrono::seconds(10)));
  zone.SendMessage(WM_COMMAND, ID_ZONE_STOP, 0);
  EXPECT_EQ(zone.GetState(), PLAYER_STOPPED);
  EXPECT_FALSE(zone.GetLook().Button(ID_ZONE_PLAY)->IsWindowEnabled());
}

TEST_F(RealEngineZone, ABoxZoneHasNoPlugInsStepsByFiveAndItsThumbOnlyFollows) {
  CXSZoneWnd zone;
  zone.SetStreamNumber(1);
  zone.SetDeviceName("__XS:127.0.0.1");
  ASSERT_TRUE(CreateZone(zone, CRect(0, 0, 800, 600)));
  EXPECT_TRUE(zone.IsExstreamer());
  EXPECT_FALSE(zone.GetLook().Button(ID_ZONE_PLUGINS)->IsWindowEnabled());
  zone.SendMessage(WM_COMMAND, ID_ZONE_PLUGINS, 0);
  EXPECT_TRUE(boxes.empty());
  zone.SetVolume(50);
  zone.SendMessage(WM_COMMAND, ID_ZONE_VOLUME_UP, 0);
  EXPECT_EQ(zone.GetVolume(), 55);
  zone.SendMessage(WM_COMMAND, ID_ZONE_VOLUME_DOWN, 0);
  zone.SendMessage(WM_COMMAND, ID_ZONE_VOLUME_DOWN, 0);
  EXPECT_EQ(zone.GetVolume(), 45);
  const CRect thumb = zone.GetLook().PositionThumbRect();
  zone.SendMessage(WM_ZONE_POSITION_THUMB, 40, 1);
  EXPECT_EQ(zone.GetLook().PositionThumbRect(), thumb);
}

TEST_F(RealEngineZone, TheNextButtonOfABoxZoneWithRepeatOnStartsItsSongAgainAsTheBoxEngineDoes) {
  TempFolder songs;
  const std::string first = MakeMp3(songs.Path(), "first", 20.0, 440);
  const std::string second = MakeMp3(songs.Path(), "second", 6.0, 660);
  ASSERT_FALSE(first.empty() || second.empty());
  const std::string address = NextBoxAddress();
  BoxOptions options;
  options.byteRate = 16000.0;  // real time: the first song is still playing when the button is clicked
  BoxSimulator box(address, songs.Path(), options);
  ASSERT_TRUE(box.Running());
  CXSZoneWnd zone;
  zone.SetStreamNumber(0);
  zone.SetDeviceName(("__XS:" + address).c_str());
  zone.BoxEngine().SetPorts(static_cast<WORD>(box.ControlPort()), static_cast<WORD>(box.AudioPort()));
  ASSERT_TRUE(CreateZone(zone, CRect(0, 0, 800, 600)));
  zone.AppendSong(SongForFile(1, first).release());
  zone.AppendSong(SongForFile(2, second).release());
  ASSERT_EQ(zone.PlayIndex(0), 0);
  ASSERT_TRUE(PumpUntil([&] { return box.Stat("received") > 0; }, std::chrono::seconds(10)));
  zone.SendMessage(WM_COMMAND, ID_ZONE_REPEAT, 0);
  ASSERT_TRUE(zone.IsRepeat());
  const size_t before = box.Commands().size();
  // A real click on the Next button.
  const CPoint next = ChildRect(zone.GetLook().Button(ID_ZONE_NEXT)->GetSafeHwnd()).CenterPoint();
  for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP})
    qh::ui::InjectMouseAt(zone.GetSafeHwnd(), message, next.x, next.y);
  auto since = [&] {
    const std::vector<std::string> all = box.Commands();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(before, all.size())), all.end());
  };
  // The box stops the song and starts it again on a new stream, which the zone feeds.
  ASSERT_TRUE(PumpUntil(
      [&] {
        const std::vector<std::string> after = since();
        const auto stop = std::find(after.begin(), after.end(), "c=2");
        return stop != after.end() && std::find(stop, after.end(), "c=66") != after.end();
      },
      std::chrono::seconds(10)));
  const long received = box.Stat("received");
  EXPECT_TRUE(PumpUntil([&] { return box.Stat("received") > received; }, std::chrono::seconds(10)));
  // The engine's own repeat: no play command, which would reach the box ahead of the new stream's start.
  const std::vector<std::string> after = since();
  EXPECT_EQ(std::count(after.begin(), after.end(), "c=1"), 0) << ::testing::PrintToString(after);
  EXPECT_EQ(zone.GetCurrentSongId(), 1);
  EXPECT_EQ(zone.GetCurrentIndex(), 0);
  EXPECT_EQ(zone.GetState(), PLAYER_PLAYING);
  // Each start of the song, and no other song, was announced.
  const std::vector<long> announced = events.Values("song");
  ASSERT_GE(announced.size(), 2u);
  for (long id : announced) EXPECT_EQ(id, 1);
}

TEST_F(RealEngineZone, TheTVLooksOverBothEngines) {
  CTVZoneWnd local;
  local.SetDeviceName("Capture");
  ASSERT_TRUE(CreateZone(local, CRect(0, 0, 800, 600)));
  EXPECT_TRUE(local.GetLook().Button(ID_ZONE_PLUGINS)->IsWindowEnabled());
  local.SetVolume(50);
  local.SendMessage(WM_COMMAND, ID_ZONE_VOLUME_UP, 0);
  EXPECT_EQ(local.GetVolume(), 51);
  local.DestroyWindow();
  CTVXSZoneWnd box;
  box.SetDeviceName("__XS:127.0.0.1");
  ASSERT_TRUE(CreateZone(box, CRect(0, 0, 800, 600)));
  EXPECT_FALSE(box.GetLook().Button(ID_ZONE_PLUGINS)->IsWindowEnabled());
  box.SetVolume(50);
  box.SendMessage(WM_COMMAND, ID_ZONE_VOLUME_DOWN, 0);
  EXPECT_EQ(box.GetVolume(), 49);
}

}  // namespace
}  // namespace jukebox::zone_testing
