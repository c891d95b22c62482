// Pieces of the controller's log and status lines: numbers in decimal, and thread ids as "0x" and
// eight upper-case hexadecimal digits after the kind of thread ("Handler thread 0x00001008").
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

inline CString Decimal(LONG value) {
  CString text;
  text.Format("%ld", value);
  return text;
}

inline CString ThreadLabel(const char* kind, DWORD threadId) {
  CString text;
  text.Format("%s thread 0x%08lX", kind, threadId);
  return text;
}
