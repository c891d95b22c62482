#include "dblib/tests/media/AlbumDbFixture.h"

#include "platform/dao/Dao.h"

namespace qh::dblib::media_testing {
namespace {

struct Field {
  const char* name;
  short type;
  long size;
  bool required;
};

void CreateTable(CDaoDatabase& database, const char* name, std::initializer_list<Field> fields) {
  CDaoTableDef table(&database);
  table.Create(name);
  for (const Field& field : fields) {
    CDaoFieldInfo info;
    info.m_strName = field.name;
    info.m_nType = field.type;
    info.m_lSize = field.size;
    info.m_lAttributes = dbVariableField;
    info.m_nOrdinalPosition = 0;
    info.m_bRequired = field.required ? TRUE : FALSE;
    info.m_bAllowZeroLength = TRUE;
    info.m_lCollatingOrder = dbSortGeneral;
    table.CreateField(info);
  }
  table.Append();
  table.Close();
}

void CreateQuery(CDaoDatabase& database, const char* name, const char* sql) {
  CDaoQueryDef query(&database);
  query.Create(name, sql);
  query.Append();
  query.Close();
}

}  // namespace

void CreateAlbumDatabase(const CString& filePath, const char* version) {
  CDaoDatabase database;
  database.Create(filePath, ";LANGID=0x0409;CP=1252;COUNTRY=0");
  CreateTable(database, "Albums",
              {{"DiscID", dbLong, 4, true},
               {"AlbumNumber", dbByte, 1, true},
               {"AlbumTitle", dbText, 80, false},
               {"AlbumArtist", dbText, 80, false},
               {"AlbumGenre", dbText, 40, false},
               {"AlbumYear", dbInteger, 2, false},
               {"AlbumDate", dbDate, 8, false}});
  CreateTable(database, "Tracks",
              {{"DiscID", dbLong, 4, true},
               {"AlbumNumber", dbByte, 1, true},
               {"TrackNumber", dbByte, 1, true},
               {"TrackTitle", dbText, 80, false}});
  CreateTable(database, "QuavParms", {{"ParmName", dbText, 20, true}, {"ParmValue", dbText, 20, false}});
  database.Execute("CREATE UNIQUE INDEX PrimaryKey ON Albums(DiscID, AlbumNumber);", dbFailOnError);
  database.Execute("CREATE UNIQUE INDEX PrimaryKey ON Tracks(DiscID, AlbumNumber, TrackNumber);", dbFailOnError);
  database.Execute("CREATE UNIQUE INDEX PrimaryKey ON QuavParms(ParmName);", dbFailOnError);

  CreateQuery(database, "qryCountDiscID", "SELECT Count(*) FROM Albums WHERE DiscID = [pDiscID]; ");
  CreateQuery(database, "qryOpenAlbumInfo",
              "SELECT AlbumNumber, AlbumTitle, AlbumArtist, AlbumGenre, AlbumYear, AlbumDate FROM Albums "
              "WHERE DiscID = [pDiscID] ORDER BY AlbumNumber; ");
  CreateQuery(database, "qryGetAlbumInfo",
              "SELECT AlbumTitle, AlbumArtist, AlbumGenre, AlbumYear, AlbumDate FROM Albums "
              "WHERE DiscID = [pDiscID] AND AlbumNumber = [pAlbumNumber]; ");
  CreateQuery(database, "qryGetTrackInfo",
              "SELECT TrackNumber, TrackTitle FROM Tracks WHERE DiscID = [pDiscID] AND AlbumNumber = [pAlbumNumber] "
              "ORDER BY TrackNumber; ");

  CString sql;
  sql.Format("Insert Into QuavParms (ParmName, ParmValue) Values ('DatabaseVersion', '%s')", version);
  database.Execute(sql, dbFailOnError);
  const LONG three = static_cast<LONG>(kThreeAlbumDisc);
  const LONG one = static_cast<LONG>(kOneAlbumDisc);
  sql.Format("Insert Into Albums Values (%ld, 1, 'First Pressing', 'The Band', 'Rock', 1987, #5/1/1987#)", static_cast<long>(three));
  database.Execute(sql, dbFailOnError);
  sql.Format("Insert Into Albums Values (%ld, 2, 'Remaster', 'The Band', 'Rock', Null, #6/2/2001#)", static_cast<long>(three));
  database.Execute(sql, dbFailOnError);
  sql.Format("Insert Into Albums Values (%ld, 3, 'Caf\xE9 Live', 'Band & Friends', 'Jazz', 1999, Null)", static_cast<long>(three));
  database.Execute(sql, dbFailOnError);
  sql.Format("Insert Into Albums Values (%ld, 1, 'Single', 'Solo', 'Pop', 2004, #12/31/2004#)", static_cast<long>(one));
  database.Execute(sql, dbFailOnError);
  const char* titles[] = {"Intro", "It's Here", "Middle", "Outro"};
  for (int track = 4; track >= 1; --track) {
    CString title = titles[track - 1];
    title.Replace("'", "''");
    sql.Format("Insert Into Tracks Values (%ld, 1, %d, '%s')", static_cast<long>(one), track, title.GetString());
    database.Execute(sql, dbFailOnError);
  }
  database.Close();
}

}  // namespace qh::dblib::media_testing
