// The cue-point editor: offsets and names as texts, cue points added at the playing position, named
// safely, edited, saved and reloaded, moved up and down, deleted, refused when out of the song, the
// unsaved-offset question, a cue point deleted behind the editor's back, and the door from the song
// information dialog.
#include <cstdlib>

#include "recorder/CueOffset.h"
#include "recorder/CuePointsDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongInfoDlg.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

constexpr int kList = 1073, kName = 1077, kNew = 1050, kEdit = 1046, kDelete = 1052, kUp = 1105, kDown = 1104,
              kSave = 1076, kMinutes = 1106, kSeconds = 1088, kMillis = 1089, kSetCurrent = 1087, kPlay = 1012,
              kStop = 1005, kToEnd = 1065, kMode = 1149, kPosition = 1083, kHelp = 1080;

TEST(CueOffsetTexts, FormatAndReadBack) {
  EXPECT_EQ("00:00.000", FormatCueOffset(0).str());
  EXPECT_EQ("03:25.007", FormatCueOffset(205007).str());
  EXPECT_EQ("125:00.000", FormatCueOffset(7500000).str());
  struct Stored {
    const char* text;
    bool ok;
    LONG ms;
  } stored[] = {{"03:25.007", true, 205007}, {"3:5.7", true, 185007}, {"", false, 0},
                {"03-25.007", false, 0},     {"03:25", false, 0},       {"03:2x.007", false, 0}};
  for (const auto& c : stored) {
    LONG ms = -1;
    EXPECT_EQ(c.ok, ParseStoredCueOffset(c.text, ms)) << c.text;
    EXPECT_EQ(c.ms, ms) << c.text;
  }
  struct Fields {
    const char *minutes, *seconds, *millis;
    bool ok;
    LONG ms;
  } fields[] = {{"1", "5", "7", true, 65007},     {"01", "05", "007", true, 65007}, {"00", "00", "000", true, 0},
                {"02", "00", "000", true, 120000}, {"02", "00", "001", false, 0},   {"", "00", "000", false, 0},
                {"0a", "00", "000", false, 0},    {"00", "-1", "000", false, 0},    {"00", "00", "0000", false, 0},
                {"99999", "00", "000", false, 0}};
  for (const auto& c : fields) {
    LONG ms = 0;
    EXPECT_EQ(c.ok, ReadCueOffsetFields(c.minutes, c.seconds, c.millis, 120000, ms))
        << c.minutes << ":" << c.seconds << "." << c.millis;
    if (c.ok) {
      EXPECT_EQ(c.ms, ms);
    }
  }
}

TEST(CueOffsetTexts, NamesLoseTheCharactersStatementsAndListsTripOver) {
  EXPECT_EQ("Verse_s _1_ _b_ _c_ 100_", CleanCueName("Verse's [1] {b} |c! 100%").str());
  EXPECT_EQ(std::string(32, 'x'), CleanCueName(std::string(40, 'x').c_str()).str());
  EXPECT_EQ("Intro", CleanCueName("Intro").str());
}

class CuePointsDlgTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    setenv("QH_CLOCK_RATE", "4", 1);
    ASSERT_TRUE(StartRecorder());
    if (!HaveTool("sox")) GTEST_SKIP() << "sox makes the song";
    songId = AddSong({.name = "Cued", .artist = "Band"});
    ASSERT_TRUE(MakeMediaFile(songId, ' ', 20.0));
  }
  void TearDown() override {
    unsetenv("QH_CLOCK_RATE");
    RecorderTest::TearDown();
  }
  void RunEditor(std::function<void(CDialog&)> script) {
    OnDialog(IDD_CUE_POINTS, [script](CDialog& dialog) {
      script(dialog);
      if (dialog.ContinueModal()) Click(dialog, IDOK);
    });
    CCuePointsDlg editor(Db(), Storage());
    editor.SetSong(songId);
    editor.DoModal();
  }
  static void TypeName(CDialog& dialog, const std::string& name) {
    CWnd* edit = dialog.GetDlgItem(kName)->GetWindow(GW_CHILD);
    ASSERT_NE(edit, nullptr);
    edit->SetWindowText("");
    RECT rect{};
    edit->GetClientRect(&rect);
    ClickAt(edit->m_hWnd, rect.right / 2, rect.bottom / 2);
    qh::ui::InjectText(name.c_str());
    Settle();
  }
  static void TypeOffset(CDialog& dialog, const char* minutes, const char* seconds, const char* millis) {
    Type(dialog, kMinutes, minutes);
    Type(dialog, kSeconds, seconds);
    Type(dialog, kMillis, millis);
  }
  static std::string OffsetFields(CDialog& dialog) {
    return TextOf(dialog, kMinutes) + ":" + TextOf(dialog, kSeconds) + "." + TextOf(dialog, kMillis);
  }
  std::string StoredOffset(const char* name) {
    CString offset;
    return Db()->GetCueOffset(songId, name, offset) == 1 ? offset.str() : "(none)";
  }
  int StoredNumber(const char* name) {
    SHORT number = 0;
    return Db()->GetCueNumber(songId, name, number) == 1 ? number : -1;
  }
  LONG songId = 0;
};

TEST_F(CuePointsDlgTest, CuePointsAreAddedEditedAndStoredForTheNextOpening) {
  RunEditor([&](CDialog& dialog) {
    EXPECT_EQ("Cued - Band", TextOf(dialog, 1006));
    EXPECT_EQ("00:20.000", TextOf(dialog, 1079)) << "the song's length is its end";
    EXPECT_TRUE(RowsOf(dialog, kList, 3).empty());
    TypeName(dialog, "Intro");
    Click(dialog, kNew);
    TypeName(dialog, "Verse's [1]");
    Click(dialog, kNew);
    TypeName(dialog, "Intro");
    Click(dialog, kNew);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"Intro", "00:00.000", "1"}, {"Verse_s _1_", "00:00.000", "2"}}),
              RowsOf(dialog, kList, 3));
    ClickRow(dialog, kList, 1);
    EXPECT_EQ("Click one of the buttons to EDIT, DELETE or move the cue point up or down.", TextOf(dialog, kHelp));
    Click(dialog, kEdit);
    TypeOffset(dialog, "0", "12", "5");
    Click(dialog, kSave);
    EXPECT_EQ("00:12.005", RowsOf(dialog, kList, 3)[1][1]);
  });
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ("Cue Name already exists. Please choose a different name.", boxTexts[0]);
  EXPECT_EQ("00:12.005", StoredOffset("Verse_s _1_"));
  RunEditor([&](CDialog& dialog) {
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"Intro", "00:00.000", "1"}, {"Verse_s _1_", "00:12.005", "2"}}),
              RowsOf(dialog, kList, 3));
    ClickRow(dialog, kList, 1, true);
    EXPECT_EQ("00:12.005", OffsetFields(dialog)) << "a double click loads the cue";
    Snapshot(dialog, "recorder-cue-points");
  });
}

TEST_F(CuePointsDlgTest, OffsetsOutsideTheSongAreRefusedAndTheStoredOneShownAgain) {
  ASSERT_EQ(1, Db()->AddCuePoint(songId, "Drop", "00:05.000"));
  RunEditor([&](CDialog& dialog) {
    ClickRow(dialog, kList, 0, true);
    TypeOffset(dialog, "00", "21", "000");
    Click(dialog, kSave);
    EXPECT_EQ("00:05.000", OffsetFields(dialog));
    dialog.SetDlgItemText(kSeconds, "1x");  // pasted past the digits-only field
    Click(dialog, kSave);
    EXPECT_EQ("00:05.000", OffsetFields(dialog));
    TypeOffset(dialog, "00", "20", "000");
    Click(dialog, kSave);
  });
  EXPECT_EQ("00:20.000", StoredOffset("Drop")) << "the end itself is inside the song";
}

TEST_F(CuePointsDlgTest, AnUnsavedOffsetIsAskedAboutBeforeItIsLost) {
  ASSERT_EQ(1, Db()->AddCuePoint(songId, "A", "00:01.000"));
  ASSERT_EQ(1, Db()->AddCuePoint(songId, "B", "00:02.000"));
  AnswerBoxes({IDCANCEL, IDYES, IDNO});
  RunEditor([&](CDialog& dialog) {
    ClickRow(dialog, kList, 0, true);
    TypeOffset(dialog, "00", "03", "000");
    ClickRow(dialog, kList, 1);
    Click(dialog, kEdit);  // Cancel: the typed offset stays
    EXPECT_EQ("00:03.000", OffsetFields(dialog));
    ClickRow(dialog, kList, 0);
    Click(dialog, kEdit);  // Yes: saved, then the chosen cue loads
    ClickRow(dialog, kList, 1, true);
    TypeOffset(dialog, "00", "04", "000");
    ClickRow(dialog, kList, 0);
    Click(dialog, kEdit);  // No: dropped
    EXPECT_EQ("00:03.000", OffsetFields(dialog));
  });
  ASSERT_EQ(3u, boxTexts.size());
  EXPECT_EQ("New Cue Point value has not been saved. Do you want to save the new value?", boxTexts[0]);
  EXPECT_EQ("00:03.000", StoredOffset("A"));
  EXPECT_EQ("00:02.000", StoredOffset("B"));
}

TEST_F(CuePointsDlgTest, UpAndDownExchangeNumbersAndAVanishedCueIsReported) {
  for (const char* name : {"A", "B", "C"}) ASSERT_EQ(1, Db()->AddCuePoint(songId, name, "00:00.000"));
  RunEditor([&](CDialog& dialog) {
    ClickRow(dialog, kList, 2);
    Click(dialog, kUp);
    EXPECT_EQ("C", RowsOf(dialog, kList, 1)[1][0]);
    ClickRow(dialog, kList, 0);
    Click(dialog, kDown);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"C"}, {"A"}, {"B"}}), RowsOf(dialog, kList, 1));
    EXPECT_EQ(1, Db()->DeleteCuePoint(songId, "B"));  // another user deletes it
    ClickRow(dialog, kList, 1);
    Click(dialog, kDown);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"C"}, {"A"}}), RowsOf(dialog, kList, 1));
  });
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ("Cue Name no longer exists. It may have been deleted by another user.", boxTexts[0]);
  EXPECT_EQ(1, StoredNumber("C"));
  EXPECT_EQ(2, StoredNumber("A"));
}

TEST_F(CuePointsDlgTest, DeleteAsksFirst) {
  for (const char* name : {"Keep", "Gone"}) ASSERT_EQ(1, Db()->AddCuePoint(songId, name, "00:00.000"));
  AnswerBoxes({IDNO, IDYES});
  RunEditor([&](CDialog& dialog) {
    ClickRow(dialog, kList, 1);
    Click(dialog, kDelete);
    EXPECT_EQ(2u, RowsOf(dialog, kList, 1).size());
    ClickRow(dialog, kList, 1);
    Click(dialog, kDelete);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"Keep"}}), RowsOf(dialog, kList, 1));
  });
  ASSERT_EQ(2u, boxTexts.size());
  EXPECT_EQ("Are you sure you want to delete cue point Gone?", boxTexts[1]);
  EXPECT_EQ("(none)", StoredOffset("Gone"));
}

TEST_F(CuePointsDlgTest, TheCurrentPositionOfThePlayingSongBecomesTheOffset) {
  RunEditor([&](CDialog& dialog) {
    EXPECT_EQ("stopped", TextOf(dialog, kMode));
    Click(dialog, kPlay);
    ASSERT_TRUE(RunUntil([&] { return TextOf(dialog, kPosition) >= "00:02.000"; }));
    EXPECT_EQ("playing", TextOf(dialog, kMode));
    TypeName(dialog, "Here");
    Click(dialog, kNew);
    Click(dialog, kStop);
    ASSERT_TRUE(RunUntil([&] { return TextOf(dialog, kMode) == "stopped"; }));
    Click(dialog, kToEnd);
    ASSERT_TRUE(RunUntil([&] { return TextOf(dialog, kPosition) == "00:20.000"; }));
    ClickRow(dialog, kList, 0, true);
    Click(dialog, kSetCurrent);
    EXPECT_EQ("00:20.000", OffsetFields(dialog));
    Click(dialog, kSave);
  });
  EXPECT_TRUE(boxTexts.empty());
  EXPECT_EQ("00:20.000", StoredOffset("Here"));
}

TEST_F(CuePointsDlgTest, TheSongInformationOfAStoredSongOpensTheEditor) {
  OnDialog(IDD_CUE_POINTS, [](CDialog& dialog) {
    EXPECT_EQ("Cued - Band", TextOf(dialog, 1006));
    Click(dialog, IDOK);
  });
  OnDialog(IDD_SONG_INFO, [](CDialog& dialog) {
    Click(dialog, 1241);
    Click(dialog, IDCANCEL);
  });
  auto song = Load(songId);
  ASSERT_TRUE(song);
  CSongInfoDlg edit(Db());
  edit.SetSong(song.get(), CSongInfoDlg::kEdit);
  edit.DoModal();
  for (int mode : {CSongInfoDlg::kView, CSongInfoDlg::kNew}) {
    OnDialog(IDD_SONG_INFO, [](CDialog& dialog) {
      EXPECT_FALSE(IsEnabled(dialog, 1241));
      Click(dialog, IDCANCEL);
    });
    CSongInfoDlg other(Db());
    other.SetSong(song.get(), mode);
    other.DoModal();
  }
}

}  // namespace
}  // namespace qh::recorder::testing
