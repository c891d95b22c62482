#include "dblib/AlbumDb.h"

#include <new>

#include "dblib/DaoErrorReport.h"
#include "dblib/DaoStep.h"
#include "dblib/QuavParmsSet.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/ui/MessageBox.h"

const char* const tQHFRDb::kMessageTexts[2] = {
    "QHFRDB: An unknown error was encountered. Please contact tech support with this information.",
    "QHFRDB: The database version is not correct. Please run the Shiftover utility to upgrade the database.",
};

namespace {

const char kOutOfMemoryText[] = "Out of memory.";

void ShowStopMessage(const char* text) { AfxMessageBox(text, MB_OK | MB_ICONSTOP); }

bool HasErrorCode(CDaoException* e, long code) {
  for (int index = 0; index < e->GetErrorCount(); ++index) {
    e->GetErrorInfo(index);
    if (e->m_pErrorInfo != nullptr && e->m_pErrorInfo->m_lErrorCode == code) return true;
  }
  return false;
}

// Runs one query operation: a step that fails with engine error 3075 starts again (at most five
// times); any other engine error is reported and gives `failure`. With `allErrors` out-of-memory and
// anything else are shown too; without it they reach the caller.
template <typename Result, typename Step>
Result RunGuarded(Result failure, bool allErrors, Step&& step) {
  try {
    qh::dblib::DaoRetry retry;
    return retry.Run(step);
  } catch (CDaoException* e) {
    ReportDaoException(e);
    return failure;
  } catch (const std::bad_alloc&) {
    if (!allErrors) throw;
    ShowStopMessage(kOutOfMemoryText);
    return failure;
  } catch (...) {
    if (!allErrors) throw;
    qh::dblib::DeleteCaughtFrameworkException();
    ShowStopMessage(tQHFRDb::kMessageTexts[0]);
    return failure;
  }
}

// Column values are taken only when they hold the stated type; anything else leaves the output.
void TakeText(const COleVariant& value, CString& out) {
  if (value.vt == VT_BSTR) out = value.bstrVal;
}
void TakeByte(const COleVariant& value, BYTE& out) {
  if (value.vt == VT_UI1) out = value.bVal;
}
void TakeShort(const COleVariant& value, SHORT& out) {
  if (value.vt == VT_I2) out = value.iVal;
}
void TakeDate(const COleVariant& value, COleDateTime& out) {
  if (value.vt == VT_DATE) out = COleDateTime(value.date);
}

COleVariant DiscIdParameter(DWORD discId) { return COleVariant(static_cast<LONG>(discId)); }

}  // namespace

tQHFRDb::tQHFRDb() = default;

tQHFRDb::~tQHFRDb() {
  // A failing close must not leave a destructor: the engine's error is dropped with the object.
  try {
    Close();
  } catch (...) {
    qh::dblib::DeleteCaughtFrameworkException();
  }
}

int tQHFRDb::Open(const CString& filePath, BOOL exclusive, BOOL readOnly) {
  Close();
  try {
    m_pDatabase = std::make_unique<CDaoDatabase>();
    m_pDatabase->Open(filePath, exclusive, readOnly, "");
    if (GetDatabaseVersion() == kExpectedVersion) return 1;
    Close();
    ShowStopMessage(kMessageTexts[1]);
    return 0;
  } catch (CDaoException* e) {
    Close();
    // A missing album file only leaves the album lookup unavailable.
    if (HasErrorCode(e, kDaoErrFileNotFound))
      e->Delete();
    else
      ReportDaoException(e);
  } catch (const std::bad_alloc&) {
    Close();
    ShowStopMessage(kOutOfMemoryText);
  } catch (...) {
    qh::dblib::DeleteCaughtFrameworkException();
    Close();
    ShowStopMessage(kMessageTexts[0]);
  }
  return 0;
}

void tQHFRDb::Close() {
  for (std::unique_ptr<CDaoRecordset>* recordset : {&m_pAlbumSet, &m_pTrackSet}) {
    if (*recordset && (*recordset)->IsOpen()) (*recordset)->Close();
    recordset->reset();
  }
  for (std::unique_ptr<CDaoQueryDef>* query : {&m_pAlbumDetailQuery, &m_pAlbumListQuery, &m_pTrackQuery, &m_pCountQuery}) {
    if (*query && (*query)->IsOpen()) (*query)->Close();
    query->reset();
  }
  if (m_pDatabase && m_pDatabase->IsOpen()) m_pDatabase->Close();
  m_pDatabase.reset();
}

double tQHFRDb::GetDatabaseVersion() {
  if (!m_pDatabase) return 0.0;
  return ReadParameterNumber(m_pDatabase.get(), "DatabaseVersion");
}

CDaoQueryDef& tQHFRDb::Query(std::unique_ptr<CDaoQueryDef>& query, const char* name) {
  if (!query) {
    auto opened = std::make_unique<CDaoQueryDef>(m_pDatabase.get());
    opened->Open(name);
    query = std::move(opened);
  }
  return *query;
}

CDaoRecordset& tQHFRDb::Recordset(std::unique_ptr<CDaoRecordset>& recordset) {
  if (!recordset) recordset = std::make_unique<CDaoRecordset>(m_pDatabase.get());
  return *recordset;
}

void tQHFRDb::OpenOn(CDaoRecordset& recordset, CDaoQueryDef& query) {
  if (recordset.IsOpen()) recordset.Close();
  recordset.Open(&query, dbOpenSnapshot, dbForwardOnly);
}

LONG tQHFRDb::CountDiscID(DWORD discId) {
  if (!m_pDatabase) return -1;
  return RunGuarded<LONG>(-1, true, [&]() -> LONG {
    CDaoQueryDef& query = Query(m_pCountQuery, "qryCountDiscID");
    query.SetParamValue(0, DiscIdParameter(discId));
    CDaoRecordset counts(m_pDatabase.get());
    counts.Open(&query, dbOpenSnapshot, dbForwardOnly);
    LONG count = 0;
    if (!counts.IsEOF()) {
      COleVariant value = counts.GetFieldValue(0);
      if (value.vt == VT_I4) count = value.lVal;
    }
    counts.Close();
    return count;
  });
}

int tQHFRDb::OpenAlbumInfo(DWORD discId) {
  if (!m_pDatabase) return 0;
  return RunGuarded(0, true, [&]() {
    CDaoQueryDef& query = Query(m_pAlbumListQuery, "qryOpenAlbumInfo");
    query.SetParamValue(0, DiscIdParameter(discId));
    OpenOn(Recordset(m_pAlbumSet), query);
    return 1;
  });
}

int tQHFRDb::NextAlbumInfo(BYTE& albumNumber, CString& text1, CString& text2, CString& text3, SHORT& number,
                           COleDateTime& date) {
  if (!m_pAlbumSet || !m_pAlbumSet->IsOpen()) return 0;
  return RunGuarded(0, true, [&]() {
    if (m_pAlbumSet->IsEOF()) return 0;
    TakeByte(m_pAlbumSet->GetFieldValue(0), albumNumber);
    TakeText(m_pAlbumSet->GetFieldValue(1), text1);
    TakeText(m_pAlbumSet->GetFieldValue(2), text2);
    TakeText(m_pAlbumSet->GetFieldValue(3), text3);
    TakeShort(m_pAlbumSet->GetFieldValue(4), number);
    TakeDate(m_pAlbumSet->GetFieldValue(5), date);
    m_pAlbumSet->MoveNext();
    return 1;
  });
}

void tQHFRDb::CloseAlbumInfo() {
  if (m_pAlbumSet && m_pAlbumSet->IsOpen()) m_pAlbumSet->Close();
}

int tQHFRDb::GetAlbumInfo(DWORD discId, BYTE albumNumber, CString& text1, CString& text2, CString& text3,
                          SHORT& number, COleDateTime& date) {
  if (!m_pDatabase) return 0;
  int found = RunGuarded(0, false, [&]() {
    CDaoQueryDef& query = Query(m_pAlbumDetailQuery, "qryGetAlbumInfo");
    query.SetParamValue(0, DiscIdParameter(discId));
    query.SetParamValue(1, COleVariant(albumNumber));
    CDaoRecordset& album = Recordset(m_pAlbumSet);
    OpenOn(album, query);
    if (album.IsEOF()) return 0;
    TakeText(album.GetFieldValue(0), text1);
    TakeText(album.GetFieldValue(1), text2);
    TakeText(album.GetFieldValue(2), text3);
    TakeShort(album.GetFieldValue(3), number);
    TakeDate(album.GetFieldValue(4), date);
    return 1;
  });
  CloseAlbumInfo();
  return found;
}

int tQHFRDb::OpenTrackInfo(DWORD discId, BYTE albumNumber) {
  if (!m_pDatabase) return 0;
  return RunGuarded(0, true, [&]() {
    CDaoQueryDef& query = Query(m_pTrackQuery, "qryGetTrackInfo");
    query.SetParamValue(0, DiscIdParameter(discId));
    query.SetParamValue(1, COleVariant(albumNumber));
    OpenOn(Recordset(m_pTrackSet), query);
    return 1;
  });
}

int tQHFRDb::NextTrackInfo(BYTE& trackNumber, CString& title) {
  if (!m_pTrackSet || !m_pTrackSet->IsOpen()) return 0;
  return RunGuarded(0, true, [&]() {
    if (m_pTrackSet->IsEOF()) return 0;
    TakeByte(m_pTrackSet->GetFieldValue(0), trackNumber);
    TakeText(m_pTrackSet->GetFieldValue(1), title);
    m_pTrackSet->MoveNext();
    return 1;
  });
}

void tQHFRDb::CloseTrackInfo() {
  if (m_pTrackSet && m_pTrackSet->IsOpen()) m_pTrackSet->Close();
}
