// The start-up action list: the remote actions of "\config\jbstartup.xml", which the jukebox runs by
// itself ten seconds after it starts and which the options sheet's Startup page edits. The list in
// memory is what the page shows; what runs is what the file holds when the time comes.
#pragma once

#include <map>
#include <memory>

#include "jukebox/remote/RemoteAction.h"
#include "platform/core/CString.h"

class IXMLDOMNode;

// Sequence number (or, after a read, 1, 2, 3 ... in file order) to an owned action.
using StartupActionMap = std::map<int, std::unique_ptr<CRemoteAction>>;

class CStartupActionList {
 public:
  // A start-up file above this size is not run: it is no list anyone wrote by hand or through the page.
  static constexpr long kMaxFileSize = 4 * 1024 * 1024;

  CStartupActionList() = default;
  CStartupActionList(const CStartupActionList&) = delete;
  CStartupActionList& operator=(const CStartupActionList&) = delete;

  static CString FilePath(const CString& startDirectory);

  // Reads the file into the list (keys 1, 2, 3 ...): 0 when read to its end; -2 missing or not
  // well-formed; -4..-6 the document could not be walked; -99 the XML layer failed. Entries read before
  // a failure stay. Only a file that is there but cannot be read is logged.
  int ReadXMLActionList(const CString& startDirectory);
  // Reads one argument element into `action`; an argument without a name is not added.
  static void ReadXMLActionArguments(const IXMLDOMNode& argument, CRemoteAction& action);

  // The file's whole text with line ends as single line feeds: 0; -1 when it cannot be opened (or is
  // larger than kMaxFileSize, which is logged).
  static int ReadFileText(const CString& startDirectory, CString& text);

  // Makes `edited` (copied; null entries skipped) the list and writes the file: 0 when written,
  // non-zero when the file could not be opened or written. The list is replaced either way. A file that
  // could not be read at start-up is kept as "jbstartup.xml.bad" before it is replaced.
  int WriteStartupActionsXml(const CString& startDirectory, const StartupActionMap& edited);

  // Destroys every action and empties the list.
  void FreeStartupActions() { m_actions.clear(); }
  const StartupActionMap& Actions() const { return m_actions; }

  // The start-up file's text for `actions` in key order (CR LF line ends are the file's business).
  static CString FormatDocument(const StartupActionMap& actions, const CString& timeText);

 private:
  StartupActionMap m_actions;
  bool m_unreadableFile = false;  // the file was there at the last read but could not be read
};
