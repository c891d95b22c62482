// The HTML template store: every "Templates\*.htm" file of the start directory, split at load into
// literal lines and the variable parts written between "<%" and "%>", rendered per session by putting
// the session's values at the stored offsets. A part only names a variable: "name", "@name"
// (URL-encoded), "name[N]" (one element) and "name[*]" (the line once per element).
#pragma once

#include <atomic>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Sync.h"

class CSession;
class CControllerLog;

struct CTemplatePart {
  char m_tag[4] = {'S', 'N', 'G', '1'};
  DWORD m_line = 0;
  DWORD m_offset = 0;
  CString m_text;
  // Read from the text once, when the template is loaded.
  CString m_name;        // the variable, without "@" and index
  bool m_encode = false;  // "@name"
  bool m_repeat = false;  // "name[*]"
  int m_index = -1;       // "name[N]": N
  std::string m_key;      // the name as the session's store keys it
  char m_endTag[4] = {'S', 'N', 'G', '2'};
};

struct CTemplate {
  char m_tag[4] = {'S', 'N', 'G', '1'};
  CString m_pageName;
  std::vector<CString> m_lines;
  std::vector<CTemplatePart> m_parts;
  // The largest page rendered so far: room reserved for the next one (pages render on many threads).
  mutable std::atomic<size_t> m_size{0};
  char m_endTag[4] = {'S', 'N', 'G', '2'};
};

class CTemplateHandler {
 public:
  static constexpr DWORD kLockTimeout = 15000;

  CTemplateHandler() = default;
  CTemplateHandler(const CTemplateHandler&) = delete;
  CTemplateHandler& operator=(const CTemplateHandler&) = delete;

  BOOL BeginTemplate(const CString& pageName);
  BOOL AddScriptPart(const CString& text, DWORD line, DWORD offset);
  BOOL AddLine(const CString& text);
  BOOL EndTemplate();
  void Clear();
  // Splits one line (its line end removed) into literal text and parts of the open template.
  BOOL SplitLine(const CString& text, DWORD lineIndex);
  // Appends the page rendered for `session` to `body`: 0; -1 no such page; -2 lock time-out; -3 the
  // entry holds no template.
  int RenderPage(const CString& pageName, CString& body, CSession* session);
  int GetPageCount();

  // Reads one file into the store under `pageName`; false when it cannot be opened or a line fails.
  BOOL LoadTemplateFile(const CString& path, const CString& pageName);
  // Empties the store and loads every "*.htm" of `folder` under its name in upper case, logging each
  // failure and the total as the start-up does.
  void LoadAll(const CString& folder, CControllerLog& log, LONG& loaded, LONG& failed);

 private:
  static void ReadPartText(CTemplatePart& part);

  CCriticalSection m_lock;
  // Shared so a page renders outside the store's lock: a reload meanwhile replaces the entry, while
  // the render keeps the template it started with.
  std::map<CString, std::shared_ptr<CTemplate>> m_pages;
  std::unique_ptr<CTemplate> m_open;
};

// 0-9, A-Z, a-z, '*', '-', '.' and '_' stay; every other byte becomes "%XX".
CString UrlEncode(const CString& text);
