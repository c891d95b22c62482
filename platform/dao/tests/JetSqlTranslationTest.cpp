// The engine dialect's translation, text in and text out, and its Like matcher.
#include <gtest/gtest.h>

#include "platform/dao/JetSql.h"
#include "platform/dao/tests/DaoTestSupport.h"

namespace qh::dao {
namespace {

using testing::DaoErrorOf;

struct Translation {
  const char* jet;
  const char* sqlite;
};

void PrintTo(const Translation& translation, std::ostream* out) { *out << translation.jet; }

class JetSqlTranslation : public ::testing::TestWithParam<Translation> {};

TEST_P(JetSqlTranslation, GivesTheSqliteText) {
  EXPECT_EQ(TranslateJetSql(GetParam().jet, {}, false).sql, GetParam().sqlite);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, JetSqlTranslation,
    ::testing::Values(
        Translation{"Select Max(SongID) From Songs;", "Select Max(SongID) From Songs"},
        Translation{"Select ParmName, ParmValue from QuavParms Where ParmName = 'DatabaseVersion' ; ",
                    "Select ParmName, ParmValue from QuavParms Where ParmName = 'DatabaseVersion'"},
        Translation{"Delete   from SongGenre A   where not exists (     select *       from Songs B       where "
                    "A.SongID = B.SongID   ); ",
                    "Delete from SongGenre AS A where not exists ( select * from Songs B where A.SongID = B.SongID )"},
        Translation{"Delete * From Songs Where SongID = 3", "Delete From Songs Where SongID = 3"},
        Translation{"Delete A.* From Songs A Where A.SongID = 3", "Delete From Songs AS A Where A.SongID = 3"},
        Translation{"Update Songs A Set A.SongPlayCount = 0 Where A.SongID = 1",
                    "Update Songs AS A Set SongPlayCount = 0 Where A.SongID = 1"},
        Translation{"Update Songs Set SongPlayCount = SongPlayCount + 1 Where SongID = 7",
                    "Update Songs Set SongPlayCount = SongPlayCount + 1 Where SongID = 7"},
        Translation{"Select * From Songs Where (SongDate  between #1/1/1985# And #12/31/1985#) ",
                    "Select * From Songs Where (SongDate between 31048.0 And 31412.0)"},
        Translation{"Select SongID from Songs Where SongCompression = ' ' And SongUncompressed = False; ",
                    "Select SongID from Songs Where SongCompression = ' ' And SongUncompressed = 0"},
        Translation{"Select * From SongGenre Where PrimaryGenre = True", "Select * From SongGenre Where PrimaryGenre = -1"},
        Translation{"Select [Song Name] From [My Songs]", "Select \"Song Name\" From \"My Songs\""},
        Translation{"Select \"it's\" & 'x' From T", "Select 'it''s' || 'x' From T"},
        Translation{"Select Top 5 SongID From Songs Order By SongName", "Select SongID From Songs Order By SongName LIMIT 5"},
        Translation{"Select DistinctRow SongArtist From Songs", "Select SongArtist From Songs"},
        Translation{"Select UCase(SongName), Left(SongName, 3), IIf(SongID Mod 2 = 0, 'even', 'odd') From Songs",
                    "Select jet_ucase(SongName), jet_left(SongName, 3), jet_iif(SongID % 2 = 0, 'even', 'odd') From Songs"},
        Translation{"Select Count(*) From Songs Where SongName Like '*x*'ORDER BY A.SongID",
                    "Select Count(*) From Songs Where SongName Like '*x*'ORDER BY A.SongID"}),
    [](const ::testing::TestParamInfo<Translation>& info) { return testing::CaseName(info.param.jet, info.index); });

TEST(JetSqlTranslation, DateLiteralIsTheOleDate) {
  // 2026-12-10 14:05:09 is day 46366 and 50709 seconds of 86400.
  std::string sql = TranslateJetSql("Select 1 From T Where D > #12/10/2026 14:05:09#", {}, false).sql;
  double value = std::stod(sql.substr(sql.find("> ") + 2));
  EXPECT_NEAR(value, 46366 + 50709.0 / 86400.0, 1e-9);
}

TEST(JetSqlTranslation, DeclaredAndKnownParametersAreNumberedInOrder) {
  TranslatedSql declared = TranslateJetSql("PARAMETERS pName Text(50), pId Long; Select * From T Where A = pId And B = [pName]");
  EXPECT_EQ(declared.sql, "Select * From T Where A = ?2 And B = ?1");
  ASSERT_EQ(declared.parameters.size(), 2u);
  EXPECT_EQ(declared.parameters[0].name, "pName");
  EXPECT_EQ(declared.parameters[0].declaredType, dbText);
  EXPECT_EQ(declared.parameters[1].declaredType, dbLong);

  TranslatedSql known = TranslateJetSql("Select * From T Where A = [pB] Or B = [pA] Or C = [PB]", {"pA", "pB"});
  EXPECT_EQ(known.sql, "Select * From T Where A = ?1 Or B = ?2 Or C = ?1");
  ASSERT_EQ(known.parameters.size(), 2u);
  EXPECT_EQ(known.parameters[0].name, "pB");
}

TEST(JetSqlTranslation, LiteralsOfConditionsAreBoundAfterTheParameters) {
  TranslatedSql bound = TranslateJetSql(
      "Select 'x', SongID From Songs A Where A.SongGenre = 'Rock' And A.SongID > [pMin] And A.SongDate < #1/2/1900# "
      "And A.SongID In (Select 1 From T) Group By SongID, 2 Order By 2, SongID",
      {"pMin"});
  EXPECT_EQ(bound.sql,
            "Select 'x', SongID From Songs A Where A.SongGenre = ?2 COLLATE NOCASE And A.SongID > ?1 And "
            "A.SongDate < ?3 And A.SongID In (Select ?4 From T) Group By SongID, 2 Order By 2, SongID");
  ASSERT_EQ(bound.literals.size(), 3u);
  EXPECT_EQ(bound.literals[0].text, "Rock");
  EXPECT_DOUBLE_EQ(bound.literals[1].real, 3.0);
  EXPECT_EQ(bound.literals[2].integer, 1);
  TranslatedSql values = TranslateJetSql("INSERT INTO QuavParms Values ('DatabaseVersion', '04.00');");
  EXPECT_EQ(values.sql, "INSERT INTO QuavParms Values (?1 COLLATE NOCASE, ?2 COLLATE NOCASE)");
  EXPECT_EQ(values.literals[1].text, "04.00");
}

TEST(JetSqlTranslation, SelectShapeTellsUpdatableStatements) {
  TranslatedSql single = TranslateJetSql("Select A.SongID, A.SongName From Songs A Where A.SongID = 1");
  EXPECT_TRUE(single.shape.singleTable);
  EXPECT_EQ(single.shape.table, "Songs");
  EXPECT_EQ(single.shape.qualifier, "\"A\"");
  EXPECT_EQ(single.sql.substr(single.shape.fromOffset, 4), "From");
  EXPECT_FALSE(TranslateJetSql("Select A.SongID From Songs A, SongGenre B Where A.SongID = B.SongID").shape.singleTable);
  EXPECT_FALSE(TranslateJetSql("Select SongArtist, Count(*) From Songs Group By SongArtist").shape.singleTable);
  EXPECT_FALSE(TranslateJetSql("Select Max(SongID) From Songs").shape.singleTable);
  EXPECT_FALSE(TranslateJetSql("Select Distinct SongArtist From Songs").shape.singleTable);
}

TEST(JetSqlTranslation, FaultyTextsRaiseTheEngineErrors) {
  EXPECT_EQ(DaoErrorOf([] { TranslateJetSql("Select 1 From T; Select 2 From T"); }), kDaoErrCharsAfterEnd);
  EXPECT_EQ(DaoErrorOf([] { TranslateJetSql("Select * From T Where D = #13/45/2000#"); }), kDaoErrSyntaxInExpression);
  EXPECT_EQ(DaoErrorOf([] { TranslateJetSql("Select * From T Where A = 'open"); }), kDaoErrSyntaxInExpression);
  EXPECT_EQ(DaoErrorOf([] { TranslateJetSql("Frobnicate T"); }), kDaoErrInvalidSql);
  EXPECT_EQ(DaoErrorOf([] { TranslateJetSql("CREATE TABLE T (A WIDGET)"); }), 3292);
}

TEST(JetSqlTranslation, CreateTableIsReadIntoFieldsAndIndexes) {
  TranslatedSql ddl = TranslateJetSql(
      "CREATE TABLE Cue (ID COUNTER, SongID LONG NOT NULL, Name TEXT(32) NOT NULL, Num SHORT, Flag YESNO, "
      "Note MEMO, CONSTRAINT PrimaryKey PRIMARY KEY (SongID, Name))");
  EXPECT_EQ(ddl.kind, StatementKind::CreateTable);
  EXPECT_EQ(ddl.table, "Cue");
  ASSERT_EQ(ddl.fields.size(), 6u);
  EXPECT_TRUE(ddl.fields[0].m_lAttributes & dbAutoIncrField);
  EXPECT_EQ(ddl.fields[1].m_nType, dbLong);
  EXPECT_TRUE(ddl.fields[1].m_bRequired);
  EXPECT_EQ(ddl.fields[2].m_nType, dbText);
  EXPECT_EQ(ddl.fields[2].m_lSize, 32);
  EXPECT_EQ(ddl.fields[3].m_nType, dbInteger);
  EXPECT_EQ(ddl.fields[4].m_nType, dbBoolean);
  EXPECT_EQ(ddl.fields[5].m_nType, dbMemo);
  ASSERT_EQ(ddl.indexes.size(), 1u);
  EXPECT_TRUE(ddl.indexes[0].m_bPrimary);
  ASSERT_EQ(ddl.indexFields[0].size(), 2u);
  EXPECT_EQ(ddl.indexFields[0][1].m_strName, "Name");

  TranslatedSql index = TranslateJetSql("CREATE UNIQUE  INDEX PrimaryKey ON CueList(       SongID,       CueDescription DESC);");
  EXPECT_EQ(index.kind, StatementKind::CreateIndex);
  EXPECT_EQ(index.table, "CueList");
  EXPECT_TRUE(index.indexes[0].m_bUnique);
  EXPECT_TRUE(index.indexFields[0][1].m_bDescending);
}

// Every cut of a statement, and bytes of every kind, give a translation or an engine error, never
// a crash or a hang.
TEST(JetSqlTranslation, TruncatedAndOddTextsFailCleanly) {
  const std::string statements[] = {
      "PARAMETERS [p Name] Text(20), pId Long; Select Top 3 A.[Song Name], Count(*) From [My Songs] A Where A.X Like "
      "'a[!b-d]#*' And A.D Between #1/1/2000# And #12/31/2000 11:59:59 PM# Group By A.[Song Name] Order By 2 Desc;",
      "Delete A.* From SongGenre A Where Not Exists (Select * From Songs B Where B.SongID = A.SongID);",
      "CREATE TABLE T (A TEXT(10) NOT NULL, B COUNTER, CONSTRAINT PrimaryKey PRIMARY KEY (B DESC)) ",
      "Update Songs A Set A.N = \"x\" & [p], A.M = IIf(A.M Mod 2 = 0, True, False) Where A.ID In (1, 2, 3)"};
  int translated = 0;
  for (const std::string& statement : statements) {
    for (std::size_t length = 0; length <= statement.size(); ++length) {
      long error = DaoErrorOf([&] { TranslateJetSql(statement.substr(0, length), {"p"}); });
      if (error == 0) ++translated;
    }
  }
  EXPECT_GT(translated, 0);
  std::string bytes;
  for (int byte = 1; byte < 256; ++byte) bytes += static_cast<char>(byte);
  DaoErrorOf([&] { TranslateJetSql("Select " + bytes + " From T"); });
  EXPECT_EQ(DaoErrorOf([&] { TranslateJetSql(""); }), kDaoErrInvalidSql);
  EXPECT_EQ(DaoErrorOf([&] { TranslateJetSql("   ;  "); }), kDaoErrInvalidSql);
}

// A column matched with a pattern that starts with plain text also gets that prefix's range, so that
// an index on the column serves the Like; every other use of Like stays as written.
TEST(JetLikeRange, APlainPrefixAddsItsRangeBesideTheLike) {
  TranslatedSql translated = TranslateJetSql("Select SongID From Songs A Where A.SongArtist Like 'Be*' Order by A.SongName");
  EXPECT_EQ(translated.sql,
            "Select SongID From Songs A Where (A.SongArtist LIKE ?1 COLLATE NOCASE AND A.SongArtist >= ?2 COLLATE NOCASE "
            "AND A.SongArtist < ?3 COLLATE NOCASE) Order by A.SongName");
  ASSERT_EQ(translated.literals.size(), 3u);
  EXPECT_EQ(translated.literals[0].text, "Be*");
  EXPECT_EQ(translated.literals[1].text, "Be");
  EXPECT_EQ(translated.literals[2].text, "Bf");
  EXPECT_EQ(TranslateJetSql("Select * From T Where (Name Like 'B*')").literals.at(2).text, "c");
  EXPECT_EQ(TranslateJetSql("Delete From T Where Not [Song Name] Like 'x*' And Id > 3").sql,
            "Delete From T Where Not (\"Song Name\" LIKE ?1 COLLATE NOCASE AND \"Song Name\" >= ?2 COLLATE NOCASE AND "
            "\"Song Name\" < ?3 COLLATE NOCASE) And Id > ?4");
}

TEST(JetLikeRange, OtherLikesStayAsWritten) {
  const char* const kept[] = {
      "Select * From T Where Name Like '*x'",           // no plain prefix
      "Select * From T Where Name Like '12*'",          // a number column would compare the bound as a number
      "Select * From T Where Name Not Like 'x*'",       // the range would keep the wrong rows
      "Select * From T Where 'a' & Name Like 'x*'",     // the column is not the whole operand
      "Select * From T Where Name Like 'x*' & Other",   // nor is the text the whole pattern
      "Select * From T Where Id Between 1 And Name Like 'x*'",
      "Select Name Like 'x*' From T",                   // a value of the select list
      "Select * From T Where Null Like 'x*'",
  };
  for (const char* statement : kept)
    EXPECT_EQ(TranslateJetSql(statement).sql.find(">="), std::string::npos) << statement;
  TranslatedSql withParameter = TranslateJetSql("Select * From T Where Who Like 'x*'", {"Who"});
  EXPECT_EQ(withParameter.sql, "Select * From T Where ?1 Like ?2 COLLATE NOCASE");
}

struct PrefixRange {
  const char* pattern;
  const char* low;   // null: no range
  const char* high;
};

void PrintTo(const PrefixRange& range, std::ostream* out) { *out << range.pattern; }

class JetLikePrefix : public ::testing::TestWithParam<PrefixRange> {};

TEST_P(JetLikePrefix, GivesTheRangeOfTheTextOrder) {
  std::string low;
  std::string high;
  bool found = JetLikePrefixRange(GetParam().pattern, &low, &high);
  ASSERT_EQ(found, GetParam().low != nullptr);
  if (!found) return;
  EXPECT_EQ(low, GetParam().low);
  EXPECT_EQ(high, GetParam().high);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, JetLikePrefix,
    ::testing::Values(PrefixRange{"B*", "B", "c"}, PrefixRange{"abc?d", "abc", "abd"}, PrefixRange{"Why[?]", "Why", "Whz"},
                      PrefixRange{"Track #", "Track ", "Track!"}, PrefixRange{"100%*", "100%", "100&"},
                      PrefixRange{"z*", "z", "{"}, PrefixRange{"@*", "@", "["},  // 'A'..'Z' sort as 'a'..'z'
                      PrefixRange{"\xC9*", "\xC9", "\xEA"},                        // É: up to ê
                      PrefixRange{"a\xFF*", "a\xFF", "b"},                          // ÿ is last: the range ends after "a"
                      PrefixRange{"\xFF*", nullptr, nullptr}, PrefixRange{"*B", nullptr, nullptr},
                      PrefixRange{"[B]*", nullptr, nullptr}, PrefixRange{"1e*", nullptr, nullptr},
                      PrefixRange{"E*", "E", "f"}, PrefixRange{"1*", nullptr, nullptr}),
    [](const ::testing::TestParamInfo<PrefixRange>& info) { return testing::CaseName(info.param.pattern, info.index); });

struct LikeCase {
  const char* text;
  const char* pattern;
  bool matches;
};

void PrintTo(const LikeCase& like, std::ostream* out) { *out << like.text << " Like " << like.pattern; }

class JetLike : public ::testing::TestWithParam<LikeCase> {};

TEST_P(JetLike, MatchesAsTheEngineDoes) {
  EXPECT_EQ(JetLikeMatch(GetParam().text, GetParam().pattern), GetParam().matches)
      << GetParam().text << " Like " << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, JetLike,
    ::testing::Values(LikeCase{"Abba", "a*", true}, LikeCase{"Abba", "A?BA", true}, LikeCase{"Abba", "A?B", false},
                      LikeCase{"100%", "100%", true}, LikeCase{"1000", "100%", false}, LikeCase{"a_b", "a_b", true},
                      LikeCase{"axb", "a_b", false}, LikeCase{"Track 7", "Track #", true},
                      LikeCase{"Track x", "Track #", false}, LikeCase{"Beatles", "[A-C]*", true},
                      LikeCase{"Zeppelin", "[!A-C]*", true}, LikeCase{"Beatles", "[!A-C]*", false},
                      LikeCase{"a*b", "a[*]b", true}, LikeCase{"axb", "a[*]b", false},
                      LikeCase{"\xC9" "clair", "\xE9*", true}, LikeCase{"", "*", true}, LikeCase{"x", "", false},
                      LikeCase{"[abc", "[abc", true}, LikeCase{"abcb", "a*b", true}, LikeCase{"Why?", "Why[?]", true},
                      LikeCase{"Whyx", "Why[?]", false}, LikeCase{"The Who", "*who*", true}),
    [](const ::testing::TestParamInfo<LikeCase>& info) {
      return testing::CaseName(std::string(info.param.text) + " Like " + info.param.pattern, info.index);
    });

}  // namespace
}  // namespace qh::dao
