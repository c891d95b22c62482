#include "controller/TemplateHandler.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controller/ControllerLog.h"
#include "controller/LogText.h"
#include "netlib/Sessions.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"

namespace {

// fgets with a count of 1,023: at most 1,022 characters of a line per piece.
constexpr int kLinePiece = 1023;

bool IsUrlSafe(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

void AppendUrlEncoded(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (IsUrlSafe(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
}

}  // namespace

CString UrlEncode(const CString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.GetLength()));
  AppendUrlEncoded(out, text.view());
  return CString(std::move(out));
}

BOOL CTemplateHandler::BeginTemplate(const CString& pageName) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  if (m_open) {
    CString name = m_open->m_pageName;
    m_pages[name] = std::move(m_open);
  }
  m_open = std::make_unique<CTemplate>();
  m_open->m_pageName = pageName;
  m_open->m_lines.reserve(100);
  m_open->m_parts.reserve(50);
  return TRUE;
}

BOOL CTemplateHandler::AddScriptPart(const CString& text, DWORD line, DWORD offset) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout) || !m_open) return FALSE;
  CTemplatePart part;
  part.m_line = line;
  part.m_offset = offset;
  part.m_text = text;
  ReadPartText(part);
  m_open->m_parts.push_back(std::move(part));
  return TRUE;
}

BOOL CTemplateHandler::AddLine(const CString& text) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout) || !m_open) return FALSE;
  m_open->m_lines.push_back(text);
  return TRUE;
}

BOOL CTemplateHandler::EndTemplate() {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout) || !m_open) return FALSE;
  CString name = m_open->m_pageName;
  m_pages[name] = std::move(m_open);
  return TRUE;
}

void CTemplateHandler::Clear() {
  CSingleLock lock(&m_lock);
  lock.Lock(kLockTimeout);  // emptied in any case
  m_pages.clear();
  m_open.reset();
}

int CTemplateHandler::GetPageCount() {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return -1;
  return static_cast<int>(m_pages.size());
}

BOOL CTemplateHandler::SplitLine(const CString& text, DWORD lineIndex) {
  std::string_view rest = text.view();
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.remove_suffix(1);
  std::string out;
  for (;;) {
    size_t open = rest.find("<%");
    if (open == std::string_view::npos) {
      out += rest;
      return AddLine(CString(out.c_str(), static_cast<int>(out.size())));
    }
    out += rest.substr(0, open);
    rest.remove_prefix(open + 2);
    size_t close = rest.find("%>");
    if (close == std::string_view::npos) {
      out += "<%";
    } else if (close == 0) {
      out += "<%%>";
      rest.remove_prefix(2);
    } else {
      std::string part(rest.substr(0, close));
      rest.remove_prefix(close + 2);
      if (!AddScriptPart(CString(part.c_str(), static_cast<int>(part.size())), lineIndex,
                         static_cast<DWORD>(out.size())))
        return FALSE;
    }
  }
}

BOOL CTemplateHandler::LoadTemplateFile(const CString& path, const CString& pageName) {
  std::string hostPath = qh::HostPathOf(path);
  std::FILE* file = hostPath.empty() ? nullptr : std::fopen(hostPath.c_str(), "re");
  if (!file) return FALSE;
  if (BeginTemplate(pageName)) {
    char piece[kLinePiece];
    for (DWORD line = 0; std::fgets(piece, kLinePiece, file); ++line) {
      // A zero byte inside a line ends the piece there, as the C run time reads it.
      if (!SplitLine(piece, line)) break;
    }
  }
  BOOL result = EndTemplate();
  std::fclose(file);
  return result;
}

void CTemplateHandler::LoadAll(const CString& folder, CControllerLog& log, LONG& loaded, LONG& failed) {
  Clear();
  loaded = 0;
  failed = 0;
  CString pattern;
  pattern.Format("%s\\*.htm", folder.GetString());
  WIN32_FIND_DATA found;
  HANDLE find = FindFirstFile(pattern, &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      // Keyed as the router and the reply page upper-case the names they look up: ASCII letters only.
      const CString pageName = UpperAscii(found.cFileName);
      if (LoadTemplateFile(folder + "\\" + found.cFileName, pageName)) {
        ++loaded;
      } else {
        ++failed;
        log.WriteLog("InitTemplateHandler: Failed to load template file " + pageName);
      }
    } while (FindNextFile(find, &found));
    FindClose(find);
  }
  CString total;
  total.Format("InitTemplateHandler: Loaded %ld templates OK.", loaded);
  log.WriteLog(total);
}

void CTemplateHandler::ReadPartText(CTemplatePart& part) {
  const CString& text = part.m_text;
  part.m_name = text;
  part.m_repeat = text.Find("[*]") >= 0;
  int bracket = text.Find('[');
  if (bracket > 0) {
    part.m_name = text.Left(bracket);
    int close = text.Find(']', bracket);
    if (close > bracket) part.m_index = qh_atoi(text.Mid(bracket + 1, close - bracket - 1));
  }
  part.m_encode = !part.m_name.IsEmpty() && part.m_name.GetAt(0) == '@';
  if (part.m_encode) part.m_name = part.m_name.Mid(1);
  part.m_key = CSession::VariableKey(part.m_name.view());
}

namespace {

// A page's values, taken under one hold of the session's lock: one text after another in `text`,
// each ending where `ends` says, and the printed lines they belong to. Kept per thread and reused, so
// a render allocates nothing for them once they have grown to the page's size.
struct PageValues {
  // One printed line of the page: a template line, or one element's copy of a line that repeats.
  struct LineCopy {
    size_t line, first, last;
  };
  std::vector<LineCopy> copies;
  std::string text;
  std::vector<size_t> ends;

  void Clear() {
    copies.clear();
    text.clear();
    ends.clear();
  }
};

// Appends the value a part shows: the variable, or element `element` of it (the line's copy for that
// element, or the part's own "[N]"); nothing when there is none.
void AppendPartValue(const CTemplatePart& part, const CSession::Reader* reader, int element, std::string& out) {
  const CValueNode* value = reader ? reader->Find(part.m_key) : nullptr;
  const int index = element >= 0 ? element : part.m_index;
  if (value && index >= 0) value = value->PeekItem(index);
  if (!value) return;
  if (!part.m_encode) {
    value->AppendText(out);
    return;
  }
  thread_local std::string plain;
  plain.clear();
  value->AppendText(plain);
  AppendUrlEncoded(out, plain);
}

void TakeValues(const CTemplate& page, const CSession::Reader* reader, PageValues& values) {
  const auto& parts = page.m_parts;
  size_t part = 0;
  for (size_t line = 0; line < page.m_lines.size(); ++line) {
    while (part < parts.size() && parts[part].m_line < line) ++part;
    size_t end = part;
    while (end < parts.size() && parts[end].m_line == line) ++end;
    // The first "[*]" part that names an array with elements repeats the line once per element;
    // it and the "[*]" parts after it show that element.
    size_t arrayPart = end;
    int count = 1;
    for (size_t p = part; p < end && reader; ++p) {
      if (!parts[p].m_repeat) continue;
      const CValueNode* array = reader->Find(parts[p].m_key);
      if (array && array->GetItemCount() > 0) {
        arrayPart = p;
        count = array->GetItemCount();
        break;
      }
    }
    for (int element = 0; element < count; ++element) {
      values.copies.push_back({line, part, end});
      for (size_t p = part; p < end; ++p) {
        const bool isArray = p >= arrayPart && parts[p].m_repeat;
        AppendPartValue(parts[p], reader, isArray ? element : -1, values.text);
        values.ends.push_back(values.text.size());
      }
    }
  }
}

}  // namespace

int CTemplateHandler::RenderPage(const CString& pageName, CString& body, CSession* session) {
  std::shared_ptr<const CTemplate> page;
  {
    // The store's lock only for the look-up: renders of any pages on many connections go side by side.
    CSingleLock lock(&m_lock);
    if (!lock.Lock(kLockTimeout)) return -2;
    auto found = m_pages.find(pageName);
    if (found == m_pages.end()) return -1;
    page = found->second;
  }
  if (!page) return -3;
  thread_local PageValues values;
  values.Clear();
  if (session) {
    // The page shows one state of its variables, so they are all taken under one hold of the
    // session's lock; the page is put together after it is released, so connection threads of the
    // same session wait only for the look-ups.
    CSession::Reader reader(*session);
    if (!reader.IsLocked()) return -2;
    TakeValues(*page, &reader, values);
  } else {
    TakeValues(*page, nullptr, values);
  }
  const auto& parts = page->m_parts;
  std::string out(body.view());
  out.reserve(out.size() + page->m_size);
  // Parts of a line come in left-to-right order, so a line is its literal pieces and values appended
  // in turn; a value's place is its offset in the literal text.
  size_t value = 0, valueStart = 0;
  const std::string_view valueText = values.text;
  for (const PageValues::LineCopy& copy : values.copies) {
    std::string_view literal = page->m_lines[copy.line].view();
    size_t taken = 0;
    for (size_t p = copy.first; p < copy.last; ++p) {
      size_t at = std::min<size_t>(parts[p].m_offset, literal.size());
      if (at > taken) {
        out += literal.substr(taken, at - taken);
        taken = at;
      }
      const size_t valueEnd = values.ends[value++];
      out += valueText.substr(valueStart, valueEnd - valueStart);
      valueStart = valueEnd;
    }
    out += literal.substr(taken);
    out += "\r\n";
  }
  const size_t size = out.size() - body.view().size();
  for (size_t seen = page->m_size.load(); seen < size && !page->m_size.compare_exchange_weak(seen, size);) {
  }
  body = CString(std::move(out));
  return 0;
}
