#include "recorder/UploadReplyReader.h"

#include "platform/core/CrtNumbers.h"

namespace {
const char* const kMethods[] = {"GET", "POST", "PUT", "DELETE", "HEAD", "TRACE", "OPTIONS", "NOTIFY", "SUBSCRIBE"};
}

int CUploadReplyReader::MethodNumber(const CString& firstLine) {
  int start = 0;
  CString word = firstLine.Tokenize(" ", start);
  for (int i = 0; i < 9; ++i)
    if (word == kMethods[i]) return i;
  return 9;
}

void CUploadReplyReader::Begin() {
  m_state = kHead;
  m_line.Empty();
  m_skipLineFeed = false;
  m_headerLines.clear();
  m_haveLength = false;
  m_contentLength = 0;
  m_bytesReceived = 0;
  m_body.Empty();
  m_connection.Empty();
  m_contentType.Empty();
}

bool CUploadReplyReader::IsComplete() const {
  if (m_state == kComplete) return true;
  return m_state == kBody && m_haveLength && m_bytesReceived >= m_contentLength;
}

CString CUploadReplyReader::ReadMessage(const std::function<int(char*, int)>& read) {
  Begin();
  char buffer[kReadBytes + 1];
  while (!IsComplete()) {
    int got = read(buffer, kReadBytes);
    if (got <= 0) break;
    Feed(buffer, got);
  }
  return m_body;
}

void CUploadReplyReader::Feed(const char* data, int length) {
  if (m_state == kNew) Begin();
  int used = 0;
  if (m_state == kHead) used = FeedHead(data, length);
  if (m_state == kHeadDone) {
    ParseHeaders();
    int method = m_headerLines.empty() ? 9 : MethodNumber(m_headerLines.front());
    if (method == 0 || (method >= 3 && method <= 6)) {
      m_contentLength = 0;
      m_bytesReceived = 0;
      m_state = kComplete;
      return;
    }
    m_state = kBody;
  }
  if (m_state != kBody) return;
  // The head's last CR ended the previous read: its LF opens this one and is no body byte.
  if (m_skipLineFeed && used < length) {
    m_skipLineFeed = false;
    if (data[used] == '\n') ++used;
  }
  if (used >= length) return;
  int take = length - used;
  // Bytes past the announced length belong to no reply of ours: only one request is ever outstanding.
  if (m_haveLength && m_bytesReceived + take > m_contentLength) take = static_cast<int>(m_contentLength - m_bytesReceived);
  if (take <= 0) return;
  m_body += CString(data + used, take);
  m_bytesReceived += take;
}

int CUploadReplyReader::FeedHead(const char* data, int length) {
  for (int i = 0; i < length; ++i) {
    char c = data[i];
    if (m_skipLineFeed) {
      m_skipLineFeed = false;
      if (c == '\n') continue;
    }
    if (c == '\r' || c == '\n') {
      m_skipLineFeed = c == '\r';
      if (m_line.IsEmpty()) {
        m_state = kHeadDone;
        // The line feed of the blank line is part of the head.
        if (m_skipLineFeed && i + 1 < length && data[i + 1] == '\n') {
          m_skipLineFeed = false;
          return i + 2;
        }
        return i + 1;
      }
      m_headerLines.push_back(m_line);
      m_line.Empty();
      continue;
    }
    m_line += c;
  }
  return length;
}

void CUploadReplyReader::ParseHeaders() {
  for (size_t i = 1; i < m_headerLines.size(); ++i) {
    CString line = m_headerLines[i];
    line.MakeUpper();
    int start = 0;
    CString name = line.Tokenize(" ", start);
    CString value = line.Tokenize(" ", start);
    if (name == "CONNECTION:") {
      m_connection = value;
    } else if (name == "CONTENT-TYPE:") {
      m_contentType = value;
    } else if (name == "CONTENT-LENGTH:") {
      m_contentLength = qh_atol(value);
      m_haveLength = m_contentLength >= 0;
      if (m_contentLength < 0) m_contentLength = 0;
    }
  }
}
