// CString: the framework's byte string. Text is code page 1252, so lengths and positions count bytes.
// Positions are 0-based; every out-of-range argument is clamped instead of faulting, as the system's
// code relies on (Mid past the end gives "", Left(-1) gives "").
#pragma once

#include <cstdarg>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/core/WinTypes.h"

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_text(text ? text : "") {}  // NOLINT: implicit as in the framework
  CString(const char* text, int length);
  CString(char ch, int repeat = 1);
  CString(const std::string& text) : m_text(text) {}  // NOLINT
  CString(std::string&& text) : m_text(std::move(text)) {}  // NOLINT
  explicit CString(std::string_view text) : m_text(text) {}

  // Length and access.
  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  char GetAt(int index) const;
  void SetAt(int index, char ch);
  char operator[](int index) const { return GetAt(index); }
  operator const char*() const { return m_text.c_str(); }  // NOLINT: LPCTSTR conversion
  const char* GetString() const { return m_text.c_str(); }
  const std::string& str() const { return m_text; }
  std::string_view view() const { return m_text; }

  // Direct buffer access: GetBuffer hands out room for at least minLength bytes plus the terminator;
  // ReleaseBuffer(-1) takes the length up to the first NUL.
  char* GetBuffer(int minLength = 0);
  char* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);

  // Assignment and concatenation.
  CString& operator=(const char* text);
  CString& operator=(char ch);
  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);
  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, const char* b);
  friend CString operator+(const char* a, const CString& b);
  friend CString operator+(const CString& a, char b);
  friend CString operator+(char a, const CString& b);

  // Comparison: Compare is byte order, CompareNoCase folds case in code page 1252.
  int Compare(const char* other) const;
  int CompareNoCase(const char* other) const;
  int Collate(const char* other) const { return Compare(other); }
  int CollateNoCase(const char* other) const { return CompareNoCase(other); }

  // Extraction.
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;
  CString SpanIncluding(const char* charSet) const;
  CString SpanExcluding(const char* charSet) const;
  CString Tokenize(const char* delimiters, int& start) const;

  // Searching: -1 when not found.
  int Find(char ch, int start = 0) const;
  int Find(const char* sub, int start = 0) const;
  int ReverseFind(char ch) const;
  int FindOneOf(const char* charSet) const;

  // Changing in place.
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();
  int Replace(char oldCh, char newCh);
  int Replace(const char* oldText, const char* newText);
  int Remove(char ch);
  int Insert(int index, char ch);
  int Insert(int index, const char* text);
  int Delete(int index, int count = 1);
  CString& Trim();
  CString& Trim(char target);
  CString& Trim(const char* targets);
  CString& TrimLeft();
  CString& TrimLeft(char target);
  CString& TrimLeft(const char* targets);
  CString& TrimRight();
  CString& TrimRight(char target);
  CString& TrimRight(const char* targets);

  // printf-style formatting. As on the platform, "l" before d, i, u, x, X and o means a 32-bit value,
  // and "I64" means a 64-bit one.
  void Format(const char* format, ...);
  void FormatV(const char* format, va_list args);
  void AppendFormat(const char* format, ...);
  void FormatMessage(const char* format, ...);  // %1..%9 inserts of const char* arguments

  // Loads a string of the program's string table; FALSE and unchanged when the id is absent.
  BOOL LoadString(UINT id);

 private:
  std::string m_text;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator<(const char* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, const char* b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);
std::ostream& operator<<(std::ostream& out, const CString& text);

// The platform's printf-form translation on its own: rewrites the 32-bit "l" and the "I64" length
// modifiers into the host's forms. Other code that formats with the platform's forms uses it too.
std::string TranslatePlatformFormat(const char* format);
// vsnprintf with the platform's forms into a std::string.
std::string FormatPlatformV(const char* format, va_list args);

template <>
struct std::hash<CString> {
  size_t operator()(const CString& text) const noexcept { return std::hash<std::string>()(text.str()); }
};
