// The engine's SQL as the system writes it, run on a small song database: each
// statement of the system runs, and the behaviours the system relies on come
// out as the engine gives them (case-insensitive =, Like and order in code page
// 1252, Null, Boolean -1, dates, grouped counts, aliases in every statement
// kind, parameters).
#include <gtest/gtest.h>

#include <set>

#include "platform/core/DateTime.h"
#include "platform/dao/JetSql.h"
#include "platform/dao/tests/DaoTestSupport.h"

namespace qh::dao::testing {
namespace {

// Every row of a statement: values by ToText ("<null>" for Null), '|' between
// columns, ';' between rows.
std::string Rows(CDaoDatabase &db, const char *sql) {
  CDaoRecordset rs(&db);
  rs.Open(dbOpenSnapshot, sql, dbForwardOnly);
  std::string out;
  while (!rs.IsEOF()) {
    if (!out.empty()) out += ";";
    for (short k = 0; k < rs.GetFieldCount(); ++k) {
      COleVariant value = rs.GetFieldValue(k);
      out += (k ? "|" : "") + (value.vt == VT_NULL ? std::string("<null>") : value.ToText().str());
    }
    rs.MoveNext();
  }
  return out;
}

class SongData : public DaoTest {
 protected:
  void SetUp() override {
    CreateSongDatabase();
    m_db.m_pWorkspace->BeginTrans();
    AddSong(1, "Yesterday", "The Beatles", "Help!", "Rock", COleDateTime(1965, 8, 6, 0, 0, 0).m_dt);
    AddSong(2, "abba song", "ABBA", "Arrival", "Pop");
    AddSong(3, "Zebra", "abba", "Arrival", "pop");
    AddSong(4, "100% Pure", "Zed", "", "Dance", 0, false, " ");
    AddSong(5, "\xC9lan", "\xE9ric",
            "\xC9"
            "b\xE8ne",
            "Jazz");
    AddSong(6, "_under", "_Artist", nullptr, "Rock", 0, true, " ");
    m_db.m_pWorkspace->CommitTrans();
  }
};

struct Behaviour {
  const char *what;
  const char *setup;  // an action statement run first, or null
  const char *query;
  const char *rows;
};

void PrintTo(const Behaviour &behaviour, std::ostream *out) { *out << behaviour.what; }

class JetSqlBehaviour : public SongData, public ::testing::WithParamInterface<Behaviour> {};

TEST_P(JetSqlBehaviour, GivesTheEngineResult) {
  if (GetParam().setup) m_db.Execute(GetParam().setup, dbFailOnError);
  EXPECT_EQ(Rows(m_db, GetParam().query), GetParam().rows) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JetSqlBehaviour,
    ::testing::Values(
        Behaviour{"= ignores case", nullptr, "Select SongName From Songs Where SongArtist = 'the beatles'",
                  "Yesterday"},
        Behaviour{"= ignores case in a count", nullptr, "Select Count(*) From Songs Where SongArtist = 'ABBA'", "2"},
        Behaviour{"= ignores 1252 case", nullptr, "Select SongName From Songs Where SongArtist = '\xC9RIC'", "\xC9lan"},
        Behaviour{"= keeps trailing blanks", nullptr, "Select SongName From Songs Where SongName = 'yesterday '", ""},
        Behaviour{"Like with * ignores case", nullptr,
                  "Select SongName From Songs Where SongArtist Like 'ab*' "
                  "Order By SongName",
                  "abba song;Zebra"},
        Behaviour{"Like ignores 1252 case", nullptr, "Select SongName From Songs Where SongArtist Like '\xC9*'",
                  "\xC9lan"},
        Behaviour{"% is a plain character", nullptr, "Select SongName From Songs Where SongName Like '100%*'",
                  "100% Pure"},
        Behaviour{"% is no wildcard", nullptr, "Select Count(*) From Songs Where SongName Like '1%'", "0"},
        Behaviour{"? is one character", nullptr, "Select SongName From Songs Where SongName Like '?under'", "_under"},
        Behaviour{"_ is no wildcard", nullptr, "Select Count(*) From Songs Where SongName Like '_nder'", "0"},
        Behaviour{"Not Like", nullptr, "Select Count(*) From Songs Where SongArtist Not Like '*a*'", "2"},
        Behaviour{"order ignores case, punctuation before letters", nullptr,
                  "Select SongName From Songs Order By SongName", "100% Pure;_under;abba song;Yesterday;Zebra;\xC9lan"},
        Behaviour{"Group by ignores case", nullptr,
                  "Select UCase(SongArtist), Count(*) from Songs Group by "
                  "SongArtist Order by SongArtist; ",
                  "_ARTIST|1;ABBA|2;THE BEATLES|1;ZED|1;\xC9RIC|1"},
        Behaviour{"< 'A' finds names before the letters", nullptr,
                  "Select SongArtist from Songs Where SongArtist < 'A' Order "
                  "by SongArtist",
                  "_Artist"},
        Behaviour{"albums grouped with their artists", nullptr,
                  "Select UCase(SongAlbumName), UCase(SongArtist), Count(*) "
                  "from Songs Where SongAlbumName <> '' And "
                  "SongAlbumName Is Not Null Group by SongAlbumName, "
                  "SongArtist Order by SongAlbumName, SongArtist; ",
                  "ARRIVAL|ABBA|2;HELP!|THE BEATLES|1;\xC9"
                  "B\xC8NE|\xC9RIC|1"},
        Behaviour{"Null is not empty", nullptr, "Select Count(*) From Songs Where SongAlbumName Is Null", "1"},
        Behaviour{"empty is not Null", nullptr, "Select SongID From Songs Where SongAlbumName = ''", "4"},
        Behaviour{"Max over no rows is Null", nullptr, "Select Max(SongID) From Songs Where SongID > 100", "<null>"},
        Behaviour{"False", nullptr,
                  "Select SongID from Songs Where SongCompression = ' ' And "
                  "SongUncompressed = False; ",
                  "4"},
        Behaviour{"True", nullptr, "Select SongID From Songs Where SongUncompressed = True", "6"},
        Behaviour{"True is -1", nullptr, "Select SongID From Songs Where SongUncompressed = -1", "6"},
        Behaviour{"a Boolean reads True", nullptr, "Select SongUncompressed From Songs Where SongID = 6", "True"},
        Behaviour{"date literals", nullptr,
                  "Select SongName From Songs Where (SongDate  between "
                  "#1/1/1965# And #12/31/1965#) ",
                  "Yesterday"},
        Behaviour{"date parts", nullptr,
                  "Select Year(SongDate), Month(SongDate), Day(SongDate) From "
                  "Songs Where SongID = 1",
                  "1965|8|6"},
        Behaviour{"Format of a date", nullptr, "Select Format(SongDate, 'yyyy') From Songs Where SongID = 1", "1965"},
        Behaviour{"Count with Group by, by count", nullptr,
                  "Select UCase(SongGenre), Count(*) from SongGenre Group by "
                  "SongGenre Order by Count(*) Desc, SongGenre; ",
                  "POP|2;ROCK|2;DANCE|1;JAZZ|1"},
        Behaviour{"alias in UPDATE", "Update Songs A Set A.SongPlayCount = 5 Where A.SongID = 1",
                  "Select SongPlayCount From Songs Where SongID = 1", "5"},
        Behaviour{"alias in DELETE",
                  "Delete   from SongGenre A   where not exists (     select * "
                  "      from Songs B       where A.SongID = "
                  "B.SongID   ) Or A.SongID = 6; ",
                  "Select Count(*) From SongGenre", "5"},
        Behaviour{"Exists with aliases", nullptr,
                  "Select A.SongName From Songs A Where Exists (Select * From "
                  "SongGenre B Where B.SongID = A.SongID And "
                  "B.SongGenre = 'rock') Order By A.SongName",
                  "_under;Yesterday"},
        Behaviour{"comma join", nullptr,
                  "Select A.SongName, B.SongGenre From Songs A, SongGenre B "
                  "Where A.SongID = B.SongID And B.PrimaryGenre = "
                  "True And A.SongID = 2",
                  "abba song|Pop"},
        Behaviour{"& joins texts", nullptr, "Select SongName & ' - ' & SongArtist From Songs Where SongID = 1",
                  "Yesterday - The Beatles"},
        Behaviour{"functions", nullptr,
                  "Select IIf(SongID > 3, 'big', 'small'), Nz(SongAlbumName, "
                  "'(none)'), Len(SongName), Mid(SongName, 2, 3), "
                  "LCase(SongArtist), Left(SongName, 2), Right(SongName, 2) "
                  "From Songs Where SongID = 6",
                  "big|(none)|6|und|_artist|_u|er"},
        Behaviour{"Val, Str, Trim", nullptr,
                  "Select Val('  42abc'), Str(7), Trim('  a  ') & '|' From "
                  "Songs Where SongID = 1",
                  "42| 7|a|"},
        Behaviour{"computed texts compare without case", nullptr,
                  "Select SongID From Songs Where Left(SongArtist, 3) = 'the' Or UCase(SongName) = 'zebra' Order By SongID",
                  "1;3"},
        Behaviour{"Top", nullptr, "Select Top 2 SongID From Songs Order By SongID Desc", "6;5"},
        Behaviour{"In list", nullptr, "Select SongID From Songs Where SongID In (1, 3) Order By SongID", "1;3"},
        Behaviour{"a GUID lookup", nullptr,
                  "Select Count(*) From Songs Where SongGUID = "
                  "'{00000003-0000-0000-0000-000000000000}' ",
                  "1"}),
    [](const ::testing::TestParamInfo<Behaviour> &info) { return CaseName(info.param.what, info.index); });

const char *const kSystemStatements[] = {
    "CREATE INDEX IXCueNumber ON CueList(       SongID,       CueNumber);",
    "CREATE INDEX IXSongAlbum ON Songs(       SongAlbumName);",
    "CREATE INDEX IXSongBPM ON Songs(       SongBPM);",
    "CREATE INDEX IXSongGenre ON SongGenre(       SongGenre);",
    "CREATE INDEX IXSongName ON Songs(       SongName);",
    "CREATE INDEX IXSongPlayCount ON Songs(       SongPlayCount);",
    "CREATE INDEX IXSongRotationCode ON Songs(       SongRotationCode);",
    "Delete   from CueList A   where not exists (     select *       from "
    "Songs B       where A.SongID = B.SongID   ); ",
    "Delete   from PlaylistDetail A   where not exists (     select *       "
    "from Songs B       where A.SongID = B.SongID   ); ",
    "Delete   from SongGenre A   where not exists (     select *       from "
    "Songs B       where A.SongID = B.SongID   ); ",
    "Delete From CueList Where SongID = 1 ;",
    "Delete From CueList Where SongID = 1 And CueDescription = 'Rock';",
    "Delete From DJSequence Where CurrentSong = 1 Or NextSong = 1 ;",
    "Delete From Playlist Where PlaylistName = 'Rock' ;",
    "Delete From PlaylistDetail Where PlaylistName = 'Rock' ;",
    "Delete From PlaylistDetail Where PlaylistName = 'Rock' And SongID = 1 ;",
    "Delete From PlaylistDetail Where SongID = 1 ;",
    "Delete From SongGenre Where SongID = 1 ;",
    "Delete From SongType Where SongTypeCode = 'Rock' And ReservedCode = "
    "False;",
    "Delete From Songs Where SongID = 1 ;",
    "SELECT CurrentSong, NextSong, SelectionCount FROM DJSequence WHERE "
    "CurrentSong = [pCurSong] AND NextSong = [pNextSong]; ",
    "SELECT NextSong FROM DJSequence WHERE CurrentSong = [pCurSong] ORDER BY "
    "SelectionCount DESC; ",
    "SELECT SongGenre FROM SongGenre Where SongID = [pSongID] Order By "
    "SongGenre; ",
    "SELECT SongID FROM SongGenre WHERE SongGenre = [pSongTypeCode]; ",
    "SELECT SongID FROM SongGenre Where SongGenre = [pSongTypeCode]; ",
    "SELECT SongID, PlaylistSequenceNum FROM PlaylistDetail WHERE PlaylistName "
    "= [pPlaylistName] ORDER BY PlaylistSequenceNum; ",
    "SELECT SongID, SongName, SongArtist, SongAlbumName, SongLabel, SongDate, "
    "SongRecordDate, SongBPM, SongBPMAccuracy, SongAttributes, SongLength, "
    "SongCdTrack, SongCDDB, SongCompression, SongUncompressed, SongComments, "
    "SongInventoryCode, SongSource, SongRotationCode, SongPath, SongVolser, "
    "SongGUID, SongPlayCount FROM Songs WHERE SongID = [pSongID]; ",
    "Select   C.SongGenre, A.SongID, A.SongName, A.SongArtist   from Songs A, "
    "SongGenre C   where A.SongID = C.SongID   and not exists (     select *   "
    "    from SongType B       where C.SongGenre = B.SongTypeCode   )   order "
    "by C.SongGenre, A.SongID; ",
    "Select   SongID, SongName, SongArtist   from Songs   where SongName = ' ' "
    "    or SongName is null; ",
    "Select   SongName, SongArtist, Count(*)   from Songs   group by SongName, "
    "SongArtist   having Count(*) > 1; ",
    "Select 1 From PlaylistDetail Where PlaylistName = 'Rock' And SongID = 1 ",
    "Select A.PlaylistName   from PlaylistDetail A   where not exists (     "
    "select *       from Playlist B       where A.PlaylistName = "
    "B.PlaylistName   )   order by A.PlaylistName; ",
    "Select A.SongID, A.CueNumber, A.CueDescription   from CueList A   where "
    "not exists (     select *       from Songs B       where A.SongID = "
    "B.SongID   )   order by A.SongID, A.CueNumber; ",
    "Select A.SongID, A.PlaylistName, A.PlaylistSequenceNum   from "
    "PlaylistDetail A   where not exists (     select *       from Songs B     "
    "  where A.SongID = B.SongID   )   order by A.PlaylistName, "
    "A.PlaylistSequenceNum, A.SongID; ",
    "Select A.SongID, A.SongGenre   from SongGenre A   where not exists (     "
    "select *       from Songs B       where A.SongID = B.SongID   )   order "
    "by A.SongID, A.SongGenre; ",
    "Select A.SongID, A.SongName, A.SongArtist, A.SongAlbumName, A.SongLabel, "
    "A.SongDate, A.SongRecordDate, A.SongBPM, A.SongBPMAccuracy, "
    "A.SongAttributes, A.SongLength, A.SongCdTrack, A.SongCDDB, "
    "A.SongCompression, A.SongUncompressed, A.SongComments, "
    "A.SongInventoryCode, A.SongSource, A.SongRotationCode, A.SongPath, "
    "A.SongVolser, A.SongGUID, A.SongPlayCount From Songs A ",
    "Select A.SongID, A.SongName, A.SongArtist, A.SongAlbumName, A.SongLabel, "
    "A.SongDate, A.SongRecordDate, A.SongBPM, A.SongBPMAccuracy, "
    "A.SongAttributes, A.SongLength, A.SongCdTrack, A.SongCDDB, "
    "A.SongCompression, A.SongUncompressed, A.SongComments, "
    "A.SongInventoryCode, A.SongSource, A.SongRotationCode, A.SongPath, "
    "A.SongVolser, A.SongGUID, A.SongPlayCount, B.SongGenre From Songs A, "
    "SongGenre B ",
    "Select Count(*) From Songs ",
    "Select Count(*) From Songs  ",
    "Select Count(*) From Songs Where SongCompression = 'M' ",
    "Select CueDescription, CueNumber, CueOffset From CueList Where SongID = 1 "
    "Order By CueNumber ",
    "Select CueNumber From CueList Where SongID = 1 And CueDescription = "
    "'Rock' ",
    "Select CueNumber From CueList Where SongID = 1 Order By CueNumber ",
    "Select CueOffset From CueList Where SongID = 1 And CueDescription = "
    "'Rock' ",
    "Select DriveLetter, DriveLabel, DrivePath, TotalSpaceHi, TotalSpaceLo "
    "from VolserList Where DriveVolser = 1234; ",
    "Select DriveVolser, DriveLetter, DriveLabel, DrivePath, TotalSpaceHi, "
    "TotalSpaceLo From VolserList Where DriveVolser = 1 ;",
    "Select DriveVolser, DriveLetter, DriveLabel, DrivePath, TotalSpaceHi, "
    "TotalSpaceLo from VolserList Order by DriveVolser; ",
    "Select LicenseNumber, ServerDescription, IPAddress, PortNumber, "
    "LastSyncDTS, NextSyncDTS, FilterRecords From DBSyncOutgoing Where "
    "LicenseNumber = 1 ;",
    "Select Max(CueNumber) From CueList Where SongID = 1;",
    "Select Max(SongID) From Songs;",
    "Select ParmName, ParmValue from QuavParms Where ParmName = "
    "'DatabaseVersion' ; ",
    "Select ParmValue From QuavParms Where ParmName = 'DatabaseVersion'; ",
    "Select PlaylistName From Playlist Order By PlaylistName; ",
    "Select PlaylistName, Count(*) From PlaylistDetail Group by PlaylistName "
    "Order by PlaylistName; ",
    "Select PlaylistName, PlaylistDate, CurrentSeqNum, PlaylistComment From "
    "Playlist Where PlaylistName = 'Rock' ",
    "Select PlaylistName, PlaylistDate, CurrentSeqNum, PlaylistComment From "
    "Playlist; ",
    "Select PlaylistName, PlaylistSequenceNum From PlaylistDetail Where SongID "
    "= 1 Order By PlaylistName ",
    "Select PlaylistName, PlaylistSequenceNum, SongID, PlaylistOffset From "
    "PlaylistDetail Where PlaylistName = 'Rock' Order By PlaylistSequenceNum "
    "Desc ",
    "Select PlaylistName, PlaylistSequenceNum, SongID, PlaylistOffset From "
    "PlaylistDetail; ",
    "Select ServerDescription, IPAddress, PortNumber, LastSyncDTS, "
    "NextSyncDTS, FilterRecords From DBSyncOutgoing Where LicenseNumber = 1",
    "Select SongAlbumName, Count(*) from Songs Group by SongAlbumName Order by "
    "SongAlbumName; ",
    "Select SongAlbumName, SongArtist, Count(*) from Songs Where SongAlbumName "
    "< 'A' And SongAlbumName <> '' And SongAlbumName Is Not Null Group by "
    "SongAlbumName, SongArtist Order by SongAlbumName, SongArtist; ",
    "Select SongAlbumName, SongArtist, Count(*) from Songs Where SongAlbumName "
    "<> '' And SongAlbumName Is Not Null Group by SongAlbumName, SongArtist "
    "Order by SongAlbumName, SongArtist; ",
    "Select SongAlbumName, SongArtist, Count(*) from Songs Where SongAlbumName "
    "Like 'R*' Group by SongAlbumName, SongArtist Order by SongAlbumName, "
    "SongArtist; ",
    "Select SongArtist, Count(*) from Songs Group by SongArtist Order by "
    "SongArtist; ",
    "Select SongArtist, Count(*) from Songs Where SongArtist < 'A' Group by "
    "SongArtist Order by SongArtist; ",
    "Select SongArtist, Count(*) from Songs Where SongArtist Like 'R*' Group "
    "by SongArtist Order by SongArtist; ",
    "Select SongGenre, Count(*) from SongGenre Group by SongGenre Order by "
    "Count(*) Desc; ",
    "Select SongGenre, Count(*) from SongGenre Group by SongGenre Order by "
    "SongGenre; ",
    "Select SongGenre, PrimaryGenre,  SongID from SongGenre Where SongID = "
    "[pSongID]; ",
    "Select SongID from Songs Where SongCompression = ' ' And SongUncompressed "
    "= False; ",
    "Select SongID, CueDescription, CueNumber, CueOffset From CueList Where "
    "SongID = 1 And CueDescription = 'Rock' ",
    "Select SongID, SongGenre, PrimaryGenre From SongGenre Where SongID = 1 "
    "And SongGenre = 'Rock' ;",
    "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm From SongType "
    "Where SongTypeCode = 'Rock' ",
    "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm From SongType; ",
    "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm, ReservedCode "
    "From SongType Order by SongTypeCode;",
    "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm, ReservedCode "
    "From SongType Where SongTypeCode = 'Rock' ",
    "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm, ReservedCode "
    "From SongType; ",
    "Select SongVolser, Count(*) From Songs  Where SongCompression In (' ', "
    "'A', 'M', 'R') Group by SongVolser ",
    "Select SongVolser, Count(*) From Songs  Where SongCompression In ('3', "
    "'V') Group by SongVolser ",
    "Select count(*) from Songs Where SongVolser = 1;",
    "Update Songs Set SongPlayCount = SongPlayCount + 1 Where SongID = "
    "[pSongID]; ",
    // The song statement with the loaders' and searches' where-and-order texts.
    "Select A.SongID, A.SongName, A.SongArtist From Songs A Where Exists "
    "(Select * From SongGenre B Where B.SongID = "
    "A.SongID And B.SongGenre = 'Rock')  Order by A.SongAlbumName, "
    "A.SongCdTrack  ;",
    "Select A.SongID, A.SongName From Songs A , PlaylistDetail B Where "
    "A.SongID = B.SongID And B.PlaylistName = 'Rock' "
    "Order by B.PlaylistSequenceNum  ;",
    "Select A.SongID From Songs A Where A.SongAlbumName = 'Rock' And "
    "A.SongArtist = 'Rock' Order by A.SongCdTrack, A.SongName  ;",
    "Select A.SongID From Songs A  Where A.SongName Like '*x*'  And "
    "A.SongArtist Like '*y*'  And  (SongDate  between "
    "#1/1/1990# And #12/31/1995#)  And Exists (Select * From SongGenre B Where "
    "B.SongID = A.SongID And B.SongGenre = "
    "'Rock')  Order By A.SongName  ;",
    "Select A.SongID From Songs A Where A.SongCompression In ('3', 'R') And "
    "A.SongRecordDate > #12/10/2026 14:05:09# Order By A.SongID  ;",
    "Select A.SongID From Songs A Where A.SongCompression In ('3', 'R') And "
    "A.SongRecordDate > #12/10/2026 2:05:09 PM# Order By A.SongID  ;",
    "Select A.SongID From Songs A Where SongCompression = 'M' And SongVolser = "
    "1234 And SongPath = 'Music\\a.mp3'  ;",
    "Select A.SongID From Songs A Where SongVolser = 1 And SongCompression in "
    "('A', 'M', ' ', 'R')  ;",
    "Select A.SongID, B.SongGenre From Songs A, SongGenre B Where A.SongID = "
    "B.SongID And B.PrimaryGenre = True Order By A.SongName ;",
    "Select A.SongID From Songs A where SongName like '*x*'ORDER BY A.SongID",
};

// Every SQL text of the system (numbers and texts filled in) runs on the song
// schema.
TEST_F(SongData, EverySystemStatementRuns) {
  for (const char *statement : kSystemStatements) {
    std::string sql = statement;
    bool select = sql.rfind("Select", 0) == 0 || sql.rfind("SELECT", 0) == 0;
    long error = DaoErrorOf([&] {
      CDaoQueryDef query(&m_db);
      query.Create(nullptr, sql.c_str());
      for (short k = 0; k < query.GetParameterCount(); ++k) query.SetParamValue(k, COleVariant(static_cast<LONG>(1)));
      if (select) {
        CDaoRecordset rs(&m_db);
        rs.Open(&query, dbOpenSnapshot, dbForwardOnly);
        while (!rs.IsEOF()) rs.MoveNext();
      } else if (sql.rfind("CREATE", 0) == 0) {
        m_db.Execute(sql.c_str(), dbFailOnError);
      } else {
        query.Execute(dbFailOnError);
      }
    });
    EXPECT_EQ(error, 0) << sql;
  }
}

// The rows a Like finds with its prefix range are exactly those the matcher accepts: names of every
// 1252 character after upper- and lower-case letters, patterns of every character.
TEST_F(DaoTest, LikeWithAPrefixRangeFindsWhatTheMatcherFinds) {
  m_db.Create(DbPath().c_str());
  m_db.Execute("CREATE TABLE T (ID LONG, Name TEXT(10))", dbFailOnError);
  m_db.Execute("CREATE INDEX IXName ON T (Name)", dbFailOnError);
  auto quoted = [](const std::string &text) {
    std::string out = "'";
    for (char ch : text) out += ch == '\'' ? std::string("''") : std::string(1, ch);
    return out + "'";
  };
  std::vector<std::string> names;
  for (int byte = 0x20; byte < 0x100; ++byte) {
    std::string one(1, static_cast<char>(byte));
    for (const std::string &name : {one, "a" + one, "A" + one + "z", one + "b"}) names.push_back(name);
  }
  m_db.m_pWorkspace->BeginTrans();
  for (std::size_t k = 0; k < names.size(); ++k)
    m_db.Execute(("Insert Into T (ID, Name) Values (" + std::to_string(k) + ", " + quoted(names[k]) + ")").c_str(),
                 dbFailOnError);
  m_db.m_pWorkspace->CommitTrans();
  // The names as stored: characters the code page lacks come back as '?'.
  std::vector<std::pair<long, std::string>> stored;
  {
    CDaoRecordset rs(&m_db);
    rs.Open(dbOpenSnapshot, "Select ID, Name From T", dbForwardOnly);
    for (; !rs.IsEOF(); rs.MoveNext()) stored.emplace_back(rs.GetFieldValue(0).lVal, std::string(rs.GetFieldValue(1).ToText()));
  }
  int ranged = 0;
  for (int byte = 0x20; byte < 0x100; ++byte) {
    std::string one(1, static_cast<char>(byte));
    for (const std::string &pattern : {one + "*", "a" + one + "*"}) {
      std::string low, high;
      ranged += JetLikePrefixRange(pattern, &low, &high) ? 1 : 0;
      std::set<long> expected;
      for (const auto &[id, name] : stored)
        if (JetLikeMatch(name, pattern)) expected.insert(id);
      std::set<long> found;
      CDaoRecordset rs(&m_db);
      rs.Open(dbOpenSnapshot, ("Select ID From T Where Name Like " + quoted(pattern)).c_str(), dbForwardOnly);
      for (; !rs.IsEOF(); rs.MoveNext()) found.insert(rs.GetFieldValue(0).lVal);
      EXPECT_EQ(found, expected) << "Like '" << pattern << "' (byte " << byte << ")";
    }
  }
  EXPECT_GT(ranged, 300);  // most patterns went through a range
}

// Statements built with values written in share one translation; each still finds its own rows.
TEST_F(SongData, StatementsOfOneShapeFindTheirOwnRows) {
  const std::pair<const char *, const char *> cases[] = {
      {"Select SongID From Songs Where SongID = 1", "1"},
      {"Select SongID From Songs Where SongID = 3", "3"},
      {"Select SongID From Songs Where SongID = 2.0", "2"},
      {"Select SongID From Songs Where SongArtist = 'abba' Order By SongID", "2;3"},
      {"Select SongID From Songs Where SongArtist = 'Zed' Order By SongID", "4"},
      {"Select SongID From Songs Where SongArtist Like '*a' Order By SongID", "2;3"},
      {"Select SongID From Songs Where SongArtist Like '*d' Order By SongID", "4"},
      {"Select SongID From Songs Where SongArtist Like 'Z*' Order By SongID", "4"},
      {"Select SongID From Songs Where SongArtist Like 'the*' Order By SongID", "1"},
      {"Select Top 1 SongID From Songs Where SongID > 1 Order By SongID", "2"},
      {"Select Top 2 SongID From Songs Where SongID > 2 Order By SongID", "3;4"},
      {"Select SongID, 'a' From Songs Where SongID = 5", "5|a"},
      {"Select SongID, 'b' From Songs Where SongID = 6", "6|b"},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto &[query, rows] : cases) EXPECT_EQ(Rows(m_db, query), rows) << query;
  std::vector<SqlLiteral> first, second;
  EXPECT_EQ(JetSqlShape("Select * From T Where A = 1 And B = 'x*'", &first),
            JetSqlShape("Select * From T Where A = 22 And B = 'y*'", &second));
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].integer, 22);
  EXPECT_EQ(second[1].text, "y*");
  EXPECT_NE(JetSqlShape("Select * From T Where A = 1", &first), JetSqlShape("Select * From T Where A = '1'", &second));
  EXPECT_NE(JetSqlShape("Select * From T Where A Like 'x*'", &first), JetSqlShape("Select * From T Where A Like '*x'", &second));
  EXPECT_EQ(JetSqlShape("Select * From T Where D = #1/2/2003#", &first), "");
}

TEST_F(SongData, UnknownNameInASelectIsAParameter) {
  // The converter's read of an old layout names a column the current one lacks.
  CString description;
  long error = DaoErrorOf(
      [&] {
        CDaoRecordset rs(&m_db);
        rs.Open(dbOpenSnapshot, "Select SongID, SongTypeCode From Songs; ", dbForwardOnly);
      },
      &description);
  EXPECT_EQ(error, kDaoErrTooFewParameters);
  EXPECT_EQ(description, "Too few parameters. Expected 1.");
}

}  // namespace
}  // namespace qh::dao::testing
