#include "jukebox/remote/StartupActionList.h"

#include <ctime>

#include "dblib/TextUtil.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/remote/DefinitionXml.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/File.h"
#include "platform/core/FileApi.h"
#include "platform/xml/XmlDom.h"

using definition_xml::ForEachChild;
using definition_xml::MatchKeyword;

namespace {

BYTE DirectionOfWord(CString word) {
  word.MakeUpper();
  if (word.view().starts_with("INOUT")) return ARG_DIRECTION_INOUT;
  if (word.view().starts_with("IN")) return ARG_DIRECTION_IN;
  if (word.view().starts_with("OUT")) return ARG_DIRECTION_OUT;
  return ARG_DIRECTION_NONE;
}

void ReadActionChild(const CString& name, const IXMLDOMNode& child, CRemoteAction& action) {
  switch (MatchKeyword(name, {"ACTIONNAME", "TRANSID", "ACTIONID", "SUBDEVICE", "ARGUMENT"})) {
    case 0: action.SetName(child.text()); break;
    case 1: action.SetTransID(qh_atol(child.text().GetString())); break;
    case 2: action.SetActionID(qh_atol(child.text().GetString())); break;
    case 3: action.SetSubDevice(qh_atol(child.text().GetString())); break;
    case 4: CStartupActionList::ReadXMLActionArguments(child, action); break;
    default: break;
  }
}

// ctime's 24 characters: "Wed Jun 30 21:49:08 1993".
CString CurrentTimeText() {
  const std::time_t now = std::time(nullptr);
  char buffer[32] = {};
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Y", &local);
  return buffer;
}

void AppendArgument(CString& text, const CActionArgument& argument) {
  text += "    <argument>\n";
  text += "      <name>" + XmlEscapeText(argument.GetName()) + "</name>\n";
  text += (argument.GetDirection() & ARG_DIRECTION_IN) ? "      <direction>in</direction>\n"
                                                        : "      <direction>out</direction>\n";
  // An argument that never got a value is written empty, not as the "*NONE*" its text form shows.
  const CString value = argument.GetType() == ARGTYPE_NONE ? CString() : argument.ToText();
  text += "      <value>" + XmlEscapeText(value) + "</value>\n";
  text += "    </argument>\n";
}

void AppendAction(CString& text, CRemoteAction& action, LONG actionId) {
  CString numbers;
  numbers.Format("    <transID>1</transID>\n    <actionID>%ld</actionID>\n    <subDevice>%lu</subDevice>\n",
                 static_cast<long>(actionId), static_cast<unsigned long>(static_cast<DWORD>(action.GetSubDevice())));
  text += "  <action>\n";
  text += "    <actionName>" + XmlEscapeText(action.GetName()) + "</actionName>\n";
  text += numbers;
  const bool locked = action.BeginArguments();
  while (CActionArgument* argument = action.NextArgument()) AppendArgument(text, *argument);
  if (locked) action.EndArguments();
  text += "  </action>\n";
}

}  // namespace

CString CStartupActionList::FilePath(const CString& startDirectory) {
  return startDirectory + "\\config\\jbstartup.xml";
}

int CStartupActionList::ReadXMLActionList(const CString& startDirectory) {
  try {
    DOMDocument document;
    const CString path = FilePath(startDirectory);
    m_unreadableFile = false;
    if (!document.load(path.GetString())) {
      m_unreadableFile = definition_xml::IsUnreadableDocument(document);
      if (m_unreadableFile)
        if (CJukeboxServices* services = JukeboxServices())
          services->WriteErrorLog("E", "Main", "ReadXMLActionList: " + definition_xml::DescribeLoadFailure(path, document) +
                                                   "; no start-up actions are known.");
      return -2;
    }
    IXMLDOMNodeList actions = document.getElementsByTagName("action");
    int key = 1;
    for (long i = 0; i < actions.length(); ++i) {
      IXMLDOMNode element = actions.item(i);
      if (!element) return -4;
      auto action = std::make_unique<CRemoteAction>();
      // Every entry gets its name (empty when the file gives none), which also makes it walkable.
      action->SetName("");
      ForEachChild(element, [&action](const CString& name, const IXMLDOMNode& child) {
        ReadActionChild(name, child, *action);
      });
      m_actions[key++] = std::move(action);
    }
    return 0;
  } catch (...) {
    return -99;
  }
}

void CStartupActionList::ReadXMLActionArguments(const IXMLDOMNode& argument, CRemoteAction& action) {
  CString name, value, hostVar;
  bool hasValue = false;
  BYTE direction = ARG_DIRECTION_NONE;
  LONG sequence = -1;
  ForEachChild(argument, [&](const CString& childName, const IXMLDOMNode& child) {
    switch (MatchKeyword(childName, {"NAME", "VALUE", "DIRECTION", "SEQ", "HOSTVAR"})) {
      case 0: name = child.text(); break;
      case 1: value = child.text(); hasValue = true; break;
      case 2: direction = DirectionOfWord(child.text()); break;
      case 3: sequence = qh_atol(child.text().GetString()); break;
      case 4: hostVar = child.text(); break;
      default: break;
    }
  });
  if (name.IsEmpty()) return;
  auto created = std::make_unique<CActionArgument>();
  created->SetName(name);
  if (hasValue) created->SetString(value);
  created->SetDirection(direction);
  if (direction == ARG_DIRECTION_OUT || direction == ARG_DIRECTION_INOUT) created->SetHostVar(hostVar);
  created->SetSequence(sequence);
  action.AddArgument(name, created.release());
}

int CStartupActionList::ReadFileText(const CString& startDirectory, CString& text) {
  const CString path = FilePath(startDirectory);
  CStdioFile file;
  if (!file.Open(path.GetString(), CFile::modeRead | CFile::typeText)) return -1;
  if (file.GetLength() > static_cast<ULONGLONG>(kMaxFileSize)) {
    if (CJukeboxServices* services = JukeboxServices())
      services->WriteErrorLog("E", "Main", "RunStartupActions: " + path + " is too large to be a start-up list; "
                                               "nothing runs.");
    return -1;
  }
  text.Empty();
  CString line;
  while (file.ReadString(line)) text += line + "\n";
  return 0;
}

CString CStartupActionList::FormatDocument(const StartupActionMap& actions, const CString& timeText) {
  CString text = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n";
  text += "<!-- Last updated " + timeText + " -->\n";
  text += "<actionList>\n";
  LONG actionId = 100;
  for (const auto& [key, action] : actions)
    if (action) AppendAction(text, *action, actionId++);
  text += "</actionList>\n";
  return text;
}

int CStartupActionList::WriteStartupActionsXml(const CString& startDirectory, const StartupActionMap& edited) {
  FreeStartupActions();
  for (const auto& [key, action] : edited) {
    if (!action) continue;
    auto copy = std::make_unique<CRemoteAction>();
    copy->CopyFrom(*action);
    m_actions[key] = std::move(copy);
  }
  // The new text goes beside the file first, so a write that fails half-way (a full disk) leaves the
  // old list in place instead of a cut-off one.
  const CString path = FilePath(startDirectory);
  const CString fresh = path + ".new";
  // A start directory without its config folder gets one: the user's list is not to be lost for it.
  CreateDirectory((startDirectory + "\\config").GetString(), nullptr);
  try {
    CStdioFile file;
    if (!file.Open(fresh.GetString(), CFile::modeCreate | CFile::modeWrite | CFile::typeText)) return 1;
    file.WriteString(FormatDocument(m_actions, CurrentTimeText()).GetString());
    file.Close();
  } catch (CException* e) {
    e->Delete();
    DeleteFile(fresh.GetString());
    return 2;
  }
  // A file nobody could read is somebody's work all the same: it is kept aside, not overwritten.
  if (m_unreadableFile) {
    if (!CopyFile(path.GetString(), (path + ".bad").GetString(), FALSE)) {
      DeleteFile(fresh.GetString());
      return 4;
    }
    m_unreadableFile = false;
  }
  const BOOL replaced = CopyFile(fresh.GetString(), path.GetString(), FALSE);
  DeleteFile(fresh.GetString());
  if (!replaced) return 3;
  return 0;
}
