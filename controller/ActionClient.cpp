#include "controller/ActionClient.h"

#include <memory>

#include "controller/ControllerLog.h"
#include "controller/LogText.h"
#include "controller/ProjectDevices.h"
#include "controller/RemoteCommand.h"
#include "controller/TransactionTable.h"
#include "controller/XmlText.h"
#include "netlib/ClientSocketManager.h"
#include "netlib/DeviceDescription.h"
#include "netlib/Sessions.h"
#include "netlib/ThreadBlocks.h"
#include "platform/core/CrtNumbers.h"
#include "platform/xml/XmlDom.h"

namespace {

constexpr const char* kControlPath = "/control";

CString ThreadText(DWORD threadId) { return ThreadLabel("Client", threadId); }

}  // namespace

bool CActionClient::IsConnectionLost(LONG errorCode) {
  switch (errorCode) {
    case 10050: case 10051: case 10052: case 10053: case 10054: case 10061: case 10065: return true;
    // A connect that fails in any other way (no address, timed out, host down) or a name that does
    // not resolve leaves the device just as unreachable: its waiting runs are answered at once.
    case 10049: case 10060: case 10064: case 11001: case 11002: case 11003: case 11004: return true;
    default: return false;
  }
}

CString CActionClient::ActionListDocument(const CString& elements) {
  return "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><actionList>" + elements + "</actionList>";
}

CString CActionClient::BuildActionXml(CActionDescription& action, CSession* session, DWORD& actionId,
                                      DWORD transaction, DWORD subDevice, size_t firstArgument,
                                      const std::vector<CActionArgumentNode>& nodes) {
  CString xml = "<action><actionName>" + action.GetName() + "</actionName><transID>" + Decimal(transaction) +
                "</transID><actionID>" + Decimal(m_nextActionId) + "</actionID><subDevice>" + Decimal(subDevice) +
                "</subDevice>";
  actionId = m_nextActionId++;
  if (!action.BeginEnum()) return "";
  size_t position = firstArgument;
  while (CArgumentDescription* argument = action.GetNext()) {
    CString value, hostVar;
    if (position < nodes.size()) {
      const CActionArgumentNode& node = nodes[position];
      if (node.m_kind == CActionArgumentNode::kLiteral) {
        value = node.m_literal.ToText();
      } else if (node.m_kind == CActionArgumentNode::kName) {
        hostVar = node.m_name;
        if (session) value = session->GetHostVariableText(node.m_name);
      }
    }
    ++position;
    xml += "<argument><name>" + argument->GetName() + "</name>";
    if (argument->IsInput())
      xml += "<direction>in</direction><value>" + XmlEscapeText(value) + "</value>";
    else
      xml += "<direction>out</direction><hostvar>" + hostVar + "</hostvar>";
    xml += "<seq>" + Decimal(static_cast<DWORD>(argument->GetSequence())) + "</seq></argument>";
  }
  action.EndEnum();
  return xml + "</action>";
}

int CActionClient::SendTransactionActions(CRemoteCommand& record) {
  record.BeginActions();
  while (CPendingCommand* pending = record.NextAction())
    record.AddToDeviceGroup(pending->m_deviceNumber, pending->m_actionXml);
  bool missing = false, failed = false;
  int handed = 0;
  std::vector<DWORD> sent, unreachable;
  DWORD deviceNumber = 0;
  record.BeginDeviceGroups();
  for (CString group = record.NextDeviceGroup(deviceNumber); !group.IsEmpty();
       group = record.NextDeviceGroup(deviceNumber)) {
    CDeviceDescription* device = m_devices.GetSelectedDevice(deviceNumber, m_log);
    if (!device) {
      missing = true;
      unreachable.push_back(deviceNumber);
      continue;
    }
    ++handed;
    int result = SendXMLCommand(deviceNumber, device->GetServiceAddress(),
                                static_cast<DWORD>(device->GetServicePort()), ActionListDocument(group));
    if (result == 1) {
      sent.push_back(deviceNumber);
    } else if (result < 0) {
      failed = true;
      unreachable.push_back(deviceNumber);
    }
  }
  for (DWORD number : sent) record.RemoveDeviceGroup(number);
  // A device that cannot be found or sent to would keep its run waiting for the time-out.
  for (DWORD number : unreachable) {
    CString text;
    text.Format("Transaction %lu gave up %d pending commands for DeviceID %lu.", record.GetTransactionNumber(),
                record.DropDeviceActions(number), number);
    m_log.WriteLog(text);
  }
  if (missing) return -1;
  if (failed) return -2;
  return handed;
}

bool CActionClient::QueueRequest(DWORD threadId, const CString& document) {
  auto* request = new CHttpRequest;
  request->m_method = HTTP_METHOD_POST;
  request->m_path = kControlPath;
  request->m_body = document;
  request->m_contentType = "text/xml";
  auto* command = new CHttpCommand(HTTP_CMD_WRITE_REQUEST, request);
  if (m_clients.PostCommand(threadId, command)) return true;
  delete command;
  return false;
}

int CActionClient::SendXMLCommand(DWORD deviceNumber, const CString& address, DWORD port, const CString& document) {
  DWORD threadId = 0;
  if (m_devices.FindConnection(deviceNumber, threadId) && !m_clients.Find(threadId)) {
    // The connection's thread has ended: the device gets a new one rather than staying unreachable.
    m_devices.ForgetConnection(threadId);
  }
  if (!m_devices.FindConnection(deviceNumber, threadId)) {
    CHttpSocketThread* thread = m_clients.OpenClientSocket();
    if (!thread) {
      m_log.WriteLog("SendXMLCommand: Could not open outbound socket for device " + Decimal(deviceNumber));
      return -1;
    }
    threadId = thread->m_nThreadID;
    if (!m_devices.AddConnection(deviceNumber, threadId)) {
      m_log.WriteLog("SendXMLCommand: Could not add to map. DeviceID " + Decimal(deviceNumber));
      return -4;
    }
  }
  LONG state = m_clients.GetState(threadId);
  if (state == -2) {
    CString text;
    text.Format("SendXMLCommand: Could not find outbound socket with ThreadID %lX", threadId);
    m_log.WriteLog(text);
    m_devices.ForgetConnection(threadId);
    return -3;
  }
  switch (state) {
    case -1:
      m_log.WriteLog("SendXMLCommand: Socket no longer connected for DeviceID " + Decimal(deviceNumber));
      return -2;
    case CONNECTION_CLOSED: {
      auto* connect = new CHttpConnect;
      connect->m_host = address;
      connect->m_port = static_cast<WORD>(port);
      auto* command = new CHttpCommand(HTTP_CMD_CONNECT, connect);
      if (!m_clients.PostCommand(threadId, command)) {
        delete command;
        m_log.WriteLog("SendXMLCommand: Socket no longer connected for DeviceID " + Decimal(deviceNumber));
        return -2;
      }
      return 0;
    }
    case CONNECTION_CONNECTING:
      return 0;
    case CONNECTION_CONNECTED:
      if (!QueueRequest(threadId, document)) {
        m_log.WriteLog("SendXMLCommand: Socket no longer connected for DeviceID " + Decimal(deviceNumber));
        return -2;
      }
      return 1;
    default:
      return -5;
  }
}

int CActionClient::ReSendXMLCommand(DWORD deviceNumber, const CString& document) {
  DWORD threadId = 0;
  if (!m_devices.FindConnection(deviceNumber, threadId)) {
    m_log.WriteLog("ReSendXMLCommand: Could not find outbound socket for DeviceID " + Decimal(deviceNumber));
    return -1;
  }
  LONG state = m_clients.GetState(threadId);
  if (state == -2) {
    CString text;
    text.Format("ReSendXMLCommand: Could not find outbound socket with ThreadID %lX", threadId);
    m_log.WriteLog(text);
    return -3;
  }
  if (state <= CONNECTION_CONNECTING || !QueueRequest(threadId, document)) {
    CString text;
    text.Format("ReSendXMLCommand: Socket no longer connected for DeviceID %lu, code %ld", deviceNumber, state);
    m_log.WriteLog(text);
    return -2;
  }
  return 1;
}

int CActionClient::ResendActionList(DWORD clientThreadId) {
  DWORD device = m_devices.GetConnectionDevice(clientThreadId);
  int count = 0;
  std::vector<DWORD> failed;
  m_transactions.ForEach([&](CRemoteCommand& record) {
    CString group = record.GetDeviceGroup(device);
    if (group.IsEmpty()) return;
    ++count;
    if (ReSendXMLCommand(device, ActionListDocument(group)) > 0)
      record.RemoveDeviceGroup(device);
    else
      failed.push_back(record.GetTransactionNumber());
  });
  // A document that cannot go out now never will on this connection: its runs do not wait for it.
  for (DWORD number : failed) m_transactions.GiveUpDevice(number, device);
  return count;
}

bool CActionClient::IsConnectionUp(DWORD threadId) {
  LONG state = m_clients.GetState(threadId);
  // -1 is a state lock that timed out: the connection may well be up.
  return state == CONNECTION_CONNECTING || state == CONNECTION_CONNECTED || state == -1;
}

void CActionClient::FinishAndLog(DWORD threadId) {
  int dropped = m_transactions.FinishTransaction(threadId, m_devices);
  CString text;
  text.Format("%s had %d pending commands which were marked complete.", ThreadText(threadId).GetString(), dropped);
  m_log.WriteLog(text);
}

void CActionClient::OnClientNotify(WPARAM code, LPARAM block) {
  switch (code) {
    case NOTICE_INFO: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice || m_shuttingDown) return;
      if (notice->m_linkState == 1) {
        m_log.WriteLog(ThreadText(notice->m_threadId) + " has closed its connection.");
        FinishAndLog(notice->m_threadId);
      } else if (notice->m_linkState == 3) {
        ResendActionList(notice->m_threadId);
      }
      return;
    }
    case NOTICE_ERROR: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice) return;
      CString text;
      text.Format("%s has generated error code - %ld (%s)", ThreadText(notice->m_threadId).GetString(),
                  notice->m_code, notice->m_text.GetString());
      m_log.WriteLog(text);
      ++m_errors;
      if (m_errorDisplay) m_errorDisplay(text);
      // Whatever the code, a connection that is not up (a connect or name lookup that failed, a write
      // to a closed socket) will never answer the documents waiting on it.
      if (IsConnectionLost(notice->m_code) || !IsConnectionUp(notice->m_threadId)) {
        auto* close = new CHttpCommand(HTTP_CMD_CLOSE);
        if (!m_clients.PostCommand(notice->m_threadId, close)) delete close;
        FinishAndLog(notice->m_threadId);
      }
      return;
    }
    case NOTICE_REQUEST:
      delete reinterpret_cast<CHttpResponse*>(block);
      return;
    case NOTICE_RESPONSE: {
      std::unique_ptr<CHttpResponse> response(reinterpret_cast<CHttpResponse*>(block));
      if (!response) return;
      CString text;
      text.Format("%s received HTTP response %ld", ThreadText(response->m_threadId).GetString(), response->m_status);
      m_log.WriteLog(text);
      ++m_responses;
      if (response->m_status == 200)
        ProcessActionResponse(*response);
      else
        FinishAndLog(response->m_threadId);  // the device refused the whole document: nothing will answer
      return;
    }
    case NOTICE_WRITTEN:
    case NOTICE_SESSION:
      delete reinterpret_cast<CHttpNotice*>(block);
      return;
    case NOTICE_THREAD_ENDING: {
      auto threadId = static_cast<DWORD>(block);
      if (threadId == 0 || m_shuttingDown) return;
      m_log.WriteLog(ThreadText(threadId) + " is exiting.");
      // Its actions can no longer be answered, and the device must get a new connection next time.
      if (m_devices.GetConnectionDevice(threadId) > 0) FinishAndLog(threadId);
      m_devices.ForgetConnection(threadId);
      return;
    }
    default:
      m_log.WriteLog("Client thread 0x???????? generated an invalid notification type.");
      return;
  }
}

void CActionClient::ProcessActionResponse(const CHttpResponse& response) {
  try {
    DOMDocument document;
    if (!document.loadXML(response.m_body.view())) return;
    IXMLDOMNodeList responses = document.getElementsByTagName("actionResponse");
    for (long i = 0; i < responses.length(); ++i) {
      DWORD actionId = 0, transaction = 0;
      LONG returnCode = 0;
      IXMLDOMNodeList children = responses.item(i).childNodes();
      for (long c = 0; c < children.length(); ++c) {
        IXMLDOMNode child = children.item(c);
        CString name = child.nodeName();
        if (name.CompareNoCase("actionID") == 0)
          actionId = static_cast<DWORD>(qh_atol(child.text()));
        else if (name.CompareNoCase("transID") == 0)
          transaction = static_cast<DWORD>(qh_atol(child.text()));
        else if (name.CompareNoCase("actionReturnCode") == 0)
          returnCode = qh_atol(child.text());
        else if (name.CompareNoCase("argument") == 0)
          ParseResponseArgument(child, transaction);
      }
      if (static_cast<LONG>(actionId) <= 0 || static_cast<LONG>(transaction) <= 0) continue;
      CString text;
      text.Format("Transaction %lu received completion message for action %lu. Return Code: %ld", transaction,
                  actionId, returnCode);
      m_log.WriteLog(text);
      if (m_transactions.CountPendingForAction(transaction, actionId) == 1)
        m_transactions.SendCompletionReply(transaction);
      m_transactions.CompleteAction(transaction, actionId);
    }
  } catch (...) {
    // A reader failure ends this document; what was stored stays.
  }
}

void CActionClient::ParseResponseArgument(const IXMLDOMNode& argument, DWORD transaction) {
  CRemoteCommand* record = m_transactions.FindTransaction(transaction);
  CSession* session = record ? record->GetSession() : nullptr;
  if (!session) return;
  CString hostVar, value;
  std::unique_ptr<CValueNode> array;
  IXMLDOMNodeList children = argument.childNodes();
  for (long c = 0; c < children.length(); ++c) {
    IXMLDOMNode child = children.item(c);
    CString name = child.nodeName();
    if (name.CompareNoCase("hostvar") == 0) {
      hostVar = child.text();
    } else if (name.CompareNoCase("value") == 0) {
      value = child.text();
    } else if (name.CompareNoCase("arraycount") == 0) {
      int count = qh_atoi(child.text());
      array = std::make_unique<CValueNode>();
      // A count below 1 is an empty array; one beyond the store's limit is cut to it.
      if (count > CSession::kMaxArrayItems) count = CSession::kMaxArrayItems;
      if (count > 0) {
        CValueNode empty;
        empty.SetString("");
        array->SetArrayItem(count - 1, empty);
      }
    } else if (name.CompareNoCase("arrayitem") == 0 && array) {
      ParseResponseArrayItem(child, *array);
    }
  }
  if (hostVar.IsEmpty()) return;
  if (array) {
    CValueNode* owned = array.release();
    if (!session->SetArrayVariable(hostVar, owned)) delete owned;
  } else {
    session->SetStringVariable(hostVar, value);
  }
}

void CActionClient::ParseResponseArrayItem(const IXMLDOMNode& item, CValueNode& array) {
  int index = -1;
  CString value;
  IXMLDOMNodeList children = item.childNodes();
  for (long c = 0; c < children.length(); ++c) {
    IXMLDOMNode child = children.item(c);
    CString name = child.nodeName();
    if (name.CompareNoCase("arrayindex") == 0)
      index = qh_atoi(child.text());
    else if (name.CompareNoCase("arrayvalue") == 0)
      value = child.text();
  }
  if (index < 0 || index >= CSession::kMaxArrayItems) return;
  CValueNode element;
  element.SetString(value);
  array.SetArrayItem(index, element);
}
