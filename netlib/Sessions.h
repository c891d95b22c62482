// HTTP sessions carried in the cookie "TLWSESSIONID".
//
// A session is named by its id and proven by its creation time and a random token: the cookie value
// is the id in ten digits, "-", the creation time in ten digits, "-", and the token in sixteen
// hexadecimal digits. Ids alone cannot open a session, and neither can ids with guessed times.
// Sessions idle for longer than the manager's idle limit are forgotten.
#pragma once

#include <ctime>
#include <map>
#include <memory>

#include "platform/core/CString.h"
#include "platform/core/Sync.h"
#include "platform/core/WinTypes.h"

class CSessionManager;

class CSession {
 public:
  CSession() = default;
  CSession(const CSession&) = delete;
  CSession& operator=(const CSession&) = delete;
  virtual ~CSession() = default;

  void Init(LONG id, std::time_t createTime, CSessionManager* manager, ULONGLONG token = 0);
  // 0 when the session's lock cannot be had within 15 s.
  LONG GetId();
  std::time_t GetCreateTime();
  std::time_t GetLastAccess();
  void Touch(std::time_t now);
  // The value of the session cookie: "0000000002-1765371000-0123456789ABCDEF".
  CString CookieValue();

 private:
  friend class CSessionManager;
  CCriticalSection m_lock;
  CSessionManager* m_manager = nullptr;
  LONG m_id = 0;
  std::time_t m_createTime = 0;
  std::time_t m_lastAccess = 0;
  ULONGLONG m_token = 0;
};

class CSessionManager {
 public:
  static constexpr double kDefaultIdleLimit = 1200.0;  // seconds
  static constexpr int kMaxSessions = 10000;

  CSessionManager() = default;
  CSessionManager(const CSessionManager&) = delete;
  CSessionManager& operator=(const CSessionManager&) = delete;
  ~CSessionManager();

  // A new session with the next id and a fresh random token; none on a lock time-out. Sessions past
  // the idle limit are dropped first; when the table is full the least recently used one makes room.
  std::shared_ptr<CSession> CreateSession();
  // The live session that `id`, `key` (creation time) and `token` all name; its last access becomes
  // now. None when they name nothing, the session has been idle too long, or on a lock time-out.
  std::shared_ptr<CSession> FindSession(LONG id, std::time_t key, ULONGLONG token);
  // Reads a cookie value of the form above; none when it is malformed or names no live session.
  std::shared_ptr<CSession> FindSessionByCookie(const CString& value);
  // Drops every session idle for more than `limitSeconds`; the number dropped (0 on a lock time-out).
  int ExpireSessions(double limitSeconds);
  // -1 on a lock time-out.
  int GetSessionCount();
  void RemoveAll();
  void SetIdleLimit(double seconds) { m_idleLimit = seconds; }
  // Tests move the clock of the table.
  void SetClockForTesting(std::time_t (*clock)()) { m_clock = clock; }

 private:
  int ExpireLocked(std::time_t now, double limitSeconds);
  std::time_t Now() const { return m_clock ? m_clock() : std::time(nullptr); }

  CCriticalSection m_lock;
  std::map<LONG, std::shared_ptr<CSession>> m_sessions;
  LONG m_nextId = 2;
  double m_idleLimit = kDefaultIdleLimit;
  std::time_t (*m_clock)() = nullptr;
};
