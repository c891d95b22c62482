// How every action body reads the request's arguments and writes its results into them. Results travel
// back in the request's own argument objects: a result is written only when the request carries an
// argument of that name, and, where the action asks for it, only when that argument is an out argument.
#pragma once

#include "jukebox/remote/RemoteAction.h"
#include "netlib/ValueNode.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Whether the request asks for the argument to be returned (direction out or in-out).
bool IsOutArgument(const CActionArgument* argument);

// The argument's text; empty when the request does not carry it.
CString ArgumentText(CRemoteAction& action, const char* name);
// The leading number of the text, as the C run-time reads it (text without one reads 0); `fallback` when
// the request does not carry the argument.
LONG ArgumentLong(CRemoteAction& action, const char* name, LONG fallback = 0);
int ArgumentInt(CRemoteAction& action, const char* name, int fallback = 0);
// True only for the texts "Y", "y" and "1"; false for anything else and for a missing argument.
bool ArgumentFlag(CRemoteAction& action, const char* name);
bool HasArgument(CRemoteAction& action, const char* name);

// The argument a result goes into, or null when the request did not send it (or, with `requireOut`, sent
// it as an in argument). A missing result argument is no error: the value is simply not returned.
CActionArgument* ResultArgument(CRemoteAction& action, const char* name, bool requireOut);
// Single values: i4, int and string. False when nothing was written (no such result argument).
bool SetResultI4(CRemoteAction& action, const char* name, LONG value, bool requireOut = true);
bool SetResultInt(CRemoteAction& action, const char* name, LONG value, bool requireOut = true);
bool SetResultString(CRemoteAction& action, const char* name, const CString& value, bool requireOut = true);
// List results: one item per row, appended after the items already there.
bool AppendResultItem(CActionArgument& argument, const CValueNode& item);
bool AppendResultString(CActionArgument& argument, const CString& text);
bool AppendResultI4(CActionArgument& argument, LONG value);
