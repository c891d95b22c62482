#include "netlib/HttpParser.h"

#include <algorithm>

#include "netlib/ThreadBlocks.h"
#include "platform/core/Rfc1123Date.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string Trim(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

// Up to three words split at runs of blanks; missing words are empty.
void SplitStartLine(const std::string& line, std::string words[3]) {
  size_t pos = 0;
  for (int word = 0; word < 3; ++word) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos])) ++pos;
    words[word] = line.substr(start, pos - start);
  }
}

// A Content-Length value: decimal digits only, no larger than `ceiling` + 1 (enough to refuse it).
bool ReadLength(const std::string& value, LONG& length) {
  if (value.empty()) return false;
  long long total = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    total = total * 10 + (c - '0');
    if (total > 0x7FFFFFFF) total = 0x7FFFFFFF;
  }
  length = static_cast<LONG>(total);
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

CString PercentDecode(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      decoded += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += c;
    }
  }
  return CString(std::move(decoded));
}

void DecodeFormPairs(std::string_view text, RequestParamMap& pairs) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('&', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view pair = text.substr(pos, end - pos);
    size_t equals = pair.find('=');
    std::string_view name = pair.substr(0, equals);
    std::string_view value = equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
    if (!name.empty()) pairs.emplace(CString(name), PercentDecode(value));
    pos = end + 1;
  }
}

int CHttpMessageParser::FaultStatus(Fault fault) {
  switch (fault) {
    case Fault::BodyTooLarge: return 413;
    case Fault::UnsupportedEncoding: return 501;
    default: return 400;
  }
}

const char* CHttpMessageParser::FaultReason(Fault fault) {
  switch (fault) {
    case Fault::BodyTooLarge: return "Payload Too Large";
    case Fault::UnsupportedEncoding: return "Not Implemented";
    default: return "Bad Request";
  }
}

void CHttpMessageParser::StartMessage() {
  m_phase = Phase::Header;
  m_fault = Fault::None;
  m_line.clear();
  m_lines.clear();
  m_lastLineEmpty = false;
  m_headerBytes = 0;
  m_methodText.Empty();
  m_url.Empty();
  m_methodCode = HTTP_METHOD_UNKNOWN;
  m_status = 0;
  m_close = false;
  m_connection.Empty();
  m_contentType.Empty();
  m_contentLength = 0;
  m_sawContentLength = false;
  m_sawTransferEncoding = false;
  m_http10 = false;
  m_expectContinue = false;
  m_continueDue = false;
  m_received = 0;
  m_body.clear();
  m_ifModifiedSince = FILETIME{};
  m_sawCookie = false;
  m_cookies.clear();
  m_wasUpload = false;
}

CHttpMessageParser::Status CHttpMessageParser::Feed(const char* data, size_t size) {
  if (m_phase == Phase::Broken) return Status::Invalid;
  if (m_pos > 0 && m_pos == m_pending.size()) {
    m_pending.clear();
    m_pos = 0;
  }
  m_pending.append(data, size);
  if (m_phase == Phase::Done) return Status::Complete;
  return Run();
}

CHttpMessageParser::Status CHttpMessageParser::NextMessage() {
  if (m_phase == Phase::Broken) return Status::Invalid;
  StartMessage();
  if (m_pos > 0) {
    m_pending.erase(0, m_pos);
    m_pos = 0;
  }
  return Run();
}

CHttpMessageParser::Status CHttpMessageParser::EndOfStream() {
  if (m_phase == Phase::Broken) return Status::Invalid;
  if (m_phase == Phase::Done) return Status::Complete;
  if (AtMessageStart() && m_line.empty() && m_lines.empty()) return Status::Ended;
  if (m_phase == Phase::Upload && m_upload.close) m_upload.close(false);
  return Fail(Fault::Truncated);
}

CHttpMessageParser::Status CHttpMessageParser::Run() {
  for (;;) {
    Phase before = m_phase;
    Status status = Status::NeedMore;
    switch (m_phase) {
      case Phase::Header: status = ReadHeader(); break;
      case Phase::Body: status = ReadBody(); break;
      case Phase::Upload: status = ReadUpload(); break;
      case Phase::Done: return Status::Complete;
      case Phase::Broken: return Status::Invalid;
    }
    // A phase that moved on runs its successor at once; one that stayed waits for more bytes.
    if (status != Status::NeedMore || m_phase == before) return status;
  }
}

CHttpMessageParser::Status CHttpMessageParser::ReadHeader() {
  while (m_pos < m_pending.size()) {
    char c = m_pending[m_pos++];
    if (++m_headerBytes > m_limits.maxHeaderBytes) return Fail(Fault::HeaderTooLarge);
    if (c == '\n') {
      if (m_lastLineEmpty) return InterpretHeader();
      if (!m_line.empty()) {
        if (m_lines.size() >= m_limits.maxHeaderLines) return Fail(Fault::HeaderTooLarge);
        m_lines.push_back(std::move(m_line));
        m_line.clear();
      }
      m_lastLineEmpty = true;
    } else if (c != '\r') {
      m_line += c;
      m_lastLineEmpty = false;
    }
  }
  return Status::NeedMore;
}

void CHttpMessageParser::ReadStartLine() {
  std::string words[3];
  SplitStartLine(m_lines.front(), words);
  if (words[0].compare(0, 4, "HTTP") == 0 && words[0].size() >= 4) {
    m_close = words[0] == "HTTP/1.0";
    m_methodCode = HTTP_METHOD_RESPONSE;
    LONG status = 0;
    for (char c : words[1]) {
      if (c < '0' || c > '9' || status > 99999) break;
      status = status * 10 + (c - '0');
    }
    m_status = status;
  } else {
    m_methodCode = HttpMethodCode(CString(words[0]));
    m_http10 = words[2] == "HTTP/1.0";
    m_close = m_http10;
    m_methodText = CString(words[0]);
    m_url = CString(words[1]);
  }
}

bool CHttpMessageParser::ReadHeaderFields() {
  for (size_t i = 1; i < m_lines.size(); ++i) {
    std::string line = Upper(m_lines[i]);
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    std::string name = Trim(std::string_view(line).substr(0, colon));
    std::string value = Trim(std::string_view(line).substr(colon + 1));
    if (name == "CONNECTION") {
      m_connection = CString(value);
      m_close = value == "CLOSE";
    } else if (name == "CONTENT-TYPE") {
      m_contentType = CString(value);
    } else if (name == "CONTENT-LENGTH") {
      LONG length = 0;
      if (!ReadLength(value, length)) return false;
      if (m_sawContentLength && length != m_contentLength) return false;
      m_contentLength = length;
      m_sawContentLength = true;
    } else if (name == "TRANSFER-ENCODING") {
      m_sawTransferEncoding = true;
    } else if (name == "COOKIE") {
      m_sawCookie = true;
      ParseCookies(value);
    } else if (name == "EXPECT") {
      m_expectContinue = value == "100-CONTINUE";
    } else if (name == "IF-MODIFIED-SINCE") {
      if (!ParseRfc1123Date(value, &m_ifModifiedSince)) m_ifModifiedSince = FILETIME{};
    }
  }
  return true;
}

void CHttpMessageParser::ParseCookies(const std::string& value) {
  m_cookies.clear();
  size_t pos = 0;
  while (pos < value.size()) {
    size_t equals = value.find('=', pos);
    if (equals == std::string::npos || equals + 1 >= value.size()) return;
    std::string name = Trim(std::string_view(value).substr(pos, equals - pos));
    size_t semicolon = value.find(';', equals + 1);
    std::string text = value.substr(equals + 1, semicolon == std::string::npos ? std::string::npos
                                                                               : semicolon - equals - 1);
    m_cookies.emplace(CString(name), PercentDecode(text));
    if (semicolon == std::string::npos) return;
    pos = semicolon + 1;
    while (pos < value.size() && value[pos] == ' ') ++pos;
  }
}

CHttpMessageParser::Status CHttpMessageParser::InterpretHeader() {
  if (!m_lines.empty()) ReadStartLine();
  if (!ReadHeaderFields()) return Fail(Fault::BadContentLength);
  if (m_sawTransferEncoding) return Fail(Fault::UnsupportedEncoding);
  m_received = 0;
  if (m_methodCode == HTTP_METHOD_PUT) {
    if (m_contentLength > m_limits.maxUpload) return Fail(Fault::BodyTooLarge);
    if (m_contentLength < 1) return Fail(Fault::EmptyUpload);
    if (!m_upload.open) return Fail(Fault::NoUploadFolder);
    if (!m_upload.open(m_url)) return Fail(Fault::UploadFailed);
    m_wasUpload = true;
    m_phase = Phase::Upload;
    NoteContinueDue();
    return Status::NeedMore;
  }
  if (m_contentType.GetLength() >= 9 && m_contentType.Left(9) == "MULTIPART") return Fail(Fault::Multipart);
  if (m_contentLength > m_limits.maxBody) return Fail(Fault::BodyTooLarge);
  if (m_contentLength < 1) return Finish();
  m_body.reserve(static_cast<size_t>(m_contentLength));
  m_phase = Phase::Body;
  NoteContinueDue();
  return Status::NeedMore;
}

// A client that asked to be told to go on holds its body back until it hears the interim answer (or
// gives up waiting); HTTP/1.0 knows no interim answers.
void CHttpMessageParser::NoteContinueDue() {
  m_continueDue = m_expectContinue && !m_http10 && m_methodCode != HTTP_METHOD_RESPONSE;
}

bool CHttpMessageParser::TakeContinueDue() {
  const bool due = m_continueDue && m_received == 0 && (m_phase == Phase::Body || m_phase == Phase::Upload);
  m_continueDue = false;
  return due;
}

CHttpMessageParser::Status CHttpMessageParser::ReadBody() {
  size_t wanted = static_cast<size_t>(m_contentLength - m_received);
  size_t take = std::min(wanted, m_pending.size() - m_pos);
  m_body.append(m_pending, m_pos, take);
  m_pos += take;
  m_received += static_cast<LONG>(take);
  if (m_received >= m_contentLength) return Finish();
  return Status::NeedMore;
}

CHttpMessageParser::Status CHttpMessageParser::ReadUpload() {
  size_t wanted = static_cast<size_t>(m_contentLength - m_received);
  size_t take = std::min(wanted, m_pending.size() - m_pos);
  if (take > 0) {
    if (!m_upload.write(m_pending.data() + m_pos, take)) {
      if (m_upload.close) m_upload.close(false);
      return Fail(Fault::UploadFailed);
    }
    m_pos += take;
    m_received += static_cast<LONG>(take);
  }
  if (m_received >= m_contentLength) {
    if (m_upload.close) m_upload.close(true);
    return Finish();
  }
  return Status::NeedMore;
}

CHttpMessageParser::Status CHttpMessageParser::Fail(Fault fault) {
  m_fault = fault;
  m_phase = Phase::Broken;
  return Status::Invalid;
}

CHttpMessageParser::Status CHttpMessageParser::Finish() {
  m_phase = Phase::Done;
  return Status::Complete;
}
