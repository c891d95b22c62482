#include "recorder/ActionResponse.h"

#include "platform/core/CrtNumbers.h"
#include "platform/xml/XmlDom.h"

int tActionResponse::Parse(const CString& replyText) {
  actionName.Empty();
  actionReturnMsg.Empty();
  actionReturnCode = 0;
  m_arguments.clear();
  DOMDocument document;
  if (!document.loadXML(std::string_view(replyText.GetString(), static_cast<size_t>(replyText.GetLength()))))
    return 1;
  IXMLDOMNodeList responses = document.getElementsByTagName("actionResponse");
  if (responses.length() == 0) return 2;
  IXMLDOMNodeList children = responses.item(0).childNodes();
  for (long i = 0; i < children.length(); ++i) {
    IXMLDOMNode child = children.item(i);
    CString name = child.nodeName();
    if (name == "actionName") {
      actionName = child.text();
    } else if (name == "actionReturnMsg") {
      actionReturnMsg = child.text();
    } else if (name == "actionReturnCode") {
      actionReturnCode = qh_atol(child.text());
    } else if (name == "argument") {
      CString argumentName, value;
      IXMLDOMNodeList parts = child.childNodes();
      for (long p = 0; p < parts.length(); ++p) {
        IXMLDOMNode part = parts.item(p);
        if (part.nodeName() == "name") argumentName = part.text();
        if (part.nodeName() == "value") value = part.text();
      }
      m_arguments[argumentName] = value;
    }
  }
  return 0;
}

bool tActionResponse::FindArgument(const CString& name, CString& value) const {
  auto found = m_arguments.find(name);
  if (found == m_arguments.end()) return false;
  value = found->second;
  return true;
}
