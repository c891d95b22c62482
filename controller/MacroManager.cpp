#include "controller/ActionClient.h"

#include "controller/AtomicFile.h"
#include "controller/MacroManager.h"
#include "controller/XmlText.h"
#include "platform/xml/XmlDom.h"

bool CMacro::Set(const CString& name, const CString& description, const CString& commandText) {
  if (name.IsEmpty() || commandText.IsEmpty()) return false;
  m_name = name;
  m_description = description;
  m_commandText = commandText;
  return true;
}

CMacro* CMacroManager::Insert(const CString& name, const CString& description, const CString& commandText) {
  auto macro = std::make_unique<CMacro>();
  if (!macro->Set(name, description, commandText) || m_macros.count(name)) return nullptr;
  CMacro* added = macro.get();
  m_macros.emplace(name, std::move(macro));
  return added;
}

CMacro* CMacroManager::AddMacro(const CString& name, const CString& description, const CString& commandText) {
  CMacro* added = Insert(name, description, commandText);
  if (added) WriteMacros();
  return added;
}

CMacro* CMacroManager::FindMacro(const CString& name) {
  auto it = m_macros.find(name);
  return it == m_macros.end() ? nullptr : it->second.get();
}

bool CMacroManager::DeleteMacro(const CString& name) {
  auto it = m_macros.find(name);
  if (it == m_macros.end()) return false;
  if (m_cursor == it) ++m_cursor;
  m_macros.erase(it);
  WriteMacros();
  return true;
}

CString CMacroManager::GetNextName() {
  if (m_cursor == m_macros.end()) return "";
  return (m_cursor++)->first;
}

int CMacroManager::ReadMacros(const CString& path) {
  m_path = path;
  try {
    DOMDocument document;
    if (!document.load(path)) return -2;
    IXMLDOMNodeList macros = document.getElementsByTagName("macro");
    int count = 0;
    for (long i = 0; i < macros.length(); ++i) {
      CString name, description, commandText;
      IXMLDOMNodeList children = macros.item(i).childNodes();
      for (long c = 0; c < children.length(); ++c) {
        IXMLDOMNode child = children.item(c);
        CString childName = child.nodeName();
        childName.MakeUpper();
        if (childName == "NAME")
          name = child.text();
        else if (childName == "DESC")
          description = child.text();
        else if (childName == "CMDTEXT")
          commandText = child.text();
      }
      if (Insert(name, description, commandText)) ++count;
    }
    return count;
  } catch (...) {
    return -99;
  }
}

std::string CMacroManager::DocumentText() const {
  std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<macrolist>\r\n";
  for (const auto& [name, macro] : m_macros) {
    text += "  <macro>\r\n";
    text += "    <name>" + XmlEscapeText(macro->m_name).str() + "</name>\r\n";
    text += "    <desc>" + XmlEscapeText(macro->m_description).str() + "</desc>\r\n";
    text += "    <cmdText>" + XmlEscapeText(macro->m_commandText).str() + "</cmdText>\r\n";
    text += "  </macro>\r\n";
  }
  text += "</macrolist>\r\n";
  return text;
}

int CMacroManager::WriteMacros() {
  if (m_path.IsEmpty()) return -1;
  if (!ReplaceFileContent(m_path, DocumentText())) return -2;
  return GetCount();
}
