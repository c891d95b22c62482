// Pieces of the controller's texts: numbers in decimal (signed or not, as their type), thread ids as
// "0x" and eight upper-case hexadecimal digits after the kind of thread ("Handler thread 0x00001008"),
// and the upper case of keywords, paths and page names (ASCII letters only, whatever the locale).
#pragma once

#include <concepts>
#include <string>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

template <std::integral Number>
CString Decimal(Number value) {
  const std::string text = std::to_string(value);
  return CString(text.c_str(), static_cast<int>(text.size()));
}

inline CString UpperAscii(const CString& text) {
  std::string out(text.view());
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return CString(out.c_str(), static_cast<int>(out.size()));
}

inline CString ThreadLabel(const char* kind, DWORD threadId) {
  CString text;
  text.Format("%s thread 0x%08lX", kind, threadId);
  return text;
}
