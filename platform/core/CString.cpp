#include "platform/core/CString.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <vector>

#include "platform/core/Cp1252.h"

namespace {

int clampIndex(int index, int length) { return std::clamp(index, 0, length); }

bool isTrimSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

CString::CString(const char* text, int length) {
  if (text && length > 0) m_text.assign(text, static_cast<size_t>(length));
}

CString::CString(char ch, int repeat) {
  if (repeat > 0) m_text.assign(static_cast<size_t>(repeat), ch);
}

char CString::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return '\0';
  return m_text[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch) {
  if (index >= 0 && index < GetLength()) m_text[static_cast<size_t>(index)] = ch;
}

char* CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) m_text.resize(static_cast<size_t>(minLength));
  return m_text.data();
}

char* CString::GetBufferSetLength(int length) {
  m_text.resize(static_cast<size_t>(std::max(length, 0)));
  return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    m_text.resize(std::strlen(m_text.c_str()));
  } else {
    m_text.resize(std::min(static_cast<size_t>(newLength), m_text.size()));
  }
}

CString& CString::operator=(const char* text) {
  if (!text) {
    m_text.clear();
  } else if (text >= m_text.data() && text <= m_text.data() + m_text.size()) {
    m_text = std::string(text);  // assigning a tail of ourselves
  } else {
    m_text = text;
  }
  return *this;
}

CString& CString::operator=(char ch) {
  m_text.assign(1, ch);
  return *this;
}

CString& CString::operator+=(const CString& other) {
  m_text += other.m_text;
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text) m_text += std::string(text);
  return *this;
}

CString& CString::operator+=(char ch) {
  m_text += ch;
  return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.m_text + b.m_text); }
CString operator+(const CString& a, const char* b) { return CString(a.m_text + (b ? b : "")); }
CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_text); }
CString operator+(const CString& a, char b) { return CString(a.m_text + b); }
CString operator+(char a, const CString& b) { return CString(a + b.m_text); }

int CString::Compare(const char* other) const { return sign(std::strcmp(m_text.c_str(), other ? other : "")); }

int CString::CompareNoCase(const char* other) const {
  return sign(Cp1252CompareNoCase(m_text, other ? std::string_view(other) : std::string_view()));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  first = clampIndex(first, GetLength());
  count = std::clamp(count, 0, GetLength() - first);
  return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
  count = std::clamp(count, 0, GetLength());
  return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(const char* charSet) const {
  size_t n = std::strspn(m_text.c_str(), charSet ? charSet : "");
  return CString(m_text.substr(0, n));
}

CString CString::SpanExcluding(const char* charSet) const {
  size_t n = std::strcspn(m_text.c_str(), charSet ? charSet : "");
  return CString(m_text.substr(0, n));
}

CString CString::Tokenize(const char* delimiters, int& start) const {
  const std::string_view delims = delimiters ? delimiters : "";
  if (start < 0 || start >= GetLength()) {
    start = -1;
    return CString();
  }
  size_t from = m_text.find_first_not_of(delims, static_cast<size_t>(start));
  if (from == std::string::npos) {
    start = -1;
    return CString();
  }
  size_t to = m_text.find_first_of(delims, from);
  if (to == std::string::npos) to = m_text.size();
  start = static_cast<int>(std::min(to + 1, m_text.size()));
  return CString(m_text.substr(from, to - from));
}

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  size_t pos = m_text.find(ch, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  size_t pos = m_text.find(sub, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
  size_t pos = m_text.rfind(ch);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* charSet) const {
  size_t pos = m_text.find_first_of(charSet ? charSet : "");
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString& CString::MakeUpper() {
  Cp1252MakeUpper(m_text);
  return *this;
}

CString& CString::MakeLower() {
  Cp1252MakeLower(m_text);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(m_text.begin(), m_text.end());
  return *this;
}

int CString::Replace(char oldCh, char newCh) {
  int count = 0;
  for (char& c : m_text) {
    if (c == oldCh) {
      c = newCh;
      ++count;
    }
  }
  return count;
}

int CString::Replace(const char* oldText, const char* newText) {
  if (!oldText || !*oldText) return 0;
  const std::string from = oldText;
  const std::string to = newText ? newText : "";
  std::string result;
  int count = 0;
  size_t pos = 0;
  for (size_t hit; (hit = m_text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    result.append(m_text, pos, hit - pos);
    result += to;
    ++count;
  }
  if (count > 0) {
    result.append(m_text, pos, std::string::npos);
    m_text = std::move(result);
  }
  return count;
}

int CString::Remove(char ch) {
  auto oldSize = m_text.size();
  m_text.erase(std::remove(m_text.begin(), m_text.end(), ch), m_text.end());
  return static_cast<int>(oldSize - m_text.size());
}

int CString::Insert(int index, char ch) { return Insert(index, std::string(1, ch).c_str()); }

int CString::Insert(int index, const char* text) {
  index = clampIndex(index, GetLength());
  if (text) m_text.insert(static_cast<size_t>(index), text);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (index < GetLength() && count > 0) m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  return GetLength();
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char target) { return TrimRight(target).TrimLeft(target); }
CString& CString::Trim(const char* targets) { return TrimRight(targets).TrimLeft(targets); }

CString& CString::TrimLeft() {
  auto it = std::find_if_not(m_text.begin(), m_text.end(), isTrimSpace);
  m_text.erase(m_text.begin(), it);
  return *this;
}

CString& CString::TrimLeft(char target) {
  m_text.erase(0, m_text.find_first_not_of(target));
  return *this;
}

CString& CString::TrimLeft(const char* targets) {
  m_text.erase(0, m_text.find_first_not_of(targets ? targets : ""));
  return *this;
}

CString& CString::TrimRight() {
  while (!m_text.empty() && isTrimSpace(m_text.back())) m_text.pop_back();
  return *this;
}

CString& CString::TrimRight(char target) {
  while (!m_text.empty() && m_text.back() == target) m_text.pop_back();
  return *this;
}

CString& CString::TrimRight(const char* targets) {
  const std::string_view set = targets ? targets : "";
  while (!m_text.empty() && set.find(m_text.back()) != std::string_view::npos) m_text.pop_back();
  return *this;
}

std::string TranslatePlatformFormat(const char* format) {
  std::string out;
  if (!format) return out;
  const std::string_view flags = "-+ #0";
  for (const char* p = format; *p;) {
    if (*p != '%') {
      out += *p++;
      continue;
    }
    out += *p++;
    if (*p == '%') {
      out += *p++;
      continue;
    }
    while (*p && flags.find(*p) != std::string_view::npos) out += *p++;
    while (*p && ((*p >= '0' && *p <= '9') || *p == '*' || *p == '.')) out += *p++;
    if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
      out += "ll";
      p += 3;
    } else if (p[0] == 'l' && p[1] != 'l' && p[1] && std::strchr("diuxXo", p[1])) {
      ++p;  // a platform long is 32 bits: drop the modifier so an int is read
    } else if (p[0] == 'h' && p[1] && std::strchr("sS", p[1])) {
      ++p;  // %hs is a narrow string on the platform
    } else if (p[0] == 'l' && p[1] && std::strchr("sS", p[1])) {
      ++p;  // wide strings do not exist here; the texts are narrow
    }
  }
  return out;
}

std::string FormatPlatformV(const char* format, va_list args) {
  const std::string hostFormat = TranslatePlatformFormat(format);
  va_list measure;
  va_copy(measure, args);
  int needed = std::vsnprintf(nullptr, 0, hostFormat.c_str(), measure);
  va_end(measure);
  if (needed <= 0) return std::string();
  std::string out(static_cast<size_t>(needed), '\0');
  std::vsnprintf(out.data(), out.size() + 1, hostFormat.c_str(), args);
  return out;
}

void CString::FormatV(const char* format, va_list args) { m_text = FormatPlatformV(format, args); }

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  m_text += FormatPlatformV(format, args);
  va_end(args);
}

void CString::FormatMessage(const char* format, ...) {
  std::vector<const char*> inserts;
  va_list args;
  va_start(args, format);
  int highest = 0;
  for (const char* p = format; p && *p; ++p) {
    if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') highest = std::max(highest, p[1] - '0');
  }
  for (int i = 0; i < highest; ++i) inserts.push_back(va_arg(args, const char*));
  va_end(args);
  std::string out;
  for (const char* p = format; p && *p; ++p) {
    if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') {
      const char* insert = inserts[static_cast<size_t>(p[1] - '1')];
      out += insert ? insert : "";
      ++p;
    } else {
      out += *p;
    }
  }
  m_text = std::move(out);
}

bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
bool operator==(const CString& a, const char* b) { return a.str() == (b ? b : ""); }
bool operator==(const char* a, const CString& b) { return b == a; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, const char* b) { return !(a == b); }
bool operator!=(const char* a, const CString& b) { return !(b == a); }
bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return b < a; }
bool operator>(const CString& a, const char* b) { return a.Compare(b) > 0; }
bool operator<=(const CString& a, const CString& b) { return !(b < a); }
bool operator>=(const CString& a, const CString& b) { return !(a < b); }

std::ostream& operator<<(std::ostream& out, const CString& text) { return out << text.str(); }
