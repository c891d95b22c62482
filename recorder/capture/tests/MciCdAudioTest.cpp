// The MCI CD wrapper on a generated image and on a machine without CD drives, and the CD-extraction
// control's window ripping through CACD with its events arriving on the window's thread.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/cd/CdExtractionControl.h"
#include "platform/cd/TrackExtractor.h"
#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/core/Thread.h"
#include "recorder/capture/ACD.h"
#include "recorder/capture/MciCdAudio.h"
#include "recorder/capture/tests/CaptureTestSupport.h"

namespace {

class MciCdAudioTest : public ::testing::Test {
 protected:
  void TearDown() override {
    mci_.Close(0);
    unsetenv("QH_CDROM");
  }
  qh::testing::TestSandbox sandbox_;
  CMciCdAudio mci_;
};

TEST_F(MciCdAudioTest, AMachineWithoutCdDrivesHasNoneAndOpenFailsWithTheCommand) {
  unsetenv("QH_CDROM");
  mci_.Refresh();
  if (mci_.GetCdDriveCount() != 0) GTEST_SKIP() << "this machine has a CD drive";
  EXPECT_EQ(mci_.GetCdDriveLetters(), "");
  EXPECT_EQ(mci_.GetCdDeviceCount(), 0u);
  EXPECT_EQ(mci_.Open('D'), 0);
  EXPECT_EQ(mci_.GetErrorText(),
            "The specified device is not open or is not recognized by MCI. CMD: open D: type cdaudio alias cdplay shareable");
}

TEST_F(MciCdAudioTest, CommandsOnTheImageAndTheirFailures) {
  sandbox_.AddDrive('E', 0xCDCD0003, "AUDIO_CD", DRIVE_CDROM);
  sandbox_.AddDrive('G', 0xCDCD0004, "AUDIO_CD2", DRIVE_CDROM);
  auto image = qh::cd::testing::MakeCdImage(sandbox_.Root(), "disc", {{true, 2.0, 440}, {true, 3.0, 660}});
  setenv("QH_CDROM", image.cuePath.c_str(), 1);
  mci_.Refresh();
  EXPECT_EQ(mci_.GetCdDriveLetters(), "EG");
  EXPECT_EQ(mci_.GetCdDriveCount(), 2);
  EXPECT_EQ(mci_.GetCdDeviceCount(), 2u);
  ASSERT_EQ(mci_.Open('E'), 1);
  EXPECT_NE(mci_.GetDeviceID(), 0u);
  EXPECT_EQ(mci_.SetTimeFormat(0, "tmsf"), 1);
  CString reply;
  EXPECT_EQ(mci_.GetStatus("mode", reply, 0), 1);
  EXPECT_EQ(reply, "stopped");
  EXPECT_EQ(mci_.GetStatus("length track 2", reply, 0), 1);
  EXPECT_EQ(reply, "00:02:74");
  EXPECT_EQ(mci_.Seek("2", 0), 1);
  EXPECT_EQ(mci_.GetPosition(reply, 0), 1);
  EXPECT_EQ(reply, "02:00:00:00");
  EXPECT_EQ(mci_.GetIdentity(reply), 1);
  EXPECT_EQ(reply.GetLength(), 8);
  EXPECT_EQ(mci_.SetDoor(FALSE), 1);
  EXPECT_EQ(mci_.GetStatus("mode", reply, 0), 1);
  EXPECT_EQ(reply, "open");
  EXPECT_EQ(mci_.SetDoor(TRUE), 1);

  // Nothing is open under "waverec": the close fails and keeps the MCI message and the command.
  EXPECT_EQ(mci_.Close(1), 0);
  EXPECT_EQ(mci_.GetErrorText(), "The specified device is not open or is not recognized by MCI. CMD: close waverec");
  EXPECT_EQ(mci_.GetErrorCode(), MCIERR_INVALID_DEVICE_NAME);
  // A selector other than 0 or 1 sends an empty command.
  EXPECT_EQ(mci_.Play(2), 0);
  EXPECT_EQ(mci_.GetErrorText(), "No command was specified. CMD: ");
  // A code without a text keeps its number.
  mci_.LogMciError(4711, "status cdplay mode");
  EXPECT_EQ(mci_.GetErrorText(), "4711 CMD: status cdplay mode");
  EXPECT_EQ(mci_.Close(0), 1);
  EXPECT_EQ(mci_.GetDeviceID(), 0u);
}

TEST_F(MciCdAudioTest, TheControlWindowRipsAndItsEventsArriveOnTheWindowsThread) {
  sandbox_.AddDrive('E', 0xCDCD0005, "AUDIO_CD", DRIVE_CDROM);
  auto image = qh::cd::testing::MakeCdImage(sandbox_.Root(), "disc", {{false, 1.0, 0}, {true, 4.0, 440}});
  setenv("QH_CDROM", image.cuePath.c_str(), 1);
  capture_test::MessageWindow parent;
  CWnd parentWnd;
  parentWnd.Attach(parent.hwnd());
  CACD acd;
  RECT rect{0, 0, 10, 10};
  ASSERT_TRUE(acd.Create("", WS_CHILD, rect, &parentWnd, 1253));
  std::vector<std::pair<DISPID, LONG>> events;
  DWORD mainThread = GetCurrentThreadId();
  acd.SetEventSink([&](DISPID event, LONG value) {
    EXPECT_EQ(GetCurrentThreadId(), mainThread);
    events.emplace_back(event, value);
  });
  EXPECT_EQ(acd.DispMethod4(0), 0);
  EXPECT_EQ(acd.DispMethod34(2), 0);
  EXPECT_EQ(acd.DispMethod16(2), image.trackFrames[1]);
  EXPECT_EQ(acd.DispMethod17(2), image.trackLengths[1]);
  EXPECT_EQ(acd.ExtractTrack(1, "C:\\data.wav"), qh::cd::CdExtractionControl::kErrorNoSuchTrack);
  ASSERT_EQ(acd.ExtractTrack(2, "C:\\QHR1.tmp"), 0);
  ASSERT_TRUE(capture_test::PumpUntil([&] { return !events.empty() && events.back().first == 2; }));
  EXPECT_EQ(events.front().first, 4);
  EXPECT_EQ(events[events.size() - 2].first, 5);
  EXPECT_EQ(events[events.size() - 3], std::make_pair(DISPID{3}, LONG{1000}));
  std::string wav = qh::testing::ReadHostFile(sandbox_.HostPath("C/QHR1.tmp"));
  EXPECT_TRUE(wav.substr(44) == qh::cd::testing::TrackBytes(image, 2));
  EXPECT_EQ(acd.DispMethod14(), 0);
  acd.DestroyWindow();
  parentWnd.Detach();
}

TEST_F(MciCdAudioTest, AControlPlacedByItsClassIdTextIsTheSameControl) {
  RegisterCdExtractionControlClass();
  HWND window = CreateWindowEx(0, CD_EXTRACTION_CONTROL_CLASS, "", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  CACD acd;
  ASSERT_TRUE(acd.SubclassWindow(window));
  unsetenv("QH_CDROM");
  EXPECT_EQ(acd.ExtractTrack(1, "C:\\x.wav"), qh::cd::CdExtractionControl::kErrorDriveInUse);  // no drive chosen
  acd.DestroyWindow();
}

}  // namespace
