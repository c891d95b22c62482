// The options sheet driven as staff use it: pages switched by their tabs, values typed and ticked, the
// Edit Stream dialog, storage volumes added; the settings written and the refusals with their messages.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <functional>
#include <map>

#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "jukebox/app/LibraryEdits.h"
#include "jukebox/app/dialogs/DlgOptMain.h"
#include "jukebox/app/dialogs/EditStreamDlg.h"
#include "jukebox/app/dialogs/JukeboxProfile.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"
#include "platform/core/FileApi.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/media/DShow.h"
#include "platform/media/DeviceEnum.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"

namespace media_dialogs_test {
namespace {

constexpr int kGeneral = 0, kStreams = 1, kExternal = 2, kStorage = 3, kLogs = 4;

class OptionsSheetTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    qh::media::RegisterWaveFileRenderer("Bar Speakers", Host("bar.wav"));
    qh::media::RegisterWaveFileRenderer("Patio Speakers", Host("patio.wav"));
    qh::ui::SetDialogAnswerer([this](CWnd& window) {
      Settle();
      if (auto* sheet = dynamic_cast<CDlgOptMain*>(&window)) {
        sheetScript(*sheet);
        Settle();
        if (sheet->ContinueModal()) {
          ADD_FAILURE() << "the sheet script left the sheet open";
          sheet->EndDialog(IDCANCEL);
        }
      } else if (auto* dialog = dynamic_cast<CDialog*>(&window)) {
        ASSERT_EQ(dialog->m_nTemplateId, CEditStreamDlg::IDD);
        ASSERT_TRUE(streamScript) << "the Edit Stream dialog opened without a script";
        auto script = std::exchange(streamScript, nullptr);
        script(*dialog);
        Settle();
        if (dialog->ContinueModal()) dialog->EndDialog(IDCANCEL);
      }
    });
  }
  void TearDown() override {
    qh::media::ClearWaveFileRenderers();
    MediaDialogsTest::TearDown();
  }

  INT_PTR RunSheet() {
    CDlgOptMain sheet;
    return sheet.Run(options);
  }
  static void ClickTab(CDlgOptMain& sheet, int index) {
    CTabCtrl* tabs = sheet.GetTabControl();
    RECT rect{};
    ASSERT_TRUE(tabs->GetItemRect(index, &rect));
    qh::ui::InjectMouseAt(tabs->m_hWnd, WM_LBUTTONDOWN, rect.left + 5, rect.top + 5, MK_LBUTTON);
    qh::ui::InjectMouseAt(tabs->m_hWnd, WM_LBUTTONUP, rect.left + 5, rect.top + 5);
    Settle();
  }
  static CPropertyPage& Page(CDlgOptMain& sheet, int index) { return *sheet.GetPage(index); }
  static void PressOk(CDlgOptMain& sheet) {
    sheet.SendMessage(WM_COMMAND, IDOK);
    Settle();
  }
  static CString Profile(const char* entry) { return JukeboxProfile().GetProfileString("Jukebox", entry, "<unset>"); }

  JukeboxOptions options;
  std::function<void(CDlgOptMain&)> sheetScript;
  std::function<void(CDialog&)> streamScript;
};

// Every page shows its controls in the sheet's picture as soon as its tab is clicked: each visible
// control's place holds more than the page's face colour. With QH_DIALOG_SNAPSHOT_DIR set, the
// pictures go there (scripts/dialog-snapshots.sh refreshes docs/images that way).
TEST_F(OptionsSheetTest, EveryPageShowsItsControlsInTheSheetsPicture) {
  options.cddbServer = "cddb.example.org";
  options.socketNumber = 12130;
  options.webControlEnable = 1;
  options.errorMessageBox = 1;
  int pagesSeen = 0;
  sheetScript = [&](CDlgOptMain& sheet) {
    for (int index = 0; index < sheet.GetPageCount(); ++index) {
      ClickTab(sheet, index);
      ASSERT_EQ(sheet.GetActiveIndex(), index);
      std::optional<qh::gdi::Surface> picture = qh::gdi::SnapshotWindow(sheet.m_hWnd);
      ASSERT_TRUE(picture);
      CPropertyPage& page = Page(sheet, index);
      RECT sheetRect{};
      sheet.GetWindowRect(&sheetRect);
      const qh::gdi::Pixel face = qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
      int controls = 0, blank = 0;
      for (HWND control = ::GetWindow(page.m_hWnd, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(control) || ::GetWindowTextLength(control) == 0) continue;
        RECT rect{};
        ::GetWindowRect(control, &rect);
        ++controls;
        int ink = 0;
        for (int y = rect.top - sheetRect.top; y < rect.bottom - sheetRect.top; ++y)
          for (int x = rect.left - sheetRect.left; x < rect.right - sheetRect.left; ++x)
            ink += picture->contains(x, y) && picture->at(x, y) != face;
        blank += ink == 0;
      }
      EXPECT_GT(controls, 0) << "page " << index;
      EXPECT_EQ(blank, 0) << "page " << index << ": " << blank << " of " << controls << " controls not drawn";
      ++pagesSeen;
      if (const char* folder = std::getenv("QH_DIALOG_SNAPSHOT_DIR")) {
        CString caption = page.GetCaption();
        std::string name = "options-" + std::to_string(index + 1) + "-" + std::string(caption.GetString()) + ".png";
        std::replace_if(name.begin(), name.end(), [](char c) { return c == ' ' || c == '&' || c == '/'; }, '-');
        std::string error;
        EXPECT_TRUE(qh::gdi::WritePng(*picture, std::string(folder) + "/" + name, &error)) << error;
      }
    }
    sheet.EndDialog(IDCANCEL);
  };
  RunSheet();
  EXPECT_EQ(pagesSeen, 6);
}

TEST_F(OptionsSheetTest, OkCopiesThePagesValuesBackAndCancelLeavesThemAlone) {
  options.cddbServer = "cddb.example.org";
  options.socketNumber = 12130;
  options.webControlEnable = 1;
  options.errorMessageBox = 1;
  options.compressOnExit = 0;
  sheetScript = [](CDlgOptMain& sheet) {
    EXPECT_EQ(sheet.GetPageCount(), 6);
    EXPECT_EQ(TextOf(Page(sheet, kGeneral), DlgOptGeneral::kCddbServer), "cddb.example.org");
    Type(Page(sheet, kGeneral), DlgOptGeneral::kCddbServer, "freedb.venue.lan");
    Click(Page(sheet, kGeneral), DlgOptGeneral::kCompressOnExit);
    ClickTab(sheet, kExternal);
    ASSERT_EQ(sheet.GetActiveIndex(), kExternal);
    Type(Page(sheet, kExternal), DlgOptWeb::kSocketNumber, "8080");
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_EQ(options.cddbServer.str(), "freedb.venue.lan");
  EXPECT_EQ(options.compressOnExit, 1);
  EXPECT_EQ(options.socketNumber, 8080);

  sheetScript = [](CDlgOptMain& sheet) {
    Type(Page(sheet, kGeneral), DlgOptGeneral::kCddbServer, "elsewhere");
    sheet.SendMessage(WM_COMMAND, IDCANCEL);
  };
  ASSERT_EQ(RunSheet(), IDCANCEL);
  EXPECT_EQ(options.cddbServer.str(), "freedb.venue.lan");
}

TEST_F(OptionsSheetTest, AnEmptyCddbServerKeepsTheUserOnTheGeneralPage) {
  options.cddbServer = "cddb.example.org";
  sheetScript = [](CDlgOptMain& sheet) {
    Type(Page(sheet, kGeneral), DlgOptGeneral::kCddbServer, "");
    ClickTab(sheet, kLogs);
    EXPECT_EQ(sheet.GetActiveIndex(), kGeneral);
    PressOk(sheet);
    EXPECT_TRUE(sheet.ContinueModal());
    sheet.SendMessage(WM_COMMAND, IDCANCEL);
  };
  ASSERT_EQ(RunSheet(), IDCANCEL);
  // The default the recorder shares (recorder/capture/CddbProtocol.h).
  const std::string expected = "You must provide the address of the FreeDB server (defaults to gnudb.gnudb.org)";
  EXPECT_EQ(boxTexts, (std::vector<std::string>{expected, expected}));
}

struct PortCase {
  const char* typed;
  bool accepted;
};

class PortNumberTest : public OptionsSheetTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortNumberTest, OnlyPortsFrom1To32767AreTaken) {
  options.webControlEnable = 1;
  options.socketNumber = 12130;
  options.cddbServer = "cddb.example.org";
  sheetScript = [](CDlgOptMain& sheet) {
    ClickTab(sheet, kExternal);
    Type(Page(sheet, kExternal), DlgOptWeb::kSocketNumber, GetParam().typed);
    PressOk(sheet);
    if (sheet.ContinueModal()) sheet.SendMessage(WM_COMMAND, IDCANCEL);
  };
  const INT_PTR result = RunSheet();
  if (GetParam().accepted) {
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(options.socketNumber, std::atoi(GetParam().typed));
    EXPECT_TRUE(boxTexts.empty());
  } else {
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(options.socketNumber, 12130);
    ASSERT_EQ(boxTexts.size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Ports, PortNumberTest,
                         ::testing::Values(PortCase{"0", false}, PortCase{"32768", false}, PortCase{"1", true},
                                           PortCase{"32767", true}));

TEST_F(OptionsSheetTest, ThePortFollowsTheExternalControlCheck) {
  options.webControlEnable = 0;
  options.cddbServer = "cddb.example.org";
  sheetScript = [](CDlgOptMain& sheet) {
    ClickTab(sheet, kExternal);
    EXPECT_FALSE(IsEnabled(Page(sheet, kExternal), DlgOptWeb::kSocketNumber));
    Click(Page(sheet, kExternal), DlgOptWeb::kWebEnable);
    EXPECT_TRUE(IsEnabled(Page(sheet, kExternal), DlgOptWeb::kSocketNumber));
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_EQ(options.webControlEnable, 1);
}

TEST_F(OptionsSheetTest, TheLogPageRefusesAShortPathAndNoWayToReportErrors) {
  options.cddbServer = "cddb.example.org";
  options.errorLog = 1;
  options.errorMessageBox = 1;
  options.errorLogPath = "C:";
  sheetScript = [](CDlgOptMain& sheet) {
    ClickTab(sheet, kLogs);
    CPropertyPage& logs = Page(sheet, kLogs);
    PressOk(sheet);  // two characters: refused
    EXPECT_TRUE(sheet.ContinueModal());
    Type(logs, DlgOptLog::kErrorLogPath, "C:\\");
    Click(logs, DlgOptLog::kErrorLog);
    EXPECT_FALSE(IsEnabled(logs, DlgOptLog::kErrorLogPath));
    EXPECT_FALSE(IsEnabled(logs, DlgOptLog::kBrowse));
    Click(logs, DlgOptLog::kErrorMessageBox);
    PressOk(sheet);  // neither way of reporting: refused
    EXPECT_TRUE(sheet.ContinueModal());
    Click(logs, DlgOptLog::kErrorLog);
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_EQ(options.errorLog, 1);
  EXPECT_EQ(options.errorMessageBox, 0);
  EXPECT_EQ(options.errorLogPath.str(), "C:\\");
  ASSERT_EQ(boxTexts.size(), 2u);
  EXPECT_EQ(boxTexts[0], "You must provide a path for the error log");
  EXPECT_EQ(boxTexts[1].rfind("You have disabled both the Message Box and Error Log options.", 0), 0u);
}

TEST_F(OptionsSheetTest, BrowseFillsTheSlideshowFolderAndACancelKeepsIt) {
  options.cddbServer = "cddb.example.org";
  options.randomPicPath = "C:\\Pictures";
  std::vector<std::string> titles;
  std::filesystem::create_directories(Host("C/Slides"));
  std::vector<std::string> answers = {"", "C:\\Slides"};
  qh::ui::SetFolderAnswerer([&](const qh::ui::FolderRequest& request) {
    titles.push_back(request.title);
    if (answers.empty()) return std::string();
    std::string answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  sheetScript = [](CDlgOptMain& sheet) {
    Click(Page(sheet, kGeneral), DlgOptGeneral::kBrowse);
    EXPECT_EQ(TextOf(Page(sheet, kGeneral), DlgOptGeneral::kRandomPicPath), "C:\\Pictures");
    Click(Page(sheet, kGeneral), DlgOptGeneral::kBrowse);
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  qh::ui::SetFolderAnswerer(nullptr);
  EXPECT_EQ(options.randomPicPath.str(), "C:\\Slides");
  EXPECT_EQ(titles, (std::vector<std::string>{"Choose a Slideshow Folder", "Choose a Slideshow Folder"}));
}

// ---- Streams ----

class StreamsPageTest : public OptionsSheetTest {
 protected:
  void SetUp() override {
    OptionsSheetTest::SetUp();
    options.cddbServer = "cddb.example.org";
    JukeboxProfile().WriteProfileString("Jukebox", "Zone1", "Bar Speakers");
    JukeboxProfile().WriteProfileString("Jukebox", "ZoneDesc1", "Bar");
    JukeboxProfile().WriteProfileString("Jukebox", "Zone2", "__XS:10.0.0.20");
    JukeboxProfile().WriteProfileString("Jukebox", "ZoneDesc2", "Patio");
    // Read no further than the first empty stream.
    JukeboxProfile().WriteProfileString("Jukebox", "Zone4", "Patio Speakers");
  }
  static std::vector<std::vector<std::string>> Rows(CDlgOptMain& sheet) {
    return RowsOf(Page(sheet, kStreams), DlgOptZones::kList, 3);
  }
};

TEST_F(StreamsPageTest, ListsTheStreamsUpToTheFirstEmptyOne) {
  sheetScript = [](CDlgOptMain& sheet) {
    ClickTab(sheet, kStreams);
    const auto rows = Rows(sheet);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "Bar Speakers", "Bar"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "__XS:10.0.0.20", "Patio"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"4", "", ""}));
    sheet.SendMessage(WM_COMMAND, IDCANCEL);
  };
  EXPECT_EQ(RunSheet(), IDCANCEL);
  EXPECT_EQ(Profile("Zone4").str(), "Patio Speakers");  // cancel writes nothing
}

TEST_F(StreamsPageTest, ABoxAddressIsCheckedAndStoredBehindItsPrefix) {
  int shown = 0;
  sheetScript = [this, &shown](CDlgOptMain& sheet) {
    ClickTab(sheet, kStreams);
    ClickRow(Page(sheet, kStreams), DlgOptZones::kList, 2);
    streamScript = [&shown](CDialog& dialog) {
      ++shown;
      CString caption;
      dialog.GetWindowText(caption);
      EXPECT_EQ(caption.str(), "Edit Stream 3");
      EXPECT_TRUE(IsEnabled(dialog, CEditStreamDlg::kRenderers));  // a new stream starts on a sound device
      Click(dialog, CEditStreamDlg::kExstreamer);
      EXPECT_FALSE(IsEnabled(dialog, CEditStreamDlg::kRenderers));
      Type(dialog, CEditStreamDlg::kAddress, "10.0.0");  // six characters
      Type(dialog, CEditStreamDlg::kDescription, "Terrace");
      Click(dialog, IDOK);
      EXPECT_TRUE(dialog.ContinueModal());
      Type(dialog, CEditStreamDlg::kAddress, "10.0.0.7");
      Type(dialog, CEditStreamDlg::kDescription, "Terrace | Bar");
      Click(dialog, IDOK);
      EXPECT_TRUE(dialog.ContinueModal());
      Type(dialog, CEditStreamDlg::kDescription, "Terrace 2");
      Click(dialog, IDOK);
    };
    Click(Page(sheet, kStreams), DlgOptZones::kEdit);
    EXPECT_EQ(Rows(sheet)[2], (std::vector<std::string>{"3", "__XS:10.0.0.7", "Terrace 2"}));
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_EQ(shown, 1);
  ASSERT_EQ(boxTexts.size(), 2u);
  EXPECT_EQ(boxTexts[0].rfind("An invalid IP address was entered.", 0), 0u);
  EXPECT_EQ(boxTexts[1], "The following characters are not allowed: < > & ' \" * | ?");
  EXPECT_EQ(Profile("Zone3").str(), "__XS:10.0.0.7");
  EXPECT_EQ(Profile("ZoneDesc3").str(), "Terrace 2");
  EXPECT_EQ(Profile("Zone1").str(), "Bar Speakers");
  EXPECT_EQ(Profile("Zone4").str(), "");  // the list as shown: nothing was read past stream 2
}

TEST_F(StreamsPageTest, ASoundDeviceIsChosenFromTheRenderersAndAnEmptyDescriptionRefused) {
  sheetScript = [this](CDlgOptMain& sheet) {
    ClickTab(sheet, kStreams);
    ClickRow(Page(sheet, kStreams), DlgOptZones::kList, 1);
    streamScript = [](CDialog& dialog) {
      EXPECT_EQ(TextOf(dialog, CEditStreamDlg::kAddress), "10.0.0.20");
      EXPECT_FALSE(IsEnabled(dialog, CEditStreamDlg::kRenderers));
      const auto names = ComboEntriesOf(dialog, CEditStreamDlg::kRenderers);
      EXPECT_NE(std::find(names.begin(), names.end(), "Patio Speakers"), names.end());
      Click(dialog, CEditStreamDlg::kDirectX);
      const int patio = static_cast<int>(std::find(names.begin(), names.end(), "Patio Speakers") - names.begin());
      Choose(dialog, CEditStreamDlg::kRenderers, patio);
      Type(dialog, CEditStreamDlg::kDescription, "");
      Click(dialog, IDOK);
      EXPECT_TRUE(dialog.ContinueModal());
      Type(dialog, CEditStreamDlg::kDescription, "Patio");
      Click(dialog, IDOK);
    };
    Click(Page(sheet, kStreams), DlgOptZones::kEdit);
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"You must enter a description for each stream."}));
  EXPECT_EQ(Profile("Zone2").str(), "Patio Speakers");
}

TEST_F(StreamsPageTest, AGapBetweenStreamsIsRefusedAndTheOldListKept) {
  sheetScript = [this](CDlgOptMain& sheet) {
    ClickTab(sheet, kStreams);
    ClickRow(Page(sheet, kStreams), DlgOptZones::kList, 3);
    streamScript = [](CDialog& dialog) {
      Type(dialog, CEditStreamDlg::kDescription, "Lounge");
      Click(dialog, IDOK);  // the first renderer
    };
    Click(Page(sheet, kStreams), DlgOptZones::kEdit);
    PressOk(sheet);
    EXPECT_TRUE(sheet.ContinueModal());
    ClickRow(Page(sheet, kStreams), DlgOptZones::kList, 3);
    Click(Page(sheet, kStreams), DlgOptZones::kClear);
    EXPECT_EQ(Rows(sheet)[3], (std::vector<std::string>{"4", "", ""}));
    sheet.SendMessage(WM_COMMAND, IDCANCEL);
  };
  ASSERT_EQ(RunSheet(), IDCANCEL);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Stream Entries MUST be contiguous (with no blank entries in the middle)."}));
  EXPECT_EQ(Profile("Zone2").str(), "__XS:10.0.0.20");
  EXPECT_EQ(Profile("Zone4").str(), "Patio Speakers");
  EXPECT_EQ(Profile("ZoneDesc4").str(), "<unset>");
}

TEST(StreamNameTest, RefusesTheCharactersThatBreakDocumentsAndPaths) {
  for (const char* refused : {"a<b", "a>b", "R&B", "Joe's", "say \"hi\"", "a*", "a|b", "why?"})
    EXPECT_TRUE(ValidateStreamName(refused)) << refused;
  for (const char* taken : {"Bar 2", "Patio", "Room 101"}) EXPECT_FALSE(ValidateStreamName(taken)) << taken;
}

// ---- Storage ----

class StoragePageTest : public OptionsSheetTest {
 protected:
  static constexpr DWORD kMusicSerial = 0x1234ABCD;
  void SetUp() override {
    OptionsSheetTest::SetUp();
    options.cddbServer = "cddb.example.org";
    sandbox_->AddDrive('D', kMusicSerial, "MUSIC");
    sandbox_->AddDrive('R', 0x0000BEEF, "CDROM", DRIVE_CDROM);
    ASSERT_EQ(storage_->ScanDrives() >= 2, true);
  }
  std::vector<std::vector<std::string>> ShowStorage(std::function<void(CPropertyPage&)> act = nullptr) {
    std::vector<std::vector<std::string>> rows;
    sheetScript = [&](CDlgOptMain& sheet) {
      ClickTab(sheet, kStorage);
      if (act) act(Page(sheet, kStorage));
      rows = RowsOf(Page(sheet, kStorage), DlgOptStorage::kList, 8);
      sheet.SendMessage(WM_COMMAND, IDCANCEL);
    };
    EXPECT_EQ(RunSheet(), IDCANCEL);
    return rows;
  }
  // Chooses the music drive's row and presses Add.
  static void AddMusicDrive(CPropertyPage& page) {
    const auto before = RowsOf(page, DlgOptStorage::kList, 8);
    for (size_t row = 0; row < before.size(); ++row)
      if (before[row][0] == "1234ABCD") ClickRow(page, DlgOptStorage::kList, static_cast<int>(row));
    Click(page, DlgOptStorage::kAdd);
  }
  static const std::vector<std::string>* RowOf(const std::vector<std::vector<std::string>>& rows, const char* volser) {
    for (const auto& row : rows)
      if (row[0] == volser) return &row;
    return nullptr;
  }
};

TEST_F(StoragePageTest, ListsAvailableInUseAndMissingVolumes) {
  ASSERT_EQ(database_.SaveVolume(0x0BADF00D, "E", "OLD", "QHVolume", 0, 104857600), 0);
  storage_->AddVolume(0x0BADF00D, "E", "OLD", "QHVolume", 0, 104857600);
  const auto rows = ShowStorage();
  const auto* music = RowOf(rows, "1234ABCD");
  ASSERT_NE(music, nullptr);
  EXPECT_EQ((*music)[1], "D");
  EXPECT_EQ((*music)[2], "AVAIL");
  EXPECT_EQ((*music)[6], "");
  EXPECT_EQ((*music)[7], "MUSIC");
  const auto* missing = RowOf(rows, "0BADF00D");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ((*missing)[1], "E");
  EXPECT_EQ((*missing)[2], "MISSING");
  EXPECT_EQ((*missing)[4], "100");
  EXPECT_EQ((*missing)[5], "N/A");
  EXPECT_EQ((*missing)[6], "E:\\QHVolume");
  EXPECT_EQ(RowOf(rows, "0000BEEF"), nullptr);  // a CD drive is no storage
  int inUse = 0;
  for (const auto& row : rows) inUse += row[2] == "INUSE" && row[6] == "C:\\Quaverhouse";
  EXPECT_EQ(inUse, 1);
}

TEST_F(StoragePageTest, AddRegistersAnAvailableDriveWithItsFolders) {
  const auto rows = ShowStorage(AddMusicDrive);
  const auto* music = RowOf(rows, "1234ABCD");
  ASSERT_NE(music, nullptr);
  EXPECT_EQ((*music)[2], "INUSE");
  EXPECT_EQ((*music)[6], "D:\\QHVolume");
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Added volume 1234ABCD (D:\\QHVolume) to the available storage device list"}));
  for (const char* folder : {"D/QHVolume/Songs", "D/QHVolume/Covers", "D/QHVolume/Temp"})
    EXPECT_TRUE(std::filesystem::is_directory(Host(folder))) << folder;
  CString letter, label, path;
  LONG high = 0, low = 0;
  ASSERT_EQ(database_.GetVolume(kMusicSerial, letter, label, path, high, low), 1);
  // The library keeps the folder below the drive's root; the root is the letter with it.
  EXPECT_EQ(letter.str(), "D");
  EXPECT_EQ(path.str(), "QHVolume");
  EXPECT_EQ(storage_->GetRootPath(kMusicSerial).str(), "D:\\QHVolume");
}

TEST_F(StoragePageTest, AVolumeAddedOnThePageHoldsSongsThatPlayAfterARestart) {
  ShowStorage(AddMusicDrive);
  ASSERT_EQ(boxTexts.size(), 1u);
  // The restart: the library opened again and its volumes read as start-up reads them.
  storage_.reset();
  database_.Close();
  tQHDb database;
  ASSERT_EQ(database.Open("C:\\Quaverhouse\\Quaverhouse.qhd", FALSE, FALSE), 1);
  tStorage storage(database.GetDatabase());
  ASSERT_EQ(storage.Init(database.GetExpectedVersion(), "C:\\Quaverhouse"), 0);
  LoadStorageVolumes(database, storage);
  ASSERT_EQ(storage.GetRootPath(kMusicSerial).str(), "D:\\QHVolume");
  // A song stored on the volume is found where it was written and its sound opens for playing.
  const std::string wav = Host("C/tone.wav");
  ASSERT_EQ(std::system(("sox -q -n -r 44100 -c 2 '" + wav + "' synth 1 sine 440 && lame --quiet -b 128 '" + wav +
                         "' '" + Host("C/tone.mp3") + "'").c_str()), 0);
  tSong song;
  song.Attach(&database, &storage);
  ASSERT_EQ(song.ScanMp3File("C:\\tone.mp3", TRUE), 0);
  song.SetSongCompression('R');
  song.SetSongVolser(kMusicSerial);
  ASSERT_GT(song.Add(), 0);
  const CString stored = song.GetMediaFileName();
  EXPECT_EQ(stored.Left(18).str(), "D:\\QHVolume\\Songs\\");
  ASSERT_TRUE(CopyFile("C:\\tone.mp3", stored.GetString(), TRUE)) << stored.str();
  EXPECT_TRUE(std::filesystem::is_regular_file(Host("D/QHVolume/Songs/" + stored.Mid(18).str())));
  void* object = nullptr;
  ASSERT_EQ(CoCreateMediaObject(CLSID_FilterGraph, IID_IGraphBuilder, &object), S_OK);
  auto* graph = static_cast<IGraphBuilder*>(object);
  IBaseFilter* source = nullptr;
  EXPECT_EQ(graph->AddSourceFilter(stored.GetString(), stored.GetString(), &source), S_OK);
  if (source != nullptr) source->Release();
  graph->Release();
  database.Close();
}

TEST_F(StoragePageTest, ADriveWithTheFolderAlreadyThereIsNotRegistered) {
  std::filesystem::create_directories(Host("D/QHVolume"));
  ShowStorage(AddMusicDrive);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Error when adding storage device."}));
  CString letter, label, path;
  LONG high = 0, low = 0;
  EXPECT_EQ(database_.GetVolume(kMusicSerial, letter, label, path, high, low), 0);
  EXPECT_TRUE(storage_->GetRootPath(kMusicSerial).IsEmpty());
}

TEST_F(StoragePageTest, AFailedDatabaseSaveLeavesTheVolumeUnregisteredEverywhere) {
  // The volume list cannot be written any more.
  database_.GetDatabase()->Execute("DROP TABLE VolserList");
  ShowStorage(AddMusicDrive);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Error when adding storage device."}));
  EXPECT_TRUE(storage_->GetRootPath(kMusicSerial).IsEmpty());
}

TEST_F(StoragePageTest, AnInUseRowCannotBeAdded) {
  ShowStorage([](CPropertyPage& page) {
    const auto before = RowsOf(page, DlgOptStorage::kList, 8);
    for (size_t row = 0; row < before.size(); ++row)
      if (before[row][2] == "INUSE") ClickRow(page, DlgOptStorage::kList, static_cast<int>(row));
    Click(page, DlgOptStorage::kAdd);
  });
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Please choose a device in AVAILABLE status."}));
}

}  // namespace
}  // namespace media_dialogs_test
