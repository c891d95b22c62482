#include "netlib/Sessions.h"

#include <sys/random.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/core/CrtNumbers.h"

namespace {

constexpr DWORD kLockTimeout = 15000;

ULONGLONG RandomToken() {
  ULONGLONG token = 0;
  while (token == 0) {
    if (getrandom(&token, sizeof(token), 0) != static_cast<ssize_t>(sizeof(token))) {
      std::random_device device;
      token = (static_cast<ULONGLONG>(device()) << 32) ^ device();
    }
  }
  return token;
}

bool AllDigits(const CString& text, int first, int count) {
  for (int i = first; i < first + count; ++i)
    if (text.GetAt(i) < '0' || text.GetAt(i) > '9') return false;
  return true;
}

}  // namespace

void CSession::Init(LONG id, std::time_t createTime, CSessionManager* manager, ULONGLONG token) {
  CSingleLock lock(&m_lock, TRUE);
  m_id = id;
  m_createTime = createTime;
  m_lastAccess = createTime;
  m_manager = manager;
  m_token = token;
}

LONG CSession::GetId() {
  CSingleLock lock(&m_lock);
  return lock.Lock(kLockTimeout) ? m_id : 0;
}

std::time_t CSession::GetCreateTime() {
  CSingleLock lock(&m_lock);
  return lock.Lock(kLockTimeout) ? m_createTime : 0;
}

std::time_t CSession::GetLastAccess() {
  CSingleLock lock(&m_lock);
  return lock.Lock(kLockTimeout) ? m_lastAccess : 0;
}

void CSession::Touch(std::time_t now) {
  CSingleLock lock(&m_lock);
  if (lock.Lock(kLockTimeout)) m_lastAccess = now;
}

CString CSession::CookieValue() {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return "";
  char text[64];
  std::snprintf(text, sizeof(text), "%010d-%010lld-%016llX", static_cast<int>(m_id),
                static_cast<long long>(m_createTime), static_cast<unsigned long long>(m_token));
  return text;
}

CSessionManager::~CSessionManager() { RemoveAll(); }

std::shared_ptr<CSession> CSessionManager::CreateSession() {
  auto session = std::make_shared<CSession>();
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return nullptr;
  std::time_t now = Now();
  ExpireLocked(now, m_idleLimit);
  if (static_cast<int>(m_sessions.size()) >= kMaxSessions) {
    auto oldest = m_sessions.begin();
    for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it)
      if (it->second->GetLastAccess() < oldest->second->GetLastAccess()) oldest = it;
    m_sessions.erase(oldest);
  }
  session->Init(m_nextId, now, this, RandomToken());
  m_sessions[m_nextId] = session;
  ++m_nextId;
  return session;
}

std::shared_ptr<CSession> CSessionManager::FindSession(LONG id, std::time_t key, ULONGLONG token) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return nullptr;
  auto it = m_sessions.find(id);
  if (it == m_sessions.end()) return nullptr;
  std::shared_ptr<CSession> session = it->second;
  CSingleLock sessionLock(&session->m_lock);
  if (!sessionLock.Lock(kLockTimeout)) return nullptr;
  if (session->m_createTime != key || session->m_token != token) return nullptr;
  std::time_t now = Now();
  if (std::difftime(now, session->m_lastAccess) > m_idleLimit) {
    sessionLock.Unlock();
    m_sessions.erase(it);
    return nullptr;
  }
  session->m_lastAccess = now;
  return session;
}

std::shared_ptr<CSession> CSessionManager::FindSessionByCookie(const CString& value) {
  // id(10) '-' time(10) '-' token(16)
  if (value.GetLength() != 38 || !AllDigits(value, 0, 10) || !AllDigits(value, 11, 10)) return nullptr;
  if (value.GetAt(10) != '-' || value.GetAt(21) != '-') return nullptr;
  CString tokenText = value.Mid(22, 16);
  for (int i = 0; i < tokenText.GetLength(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(tokenText.GetAt(i)))) return nullptr;
  LONG id = qh_atol(value.Mid(0, 10));
  std::time_t key = qh_atol(value.Mid(11, 10));
  ULONGLONG token = std::strtoull(tokenText, nullptr, 16);
  if (id == 0 || key < 1) return nullptr;
  return FindSession(id, key, token);
}

int CSessionManager::ExpireLocked(std::time_t now, double limitSeconds) {
  int removed = 0;
  for (auto it = m_sessions.begin(); it != m_sessions.end();) {
    if (std::difftime(now, it->second->GetLastAccess()) > limitSeconds) {
      // The newest session's id is given out again; its cookie stays dead because the creation
      // time and the token differ.
      if (it->first == m_nextId - 1) --m_nextId;
      it = m_sessions.erase(it);
      ++removed;
    } else {
      ++it;
    }
  }
  return removed;
}

int CSessionManager::ExpireSessions(double limitSeconds) {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return 0;
  return ExpireLocked(Now(), limitSeconds);
}

int CSessionManager::GetSessionCount() {
  CSingleLock lock(&m_lock);
  if (!lock.Lock(kLockTimeout)) return -1;
  return static_cast<int>(m_sessions.size());
}

void CSessionManager::RemoveAll() {
  CSingleLock lock(&m_lock);
  if (lock.Lock(kLockTimeout)) m_sessions.clear();
}
