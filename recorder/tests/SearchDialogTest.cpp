// The song search: each criterion against the rows it must find, sorting by the sort list and by
// column, playlists, viewing, editing and deleting, the report and the export.
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/ui/CommonDialogs.h"
#include "recorder/RecorderIds.h"
#include "recorder/SearchDlg.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class SearchDialogTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
    AddSong({.name = "Danny Boy", .artist = "O'Brien", .album = "Irish", .genre = "Folk", .year = 1985,
             .month = 12, .day = 31, .hour = 23, .comments = "sad", .label = "Green", .attributes = "slow",
             .rotation = "OLD", .cdTrack = 3});
    AddSong({.name = "50% Off [live]", .artist = "Sale*Band", .album = "Deals", .genre = "Rock", .year = 1990,
             .cdTrack = 1});
    AddSong({.name = "Blue Train", .artist = "Coltrane", .album = "Blue Train", .genre = "Jazz", .year = 1957,
             .cdTrack = 1});
    AddSong({.name = "Moment's Notice", .artist = "Coltrane", .album = "Blue Train", .genre = "Jazz", .year = 1957,
             .cdTrack = 2});
    AddSong({.name = "No Genre", .artist = "Nobody", .genre = ""});
  }
  // Runs one search with the user's typing and returns the names listed.
  std::vector<std::string> Search(const std::function<void(CDialog&)>& criteria) {
    std::vector<std::string> names;
    OnDialog(IDD_SEARCH, [&](CDialog& dialog) {
      criteria(dialog);
      Click(dialog, 1042);
      for (const auto& row : RowsOf(dialog, 1041, 1)) names.push_back(row[0]);
      Click(dialog, IDCANCEL);
    });
    CSearchDlg search(Db(), Storage(), databaseFolder);
    search.DoModal();
    return names;
  }
  using Names = std::vector<std::string>;
};

TEST_F(SearchDialogTest, EachCriterionFindsItsRows) {
  struct Case {
    int control;
    const char* text;
    Names names;
  } cases[] = {
      {1030, "o'", {}},
      {1014, "O'Brien", {"Danny Boy"}},
      {1030, "50%", {"50% Off [live]"}},
      {1030, "[live]", {"50% Off [live]"}},
      {1014, "e*B", {"50% Off [live]"}},
      {1030, "?", {}},
      {1032, "train", {"Blue Train", "Moment's Notice"}},
      {1025, "green", {"Danny Boy"}},
      {1184, "slow", {"Danny Boy"}},
      {1015, "sad", {"Danny Boy"}},
      {1033, "1985", {"Danny Boy"}},
      {1033, "1950-1960", {"Blue Train", "Moment's Notice"}},
      {1030, "Moment's", {"Moment's Notice"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.names, Search([&](CDialog& dialog) { Type(dialog, c.control, c.text); })) << c.control << " " << c.text;
  }
  EXPECT_EQ((Names{"Blue Train", "Moment's Notice"}), Search([](CDialog& dialog) { Choose(dialog, 1029, "Jazz"); }));
  EXPECT_EQ((Names{"Danny Boy"}), Search([](CDialog& dialog) { Choose(dialog, 1031, "OLD"); }));
  EXPECT_EQ(4u, Search([](CDialog&) {}).size()) << "every song with a primary genre";
}

TEST_F(SearchDialogTest, BadYearsAreRefused) {
  for (const char* years : {"abc", "-1985"}) {
    EXPECT_TRUE(Search([&](CDialog& dialog) { Type(dialog, 1033, years); }).empty());
    ASSERT_FALSE(boxTexts.empty());
    EXPECT_EQ(0u, boxTexts.back().find("You can search by date")) << years;
  }
}

TEST_F(SearchDialogTest, SortListAndColumnClicks) {
  OnDialog(IDD_SEARCH, [](CDialog& dialog) {
    Choose(dialog, 1263, "Genre, Artist, Album, Track");
    Choose(dialog, 1029, "Jazz");
    Click(dialog, 1042);
    auto rows = RowsOf(dialog, 1041, 6);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("Blue Train", rows[0][0]);
    EXPECT_EQ("CD Track", [&] {
      auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(1041));
      LVCOLUMN column{};
      char text[32] = {};
      column.mask = LVCF_TEXT;
      column.pszText = text;
      column.cchTextMax = sizeof text;
      list->GetColumn(4, &column);
      return std::string(text);
    }());
    // A column click after a genre search runs the same query again: the dialog stays and sorts.
    auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(1041));
    int nameX = 20, idX = 200 + 200 + 200 + 100 + 75 + 20;
    (void)list;
    ClickAt(dialog.GetDlgItem(1041)->m_hWnd, nameX, 5);
    rows = RowsOf(dialog, 1041, 1);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"Blue Train"}, {"Moment's Notice"}}), rows);
    Choose(dialog, 1029, "*ALL*");
    Click(dialog, 1042);
    ClickAt(dialog.GetDlgItem(1041)->m_hWnd, idX, 5);
    rows = RowsOf(dialog, 1041, 6);
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ("Danny Boy", RowsOf(dialog, 1041, 1)[0][0]) << "by song id";
    EXPECT_EQ("4 displayed.", TextOf(dialog, 1232));
    Snapshot(dialog, "recorder-search");
    Click(dialog, IDCANCEL);
  });
  CSearchDlg search(Db(), Storage(), databaseFolder);
  search.DoModal();
  EXPECT_TRUE(boxTexts.empty());
}

TEST_F(SearchDialogTest, APlaylistIgnoresTheOtherCriteria) {
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Bar", 3));
  ASSERT_EQ(1, Db()->AppendPlaylistSong("Bar", 1));
  OnDialog(IDD_SEARCH, [](CDialog& dialog) {
    Type(dialog, 1030, "nothing matches this");
    Choose(dialog, 1193, "Bar");
    Click(dialog, 1042);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"Blue Train", "1"}, {"Danny Boy", "2"}}),
              [&] {
                std::vector<std::vector<std::string>> rows;
                for (auto row : RowsOf(dialog, 1041, 5)) rows.push_back({row[0], row[4]});
                return rows;
              }());
    Click(dialog, IDCANCEL);
  });
  CSearchDlg search(Db(), Storage(), databaseFolder);
  search.DoModal();
}

TEST_F(SearchDialogTest, EditFromTheListAndDelete) {
  OnDialog(IDD_SONG_INFO, [](CDialog& dialog) {
    Type(dialog, 1013, "Danny Boy (live)");
    Click(dialog, IDOK);
  });
  AnswerBoxes({IDNO, IDYES});
  OnDialog(IDD_SEARCH, [](CDialog& dialog) {
    Type(dialog, 1014, "O'Brien");
    Click(dialog, 1042);
    ClickRow(dialog, 1041, 0);
    Click(dialog, 1046);
    Click(dialog, 1153);  // No
    EXPECT_EQ(1u, RowsOf(dialog, 1041, 1).size());
    Click(dialog, 1153);  // Yes
    EXPECT_EQ(0u, RowsOf(dialog, 1041, 1).size());
    Click(dialog, IDCANCEL);
  });
  CSearchDlg search(Db(), Storage(), databaseFolder);
  search.DoModal();
  EXPECT_EQ(nullptr, Load(1));
}

TEST_F(SearchDialogTest, ExportWritesTheMp3SongsIntoTheChosenFolder) {
  if (!HaveTool("ffmpeg") || !HaveTool("lame") || !HaveTool("sox")) GTEST_SKIP() << "ffmpeg, lame or sox missing";
  LONG inWav = AddSong({.name = "AC/DC: Live!", .artist = "AC/DC", .album = "Live", .code = 'M'});
  LONG native = AddSong({.name = "AC/DC: Live!", .artist = "AC/DC", .album = "Live", .code = 'R'});
  LONG other = AddSong({.name = "Native Two", .artist = "AC/DC", .album = "Live", .code = 'R'});
  ASSERT_TRUE(MakeMediaFile(inWav, 'M'));
  ASSERT_TRUE(MakeMediaFile(native, 'R'));
  ASSERT_TRUE(MakeMediaFile(other, 'R'));
  std::filesystem::create_directories(sandbox->HostPath("C/Export"));
  qh::ui::SetFolderAnswerer([](const qh::ui::FolderRequest& request) {
    EXPECT_EQ("Choose an Export Folder", request.title);
    return std::string("C:\\Export");
  });
  OnDialog(IDD_EXPORT, [](CDialog& dialog) {
    EXPECT_EQ("3", TextOf(dialog, 1293));
    std::string running = TextOf(dialog, 1198);
    EXPECT_EQ(0u, running.find("0:00:0")) << running;  // three songs of about a second
    EXPECT_EQ("1 MB", TextOf(dialog, 1294)) << "the byte total rounded up to whole megabytes";
    EXPECT_FALSE(IsEnabled(dialog, 1154));
    Click(dialog, 1092);
    EXPECT_EQ("C:\\Export", TextOf(dialog, 1303));
    Type(dialog, 1304, "0");
    Click(dialog, 1154);
    EXPECT_EQ("Export operation complete. 3 MP3 files were exported.", TextOf(dialog, 1298));
    Click(dialog, IDCANCEL);
  });
  OnDialog(IDD_SEARCH, [](CDialog& dialog) {
    Type(dialog, 1014, "AC/DC");
    Click(dialog, 1042);
    Click(dialog, 1154);
    Click(dialog, IDCANCEL);
  });
  CSearchDlg search(Db(), Storage(), databaseFolder);
  search.DoModal();
  qh::ui::SetFolderAnswerer(nullptr);
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(sandbox->HostPath("C/Export")))
    files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  // The MP3-in-WAV song and the first native one share a name: the copy of the second one is refused.
  EXPECT_EQ((std::vector<std::string>{"AC_DC__Live_.mp3", "Native_Two.mp3"}), files);
  EXPECT_TRUE(RunTool("mpg123 -q -t '" + sandbox->HostPath("C/Export/AC_DC__Live_.mp3") + "'"));
}

TEST_F(SearchDialogTest, AFolderLimitSplitsTheExportIntoNumberedFolders) {
  if (!HaveTool("lame") || !HaveTool("sox")) GTEST_SKIP() << "lame or sox missing";
  for (const char* name : {"One", "Two", "Three"}) {
    LONG id = AddSong({.name = name, .artist = "Splitter", .code = 'R'});
    ASSERT_TRUE(MakeMediaFile(id, 'R', 40.0));  // about 640 KB each at 128 kbit/s
  }
  std::filesystem::create_directories(sandbox->HostPath("C/Export"));
  qh::ui::SetFolderAnswerer([](const qh::ui::FolderRequest&) { return std::string("C:\\Export"); });
  OnDialog(IDD_EXPORT, [](CDialog& dialog) {
    Click(dialog, 1092);
    Type(dialog, 1304, "10000");
    Click(dialog, 1154);  // outside 0 to 9999: refused
    Type(dialog, 1304, "1");
    Click(dialog, 1154);
    Click(dialog, IDCANCEL);
  });
  OnDialog(IDD_SEARCH, [](CDialog& dialog) {
    Type(dialog, 1014, "Splitter");
    Choose(dialog, 1263, "Title, Artist");
    Click(dialog, 1042);
    Click(dialog, 1154);
    Click(dialog, IDCANCEL);
  });
  CSearchDlg search(Db(), Storage(), databaseFolder);
  search.DoModal();
  qh::ui::SetFolderAnswerer(nullptr);
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ("Invalid size for export folder. Please enter an amount in the 0 MB to 9999 MB range.", boxTexts[0]);
  // One (640 KB) fills Export001 past half; Three would pass 1 MB there, so it opens Export002, and Two
  // opens Export003.
  EXPECT_TRUE(std::filesystem::exists(sandbox->HostPath("C/Export/Export001/One.mp3")));
  EXPECT_TRUE(std::filesystem::exists(sandbox->HostPath("C/Export/Export002/Three.mp3")));
  EXPECT_TRUE(std::filesystem::exists(sandbox->HostPath("C/Export/Export003/Two.mp3")));
}

TEST_F(SearchDialogTest, PreviewsRunOnThroughTheList) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox missing";
  LONG first = AddSong({.name = "Preview A", .artist = "Listener"});
  LONG second = AddSong({.name = "Preview B", .artist = "Listener"});
  ASSERT_TRUE(MakeMediaFile(first, ' ', 0.3));
  ASSERT_TRUE(MakeMediaFile(second, ' ', 0.3));
  OnDialog(IDD_SEARCH, [](CDialog& dialog) {
    auto& search = static_cast<CSearchDlg&>(dialog);
    Type(dialog, 1014, "Listener");
    Click(dialog, 1042);
    ASSERT_EQ(2u, RowsOf(dialog, 1041, 1).size());
    Click(dialog, 1012);
    EXPECT_TRUE(search.IsPreviewPlaying());
    auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(1041));
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (list->GetNextItem(-1, LVNI_SELECTED) != 1 && std::chrono::steady_clock::now() < end) {
      Settle();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(1, list->GetNextItem(-1, LVNI_SELECTED)) << "the end of the first song plays the second";
    Click(dialog, 1013);
    EXPECT_FALSE(search.IsPreviewPlaying());
    Click(dialog, IDCANCEL);
  });
  CSearchDlg search(Db(), Storage(), databaseFolder);
  search.DoModal();
  EXPECT_TRUE(boxTexts.empty()) << (boxTexts.empty() ? "" : boxTexts[0]);
}

TEST_F(SearchDialogTest, APreviewWithoutItsFileSaysWhy) {
  OnDialog(IDD_SEARCH, [](CDialog& dialog) {
    Type(dialog, 1014, "O'Brien");
    Click(dialog, 1042);
    Click(dialog, 1012);
    Click(dialog, IDCANCEL);
  });
  CSearchDlg search(Db(), Storage(), databaseFolder);
  search.DoModal();
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ(0u, boxTexts[0].find("DX Err ")) << boxTexts[0];
}

}  // namespace
}  // namespace qh::recorder::testing
