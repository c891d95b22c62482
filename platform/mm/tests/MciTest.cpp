// The MCI CD-audio device on a generated image: command strings, command messages and errors.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/cd/DiscId.h"
#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/mm/Mci.h"

namespace {

class MciTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sandbox_.AddDrive('E', 0xCDCDCDCD, "AUDIO_CD", DRIVE_CDROM);
    image_ = qh::cd::testing::MakeCdImage(sandbox_.Root(), "disc",
                                          {{false, 2.0, 0}, {true, 61.5, 440}, {true, 3.2, 660}});
    setenv("QH_CDROM", image_.cuePath.c_str(), 1);
  }
  void TearDown() override {
    Send("close cdplay");
    unsetenv("QH_CDROM");
  }
  std::string Send(const std::string& command, MCIERROR* error = nullptr) {
    char reply[81];
    MCIERROR result = mciSendString(command.c_str(), reply, sizeof reply, nullptr);
    if (error) *error = result;
    return result == 0 ? std::string(reply) : "error " + std::to_string(result);
  }

  qh::testing::TestSandbox sandbox_;
  qh::cd::testing::CdImage image_;
};

TEST_F(MciTest, CommandStringsAnswerFromTheDisc) {
  struct Step {
    const char* command;
    const char* reply;
  };
  // Track 2 starts 2 s of data plus the 2 s lead-in into the disc; track 3 after 61.5 s of audio.
  const Step steps[] = {
      {"open E: type cdaudio alias cdplay shareable", ""},
      {"status cdplay mode", "stopped"},
      {"status cdplay number of tracks", "3"},
      {"set cdplay time format tmsf", ""},
      {"status cdplay position", "01:00:00:00"},
      {"status cdplay length track 2", "01:01:38"},
      {"status cdplay length track 3", "00:03:14"},  // the last track one frame short
      {"status cdplay type track 1", "other"},
      {"seek cdplay to 3", ""},
      {"status cdplay current track", "3"},
      {"status cdplay position", "03:00:00:00"},
      {"seek cdplay to 02:01:00:05", ""},
      {"status cdplay position", "02:01:00:05"},
      {"set cdplay time format msf", ""},
      {"status cdplay position", "01:04:05"},
      {"set cdplay time format ms", ""},
      {"status cdplay position", "64066"},
      {"set cdplay door open", ""},
      {"status cdplay mode", "open"},
      {"set cdplay door closed", ""},
      {"status cdplay mode", "stopped"},
  };
  for (const Step& step : steps) EXPECT_EQ(Send(step.command), step.reply) << step.command;
  char identity[16];
  std::snprintf(identity, sizeof identity, "%08X",
                qh::cd::CddbDiscId(qh::cd::CdDisc::Open(image_.cuePath, nullptr)->Toc()));
  EXPECT_EQ(Send("info cdplay identity"), identity);
  EXPECT_EQ(Send("info cdplay upc"), "");
}

TEST_F(MciTest, CommandMessagesGivePackedPositionsAndTrackTypes) {
  ASSERT_EQ(Send("open E: type cdaudio alias cdplay shareable wait"), "");
  MCIDEVICEID id = mciGetDeviceID("cdplay");
  ASSERT_NE(id, 0u);
  MCI_SET_PARMS set;
  set.dwTimeFormat = MCI_FORMAT_MSF;
  ASSERT_EQ(mciSendCommand(id, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)), 0u);
  MCI_STATUS_PARMS status;
  status.dwItem = MCI_STATUS_NUMBER_OF_TRACKS;
  ASSERT_EQ(mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)), 0u);
  EXPECT_EQ(status.dwReturn, 3u);
  for (DWORD track = 1; track <= 3; ++track) {
    status.dwItem = MCI_STATUS_POSITION;
    status.dwTrack = track;
    ASSERT_EQ(mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&status)), 0u);
    int32_t frame = image_.trackFrames[track - 1] + 150;
    EXPECT_EQ(status.dwReturn, MCI_MAKE_MSF(frame / 75 / 60, (frame / 75) % 60, frame % 75));
    status.dwItem = MCI_CDA_STATUS_TYPE_TRACK;
    ASSERT_EQ(mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&status)), 0u);
    EXPECT_EQ(status.dwReturn, track == 1 ? MCI_CDA_TRACK_OTHER : MCI_CDA_TRACK_AUDIO);
  }
  status.dwItem = MCI_STATUS_LENGTH;
  status.dwTrack = 9;
  EXPECT_EQ(mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&status)),
            MCIERR_OUTOFRANGE);
  DWORD count = 0;
  MCI_SYSINFO_PARMS info;
  info.lpstrReturn = reinterpret_cast<LPSTR>(&count);
  info.dwRetSize = sizeof count;
  info.wDeviceType = MCI_DEVTYPE_CD_AUDIO;
  ASSERT_EQ(mciSendCommand(0, MCI_SYSINFO, MCI_SYSINFO_QUANTITY, reinterpret_cast<DWORD_PTR>(&info)), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(mciSendCommand(id + 100, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
            MCIERR_INVALID_DEVICE_ID);
}

TEST_F(MciTest, PlayMovesThePositionUntilStopped) {
  ASSERT_EQ(Send("open E: type cdaudio alias cdplay shareable"), "");
  ASSERT_EQ(Send("set cdplay time format ms"), "");
  ASSERT_EQ(Send("seek cdplay to 4000"), "");
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Send("play cdplay"), "");
  EXPECT_EQ(Send("status cdplay mode"), "playing");
  long position = 4000;
  while (position <= 4100 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    position = std::stol(Send("status cdplay position"));
  }
  long elapsed = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  EXPECT_GT(position, 4100);
  EXPECT_LE(position, 4000 + elapsed + 200);  // never ahead of the clock
  ASSERT_EQ(Send("stop cdplay"), "");
  EXPECT_EQ(Send("status cdplay mode"), "stopped");
  long stopped = std::stol(Send("status cdplay position"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(std::stol(Send("status cdplay position")), stopped);
}

// Every play runs on a thread of its own that calls SDL, and SDL keeps data for each such thread until
// it is told the thread is done: a jukebox that plays CDs all evening must not collect it play by play.
TEST_F(MciTest, PlayThreadsLeaveNothingOfSdlsBehind) {
  ASSERT_EQ(Send("open E: type cdaudio alias cdplay shareable"), "");
  ASSERT_EQ(Send("set cdplay time format ms"), "");
  auto playAndStop = [&] {
    ASSERT_EQ(Send("play cdplay from 4000"), "");
    // The position moves once the thread has opened its sound device.
    auto start = std::chrono::steady_clock::now();
    while (std::stol(Send("status cdplay position")) <= 4000 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(std::stol(Send("status cdplay position")), 4000);
    ASSERT_EQ(Send("stop cdplay"), "");  // the play thread has ended when this returns
  };
  playAndStop();  // what SDL sets up once per process
  const int outstanding = SDL_GetNumAllocations();
  for (int play = 0; play < 3; ++play) playAndStop();
  EXPECT_EQ(SDL_GetNumAllocations(), outstanding) << "SDL allocations still held after three plays";
}

TEST_F(MciTest, FailuresGiveMciErrorsWithTexts) {
  MCIERROR error = 0;
  Send("open E: type cdaudio alias cdplay shareable");
  Send("open E: type cdaudio alias cdplay shareable", &error);
  EXPECT_EQ(error, MCIERR_DUPLICATE_ALIAS);
  Send("close waverec", &error);
  EXPECT_EQ(error, MCIERR_INVALID_DEVICE_NAME);
  Send("open C: type cdaudio alias other shareable", &error);  // C: is no CD drive
  EXPECT_EQ(error, MCIERR_INVALID_DEVICE_NAME);
  Send("", &error);
  EXPECT_EQ(error, MCIERR_MISSING_COMMAND_STRING);
  Send("status cdplay length track x", &error);
  EXPECT_EQ(error, MCIERR_BAD_INTEGER);
  char text[129];
  EXPECT_TRUE(mciGetErrorString(MCIERR_INVALID_DEVICE_NAME, text, sizeof text));
  EXPECT_STREQ(text, "The specified device is not open or is not recognized by MCI.");
  EXPECT_FALSE(mciGetErrorString(12345, text, sizeof text));

  setenv("QH_CDROM", "/nowhere/disc.cue", 1);  // the drive is empty now
  EXPECT_EQ(Send("status cdplay mode"), "not ready");
  Send("status cdplay number of tracks", &error);
  EXPECT_EQ(error, MCIERR_DEVICE_NOT_READY);
}

}  // namespace
