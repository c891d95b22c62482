// The daily log file of the jukebox: one file "QHLog%Y%m%d.log" per calendar day in a log folder,
// one line per entry, and a cap on the lines written per opening of the file.
//
// A line reaches the file (one write, in the order of the calls) before its call returns, so it
// survives the end of the program, however abrupt. Making it durable on the disk is the business of
// the log's own sync thread: lines are synced together, at most kSyncIntervalMs apart, so a caller
// (the jukebox's window thread) never waits for the disk. A power cut can lose the lines of the last
// interval, no more.
#pragma once

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/WinTypes.h"

class DailyLogFile {
 public:
  using Clock = std::function<std::time_t()>;

  static constexpr LONG kDefaultMaxRecords = 5000;
  static constexpr int kSyncIntervalMs = 50;

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

  // Closes the file; its last lines are synced by the sync thread, which closes it after them.
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
  // The sync thread: syncs the open file when lines were written since its last sync, and syncs and
  // closes the files handed over by closeLocked.
  void syncLoop();

  Clock m_clock;
  std::string m_folder = "C:\\";
  int m_fd = -1;
  std::time_t m_lastWrite;
  LONG m_maxRecords = kDefaultMaxRecords;
  LONG m_recordCount = 0;
  // One writer at a time, so that lines from several threads never interleave or get lost.
  std::mutex m_mutex;

  // Shared with the sync thread (under m_syncMutex, never held across a system call).
  std::mutex m_syncMutex;
  std::condition_variable m_syncWake;
  int m_syncFd = -1;            // the open file, as the sync thread knows it
  bool m_unsynced = false;      // lines written to m_syncFd since its last sync
  std::vector<int> m_toClose;   // closed files whose last lines still need their sync
  bool m_stopping = false;
  std::thread m_syncThread;
};
