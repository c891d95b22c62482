// The technical information report, the tips file and its dialog, About and the storage list of the
// Options dialog.
#include <filesystem>
#include <fstream>

#include "platform/ui/gdi/Snapshot.h"
#include "platform/mm/Acm.h"
#include "platform/mm/WaveIn.h"
#include "recorder/capture/AcmThread.h"
#include "recorder/AboutDlg.h"
#include "recorder/OptionsDlg.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/TechInfoDlg.h"
#include "recorder/TipDlg.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class SmallDialogsTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
  }
  void WriteTips(const std::string& text) {
    std::ofstream(sandbox->HostPath("C/tips.txt"), std::ios::binary) << text;
  }
  std::string ShowTip(std::function<void(CDialog&)> more = {}) {
    std::string shown;
    OnDialog(IDD_TIP, [&](CDialog& dialog) {
      shown = TextOf(dialog, 1004);
      if (more) more(dialog);
      Click(dialog, IDOK);
    });
    CTipDlg tip;
    tip.DoModal();
    return shown;
  }
};

TEST_F(SmallDialogsTest, TechnicalReportOfThisMachine) {
  sandbox->AddDrive('E', 0xCD000001, "DISC", DRIVE_CDROM);
  sandbox->AddDrive('A', 0xF1000001, "FLOPPY", DRIVE_REMOVABLE);
  // A wave-in device this machine surely has: the one that plays a file as its input.
  setenv("QH_WAVEIN_FILE", sandbox->HostPath("C/input.wav").c_str(), 1);
  struct Unset {
    ~Unset() { unsetenv("QH_WAVEIN_FILE"); }
  } unset;
  std::string report;
  OnDialog(IDD_TECH_INFO, [&](CDialog& dialog) {
    report = TextOf(dialog, 1060);
    Snapshot(dialog, "recorder-techinfo");
    Click(dialog, IDOK);
  });
  CTechInfoDlg info;
  info.DoModal();
  EXPECT_EQ(0u, report.find("Quaverhouse Version " + app->GetVersionText().str() + "  ["));
  EXPECT_NE(std::string::npos, report.find("Platform:\t\tLinux\r\n"));
  EXPECT_NE(std::string::npos, report.find("Song Database:\tC:\\Quaverhouse\\Quaverhouse.qhd\r\n"));
  EXPECT_NE(std::string::npos, report.find("DAO Version:\t" + Db()->GetEngineVersion().str() + "\r\n"));
  EXPECT_NE(std::string::npos, report.find("  Drive C:\tFIXED DRIVE\tTotal/Free: "));
  EXPECT_EQ(std::string::npos, report.find("Drive A:")) << "A: and B: are left out";
  EXPECT_NE(std::string::npos, report.find("CDROM Drives:\r\n  E:\r\n\r\n"));
  EXPECT_EQ(std::string::npos, report.find("Drive E:")) << "CD drives only in their own section";
  // The codec manager, its codecs and the wave-in devices are the sound layer's own.
  const DWORD acm = acmGetVersion();
  ASSERT_NE(0u, acm);
  char line[96];
  std::snprintf(line, sizeof line, "ACM Version:\t%u.%02u build %u\r\n", static_cast<unsigned>(acm >> 24),
                static_cast<unsigned>((acm >> 16) & 0xFF), static_cast<unsigned>(acm & 0xFFFF));
  EXPECT_NE(std::string::npos, report.find(line)) << report;
  if (CAcmThread::FindAcmCodec(WAVE_FORMAT_ADPCM) != nullptr) {
    EXPECT_NE(std::string::npos, report.find("CODECs installed:\t1\r\n")) << report;
  }
  const size_t inputs = report.find("Audio Input Devices:\r\n");
  ASSERT_NE(std::string::npos, inputs);
  std::string expected = "Audio Input Devices:\r\n";
  const UINT count = waveInGetNumDevs();
  ASSERT_GT(count, 0u) << "the platform offers its wave-in devices";
  for (UINT index = 0; index < count; ++index) {
    WAVEINCAPS caps{};
    ASSERT_EQ(MMSYSERR_NOERROR, waveInGetDevCaps(index, &caps, sizeof caps));
    expected += "  " + std::to_string(index) + ": " + caps.szPname + "\r\n\tSupports " + std::to_string(caps.wChannels) +
                " channels\r\n";
    if (caps.dwFormats & WAVE_FORMAT_4S16) expected += "\tSupports 44.1Khz 16bit sampling\r\n";
  }
  EXPECT_EQ(expected, report.substr(inputs));
}

// Dark pixels (text) inside a control's area of the dialog's picture, and whether its background is white.
struct AreaInk {
  int dark = 0;
  bool whiteGround = false;
};
AreaInk InkOf(CDialog& dialog, const qh::gdi::Surface& picture, int id, int heightLimit = 0) {
  RECT window{}, area{};
  dialog.GetWindowRect(&window);
  dialog.GetDlgItem(id)->GetWindowRect(&area);
  if (heightLimit > 0) area.bottom = area.top + heightLimit;
  AreaInk ink;
  int white = 0, total = 0;
  for (int y = area.top - window.top; y < area.bottom - window.top && y < picture.height(); ++y) {
    for (int x = area.left - window.left; x < area.right - window.left && x < picture.width(); ++x) {
      const qh::gdi::Pixel p = picture.at(x, y);
      const int level = static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF));
      if (level < 3 * 96) ++ink.dark;
      if (p == qh::gdi::kWhitePixel) ++white;
      ++total;
    }
  }
  ink.whiteGround = total > 0 && white * 2 > total;
  return ink;
}

// The first showing draws the heading and the tip on the white panel, as later ones do; so does the
// text that says the tips file is missing.
TEST_F(SmallDialogsTest, TheFirstShowingDrawsTheHeadingAndTheTip) {
  for (bool withFile : {true, false}) {
    if (withFile) WriteTips("A tip long enough to leave ink on the panel\n");
    else std::filesystem::remove(sandbox->HostPath("C/tips.txt"));
    OnDialog(IDD_TIP, [&](CDialog& dialog) {
      auto picture = qh::gdi::SnapshotWindow(dialog.m_hWnd);
      ASSERT_TRUE(picture.has_value());
      const AreaInk heading = InkOf(dialog, *picture, 1000, 24);
      const AreaInk tip = InkOf(dialog, *picture, 1004);
      EXPECT_TRUE(heading.whiteGround) << withFile;
      EXPECT_GT(heading.dark, 0) << "\"Did you know...\" is drawn, file " << withFile;
      EXPECT_TRUE(tip.whiteGround) << withFile;
      EXPECT_GT(tip.dark, 0) << "the tip or the missing-file text is drawn, file " << withFile;
      Click(dialog, IDOK);
    });
    CTipDlg tip;
    tip.DoModal();
  }
}

TEST_F(SmallDialogsTest, TipsWrapContinueAndRestartWhenTheFileChanges) {
  WriteTips("; comment\n\n first skipped\nTip one\n\tskipped\nTip two\n");
  app->WriteProfileInt("Tip", "StartUp", 0);
  EXPECT_EQ("Tip one", ShowTip());
  EXPECT_EQ("Tip two", ShowTip());
  EXPECT_EQ("Tip one", ShowTip([](CDialog& dialog) {
    Click(dialog, 1002);
    EXPECT_EQ("Tip two", TextOf(dialog, 1004));
    Click(dialog, 1001);  // switched off
  }));
  EXPECT_EQ(1, static_cast<int>(app->GetProfileInt("Tip", "StartUp", 0)));
  EXPECT_EQ("Tip one", ShowTip()) << "after Next the following showing wraps to the first tip";
  std::filesystem::last_write_time(sandbox->HostPath("C/tips.txt"),
                                   std::filesystem::last_write_time(sandbox->HostPath("C/tips.txt")) +
                                       std::chrono::hours(1));
  EXPECT_EQ("Tip one", ShowTip()) << "a changed file starts again";
}

TEST_F(SmallDialogsTest, ATipsFileWithoutTipsStopsAfterOnePass) {
  WriteTips("; only comments\n\n   \n");
  EXPECT_EQ("Trouble reading the tips file", ShowTip([](CDialog& dialog) {
    Click(dialog, 1002);
    EXPECT_EQ("Trouble reading the tips file", TextOf(dialog, 1004));
  }));
}

TEST_F(SmallDialogsTest, NoTipsFileWritesNoPosition) {
  app->WriteProfileInt("Tip", "FilePos", 77);
  EXPECT_EQ("Tips file does not exist in the prescribed directory", ShowTip());
  EXPECT_EQ(77, static_cast<int>(app->GetProfileInt("Tip", "FilePos", 0)));
}

TEST_F(SmallDialogsTest, AboutShowsVersionAndNotice) {
  OnDialog(IDD_ABOUT, [](CDialog& dialog) {
    EXPECT_EQ(0u, TextOf(dialog, 1281).find("Version "));
    EXPECT_EQ("Copyright (C) 2026 Tallowmere", TextOf(dialog, 1282));
    EXPECT_FALSE(TextOf(dialog, 1284).empty());
    Click(dialog, IDOK);
  });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    Click(dialog, 1118);
    Click(dialog, IDOK);
  });
  CRecorderDlg main;
  main.DoModal();
}

TEST_F(SmallDialogsTest, StorageListAddsAnAvailableDrive) {
  std::string folder = sandbox->AddDrive('D', 0x0DA7A001, "DATA");
  std::string netFolder = sandbox->AddDrive('N', 0x0E7E0001, "SHARE", DRIVE_REMOTE);
  sandbox->AddDrive('R', 0x5717C001, "STICK", DRIVE_REMOVABLE);
  std::filesystem::create_directories(netFolder + "/QHVolume");
  Storage()->AddVolume(0x6A0E0001, "G", "GONE", "QHVolume", 0, 100);
  auto rowFor = [](CDialog& dialog, const std::string& serial) {
    auto rows = RowsOf(dialog, 1274, 8);
    for (size_t row = 0; row < rows.size(); ++row)
      if (rows[row][0] == serial) return static_cast<int>(row);
    return -1;
  };
  OnDialog(IDD_OPTIONS, [&](CDialog& dialog) {
    auto rows = RowsOf(dialog, 1274, 8);
    EXPECT_EQ(-1, rowFor(dialog, "5717C001")) << "removable drives are not storage";
    int missing = rowFor(dialog, "6A0E0001");
    ASSERT_GE(missing, 0);
    EXPECT_EQ("MISSING", rows[static_cast<size_t>(missing)][2]);
    EXPECT_EQ("", rows[static_cast<size_t>(missing)][5]);
    int primary = rowFor(dialog, "C0DE0001");
    if (primary >= 0) {
      EXPECT_EQ("INUSE", rows[static_cast<size_t>(primary)][2]);
    }
    ClickRow(dialog, 1274, rowFor(dialog, "0E7E0001"));
    Click(dialog, 1189);  // its QHVolume exists already
    ClickRow(dialog, 1274, rowFor(dialog, "0DA7A001"));
    Click(dialog, 1189);
    EXPECT_EQ("INUSE", RowsOf(dialog, 1274, 8)[static_cast<size_t>(rowFor(dialog, "0DA7A001"))][2]);
    Click(dialog, 1189);  // no longer AVAIL
    Snapshot(dialog, "recorder-options");
    Click(dialog, IDCANCEL);
  });
  COptionsDlg options(Db(), Storage(), nullptr);
  options.DoModal();
  ASSERT_EQ(3u, boxTexts.size());
  EXPECT_EQ("Error when adding storage device.", boxTexts[0]);
  EXPECT_EQ("Added volume 0DA7A001 (D:\\QHVolume) to the available storage device list", boxTexts[1]);
  EXPECT_EQ("Please choose a device in AVAILABLE status.", boxTexts[2]);
  for (const char* sub : {"Songs", "Covers", "Temp"}) EXPECT_TRUE(std::filesystem::is_directory(folder + "/QHVolume/" + sub));
  ASSERT_EQ(1, Db()->OpenVolumes());
  LONG serial = 0, high = 0, low = 0;
  CString letter, label, path;
  bool saved = false;
  while (Db()->NextVolume(serial, letter, label, path, high, low) == 1)
    saved = saved || (static_cast<DWORD>(serial) == 0x0DA7A001 && path == "QHVolume" && letter == "D");
  Db()->CloseVolumes();
  EXPECT_TRUE(saved);
}

}  // namespace
}  // namespace qh::recorder::testing
