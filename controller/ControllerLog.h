// The controller's text log: one line per event, the 24 characters of ctime's form, ":: " and the
// text, written and flushed at once. Without an open file nothing is written and nothing fails.
#pragma once

#include <cstdio>
#include <ctime>

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
  bool IsOpen() const { return m_file != nullptr; }
  // Line breaks and other control characters of the text become blanks, so a text that came from a
  // browser or a device can never start a line of its own.
  void WriteLog(const CString& text);

  // "Thu Dec 10 17:29:37 2026:: text" without the line end.
  static CString FormatLine(std::time_t when, const CString& text);

 private:
  std::FILE* m_file = nullptr;
};
