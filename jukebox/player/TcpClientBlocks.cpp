#include "jukebox/player/TcpClientBlocks.h"

CTcpSendRecord* CTcpSendRecord::Bytes(std::unique_ptr<char[]> data, DWORD length) {
  auto* record = new CTcpSendRecord;
  record->m_data = std::move(data);
  record->m_length = length;
  return record;
}

CTcpSendRecord* CTcpSendRecord::Text(const CString& text) {
  auto* record = new CTcpSendRecord;
  record->m_text = text;
  record->m_length = static_cast<DWORD>(text.GetLength());
  return record;
}

CTcpRequest::~CTcpRequest() {
  if (m_payload == nullptr) return;
  if (m_type == TCP_REQUEST_CONNECT)
    delete static_cast<CTcpConnect*>(m_payload);
  else if (m_type == TCP_REQUEST_SEND_BYTES || m_type == TCP_REQUEST_SEND_TEXT)
    delete static_cast<CTcpSendRecord*>(m_payload);
}

CTcpConnect* CTcpRequest::TakeConnect() {
  if (m_type != TCP_REQUEST_CONNECT) return nullptr;
  auto* connect = static_cast<CTcpConnect*>(m_payload);
  m_payload = nullptr;
  return connect;
}

CTcpSendRecord* CTcpRequest::TakeRecord() {
  if (m_type != TCP_REQUEST_SEND_BYTES && m_type != TCP_REQUEST_SEND_TEXT) return nullptr;
  auto* record = static_cast<CTcpSendRecord*>(m_payload);
  m_payload = nullptr;
  return record;
}
