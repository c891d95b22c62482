#include "platform/inet/WinInet.h"

#include <curl/curl.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

enum class Kind { Session, Connection, Request };

struct Timeouts {
  DWORD connectMs = 60000;
  DWORD receiveMs = 60000;
  DWORD sendMs = 60000;
};

// What a request's thread and its callers share.
struct RequestState {
  std::mutex lock;
  std::condition_variable changed;
  std::recursive_mutex callbackLock;  // held while the status callback runs; closing waits for it
  bool closed = false;

  HINTERNET handle = nullptr;
  DWORD_PTR context = 0;
  INTERNET_STATUS_CALLBACK callback = nullptr;
  bool async = false;
  std::string url;
  std::string agent;
  Timeouts timeouts;

  bool sent = false;
  bool headersDone = false;
  bool finished = false;
  DWORD error = 0;  // set when the transfer failed
  long statusCode = 0;
  std::deque<char> body;
  size_t totalBytes = 0;

  char* pendingBuffer = nullptr;
  DWORD pendingSize = 0;
  LPDWORD pendingCount = nullptr;
};

struct InetHandle {
  Kind kind;
  std::shared_ptr<InetHandle> parent;
  bool async = false;
  std::string agent;
  Timeouts timeouts;
  INTERNET_STATUS_CALLBACK callback = nullptr;
  std::string server;
  INTERNET_PORT port = 0;
  DWORD_PTR context = 0;
  std::shared_ptr<RequestState> request;
};

class HandleTable {
 public:
  static HandleTable& Instance() {
    static HandleTable table;
    return table;
  }
  HINTERNET Add(std::shared_ptr<InetHandle> handle) {
    std::lock_guard<std::mutex> guard(lock_);
    HINTERNET value = reinterpret_cast<HINTERNET>(next_++);
    handles_[value] = std::move(handle);
    return value;
  }
  std::shared_ptr<InetHandle> Find(HINTERNET value) {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = handles_.find(value);
    return found == handles_.end() ? nullptr : found->second;
  }
  // Takes the handle and every handle below it out of the table.
  std::vector<std::shared_ptr<InetHandle>> Remove(HINTERNET value) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::shared_ptr<InetHandle>> removed;
    auto found = handles_.find(value);
    if (found == handles_.end()) return removed;
    std::shared_ptr<InetHandle> root = found->second;
    for (auto it = handles_.begin(); it != handles_.end();) {
      bool below = false;
      for (auto h = it->second; h; h = h->parent) below = below || h == root;
      if (below) {
        removed.push_back(it->second);
        it = handles_.erase(it);
      } else {
        ++it;
      }
    }
    return removed;
  }

 private:
  std::mutex lock_;
  std::map<HINTERNET, std::shared_ptr<InetHandle>> handles_;
  uintptr_t next_ = 0x1000;
};

std::shared_ptr<InetHandle> FindKind(HINTERNET value, Kind kind) {
  std::shared_ptr<InetHandle> handle = HandleTable::Instance().Find(value);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (handle->kind != kind) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return handle;
}

// Reports a completion unless the request was closed; never with the state lock held.
void Complete(const std::shared_ptr<RequestState>& state, bool ok, DWORD error) {
  std::lock_guard<std::recursive_mutex> guard(state->callbackLock);
  if (state->closed || !state->async || state->callback == nullptr) return;
  INTERNET_ASYNC_RESULT result{static_cast<DWORD_PTR>(ok ? TRUE : FALSE), error};
  state->callback(state->handle, state->context, INTERNET_STATUS_REQUEST_COMPLETE, &result, sizeof result);
}

DWORD TakeBytes(RequestState& state, char* buffer, DWORD size) {
  DWORD count = static_cast<DWORD>(std::min<size_t>(size, state.body.size()));
  std::copy(state.body.begin(), state.body.begin() + count, buffer);
  state.body.erase(state.body.begin(), state.body.begin() + count);
  return count;
}

// Serves a pending read when bytes, the end or a failure are there; true when it did.
bool ServePendingRead(RequestState& state, bool* ok, DWORD* error) {
  if (state.pendingBuffer == nullptr) return false;
  if (!state.body.empty() || state.finished) {
    *state.pendingCount = TakeBytes(state, state.pendingBuffer, state.pendingSize);
    *ok = true;
    *error = 0;
  } else if (state.error != 0) {
    *ok = false;
    *error = state.error;
  } else {
    return false;
  }
  state.pendingBuffer = nullptr;
  state.pendingCount = nullptr;
  return true;
}

struct WorkerContext {
  std::shared_ptr<RequestState> state;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  const std::shared_ptr<RequestState>& state = static_cast<WorkerContext*>(user)->state;
  std::string line(data, size * count);
  bool report = false;
  {
    std::lock_guard<std::mutex> guard(state->lock);
    if (line.rfind("HTTP/", 0) == 0) {
      size_t space = line.find(' ');
      state->statusCode = space == std::string::npos ? 0 : std::strtol(line.c_str() + space + 1, nullptr, 10);
    } else if ((line == "\r\n" || line == "\n") && state->statusCode >= 200 && !state->headersDone) {
      state->headersDone = true;
      report = true;
    }
  }
  state->changed.notify_all();
  if (report) Complete(state, true, 0);
  return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& state = *static_cast<WorkerContext*>(user)->state;
  size_t bytes = size * count;
  bool served = false, ok = false;
  DWORD error = 0;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.totalBytes + bytes > qh::inet::kMaxReplyBytes) return 0;
    state.totalBytes += bytes;
    state.body.insert(state.body.end(), data, data + bytes);
    served = ServePendingRead(state, &ok, &error);
  }
  state.changed.notify_all();
  if (served) Complete(static_cast<WorkerContext*>(user)->state, ok, error);
  return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto& state = *static_cast<WorkerContext*>(user)->state;
  std::lock_guard<std::recursive_mutex> guard(state.callbackLock);
  return state.closed ? 1 : 0;
}

DWORD ErrorOf(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_WRITE_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_FILESIZE_EXCEEDED: return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    default: return ERROR_INTERNET_CONNECTION_RESET;
  }
}

void RunRequest(std::shared_ptr<RequestState> state) {
  WorkerContext context{state};
  CURL* curl = curl_easy_init();
  CURLcode code = CURLE_FAILED_INIT;
  if (curl != nullptr) {
    long receiveSeconds = std::max<long>(1, static_cast<long>((state->timeouts.receiveMs + 999) / 1000));
    curl_easy_setopt(curl, CURLOPT_URL, state->url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, state->agent.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(state->timeouts.connectMs));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, receiveSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(qh::inet::kMaxReplyBytes));
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &context);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &context);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &context);
    code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
  }
  bool sendDone = false, served = false, ok = false;
  DWORD error = 0;
  {
    std::lock_guard<std::mutex> guard(state->lock);
    if (code == CURLE_OK && state->headersDone) {
      state->finished = true;
    } else {
      state->error = code == CURLE_OK ? ERROR_HTTP_INVALID_SERVER_RESPONSE : ErrorOf(code);
    }
    sendDone = !state->headersDone;
    served = ServePendingRead(*state, &ok, &error);
  }
  state->changed.notify_all();
  if (sendDone) Complete(state, false, state->error);
  else if (served) Complete(state, ok, error);
}

void EnsureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsSafePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  for (unsigned char c : path) {
    if (c <= 0x20 || c >= 0x7F) return false;
  }
  return true;
}

}  // namespace

HINTERNET InternetOpen(LPCSTR agent, DWORD, LPCSTR, LPCSTR, DWORD flags) {
  EnsureCurl();
  auto session = std::make_shared<InetHandle>();
  session->kind = Kind::Session;
  session->async = (flags & INTERNET_FLAG_ASYNC) != 0;
  session->agent = agent != nullptr ? agent : "";
  return HandleTable::Instance().Add(session);
}

BOOL InternetSetOption(HINTERNET value, DWORD option, LPVOID buffer, DWORD length) {
  std::shared_ptr<InetHandle> handle = HandleTable::Instance().Find(value);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (buffer == nullptr || length != sizeof(DWORD)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD milliseconds = *static_cast<DWORD*>(buffer);
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: handle->timeouts.connectMs = milliseconds; return TRUE;
    case INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT: handle->timeouts.receiveMs = milliseconds; return TRUE;
    case INTERNET_OPTION_CONTROL_SEND_TIMEOUT:
    case INTERNET_OPTION_DATA_SEND_TIMEOUT: handle->timeouts.sendMs = milliseconds; return TRUE;
    default:
      SetLastError(ERROR_INTERNET_INVALID_OPTION);
      return FALSE;
  }
}

INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET value, INTERNET_STATUS_CALLBACK callback) {
  std::shared_ptr<InetHandle> handle = HandleTable::Instance().Find(value);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INTERNET_INVALID_STATUS_CALLBACK;
  }
  INTERNET_STATUS_CALLBACK previous = handle->callback;
  handle->callback = callback;
  return previous;
}

HINTERNET InternetConnect(HINTERNET sessionValue, LPCSTR server, INTERNET_PORT port, LPCSTR, LPCSTR, DWORD service,
                          DWORD, DWORD_PTR context) {
  std::shared_ptr<InetHandle> session = FindKind(sessionValue, Kind::Session);
  if (!session) return nullptr;
  if (server == nullptr || *server == '\0' || service != INTERNET_SERVICE_HTTP) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // A host name is letters, digits, '-', '.' and ':' (IPv6); anything else could change the URL.
  for (const char* c = server; *c; ++c) {
    if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '-' && *c != '.' && *c != ':') {
      SetLastError(ERROR_INTERNET_INVALID_URL);
      return nullptr;
    }
  }
  auto connection = std::make_shared<InetHandle>();
  connection->kind = Kind::Connection;
  connection->parent = session;
  connection->async = session->async;
  connection->agent = session->agent;
  connection->timeouts = session->timeouts;
  connection->callback = session->callback;
  connection->server = server;
  connection->port = port == 0 ? INTERNET_DEFAULT_HTTP_PORT : port;
  connection->context = context;
  return HandleTable::Instance().Add(connection);
}

HINTERNET HttpOpenRequest(HINTERNET connectionValue, LPCSTR verb, LPCSTR object, LPCSTR, LPCSTR, LPCSTR*, DWORD,
                          DWORD_PTR context) {
  std::shared_ptr<InetHandle> connection = FindKind(connectionValue, Kind::Connection);
  if (!connection) return nullptr;
  if ((verb != nullptr && std::strcmp(verb, "GET") != 0) || object == nullptr || !IsSafePath(object)) {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return nullptr;
  }
  auto request = std::make_shared<InetHandle>();
  request->kind = Kind::Request;
  request->parent = connection;
  request->context = context;
  auto state = std::make_shared<RequestState>();
  state->context = context;
  state->callback = connection->callback;
  state->async = connection->async;
  state->agent = connection->agent;
  state->timeouts = connection->timeouts;
  bool ipv6 = connection->server.find(':') != std::string::npos;
  state->url = "http://" + (ipv6 ? "[" + connection->server + "]" : connection->server) + ":" +
               std::to_string(connection->port) + object;
  request->request = state;
  HINTERNET value = HandleTable::Instance().Add(request);
  state->handle = value;
  return value;
}

BOOL HttpSendRequest(HINTERNET requestValue, LPCSTR, DWORD, LPVOID, DWORD) {
  std::shared_ptr<InetHandle> request = FindKind(requestValue, Kind::Request);
  if (!request) return FALSE;
  std::shared_ptr<RequestState> state = request->request;
  {
    std::lock_guard<std::mutex> guard(state->lock);
    if (state->sent) {
      SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
      return FALSE;
    }
    state->sent = true;
  }
  std::thread(RunRequest, state).detach();
  if (state->async) {
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }
  std::unique_lock<std::mutex> guard(state->lock);
  state->changed.wait(guard, [&] { return state->headersDone || state->error != 0; });
  if (!state->headersDone) {
    SetLastError(state->error);
    return FALSE;
  }
  return TRUE;
}

BOOL HttpQueryInfo(HINTERNET requestValue, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD) {
  std::shared_ptr<InetHandle> request = FindKind(requestValue, Kind::Request);
  if (!request) return FALSE;
  std::lock_guard<std::mutex> guard(request->request->lock);
  if (!request->request->headersDone) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return FALSE;
  }
  if ((infoLevel & 0xFFFF) != HTTP_QUERY_STATUS_CODE) {
    SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
    return FALSE;
  }
  if (buffer == nullptr || bufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  long code = request->request->statusCode;
  if (infoLevel & HTTP_QUERY_FLAG_NUMBER) {
    if (*bufferLength < sizeof(DWORD)) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    *static_cast<DWORD*>(buffer) = static_cast<DWORD>(code);
    *bufferLength = sizeof(DWORD);
    return TRUE;
  }
  std::string text = std::to_string(code);
  if (*bufferLength < text.size() + 1) {
    *bufferLength = static_cast<DWORD>(text.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *bufferLength = static_cast<DWORD>(text.size());
  return TRUE;
}

BOOL InternetReadFile(HINTERNET requestValue, LPVOID buffer, DWORD toRead, LPDWORD read) {
  std::shared_ptr<InetHandle> request = FindKind(requestValue, Kind::Request);
  if (!request) return FALSE;
  if (read == nullptr || (buffer == nullptr && toRead > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<RequestState> state = request->request;
  std::unique_lock<std::mutex> guard(state->lock);
  if (!state->headersDone || state->pendingBuffer != nullptr) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return FALSE;
  }
  if (!state->async) state->changed.wait(guard, [&] { return !state->body.empty() || state->finished || state->error; });
  if (!state->body.empty() || state->finished) {
    *read = TakeBytes(*state, static_cast<char*>(buffer), toRead);
    return TRUE;
  }
  if (state->error != 0) {
    SetLastError(state->error);
    return FALSE;
  }
  *read = 0;
  state->pendingBuffer = static_cast<char*>(buffer);
  state->pendingSize = toRead;
  state->pendingCount = read;
  SetLastError(ERROR_IO_PENDING);
  return FALSE;
}

BOOL InternetCloseHandle(HINTERNET value) {
  std::vector<std::shared_ptr<InetHandle>> removed = HandleTable::Instance().Remove(value);
  if (removed.empty()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (const auto& handle : removed) {
    if (!handle->request) continue;
    std::lock_guard<std::recursive_mutex> guard(handle->request->callbackLock);
    handle->request->closed = true;
    std::lock_guard<std::mutex> state(handle->request->lock);
    handle->request->pendingBuffer = nullptr;
    handle->request->pendingCount = nullptr;
  }
  return TRUE;
}
