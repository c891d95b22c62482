#include "jukebox/remote/ActionDocument.h"

#include "platform/core/CrtNumbers.h"
#include "platform/xml/XmlDom.h"

namespace {

// True when the tag begins with `keyword` (upper case), without regard to case.
bool TagBeginsWith(const CString& tag, const char* keyword) {
  const std::string_view name = tag.view();
  for (size_t i = 0; keyword[i] != '\0'; ++i) {
    if (i >= name.size()) return false;
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

BYTE DirectionOf(const CString& text) {
  if (TagBeginsWith(text, "INOUT")) return ARG_DIRECTION_INOUT;
  if (TagBeginsWith(text, "IN")) return ARG_DIRECTION_IN;
  if (TagBeginsWith(text, "OUT")) return ARG_DIRECTION_OUT;
  return ARG_DIRECTION_NONE;
}

std::unique_ptr<CRemoteAction> ReadAction(const IXMLDOMNode& element) {
  auto action = std::make_unique<CRemoteAction>();
  const IXMLDOMNodeList children = element.childNodes();
  for (long i = 0; i < children.length(); ++i) {
    const IXMLDOMNode child = children.item(i);
    if (child.nodeType() != NODE_ELEMENT) continue;
    const CString tag = child.nodeName();
    if (TagBeginsWith(tag, "ACTIONNAME")) {
      action->SetName(child.text());
    } else if (TagBeginsWith(tag, "TRANSID")) {
      action->SetTransID(qh_atol(child.text()));
    } else if (TagBeginsWith(tag, "ACTIONID")) {
      action->SetActionID(qh_atol(child.text()));
    } else if (TagBeginsWith(tag, "SUBDEVICE")) {
      action->SetSubDevice(qh_atol(child.text()));
    } else if (TagBeginsWith(tag, "ARGUMENT")) {
      // An argument counts only after the action's name.
      if (!action->GetName().IsEmpty()) ReadActionArguments(child, *action);
    }
  }
  return action;
}

}  // namespace

void ReadActionArguments(const IXMLDOMNode& argumentElement, CRemoteAction& action) {
  auto argument = std::make_unique<CActionArgument>();
  CString name, hostVar, directionText;
  bool hasDirection = false;
  const IXMLDOMNodeList children = argumentElement.childNodes();
  for (long i = 0; i < children.length(); ++i) {
    const IXMLDOMNode child = children.item(i);
    if (child.nodeType() != NODE_ELEMENT) continue;
    const CString tag = child.nodeName();
    if (TagBeginsWith(tag, "NAME")) {
      name = child.text();
    } else if (TagBeginsWith(tag, "VALUE")) {
      argument->SetString(child.text());
    } else if (TagBeginsWith(tag, "DIRECTION")) {
      directionText = child.text();
      hasDirection = true;
    } else if (TagBeginsWith(tag, "SEQ")) {
      argument->SetSequence(qh_atoi(child.text()));
    } else if (TagBeginsWith(tag, "HOSTVAR")) {
      hostVar = child.text();
    }
  }
  if (hasDirection) argument->SetDirection(DirectionOf(directionText));
  argument->SetName(name);
  if (argument->GetDirection() & ARG_DIRECTION_OUT) argument->SetHostVar(hostVar);
  action.AddArgument(name, argument.release());
}

LONG ReadActionElements(std::string_view text, std::vector<std::unique_ptr<CRemoteAction>>& actions) {
  actions.clear();
  DOMDocument document;
  if (!document.loadXML(text)) return ACTION_DOC_NOT_WELL_FORMED;
  const IXMLDOMNodeList elements = document.getElementsByTagName("action");
  for (long i = 0; i < elements.length(); ++i) actions.push_back(ReadAction(elements.item(i)));
  return ACTION_DOC_OK;
}
