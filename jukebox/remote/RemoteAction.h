// One action of a remote request: its name, identifiers, the zone it aims at, its arguments and, once it
// has run, its outcome. The document reader and the start-up command list create actions, the executor
// reads their arguments and stores results in them, and the response builder writes them back.
#pragma once

#include <map>
#include <memory>

#include "netlib/NoCaseLess.h"
#include "netlib/ValueNode.h"
#include "platform/core/CString.h"
#include "platform/core/Sync.h"
#include "platform/core/WinTypes.h"

class CRemoteAction {
 public:
  // How long BeginArguments waits for another thread's walk to end.
  static constexpr DWORD kArgumentWalkTimeoutMs = 10000;

  CRemoteAction() = default;
  CRemoteAction(const CRemoteAction&) = delete;
  CRemoteAction& operator=(const CRemoteAction&) = delete;
  ~CRemoteAction();

  // Setting the name also readies the lock of the argument walk (an action without a name is never
  // walked by another thread).
  void SetName(const CString& name);
  void SetTransID(LONG transId) { m_transId = transId; }
  void SetRequestNumber(LONG number) { m_requestNumber = number; }
  void SetActionID(LONG actionId) { m_actionId = actionId; }
  void SetSubDevice(LONG subDevice) { m_subDevice = subDevice; }
  const CString& GetName() const { return m_name; }
  LONG GetTransID() const { return m_transId; }
  LONG GetRequestNumber() const { return m_requestNumber; }
  LONG GetActionID() const { return m_actionId; }
  LONG GetSubDevice() const { return m_subDevice; }

  // Replaces any earlier outcome.
  void SetResult(LONG code, const CString& message);
  LONG GetReturnCode() const { return m_returnCode; }
  const CString& GetReturnMessage() const { return m_returnMessage; }
  // Only the action queue marks an action done.
  void MarkDone() { m_done = true; }
  bool IsDone() const { return m_done; }

  // Files `argument` under `name` and takes it over; false (nothing stored) for a null argument. When an
  // argument of that name (without case) is already present the earlier one stays and the new one is
  // freed, so the caller never has to.
  bool AddArgument(const CString& name, CActionArgument* argument);
  // Lookup without case; also leaves the walk's cursor on the entry found.
  CActionArgument* FindArgument(const CString& name);
  int GetArgumentCount() const { return static_cast<int>(m_arguments.size()); }

  // The walk over the arguments, in name order without case. BeginArguments takes the lock (10 s) and
  // puts the cursor on the first argument; false when there is no lock yet (no name set) or the wait
  // timed out, and the cursor is then left where it was.
  bool BeginArguments();
  CActionArgument* NextArgument();
  void EndArguments();
  // Puts the cursor on the first argument without the lock: for the response builder, whose answer is
  // due even when another thread's walk outlasts the time-out.
  void RewindArguments() { m_cursor = m_arguments.begin(); }

  // Makes this action a copy of `other`: identifiers, zone, outcome and a new copy of every argument.
  // The done flag is not copied: a copy has not run.
  void CopyFrom(CRemoteAction& other);

 private:
  using ArgumentMap = std::map<CString, std::unique_ptr<CActionArgument>, NoCaseLess>;

  CCriticalSection m_lock;
  // Set with the name. The walk takes the critical section itself: a single-lock object shared by
  // every thread would report a second thread's walk as already locked and let it in.
  bool m_walkLockReady = false;
  CString m_name;
  LONG m_transId = 0;
  LONG m_requestNumber = 0;
  LONG m_actionId = 0;
  LONG m_subDevice = 0;
  bool m_done = false;
  LONG m_returnCode = 0;
  CString m_returnMessage;
  ArgumentMap m_arguments;
  ArgumentMap::iterator m_cursor = m_arguments.end();
};
