// What the options dialog tells about the album data: its row and index counts and its load date.
#include "dblib/AlbumDb.h"
#include "dblib/DaoErrorReport.h"
#include "dblib/MediaScan.h"
#include "dblib/QuavParmsSet.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoTableDef.h"

namespace {

template <typename Figure>
LONG TableFigures(CDaoDatabase* database, LONG& trackFigure, Figure&& figure) {
  try {
    CDaoTableDef albums(database);
    albums.Open("Albums");
    LONG albumFigure = figure(albums);
    CDaoTableDef tracks(database);
    tracks.Open("Tracks");
    trackFigure = figure(tracks);
    return albumFigure;
  } catch (CDaoException* e) {
    ReportDaoException(e);
    return -1;
  }
}

}  // namespace

LONG tQHFRDb::GetRecordCounts(LONG& trackCount) {
  if (!m_pDatabase) return -1;
  return TableFigures(m_pDatabase.get(), trackCount, [](CDaoTableDef& table) { return table.GetRecordCount(); });
}

LONG tQHFRDb::GetIndexCounts(LONG& trackIndexCount) {
  if (!m_pDatabase) return -1;
  return TableFigures(m_pDatabase.get(), trackIndexCount,
                      [](CDaoTableDef& table) { return static_cast<LONG>(table.GetIndexCount()); });
}

COleDateTime tQHFRDb::GetLoadDate() {
  COleDateTime date;
  date.SetStatus(COleDateTime::invalid);
  if (!m_pDatabase) return date;
  try {
    CQuavParmsSet parameters(m_pDatabase.get());
    parameters.m_strFilter = "ParmName = 'LoadDate'";
    parameters.Open(dbOpenSnapshot, nullptr, dbForwardOnly);
    if (!parameters.IsEOF()) qh::dblib::ParseDayText(parameters.m_ParmValue, 1, 9999, date);
    parameters.Close();
  } catch (CDaoException* e) {
    e->Delete();
  }
  return date;
}
