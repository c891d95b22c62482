// The recorder's HTML report ("<database folder>\Temp\Cover.htm"): a Summary table or a Detail block
// per song, written piece by piece and then opened with the shell's default action. Every text from
// the library is HTML-escaped: names and comments come from tags and CD lookups off the network.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/File.h"

class tSong;

enum class ReportKind { Summary = 0, Detail = 1 };

struct tReportRequest {
  ReportKind kind = ReportKind::Summary;
  CString title;
  CString secondHeading;  // the playlist's running time or the search's sort description
  bool playlist = false;  // "Total Running Time - %s" heading and the playlist's head line
};

class CHtmlReport {
 public:
  explicit CHtmlReport(const tReportRequest& request) : m_request(request) {}
  // Writes the whole report to the file (replacing it); false when it could not be written.
  bool Write(const CString& filePath, const std::vector<tSong*>& songs);
  // The report as one text (what Write puts in the file).
  CString Compose(const std::vector<tSong*>& songs) const;

 private:
  CString Head() const;
  CString SongRows(tSong& song) const;
  CString Foot() const;
  tReportRequest m_request;
};

// Text safe inside HTML: & < > " and ' replaced by their entities.
CString HtmlEscape(const CString& text);
// "%s\Temp\Cover.htm" of the database folder, the folder made when missing.
CString ReportFilePath(const CString& databaseFolder);
// Opens the report with the shell's default action; false when no handler took it.
bool OpenReport(const CString& filePath, const CString& databaseFolder);
