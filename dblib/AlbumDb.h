// tQHFRDb: read access to the album-information database, a separate file in the song database folder
// that lists CD albums and their tracks by CD disc id. All access goes through four stored queries of
// that file with positional parameters:
//   qryCountDiscID   (disc id)                -> number of albums
//   qryOpenAlbumInfo (disc id)                -> album number, three texts, a 16-bit number, a date
//   qryGetAlbumInfo  (disc id, album number)  -> three texts, a 16-bit number, a date
//   qryGetTrackInfo  (disc id, album number)  -> track number, title
// The file is only read here. Errors are shown in the platform's message box with a stop icon and
// reported by the results.
#pragma once

#include <memory>

#include "platform/core/CString.h"
#include "platform/core/DateTime.h"
#include "platform/core/WinTypes.h"

class CDaoDatabase;
class CDaoQueryDef;
class CDaoRecordset;

class tQHFRDb {
 public:
  static constexpr double kExpectedVersion = 2.7;
  static const char* const kMessageTexts[2];  // QHFRDB texts 0 (unknown error) and 1 (wrong version)

  tQHFRDb();
  virtual ~tQHFRDb();
  tQHFRDb(const tQHFRDb&) = delete;
  tQHFRDb& operator=(const tQHFRDb&) = delete;

  // 1 when the file opened with version 2.7. 0 otherwise: a missing file silently, a wrong version with
  // text 1, any other error reported. The database stays closed after a failure.
  int Open(const CString& filePath, BOOL exclusive, BOOL readOnly);
  void Close();
  bool IsOpen() const { return m_pDatabase != nullptr; }
  // The DatabaseVersion parameter as a number; 0.0 without the row.
  double GetDatabaseVersion();

  // Statistics of the album data (AlbumDbStats.cpp). -1 when the file is not open; otherwise the
  // Albums figure as the result and the Tracks figure in the output.
  LONG GetRecordCounts(LONG& trackCount);
  LONG GetIndexCounts(LONG& trackIndexCount);
  // The date of the QuavParms row LoadDate ("yyyy-mm-dd"), at midnight; invalid without one.
  COleDateTime GetLoadDate();

  // The number of albums of a disc; -1 without a database or after a reported error.
  LONG CountDiscID(DWORD discId);
  // The album list of a disc: Open (1, or 0), Next (1 per album, then 0), Close.
  int OpenAlbumInfo(DWORD discId);
  int NextAlbumInfo(BYTE& albumNumber, CString& text1, CString& text2, CString& text3, SHORT& number,
                    COleDateTime& date);
  void CloseAlbumInfo();
  // One album's details: 1 and the outputs, 0 when there is no such album. Shares the album list's
  // recordset and closes it, so a list walk must end first.
  int GetAlbumInfo(DWORD discId, BYTE albumNumber, CString& text1, CString& text2, CString& text3, SHORT& number,
                   COleDateTime& date);
  // The tracks of an album, as the album list.
  int OpenTrackInfo(DWORD discId, BYTE albumNumber);
  int NextTrackInfo(BYTE& trackNumber, CString& title);
  void CloseTrackInfo();

 private:
  CDaoQueryDef& Query(std::unique_ptr<CDaoQueryDef>& query, const char* name);
  CDaoRecordset& Recordset(std::unique_ptr<CDaoRecordset>& recordset);
  void OpenOn(CDaoRecordset& recordset, CDaoQueryDef& query);

  std::unique_ptr<CDaoDatabase> m_pDatabase;
  std::unique_ptr<CDaoQueryDef> m_pAlbumDetailQuery;
  std::unique_ptr<CDaoQueryDef> m_pAlbumListQuery;
  std::unique_ptr<CDaoQueryDef> m_pTrackQuery;
  std::unique_ptr<CDaoQueryDef> m_pCountQuery;
  std::unique_ptr<CDaoRecordset> m_pAlbumSet;
  std::unique_ptr<CDaoRecordset> m_pTrackSet;
};
