#include "netlib/ThreadBlocks.h"

#include <map>
#include <string>

CHttpCommand::CHttpCommand(DWORD command, CHttpConnect* connect) : m_command(command), m_parameter(connect) {}
CHttpCommand::CHttpCommand(DWORD command, CHttpRequest* request) : m_command(command), m_parameter(request) {}
CHttpCommand::CHttpCommand(DWORD command, CHttpResponse* reply) : m_command(command), m_parameter(reply) {}

CHttpCommand* CHttpCommand::IdleCheck(LONG seconds) {
  auto* command = new CHttpCommand(HTTP_CMD_IDLE_CHECK);
  command->m_parameter = new LONG(seconds);
  return command;
}

CHttpCommand::~CHttpCommand() {
  switch (m_command) {
    case HTTP_CMD_CONNECT: delete static_cast<CHttpConnect*>(m_parameter); break;
    case HTTP_CMD_WRITE_REQUEST: delete static_cast<CHttpRequest*>(m_parameter); break;
    case HTTP_CMD_WRITE_REPLY: delete static_cast<CHttpResponse*>(m_parameter); break;
    case HTTP_CMD_IDLE_CHECK: delete static_cast<LONG*>(m_parameter); break;
    default: break;
  }
}

void* CHttpCommand::TakeParameter(DWORD expectedCommand) {
  if (m_command != expectedCommand) return nullptr;
  void* parameter = m_parameter;
  m_parameter = nullptr;
  return parameter;
}

CHttpConnect* CHttpCommand::TakeConnect() { return static_cast<CHttpConnect*>(TakeParameter(HTTP_CMD_CONNECT)); }
CHttpRequest* CHttpCommand::TakeRequest() {
  return static_cast<CHttpRequest*>(TakeParameter(HTTP_CMD_WRITE_REQUEST));
}
CHttpResponse* CHttpCommand::TakeReply() { return static_cast<CHttpResponse*>(TakeParameter(HTTP_CMD_WRITE_REPLY)); }
LONG* CHttpCommand::TakeSeconds() { return static_cast<LONG*>(TakeParameter(HTTP_CMD_IDLE_CHECK)); }

DWORD HttpMethodCode(const CString& word) {
  static const std::map<std::string, DWORD> kMethods = {
      {"GET", HTTP_METHOD_GET},          {"POST", HTTP_METHOD_POST},
      {"HTTP", HTTP_METHOD_RESPONSE},    {"HTTP/1.0", HTTP_METHOD_RESPONSE},
      {"HTTP/1.1", HTTP_METHOD_RESPONSE}, {"PUT", HTTP_METHOD_PUT},
      {"DELETE", HTTP_METHOD_DELETE},    {"HEAD", HTTP_METHOD_HEAD},
      {"TRACE", HTTP_METHOD_TRACE},      {"OPTIONS", HTTP_METHOD_OPTIONS},
      {"NOTIFY", HTTP_METHOD_NOTIFY},    {"SUBSCRIBE", HTTP_METHOD_SUBSCRIBE},
  };
  auto it = kMethods.find(word.str());
  return it == kMethods.end() ? HTTP_METHOD_UNKNOWN : it->second;
}

LPARAM TakeHeldWritten(LPARAM requestBlock) {
  auto* request = reinterpret_cast<CHttpResponse*>(requestBlock);
  if (request == nullptr || !request->m_written) return 0;
  return reinterpret_cast<LPARAM>(request->m_written.release());
}
