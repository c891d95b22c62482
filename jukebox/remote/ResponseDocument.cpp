#include "jukebox/remote/ResponseDocument.h"

#include "dblib/TextUtil.h"
#include "jukebox/remote/RemoteAction.h"
#include "jukebox/remote/RemoteCommand.h"

namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";

CString Element(const char* name, const CString& text) {
  return CString("<") + name + ">" + text + "</" + name + ">";
}

CString Signed(LONG value) {
  CString text;
  text.Format("%ld", value);
  return text;
}

// Identifiers travel as unsigned: -1 reads 4294967295 on the other side.
CString Unsigned(LONG value) {
  CString text;
  text.Format("%lu", static_cast<DWORD>(value));
  return text;
}

CString ArrayOf(const CActionArgument& argument) {
  const int count = argument.GetItemCount();
  CString text = Element("arrayCount", Signed(count));
  for (int i = 0; i < count; ++i) {
    CValueNode item;
    if (!argument.GetItem(i, item)) continue;  // left out, the count still counts it
    text += "<arrayItem>" + Element("arrayIndex", Signed(i)) + Element("arrayValue", XmlEscapeText(item.ToText())) +
            "</arrayItem>";
  }
  return text;
}

CString OutArgument(const CActionArgument& argument) {
  CString text = "<argument>";
  text += Element("name", XmlEscapeText(argument.GetName()));
  text += Element("seq", Signed(argument.GetSequence()));
  text += Element("hostvar", XmlEscapeText(argument.GetHostVar()));
  text += argument.GetItemCount() > 0 ? ArrayOf(argument) : Element("value", XmlEscapeText(argument.ToText()));
  return text + "</argument>";
}

}  // namespace

CString BuildActionResponse(CRemoteAction& action) {
  CString text = "<actionResponse>";
  text += Element("actionName", XmlEscapeText(action.GetName()));
  text += Element("transID", Unsigned(action.GetTransID()));
  text += Element("actionID", Unsigned(action.GetActionID()));
  text += Element("actionReturnCode", Signed(action.GetReturnCode()));
  text += Element("actionReturnMsg", XmlEscapeText(action.GetReturnMessage()));
  // The walk goes on without the lock when another thread holds it past the time-out: the answer is due.
  const bool locked = action.BeginArguments();
  if (!locked) action.RewindArguments();
  while (CActionArgument* argument = action.NextArgument())
    if (argument->GetDirection() & ARG_DIRECTION_OUT) text += OutArgument(*argument);
  if (locked) action.EndArguments();
  return text + "</actionResponse>";
}

CString BuildActionResponseList(CRemoteCommand& command) {
  CString text = kDeclaration;
  text += "<actionResponseList>";
  for (CRemoteAction* action = command.First(); action; action = command.Next()) text += BuildActionResponse(*action);
  return text + "</actionResponseList>";
}

CString BuildUploadReply(const CString& path) {
  CString text = kDeclaration;
  text += "<actionResponse>";
  text += Element("actionName", "UploadAudioFiles");
  text += Element("transID", "1");
  text += Element("actionID", "1");
  text += Element("actionReturnCode", "0");
  text += Element("actionReturnMsg", "File Uploaded OK");
  text += "<argument>" + Element("name", "UploadFileName") + Element("seq", "1");
  text += Element("value", XmlEscapeText(path)) + "</argument>";
  return text + "</actionResponse>";
}
