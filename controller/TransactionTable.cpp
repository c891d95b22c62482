#include "controller/TransactionTable.h"

#include <vector>

#include "controller/ControllerLog.h"
#include "controller/ProjectDevices.h"
#include "controller/ReplyPage.h"
#include "controller/TemplateHandler.h"
#include "netlib/Sessions.h"
#include "netlib/ThreadBlocks.h"

BOOL CTransactionTable::FileTransaction(CRemoteCommand* record) {
  std::unique_ptr<CRemoteCommand> owned(record);
  if (!owned || m_table.count(owned->GetTransactionNumber())) return FALSE;
  DWORD number = owned->GetTransactionNumber();
  m_table.emplace(number, std::move(owned));
  return TRUE;
}

CRemoteCommand* CTransactionTable::FindTransaction(DWORD number) {
  auto it = m_table.find(number);
  return it == m_table.end() ? nullptr : it->second.get();
}

BOOL CTransactionTable::RemoveTransaction(DWORD number) { return m_table.erase(number) > 0; }

int CTransactionTable::CountPendingForAction(DWORD number, DWORD actionId) {
  CRemoteCommand* record = FindTransaction(number);
  if (!record || !record->FindAction(actionId)) return -1;
  return static_cast<int>(record->GetPendingCount());
}

BOOL CTransactionTable::CompleteAction(DWORD number, DWORD actionId) {
  CRemoteCommand* record = FindTransaction(number);
  if (record) {
    record->RemoveAction(actionId);
    if (record->GetPendingCount() == 0) RemoveTransaction(number);
  }
  return TRUE;
}

int CTransactionTable::DetachHandlerThread(DWORD threadId) {
  int count = 0;
  for (auto& [number, record] : m_table) {
    if (threadId != 0 && record->GetConnectionThreadId() == threadId) {
      record->DetachConnection();
      ++count;
    }
  }
  return count;
}

int CTransactionTable::FinishTransaction(DWORD clientThreadId, const CProjectDevices& devices) {
  DWORD device = devices.GetConnectionDevice(clientThreadId);
  if (device < 1) return 0;
  std::vector<DWORD> numbers;
  for (auto& [number, record] : m_table) numbers.push_back(number);
  int dropped = 0;
  for (DWORD number : numbers) dropped += GiveUpDevice(number, device);
  return dropped;
}

int CTransactionTable::GiveUpDevice(DWORD number, DWORD deviceNumber) {
  CRemoteCommand* record = FindTransaction(number);
  if (!record) return 0;
  int dropped = record->DropDeviceActions(deviceNumber);
  if (dropped > 0 && record->GetPendingCount() == 0) {
    SendCompletionReply(number);
    RemoveTransaction(number);
  }
  return dropped;
}

void CTransactionTable::CheckTransactionTimeouts(std::time_t now) {
  std::vector<DWORD> expired;
  for (auto& [number, record] : m_table)
    if (record->CheckTimeout(kTimeoutSeconds, now)) expired.push_back(number);
  for (DWORD number : expired) {
    SendCompletionReply(number);
    RemoveTransaction(number);
  }
}

int CTransactionTable::SendCompletionReply(DWORD number) {
  int status = 200;
  CRemoteCommand* record = FindTransaction(number);
  if (!record || record->GetConnectionThreadId() == 0) return status;
  CSession* session = record->GetSession();
  CString body;
  // A run without a variable store has nothing to show.
  status = session ? RenderReplyPage(m_templates, session, body) : 500;
  auto* reply = new CHttpResponse;
  reply->m_status = status;
  reply->m_reason = GetHttpStatusText(status);
  reply->m_body = body;
  reply->m_contentType = "text/html";
  reply->m_close = status >= 400;
  reply->m_threadId = record->GetConnectionThreadId();
  auto* command = new CHttpCommand(HTTP_CMD_WRITE_REPLY, reply);
  if (!m_sender || !m_sender(record->GetConnectionThreadId(), command)) {
    delete command;
    CString text;
    text.Format("Transaction %lu could not hand its response to handler thread 0x%08lX.", number,
                record->GetConnectionThreadId());
    m_log.WriteLog(text);
  }
  CString text;
  text.Format("Transaction %lu completed. Response code sent: %d", number, status);
  m_log.WriteLog(text);
  return status;
}

void CTransactionTable::RemoveAll() { m_table.clear(); }
