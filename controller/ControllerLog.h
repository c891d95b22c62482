// The controller's text log: one line per event, the 24 characters of ctime's form, ":: " and the
// text. Without an open file nothing is written and nothing fails.
//
// Each line reaches the file with one write on a descriptor opened for appending, before its call
// returns: lines keep the order of their calls, never interleave, and a line whose call returned is
// in the file whatever becomes of the program (kill -9 included). Nothing waits for the disk on the
// way: the system writes the file back in its own time, as it did after the stream's flush.
#pragma once

#include <atomic>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/core/CString.h"

class CControllerLog {
 public:
  CControllerLog() = default;
  CControllerLog(const CControllerLog&) = delete;
  CControllerLog& operator=(const CControllerLog&) = delete;
  ~CControllerLog() { Close(); }

  // Opens `path` (a path of the system) for appending; false when it cannot be opened.
  bool Open(const CString& path);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  // Line breaks and other control characters of the text become blanks, so a text that came from a
  // browser or a device can never start a line of its own. A line that cannot be written is lost
  // (as the stream's bad state left it); HasFailed tells.
  void WriteLog(const CString& text);
  // True once a line could not be written whole since the file was opened.
  bool HasFailed() const { return m_failed.load(); }

  // "Thu Dec 10 17:29:37 2026:: text" without the line end.
  static CString FormatLine(std::time_t when, const CString& text);

 private:
  // Appends the line (without its end) to `out`.
  static void AppendLine(std::string& out, std::time_t when, std::string_view text);

  int m_fd = -1;
  std::atomic<bool> m_failed{false};
};
