#include "jukebox/remote/ActionArguments.h"

#include "platform/core/CrtNumbers.h"

bool IsOutArgument(const CActionArgument* argument) {
  return argument && (argument->GetDirection() & ARG_DIRECTION_OUT) != 0;
}

CString ArgumentText(CRemoteAction& action, const char* name) {
  const CActionArgument* argument = action.FindArgument(name);
  return argument ? argument->GetString() : CString();
}

LONG ArgumentLong(CRemoteAction& action, const char* name, LONG fallback) {
  const CActionArgument* argument = action.FindArgument(name);
  return argument ? qh_atol(argument->GetString()) : fallback;
}

int ArgumentInt(CRemoteAction& action, const char* name, int fallback) {
  const CActionArgument* argument = action.FindArgument(name);
  return argument ? qh_atoi(argument->GetString()) : fallback;
}

bool ArgumentFlag(CRemoteAction& action, const char* name) {
  const CString text = ArgumentText(action, name);
  return text == "Y" || text == "y" || text == "1";
}

bool HasArgument(CRemoteAction& action, const char* name) { return action.FindArgument(name) != nullptr; }

CActionArgument* ResultArgument(CRemoteAction& action, const char* name, bool requireOut) {
  CActionArgument* argument = action.FindArgument(name);
  if (!argument || (requireOut && !IsOutArgument(argument))) return nullptr;
  return argument;
}

bool SetResultI4(CRemoteAction& action, const char* name, LONG value, bool requireOut) {
  CActionArgument* argument = ResultArgument(action, name, requireOut);
  if (!argument) return false;
  argument->SetI4(value);
  return true;
}

bool SetResultInt(CRemoteAction& action, const char* name, LONG value, bool requireOut) {
  CActionArgument* argument = ResultArgument(action, name, requireOut);
  if (!argument) return false;
  argument->SetInt(value);
  return true;
}

bool SetResultString(CRemoteAction& action, const char* name, const CString& value, bool requireOut) {
  CActionArgument* argument = ResultArgument(action, name, requireOut);
  if (!argument) return false;
  argument->SetString(value);
  return true;
}

bool AppendResultItem(CActionArgument& argument, const CValueNode& item) {
  const int index = argument.GetItemCount();
  if (index >= CValueNode::kMaxItems) return false;
  argument.SetItem(index, item);
  return true;
}

bool AppendResultString(CActionArgument& argument, const CString& text) {
  CValueNode item;
  item.SetString(text);
  return AppendResultItem(argument, item);
}

bool AppendResultI4(CActionArgument& argument, LONG value) {
  CValueNode item;
  item.SetI4(value);
  return AppendResultItem(argument, item);
}
