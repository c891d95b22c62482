// A local engine zone playing into a WAVE-file renderer ("Capture") at a raised clock rate, with its
// media files on drive D: of a sandbox.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "jukebox/player/StreamWindow.h"
#include "jukebox/player/tests/AudioFixtures.h"
#include "jukebox/player/tests/PlayerTestSupport.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/media/DeviceEnum.h"

namespace jukebox::player_testing {

// A song record for a file on D: (no database): its id, code and media path.
inline std::unique_ptr<tSong> SongOnDriveD(LONG id, char code, const std::string& file) {
  auto song = std::make_unique<tSong>();
  song->SetSongID(id);
  song->SetSongName(("Song " + std::to_string(id)).c_str());
  song->SetSongCompression(code);
  song->MediaPath = ("D:\\" + file).c_str();
  return song;
}

class StreamWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QH_CLOCK_RATE", "100", 1);
    setenv("QH_SOUND", "none", 1);
    music = sandbox.AddDrive('D', 0x0D15C0DE, "MUSIC");
    capture = music + "/capture.wav";
    qh::media::ClearWaveFileRenderers();
    qh::media::RegisterWaveFileRenderer("Capture", capture);
    app.zoneDevices = {"Capture"};
    mainWindow = std::make_unique<MessageRecorder>();
    zone = std::make_unique<CStreamWindow>();
    zone->SetDeviceName("Capture");
    ASSERT_TRUE(zone->CreateEx(0, AfxRegisterWndClass(0), "Zone 1 [Capture]", WS_CHILD, 0, 0, 400, 300,
                               mainWindow->GetSafeHwnd(), nullptr));
  }
  void TearDown() override {
    zone.reset();
    mainWindow.reset();
    qh::media::ClearWaveFileRenderers();
  }

  std::unique_ptr<tSong> Song(LONG id, char code, const std::string& file) { return SongOnDriveD(id, code, file); }
  std::string Host(const std::string& file) const { return music + "/" + file; }
  // Waits until the zone no longer plays: its song ended (and, with an empty queue, the zone paused).
  bool PlayedToEnd(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    return PumpUntil([&] { return zone->GetState() != PLAYER_PLAYING; }, limit);
  }
  bool Tone(const std::string& file, const std::string& soxFormat, double seconds = 2.0,
            const std::string& synth = "sine 440 sine 660") {
    return RunTool("sox -n " + soxFormat + " " + Q(Host(file)) + " synth " + std::to_string(seconds) + " " + synth +
               " vol 0.5");
  }

  qh::testing::TestSandbox sandbox;
  std::string music;
  std::string capture;
  FakeJukeboxServices app;
  RecordingEventSink events;
  std::unique_ptr<MessageRecorder> mainWindow;
  std::unique_ptr<CStreamWindow> zone;
};

#define SKIP_WITHOUT_TOOLS(...)                                          \
  do {                                                                   \
    for (const char* tool : {__VA_ARGS__})                               \
      if (!HaveTool(tool)) GTEST_SKIP() << "a tool is missing: " << tool; \
  } while (0)

}  // namespace jukebox::player_testing
