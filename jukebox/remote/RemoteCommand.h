// The jukebox's record of one received action request: when it came, its number, the connection that
// waits for the answer, and the request's actions until the answer has been sent. (The controller program
// has a class of the same name for its own runs; the two programs never link each other's.)
#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <vector>

#include "jukebox/remote/RemoteAction.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CHttpSocketThread;

class CRemoteCommand {
 public:
  CRemoteCommand() = default;
  CRemoteCommand(const CRemoteCommand&) = delete;
  CRemoteCommand& operator=(const CRemoteCommand&) = delete;
  ~CRemoteCommand() = default;

  // Sets the request number and the time of receipt (now).
  void Stamp(LONG requestNumber);
  void SetOrigin(const CString& path, DWORD threadId, CHttpSocketThread* thread);

  LONG GetRequestNumber() const { return m_requestNumber; }
  std::time_t GetCreated() const { return m_created; }
  const CString& GetRequestPath() const { return m_requestPath; }
  DWORD GetHandlerThreadId() const { return m_handlerThreadId; }
  // Only to tell a request from the network (a reply is due) from one of the start-up file. The reply
  // goes by thread id: the object may be gone by the time the answer is ready.
  CHttpSocketThread* GetHandlerThread() const { return m_handlerThread; }
  bool HasHandler() const { return m_handlerThread != nullptr; }
  // The peer asked to close after the answer (an HTTP/1.0 request without keep-alive, "Connection: close").
  void SetCloseAfterReply(bool close) { m_closeAfterReply = close; }
  bool GetCloseAfterReply() const { return m_closeAfterReply; }

  // Takes the action over. False when an action with this ActionID is already present: the record then
  // keeps the action all the same (it is queued and must live until it has run) but never reports it.
  bool AddAction(LONG actionId, std::unique_ptr<CRemoteAction> action);
  int GetActionCount() const { return static_cast<int>(m_actions.size()); }
  // Actions whose done flag is clear, the unreported duplicates included, so that the record outlives
  // every action it queued.
  int CountOpenActions() const;

  // The reported actions in ActionID order; null at the end.
  CRemoteAction* First();
  CRemoteAction* Next();

 private:
  std::time_t m_created = 0;
  LONG m_requestNumber = 0;
  CString m_requestPath;
  DWORD m_handlerThreadId = 0;
  CHttpSocketThread* m_handlerThread = nullptr;
  bool m_closeAfterReply = false;
  std::map<LONG, std::unique_ptr<CRemoteAction>> m_actions;
  std::vector<std::unique_ptr<CRemoteAction>> m_duplicates;
  std::map<LONG, std::unique_ptr<CRemoteAction>>::iterator m_cursor = m_actions.end();
};
