// HTTP sessions carried in the cookie "TLWSESSIONID".
//
// A session is named by its id and proven by its creation time and a random token: the cookie value
// is the id in ten digits, "-", the creation time in ten digits, "-", and the token in sixteen
// hexadecimal digits. Ids alone cannot open a session, and neither can ids with guessed times.
// Sessions idle for longer than the manager's idle limit are forgotten.
#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "netlib/ValueNode.h"
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

  // ---- The session's variables (names without case; SessionVariables.cpp) ----
  // Array variables hold at most kMaxArrayItems elements: an index at or beyond it is refused, so a
  // form or a device reply cannot make the store grow without bound.
  static constexpr int kMaxArrayItems = 10000;
  // Each is false (nothing changed) on a lock time-out; the others as noted.
  BOOL SetStringVariable(const CString& name, const CString& text);
  BOOL SetNumberVariable(const CString& name, LONG number);
  // False also when the source does not exist.
  BOOL SetVariable(const CString& destination, const CString& source);
  BOOL AssignValue(const CString& name, const CValueNode& value);
  // False also for an index below 0 or at kMaxArrayItems or above.
  BOOL AssignArrayItem(const CString& name, int index, const CValueNode& value);
  // Takes `value` over on success; on failure the caller keeps it. False also when it holds more
  // than kMaxArrayItems elements.
  BOOL SetArrayVariable(const CString& name, CValueNode* value);
  BOOL GetVariable(const CString& name, CValueNode& value);
  // The text of a string variable; empty for other types, absent names and lock time-outs.
  CString GetVariableText(const CString& name);
  // The value as text whatever its type; empty when absent.
  CString GetHostVariableText(const CString& name);
  // Element `index` as text without copying the whole array; false when there is no such element.
  BOOL GetArrayItemText(const CString& name, int index, CString& text);
  // Elements of the variable; 0 when absent or on a lock time-out.
  int CountArrayItems(const CString& name);
  BOOL BeginEnumVariables();
  BOOL GetNextVariable(CString& name, CValueNode& value);
  void ClearVariables();
  int GetVariableCount();

  // The form a name is stored and looked up under: its letters A-Z in lower case, so names compare
  // without case by comparing bytes.
  static std::string VariableKey(std::string_view name);

 private:
  struct Variable {
    CString name;  // the spelling of the variable's first assignment
    CValueNode value;
  };
  // Keyed by VariableKey: the order is the names' order without case.
  using VariableMap = std::map<std::string, Variable, std::less<>>;

 public:
  // Many reads in a row (a page render) under one hold of the variables' lock: they see one state of
  // the variables, and a read is a look-up by a key folded beforehand, with no lock and no copy.
  class Reader {
   public:
    // Waits for the lock as long as the single reads do.
    explicit Reader(CSession& session);
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    // False when the lock could not be had: nothing may be read.
    bool IsLocked() const { return m_lock.IsLocked() != FALSE; }
    // The variable stored under `key` (a VariableKey); null when there is none. Valid while the
    // reader lives.
    const CValueNode* Find(std::string_view key) const;

   private:
    CSingleLock m_lock;
    const VariableMap& m_variables;
  };

 private:
  friend class CSessionManager;
  // The value stored under `name`, made (NONE) when absent; the lock is held.
  CValueNode& SlotLocked(const CString& name);
  const CValueNode* FindLocked(const CString& name) const;

  VariableMap m_variables;
  VariableMap::const_iterator m_variableCursor = m_variables.end();
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
