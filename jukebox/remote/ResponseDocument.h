// The answers of the control port: the actionResponseList of a finished request and the reply to an
// upload. One line each, ISO-8859-1 declared. Every text that came from outside or from the database is
// escaped, so a name or message holding "&" or "<" can neither break the document nor add elements.
#pragma once

#include <memory>

#include "jukebox/remote/RemoteCommand.h"
#include "netlib/ThreadBlocks.h"
#include "platform/core/CString.h"

class CRemoteAction;

// One <actionResponse> element: identifiers, outcome and the out arguments in name order.
CString BuildActionResponse(CRemoteAction& action);
// The whole answer to a request: its reported actions in ActionID order.
CString BuildActionResponseList(CRemoteCommand& command);
// The answer to a PUT upload of `path`.
CString BuildUploadReply(const CString& path);

// The answer to a network request, made on its connection thread (a reply's body maker) once the
// window thread has handed the finished record over: nothing else touches the record after that.
class CResponseListMaker : public CReplyBodyMaker {
 public:
  explicit CResponseListMaker(std::unique_ptr<CRemoteCommand> command) : m_command(std::move(command)) {}
  CString Make() override { return BuildActionResponseList(*m_command); }

 private:
  std::unique_ptr<CRemoteCommand> m_command;
};
