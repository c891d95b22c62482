// Scheduled events: a start time, a repetition ('N' once, 'H' hours, 'D' days, 'W' weeks, 'M' months,
// 'Y' years) limited by a weekday mask and an optional end date, and the macros to run. Events are
// kept in "\config\schedule.xml" (rewritten whole and atomically after every change); their
// occurrences are planned in rolling windows and run by the status dialog's tick.
#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Sync.h"

class CSchedEvent {
 public:
  static constexpr DWORD kLockTimeout = 10000;

  void SetDescription(const CString& text) { m_description = text; }
  void SetStartTime(std::time_t start) { m_start = start; }
  // False unless the type is one of N H D W M Y and the mask is below 128 (0: any day).
  bool SetRepeat(char type, DWORD amount, DWORD mask);
  static bool ValidRepeat(char type, DWORD mask);
  // An event read with a repetition SetRepeat refuses, or with a date text that cannot be read,
  // keeps it as written and is never planned.
  bool CanRun() const { return ValidRepeat(m_repeatType, m_mask) && !m_unreadStart && !m_unreadEnd; }
  void SetEndDate(bool hasEnd, std::time_t date);
  int AddMacro(const CString& name);
  void ClearMacros() { m_macros.clear(); }
  CString GetMacro(size_t index) const { return index < m_macros.size() ? m_macros[index] : CString(); }
  const std::vector<CString>& Macros() const { return m_macros; }
  // The macro walk holds the event's lock from BeginMacros to Unlock.
  bool BeginMacros();
  CString NextMacro();
  void Unlock();

  DWORD m_id = 0;
  CString m_description;
  std::time_t m_start = 0;
  char m_repeatType = 'N';
  DWORD m_repeatAmount = 0;
  bool m_hasEndDate = false;
  std::time_t m_endDate = 0;
  DWORD m_mask = 127;
  // The file's start and end texts that cannot be read as dates, written back as they stand.
  std::optional<CString> m_unreadStart;
  std::optional<CString> m_unreadEnd;

 private:
  std::vector<CString> m_macros;
  size_t m_macroCursor = 0;
  CCriticalSection m_lock;
  std::unique_ptr<CSingleLock> m_walkLock;
};

// One planned run of an event.
struct COccurrence {
  DWORD m_id = 0;
  DWORD m_sourceEvent = 0;
  std::time_t m_start = 0;
  bool m_done = false;
};

class CSchedEventManager {
 public:
  static constexpr int kMinYear = 2004;  // years a command may give
  static constexpr int kMaxYear = 2199;

  CSchedEventManager() = default;
  CSchedEventManager(const CSchedEventManager&) = delete;
  CSchedEventManager& operator=(const CSchedEventManager&) = delete;

  // The clock used for planning the current window of an event added or changed (tests move it).
  void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }

  // The new event's id, 0 when it cannot be added (also for a repetition SetRepeat refuses). An
  // event added inside the current planning window gets its occurrences there at once.
  DWORD AddEvent(const CString& description, std::time_t start, char type, DWORD amount, DWORD mask,
                 std::time_t endDate);
  DWORD LoadEvent(DWORD id, const CString& description, std::time_t start, char type, DWORD amount, DWORD mask,
                  std::time_t endDate);
  // The macro's index in the event's list; -1 for id 0; -2 no such event.
  int AddEventMacro(DWORD id, int sequence, const CString& name);
  bool DeleteEvent(DWORD id);
  CSchedEvent* FindEvent(DWORD id);
  // Changes start, repetition, end date and description; the macros stay. The event's planned
  // occurrences are replaced by ones for its new times; with the times unchanged they stay. False,
  // nothing changed, for an unknown id or a repetition SetRepeat refuses.
  bool UpdateEvent(DWORD id, std::time_t start, char type, DWORD amount, DWORD mask, std::time_t endDate,
                   const CString& description);
  void BeginEnum() { m_eventCursor = m_events.begin(); }
  bool HasEvents() const { return !m_events.empty(); }
  CSchedEvent* NextEvent();
  int GetEventCount() const { return static_cast<int>(m_events.size()); }

  // The number of events read; -2 the file cannot be loaded; -3 no event list; -99 the reader failed.
  // Entries that cannot run as written (a repetition or a date that cannot be read), and every entry
  // after the first of an id, are told to `report`. Reading never rewrites the file.
  int ReadSchedule(const CString& path, const std::function<void(const CString&)>& report = {});
  // The number written; -1 no path known; -2 the file cannot be written.
  int WriteSchedule();
  std::string DocumentText() const;

  // Plans every event's occurrences in [from, to]; the number of occurrences planned and not done.
  int PlanWindow(std::time_t from, std::time_t to);
  void CancelOccurrences(DWORD eventId);
  // Runs every due occurrence (start <= now) once through `run` (given the event id); the seconds to
  // the next one, 0 when something ran, 999,999,999 when nothing is planned.
  double Tick(std::time_t now, const std::function<void(DWORD eventId)>& run);
  int GetOccurrenceCount() const { return static_cast<int>(m_occurrences.size()); }
  // The planned starts of one event (tests).
  std::vector<std::time_t> OccurrencesOf(DWORD eventId) const;

 private:
  void PlanEvent(const CSchedEvent& event, std::time_t from, std::time_t to);
  void AddOccurrence(const CSchedEvent& event, std::time_t start);
  void PlanNow(const CSchedEvent& event);
  std::time_t Now() const { return m_clock ? m_clock() : std::time(nullptr); }

  std::map<DWORD, std::unique_ptr<CSchedEvent>> m_events;
  std::map<DWORD, std::unique_ptr<CSchedEvent>>::iterator m_eventCursor = m_events.end();
  // In ascending id: ids only grow, so new occurrences are appended.
  std::vector<COccurrence> m_occurrences;
  DWORD m_nextOccurrence = 1;
  std::time_t m_windowTo = -1;
  CString m_path;
  std::function<std::time_t()> m_clock;
};

// Local time as "YYYY-MM-DDThh:mm:ss"; empty when it cannot be converted.
CString FormatScheduleDate(std::time_t when);
// "YYYY-MM-DD" (midnight) or "YYYY-MM-DDThh:mm:ss" in local time; 0 for anything else, or a year
// outside 1969..2199.
std::time_t ParseScheduleDate(const CString& text);
// mktime of local fields (isdst left to the library); -1 when they cannot be converted.
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second);
