// Stored macros: named texts of the statement language, kept by name (case counts) and mirrored to
// "\config\macros.xml". Every change rewrites the file whole and atomically; reading the file at
// start-up never writes it, so a file with entries the manager refuses keeps them.
#pragma once

#include <map>
#include <memory>

#include "platform/core/CString.h"

struct CMacro {
  // False for an empty name or an empty command text.
  bool Set(const CString& name, const CString& description, const CString& commandText);
  CString m_name;
  CString m_description;
  CString m_commandText;
};

class CMacroManager {
 public:
  CMacroManager() = default;
  CMacroManager(const CMacroManager&) = delete;
  CMacroManager& operator=(const CMacroManager&) = delete;

  // The new macro, or null when it is refused or the name is taken (the first one stays).
  CMacro* AddMacro(const CString& name, const CString& description, const CString& commandText);
  CMacro* FindMacro(const CString& name);
  bool DeleteMacro(const CString& name);
  void BeginEnum() { m_cursor = m_macros.begin(); }
  CString GetNextName();
  int GetCount() const { return static_cast<int>(m_macros.size()); }
  // The number of macros loaded; -2 the file cannot be loaded; -3 it holds no macro list; -99 the
  // reader failed.
  int ReadMacros(const CString& path);
  // The number written; -1 no path known; -2 the file cannot be written.
  int WriteMacros();
  void Clear() { m_macros.clear(); }
  // The file's text as WriteMacros writes it.
  std::string DocumentText() const;

 private:
  CMacro* Insert(const CString& name, const CString& description, const CString& commandText);

  std::map<CString, std::unique_ptr<CMacro>> m_macros;
  std::map<CString, std::unique_ptr<CMacro>>::iterator m_cursor = m_macros.end();
  CString m_path;
};
