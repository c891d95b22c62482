// The daily log file of the jukebox: one file "QHLog%Y%m%d.log" per calendar day in a log folder,
// one line per entry, and a cap on the lines written per opening of the file.
#pragma once

#include <ctime>
#include <functional>
#include <mutex>
#include <string>

#include "platform/core/WinTypes.h"

class DailyLogFile {
 public:
  using Clock = std::function<std::time_t()>;

  static constexpr LONG kDefaultMaxRecords = 5000;

  explicit DailyLogFile(Clock clock = nullptr);
  ~DailyLogFile();
  DailyLogFile(const DailyLogFile&) = delete;
  DailyLogFile& operator=(const DailyLogFile&) = delete;

  // The folder is a path of the system (drive letter or host path); it is neither tested nor created.
  void SetFolder(const std::string& folder);
  const std::string& Folder() const { return m_folder; }

  // Values of zero or below leave the maximum as it is.
  void SetMaxRecords(LONG maxRecords);
  LONG MaxRecords() const { return m_maxRecords; }

  // S_OK when the line was written; E_FAIL when the file cannot be opened or written, or when the
  // line cap was reached (then the limit line is written and the file closed; the next call reopens).
  HRESULT Write(const std::string& level, const std::string& component, const std::string& text);

  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  LONG RecordCount() const { return m_recordCount; }

  // The name of the day's file for a time, in local time.
  static std::string FileNameFor(std::time_t when);

 private:
  static std::string timeStamp(const std::tm& local);
  bool sameDay(const std::tm& a, const std::tm& b) const;
  bool openForDay(std::time_t now);
  bool appendLine(const std::string& line);
  void closeLocked();

  Clock m_clock;
  std::string m_folder = "C:\\";
  int m_fd = -1;
  std::time_t m_lastWrite;
  LONG m_maxRecords = kDefaultMaxRecords;
  LONG m_recordCount = 0;
  // One writer at a time, so that lines from several threads never interleave or get lost.
  std::mutex m_mutex;
};
