// The database check report "DbCheck.txt": the fixed check script (listing suspicious rows and deleting
// orphans), then the songs whose media file is missing. The backup that comes first is the caller's.
#pragma once

#include <functional>

#include "platform/core/CString.h"

class CFile;
class CDaoDatabase;

// One step of the check script: 'Q' lists the rows of a select under a heading, 'X' runs a delete.
struct DbCheckStep {
  char kind;
  const char* text;
  const char* sql;
};
extern const DbCheckStep kDbCheckScript[];
extern const int kDbCheckStepCount;

class CDatabaseCheck {
 public:
  using StatusSink = std::function<void(const CString&)>;

  CDatabaseCheck(const CString& databaseFolder, StatusSink status);

  // "<folder>\DbCheck.txt".
  CString ReportFile() const;

  // Writes the report. True when the check ran to its end (ErrorCount then holds the errors); false when
  // it stopped early, after its message was shown.
  bool Run();
  int ErrorCount() const { return m_errorCount; }

 private:
  void WriteText(const CString& text);
  void WriteHeader();
  void RunScript(CDaoDatabase& database);
  void ListRows(CDaoDatabase& database, const DbCheckStep& step);
  void DeleteRows(CDaoDatabase& database, const DbCheckStep& step);
  bool CheckMediaFiles(CDaoDatabase& database);
  void WriteTrailer();

  CString m_folder;
  StatusSink m_status;
  CFile* m_report = nullptr;
  int m_errorCount = 0;
};
