// The record of one run of statements (a /COMMAND request, a scheduled event, the start-up macro):
// its transaction number, the session whose variables it uses, the browser connection waiting for
// the reply, and the device actions still pending, grouped per device when they are sent.
#pragma once

#include <ctime>
#include <map>
#include <memory>

#include "netlib/HttpParser.h"
#include "netlib/HttpWriter.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CSession;
class CHttpSocketThread;

// "PCM1": one device action waiting for its device's answer.
struct CPendingCommand {
  char m_tag[4] = {'P', 'C', 'M', '1'};
  CString m_actionXml;
  DWORD m_deviceNumber = 0;
  DWORD m_actionId = 0;
  DWORD m_transactionNumber = 0;
  CString m_deviceAddress;
  DWORD m_devicePort = 0;
  char m_endTag[4] = {'P', 'C', 'M', '9'};
};

class CRemoteCommand {
 public:
  CRemoteCommand();
  CRemoteCommand(const CRemoteCommand&) = delete;
  CRemoteCommand& operator=(const CRemoteCommand&) = delete;
  ~CRemoteCommand() = default;

  void SetTransactionNumber(DWORD number) { m_transactionNumber = number; }
  DWORD GetTransactionNumber() const { return m_transactionNumber; }
  std::time_t GetTimeStamp() const { return m_timeStamp; }
  void SetTimeStamp(std::time_t when) { m_timeStamp = when; }
  // The request text and the variable store the run uses.
  void SetBody(const CString& body, std::shared_ptr<CSession> session);
  const CString& GetBody() const { return m_body; }
  CSession* GetSession() const { return m_session.get(); }
  const std::shared_ptr<CSession>& GetSessionPointer() const { return m_session; }
  // The browser connection that waits for the reply; 0 when nobody waits. Only the id is ever used
  // to reach the connection: the thread object may have ended.
  void SetConnection(DWORD threadId) { m_threadId = threadId; }
  DWORD GetConnectionThreadId() const { return m_threadId; }
  void DetachConnection() { m_threadId = 0; }
  // The form and query variables of the browser request the run serves (none for macro runs).
  void SetRequestParams(RequestParamMap params) {
    m_params = std::move(params);
    m_hasRequest = true;
  }
  bool HasRequest() const { return m_hasRequest; }
  bool GetRequestParam(const CString& name, CString& value) const {
    auto it = m_params.find(name);
    if (it == m_params.end()) return false;
    value = it->second;
    return true;
  }
  const RequestParamMap& GetRequestParams() const { return m_params; }

  // Pending actions by action id. AddAction takes the command over on success; on a duplicate id it
  // is freed and false returned, so nothing leaks.
  BOOL AddAction(DWORD actionId, CPendingCommand* command);
  CPendingCommand* FindAction(DWORD actionId);
  BOOL RemoveAction(DWORD actionId);
  // Gives up the device's pending commands and its unsent group; the number of commands dropped.
  int DropDeviceActions(DWORD deviceNumber);
  DWORD GetPendingCount() const { return static_cast<DWORD>(m_actions.size()); }
  void BeginActions() { m_actionCursor = m_actions.begin(); }
  CPendingCommand* NextAction();

  // Action elements still to send, per device number.
  void AddToDeviceGroup(DWORD deviceNumber, const CString& text);
  CString GetDeviceGroup(DWORD deviceNumber) const;
  BOOL RemoveDeviceGroup(DWORD deviceNumber);
  void BeginDeviceGroups() { m_groupCursor = m_groups.begin(); }
  // The next group's text and device number; an empty text at the end.
  CString NextDeviceGroup(DWORD& deviceNumber);

  // True when older than `limitSeconds` at `now` (strictly); the pending actions are dropped then.
  bool CheckTimeout(double limitSeconds, std::time_t now);
  void ClearPending();

 private:
  DWORD m_transactionNumber = 0;
  std::time_t m_timeStamp = 0;
  CString m_body;
  std::shared_ptr<CSession> m_session;
  DWORD m_threadId = 0;
  RequestParamMap m_params;
  bool m_hasRequest = false;
  std::map<DWORD, std::unique_ptr<CPendingCommand>> m_actions;
  std::map<DWORD, std::unique_ptr<CPendingCommand>>::iterator m_actionCursor = m_actions.end();
  std::map<DWORD, CString> m_groups;
  std::map<DWORD, CString>::iterator m_groupCursor = m_groups.end();
};
