// Small text helpers shared by the song database library and the programs that use it: literals for
// SQL statements, XML escapes, control labels, GUID text, file-path splitting and byte counts.
#pragma once

#include <string>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Text safe inside '...' of an SQL statement compared with "=": every apostrophe is doubled and nothing
// else changes, so a lookup finds exactly the stored text ("Why?" stays "Why?").
CString SqlQuoteText(const CString& text);
std::string SqlQuoteStd(const std::string& text);

// Text safe inside '...' of a Like pattern that must match itself literally: apostrophes doubled and
// the pattern characters * ? # [ each wrapped in brackets.
CString SqlLikeText(const CString& text);

CString XmlEscape(const CString& text);               // & < > (quotes stay)
std::string XmlEscapeStd(const std::string& text);    // < > " & in one pass
CString XmlEscapeText(const CString& text);           // & < > " (apostrophes stay)
CString DoubleAmpersands(const CString& text);
CString GuidToString(const GUID& guid);
CString KeepAlphanumerics(const CString& text);
void SplitFilePath(const CString& path, CString& folder, CString& name, CString& extension);
inline void SplitText(const CString& path, CString& folder, CString& name, CString& extension) {
  SplitFilePath(path, folder, name, extension);
}
double UInt64ToDouble(DWORD low, DWORD high);
inline double UInt64ToDouble(ULONGLONG count) {
  return UInt64ToDouble(static_cast<DWORD>(count & 0xFFFFFFFFu), static_cast<DWORD>(count >> 32));
}

// Equality after the C runtime's upper-casing of each byte: only a-z change.
bool NoCaseCharEqual(char a, char b);
