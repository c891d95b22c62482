// The runs whose device actions are still pending, by transaction number. A run's browser reply is
// held back until every pending action is answered, its device's connection ends, or the run is
// older than 180 s; then the reply page is rendered from the session's variables and sent. Lives on
// the status dialog's thread, which also receives every connection notice, so it needs no lock.
#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <memory>

#include "controller/RemoteCommand.h"

class CControllerLog;
class CTemplateHandler;
class CProjectDevices;
class CHttpCommand;
class CSession;

class CTransactionTable {
 public:
  static constexpr double kTimeoutSeconds = 180.0;
  // Hands a reply to the browser connection `threadId`; false when it has ended or refused the block
  // (which then stays the caller's).
  using ReplySender = std::function<BOOL(DWORD threadId, CHttpCommand* command)>;

  CTransactionTable(CTemplateHandler& templates, CControllerLog& log) : m_templates(templates), m_log(log) {}
  CTransactionTable(const CTransactionTable&) = delete;
  CTransactionTable& operator=(const CTransactionTable&) = delete;

  void SetReplySender(ReplySender sender) { m_sender = std::move(sender); }
  // Files a run under its transaction number; false (and the record freed) when the number is taken.
  BOOL FileTransaction(CRemoteCommand* record);
  CRemoteCommand* FindTransaction(DWORD number);
  BOOL RemoveTransaction(DWORD number);
  int CountPendingForAction(DWORD number, DWORD actionId);
  BOOL CompleteAction(DWORD number, DWORD actionId);
  int DetachHandlerThread(DWORD threadId);
  // Drops the pending actions of the device the client connection reaches from every run; runs left
  // with none are answered and removed. The number of actions dropped.
  int FinishTransaction(DWORD clientThreadId, const CProjectDevices& devices);
  // Drops one device's pending actions from one run; a run left with none is answered and removed.
  // The number of actions dropped.
  int GiveUpDevice(DWORD number, DWORD deviceNumber);
  void CheckTransactionTimeouts(std::time_t now);
  int SendCompletionReply(DWORD number);
  void RemoveAll();
  int GetCount() const { return static_cast<int>(m_table.size()); }
  // Runs in ascending transaction number (for the resend after a connect).
  template <typename Visit>
  void ForEach(Visit visit) {
    for (auto& [number, record] : m_table) visit(*record);
  }

 private:
  CTemplateHandler& m_templates;
  CControllerLog& m_log;
  ReplySender m_sender;
  std::map<DWORD, std::unique_ptr<CRemoteCommand>> m_table;
};
