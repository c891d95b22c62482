// The controller's side of the device protocol: an <action> element per device command, the
// elements of one run gathered per device into one actionList document, POSTed to the device's
// "/control" over an outbound connection that is opened on first use and kept; the actionResponse
// documents that come back store their values in the run's session and complete its actions.
#pragma once

#include <functional>
#include <vector>

#include "netlib/ValueNode.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CActionDescription;
class CClientSocketManager;
class CControllerLog;
class CProjectDevices;
class CRemoteCommand;
class CSession;
class CTransactionTable;
struct CHttpResponse;
class IXMLDOMNode;

// What a statement gives for one action argument: a literal value, a variable's name, or nothing.
struct CActionArgumentNode {
  enum Kind { kOther, kLiteral, kName };
  Kind m_kind = kOther;
  CValueNode m_literal;
  CString m_name;
};

class CActionClient {
 public:
  // Winsock errors after which a device connection is closed and its actions are given up.
  static bool IsConnectionLost(LONG errorCode);

  CActionClient(CProjectDevices& devices, CClientSocketManager& clients, CTransactionTable& transactions,
                CControllerLog& log)
      : m_devices(devices), m_clients(clients), m_transactions(transactions), m_log(log) {}

  CString BuildActionXml(CActionDescription& action, CSession* session, DWORD& actionId, DWORD transaction,
                         DWORD subDevice, size_t firstArgument, const std::vector<CActionArgumentNode>& nodes);
  // The number of devices a document was handed to; -1 a device is not in the project; -2 a send failed.
  int SendTransactionActions(CRemoteCommand& record);
  // 1 queued; 0 the connection is being opened; -1 to -5 failures.
  int SendXMLCommand(DWORD deviceNumber, const CString& address, DWORD port, const CString& document);
  int ReSendXMLCommand(DWORD deviceNumber, const CString& document);
  int ResendActionList(DWORD clientThreadId);
  // The handler of the outbound connections' notices; frees the block.
  void OnClientNotify(WPARAM code, LPARAM block);
  void ProcessActionResponse(const CHttpResponse& response);

  void SetShuttingDown(bool shuttingDown) { m_shuttingDown = shuttingDown; }
  DWORD GetNextActionId() const { return m_nextActionId; }
  LONG GetResponseCount() const { return m_responses; }
  LONG GetErrorCount() const { return m_errors; }
  // Told of every error line, for the status dialog.
  void SetErrorDisplay(std::function<void(const CString&)> display) { m_errorDisplay = std::move(display); }

  static CString ActionListDocument(const CString& elements);

 private:
  void ParseResponseArgument(const IXMLDOMNode& argument, DWORD transaction);
  void ParseResponseArrayItem(const IXMLDOMNode& item, CValueNode& array);
  bool QueueRequest(DWORD threadId, const CString& document);
  bool IsConnectionUp(DWORD threadId);
  void FinishAndLog(DWORD threadId);

  CProjectDevices& m_devices;
  CClientSocketManager& m_clients;
  CTransactionTable& m_transactions;
  CControllerLog& m_log;
  DWORD m_nextActionId = 1;
  LONG m_responses = 0;
  LONG m_errors = 0;
  bool m_shuttingDown = false;
  std::function<void(const CString&)> m_errorDisplay;
};
