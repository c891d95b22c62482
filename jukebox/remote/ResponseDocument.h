// The answers of the control port: the actionResponseList of a finished request and the reply to an
// upload. One line each, ISO-8859-1 declared. Every text that came from outside or from the database is
// escaped, so a name or message holding "&" or "<" can neither break the document nor add elements.
#pragma once

#include "platform/core/CString.h"

class CRemoteAction;
class CRemoteCommand;

// One <actionResponse> element: identifiers, outcome and the out arguments in name order.
CString BuildActionResponse(CRemoteAction& action);
// The whole answer to a request: its reported actions in ActionID order.
CString BuildActionResponseList(CRemoteCommand& command);
// The answer to a PUT upload of `path`.
CString BuildUploadReply(const CString& path);
