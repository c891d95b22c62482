// The genre list and the genre edit dialog: reserved genres, refused characters, the kept BPM range.
#include "platform/dao/Dao.h"
#include "recorder/GenreListDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class GenreDialogsTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
  }
  static int RowOf(CDialog& dialog, const std::string& code) {
    auto rows = RowsOf(dialog, 1028, 3);
    for (size_t row = 0; row < rows.size(); ++row)
      if (rows[row][0] == code) return static_cast<int>(row);
    return -1;
  }
  struct TypeRow {
    std::string description;
    int minBpm = 0, maxBpm = 0;
    bool found = false;
  };
  TypeRow Stored(const char* code) {
    TypeRow row;
    if (!Db()->OpenSongTypes(code)) return row;
    CString storedCode, description;
    SHORT minBpm = 0, maxBpm = 0;
    LONG reserved = 0;
    if (Db()->NextSongType(storedCode, description, minBpm, maxBpm, reserved))
      row = {description.str(), minBpm, maxBpm, true};
    Db()->CloseSongTypes();
    return row;
  }
};

TEST_F(GenreDialogsTest, AddRefusedCodesThenAGoodOne) {
  // Blanks only and a question mark are refused; the dialog stays open until a good code is typed.
  OnDialog(IDD_GENRE_EDIT, [](CDialog& dialog) {
    Type(dialog, 1053, "   ");
    Click(dialog, IDOK);
    Type(dialog, 1053, "Rock/Pop?");
    Click(dialog, IDOK);
    Type(dialog, 1053, "Rock/Pop");
    Type(dialog, 1054, "Both at once");
    Type(dialog, 1206, "49");
    Click(dialog, IDOK);  // below the range: the data exchange refuses it
    Type(dialog, 1206, "180");
    Type(dialog, 1207, "60");
    Click(dialog, IDOK);  // Min above Max is accepted
  });
  OnDialog(IDD_GENRE_LIST, [this](CDialog& dialog) {
    Click(dialog, 1050);
    int row = RowOf(dialog, "Rock/Pop");
    ASSERT_GE(row, 0);
    EXPECT_EQ("User", RowsOf(dialog, 1028, 3)[static_cast<size_t>(row)][2]);
    Snapshot(dialog, "recorder-genres");
    Click(dialog, IDOK);
  });
  CGenreListDlg list(Db());
  list.DoModal();
  ASSERT_GE(boxTexts.size(), 3u);
  EXPECT_EQ("The Genre code entered is invalid. Please enter a valid Genre code.", boxTexts[0]);
  EXPECT_EQ("The following characters are not allowed: < > & ' \" * | ?", boxTexts[1]);
  TypeRow stored = Stored("Rock/Pop");
  ASSERT_TRUE(stored.found);
  EXPECT_EQ("Both at once", stored.description);
  EXPECT_EQ(180, stored.minBpm);
  EXPECT_EQ(60, stored.maxBpm);
}

TEST_F(GenreDialogsTest, AnExistingCodeIsRefusedAndTheLongDefaultNameFits) {
  OnDialog(IDD_GENRE_EDIT, [](CDialog& dialog) {
    Type(dialog, 1053, "Contemporary Christian");
    Click(dialog, IDOK);
  });
  OnDialog(IDD_GENRE_LIST, [](CDialog& dialog) {
    Click(dialog, 1050);
    Click(dialog, IDOK);
  });
  CGenreListDlg list(Db());
  list.DoModal();
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ("Genre already exists. Please choose a different Genre.", boxTexts[0]);
}

TEST_F(GenreDialogsTest, EditingKeepsTheStoredBpmRange) {
  ASSERT_EQ(1, Db()->AddSongType("Lounge", "Slow", 70, 110));
  OnDialog(IDD_GENRE_EDIT, [](CDialog& dialog) {
    EXPECT_EQ("70", TextOf(dialog, 1206));
    EXPECT_EQ("110", TextOf(dialog, 1207));
    Type(dialog, 1054, "Slow and late");
    Click(dialog, IDOK);
  });
  OnDialog(IDD_GENRE_LIST, [this](CDialog& dialog) {
    ClickRow(dialog, 1028, RowOf(dialog, "Lounge"));
    EXPECT_TRUE(IsEnabled(dialog, 1046));
    Click(dialog, 1046);
    Click(dialog, IDOK);
  });
  CGenreListDlg list(Db());
  list.DoModal();
  TypeRow stored = Stored("Lounge");
  EXPECT_EQ("Slow and late", stored.description);
  EXPECT_EQ(70, stored.minBpm);
  EXPECT_EQ(110, stored.maxBpm);
}

TEST_F(GenreDialogsTest, ReservedGenresCannotBeDeletedUserGenresAskFirst) {
  ASSERT_EQ(1, Db()->AddSongType("Lounge", "Slow", 70, 110));
  AnswerBoxes({IDOK, IDNO, IDYES});
  OnDialog(IDD_GENRE_LIST, [this](CDialog& dialog) {
    auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(1028));
    ClickRow(dialog, 1028, RowOf(dialog, "Blues"));
    EXPECT_FALSE(IsEnabled(dialog, 1052)) << "a reserved row disables Delete";
    // The list dialog itself refuses a reserved genre even when asked directly.
    static_cast<CGenreListDlg&>(dialog).DoGenreAction(RowOf(dialog, "Blues"), CGenreListDlg::kDelete);
    ClickRow(dialog, 1028, RowOf(dialog, "Lounge"));
    Click(dialog, 1052);  // No
    EXPECT_GE(RowOf(dialog, "Lounge"), 0);
    Click(dialog, 1052);  // Yes (the row is still selected)
    EXPECT_EQ(-1, RowOf(dialog, "Lounge"));
    EXPECT_GE(RowOf(dialog, "Blues"), 0);
    (void)list;
    Click(dialog, IDOK);
  });
  CGenreListDlg list(Db());
  list.DoModal();
  ASSERT_EQ(3u, boxTexts.size());
  EXPECT_EQ("The selected Genre [Blues] is reserved and cannot be deleted.", boxTexts[0]);
  EXPECT_EQ("Are you sure you want to delete genre Lounge?", boxTexts[1]);
  EXPECT_FALSE(Stored("Lounge").found);
  EXPECT_TRUE(Stored("Blues").found);
}

TEST_F(GenreDialogsTest, AnEmptyDescriptionIsNotTakenFromTheRowAbove) {
  ASSERT_EQ(1, Db()->AddSongType("ZZFull", "full description", 50, 200));
  Db()->GetDatabase()->Execute(
      "Insert Into SongType (SongTypeCode, MinBpm, MaxBpm, ReservedCode) Values ('ZZNull', 60, 100, False)",
      dbFailOnError);
  OnDialog(IDD_GENRE_LIST, [this](CDialog& dialog) {
    auto rows = RowsOf(dialog, 1028, 3);
    int full = RowOf(dialog, "ZZFull"), empty = RowOf(dialog, "ZZNull");
    ASSERT_EQ(full + 1, empty);
    EXPECT_EQ("full description", rows[static_cast<size_t>(full)][1]);
    EXPECT_EQ("", rows[static_cast<size_t>(empty)][1]);
    Click(dialog, IDOK);
  });
  CGenreListDlg list(Db());
  list.DoModal();
}

}  // namespace
}  // namespace qh::recorder::testing
