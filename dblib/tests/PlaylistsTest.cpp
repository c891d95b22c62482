// Playlists: creation on the first append, sequence numbers, names cleaned alike by every method.
#include "dblib/tests/SongDbFixture.h"

namespace qh::dblib::testing {
namespace {

class PlaylistsTest : public SongDbTest {
 protected:
  std::vector<std::pair<LONG, SHORT>> Songs(const char* name) {
    std::vector<std::pair<LONG, SHORT>> rows;
    EXPECT_EQ(1, db.OpenPlaylistSongs(name));
    LONG id = 0;
    SHORT sequence = 0;
    while (db.NextPlaylistSong(id, sequence) == 1) rows.emplace_back(id, sequence);
    EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
    EXPECT_EQ(1, db.ClosePlaylistSongs());
    return rows;
  }
  CDaoRecordset* Header(const char* name) {
    auto* set = new CDaoRecordset(db.GetDatabase());
    set->Open(dbOpenSnapshot,
              CString("Select PlaylistName, PlaylistDate, CurrentSeqNum From Playlist Where PlaylistName = '") + name + "'");
    return set;
  }
};

TEST_F(PlaylistsTest, FirstAppendCreatesThePlaylistAndNumbersFromOne) {
  ASSERT_EQ(1, db.AddSongToPlaylist("Party", 5));
  ASSERT_EQ(1, db.AddSongToPlaylist("Party", 6));
  ASSERT_EQ(1, db.AddSongToPlaylist("Party", 6));
  EXPECT_EQ((std::vector<std::pair<LONG, SHORT>>{{5, 1}, {6, 2}, {6, 3}}), Songs("Party"));
  std::unique_ptr<CDaoRecordset> header(Header("Party"));
  ASSERT_FALSE(header->IsEOF());
  EXPECT_EQ(VT_DATE, header->GetFieldValue(1).vt);
  EXPECT_EQ(1, header->GetFieldValue(2).iVal);
}

TEST_F(PlaylistsTest, NextNumberFollowsTheHighestEvenAfterGaps) {
  for (LONG id = 1; id <= 7; ++id) ASSERT_EQ(1, db.AppendPlaylistSong("Gaps", id));
  Execute("Delete From PlaylistDetail Where PlaylistSequenceNum < 7;");
  ASSERT_EQ(1, db.AppendPlaylistSong("Gaps", 9));
  EXPECT_EQ((std::vector<std::pair<LONG, SHORT>>{{7, 7}, {9, 8}}), Songs("Gaps"));
}

TEST_F(PlaylistsTest, NamesAreCleanedAlikeByReadersAndWriters) {
  ASSERT_EQ(1, db.AddSongToPlaylist("  Bob's Mix ", 3));
  db.OpenPlaylistNames();
  CString name;
  ASSERT_EQ(1, db.NextPlaylistName(name));
  EXPECT_EQ("Bob s Mix", name.str());
  EXPECT_EQ(0, db.NextPlaylistName(name));
  EXPECT_EQ(1, db.ClosePlaylistNames());

  EXPECT_EQ(1, db.IsSongInPlaylist("Bob's Mix", 3));
  EXPECT_EQ(1, Songs(" Bob's Mix").size());
  ASSERT_EQ(1, db.AppendPlaylistSong("Bob's Mix", 4));
  EXPECT_EQ(2, db.DeletePlaylistDetail("Bob's Mix  "));
  EXPECT_TRUE(Songs("Bob's Mix").empty());
  std::unique_ptr<CDaoRecordset> header(Header("Bob s Mix"));
  EXPECT_FALSE(header->IsEOF()) << "emptying a playlist keeps its header";
}

TEST_F(PlaylistsTest, NameOfOnlyApostrophesAndBlanksIsRefused) {
  EXPECT_EQ(0, db.AddSongToPlaylist(" ' ", 3));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_PARAMETER), LastErrorText());
  EXPECT_EQ(0, db.AppendPlaylistSong("", 3));
}

TEST_F(PlaylistsTest, BadSongIdIsRefusedBeforeTheDatabase) {
  EXPECT_EQ(0, db.AddSongToPlaylist("Party", 0));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_SONG_ID), LastErrorText());
  EXPECT_EQ(0, db.AppendPlaylistSong("Party", -4));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_SONG_ID), LastErrorText());
}

TEST_F(PlaylistsTest, DeleteOfAnUnknownPlaylistDeletesNothing) { EXPECT_EQ(0, db.DeletePlaylistDetail("Nothing")); }

TEST_F(PlaylistsTest, FailedAppendTakesTheNewHeaderBack) {
  Execute("Insert Into PlaylistDetail Values ('Full', 32767, 1, '');");
  Execute("Delete From Playlist;");
  EXPECT_EQ(0, db.AddSongToPlaylist("Full", 2)) << "the next number does not fit the 16-bit column";
  EXPECT_NE(0, LastErrorCode());
  std::unique_ptr<CDaoRecordset> header(Header("Full"));
  EXPECT_TRUE(header->IsEOF());
}

TEST_F(PlaylistsTest, EditorRewritesAPlaylistInsideOneTransaction) {
  for (LONG id : {4, 5, 6}) db.AddSongToPlaylist("Edit", id);
  ASSERT_EQ(1, db.BeginTrans());
  EXPECT_EQ(3, db.DeletePlaylistDetail("Edit"));
  for (LONG id : {6, 4}) EXPECT_EQ(1, db.AppendPlaylistSong("Edit", id));
  ASSERT_EQ(1, db.CommitTrans());
  EXPECT_EQ((std::vector<std::pair<LONG, SHORT>>{{6, 1}, {4, 2}}), Songs("Edit"));
}

TEST_F(PlaylistsTest, CursorMethodsCheckTheirFamily) {
  CString name;
  EXPECT_EQ(0, db.NextPlaylistName(name));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_INITIALIZED), LastErrorText());
  EXPECT_EQ(0, db.ClosePlaylistSongs());
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_INITIALIZED), LastErrorText());
  ASSERT_EQ(1, db.OpenPlaylistNames());
  EXPECT_EQ(1, db.ClosePlaylistNames());
  EXPECT_EQ(0, db.NextPlaylistName(name));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
}

}  // namespace
}  // namespace qh::dblib::testing
