#include "controller/ActionClient.h"

#include <algorithm>
#include <cmath>

#include "controller/AtomicFile.h"
#include "controller/Scheduler.h"
#include "controller/XmlText.h"
#include "platform/core/CrtNumbers.h"
#include "platform/xml/XmlDom.h"

namespace {

constexpr double kNothingPlanned = 999999999.0;
// Steps of a repetition before planning gives up on one window (a minute-by-minute event is not
// possible: the smallest step is an hour, so a year holds 8,784 of them).
constexpr long kMaxStepsPerWindow = 1000000;
// A bound on what one window reserves ahead (24 MB), whatever the events' repetitions promise.
constexpr size_t kMostReserved = 1000000;

bool ValidType(char type) { return type == 'N' || type == 'H' || type == 'D' || type == 'W' || type == 'M' || type == 'Y'; }

int WeekdayBit(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return 1 << local.tm_wday;
}

// The n-th start after `start` for the steps that are calendar arithmetic on the local date: the
// wall-clock time stays the same across daylight-saving changes.
std::time_t NthStart(const std::tm& start, char type, long long n, DWORD amount) {
  std::tm local = start;
  switch (type) {
    case 'D': local.tm_mday += static_cast<int>(n * amount); break;
    case 'W': local.tm_mday += static_cast<int>(n * amount * 7); break;
    case 'Y': local.tm_year += static_cast<int>(n * amount); break;
    default: return -1;
  }
  local.tm_isdst = -1;
  return std::mktime(&local);
}

// Months after the first start (later ones are past any window a year up to 2199 can hold).
constexpr long long kMostMonthsAhead = 12LL * 1000000;

// The start `months` months after `anchor`, a local date before the 29th, on its day and at its
// wall-clock time; -1 when it cannot be converted.
std::time_t MonthsAfter(const std::tm& anchor, long long months) {
  if (months < 0 || months > kMostMonthsAhead) return -1;
  const long long month = anchor.tm_mon + months;
  std::tm local = anchor;
  local.tm_year += static_cast<int>(month / 12);
  local.tm_mon = static_cast<int>(month % 12);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

// Every start of a monthly event in [from, to], in order, to `found`. A start before the 29th moves
// by whole months and keeps its day; from the 29th on a step is 30 days, which reaches an earlier day
// within a few steps. Those few are walked; from the first start before the 29th on, the n-th start
// is that start's day and wall-clock time n steps of months later, so the window is reached in one
// jump (a start pushed out of a daylight-saving gap moves that month only, as daily ones do).
template <typename Found>
void MonthlyStarts(std::time_t start, DWORD amount, std::time_t from, std::time_t to, Found found) {
  std::time_t t = start;
  std::tm anchor{};
  for (long steps = 0;; ++steps) {
    if (t == -1 || t > to || steps >= kMaxStepsPerWindow || !localtime_r(&t, &anchor)) return;
    if (anchor.tm_mday < 29) break;
    if (t >= from) found(t);
    t += static_cast<std::time_t>(amount) * 2592000;
  }
  long long n = 0;
  std::tm window{};
  if (t < from && localtime_r(&from, &window)) {
    const long long months = (window.tm_year - anchor.tm_year) * 12LL + (window.tm_mon - anchor.tm_mon);
    // The n-th start is in the window's month or before it: the start before that one is before the window.
    n = std::max(0LL, months / amount);
  }
  for (long steps = 0; steps < kMaxStepsPerWindow; ++steps, ++n) {
    // The anchor itself, not its local fields again: those name two instants in an autumn hour.
    const std::time_t next = n == 0 ? t : MonthsAfter(anchor, n * static_cast<long long>(amount));
    if (next == -1 || next > to) return;
    if (next >= from) found(next);
  }
}

}  // namespace

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

CString FormatScheduleDate(std::time_t when) {
  std::tm local{};
  if (!localtime_r(&when, &local)) return "";
  CString text;
  text.Format("%d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
              local.tm_min, local.tm_sec);
  return text;
}

std::time_t ParseScheduleDate(const CString& text) {
  int length = text.GetLength();
  bool withTime = length == 19 && (text.GetAt(10) == 'T' || text.GetAt(10) == 't');
  if (length != 10 && !withTime) return 0;
  int year = qh_atoi(text.Mid(0, 4)), month = qh_atoi(text.Mid(5, 2)), day = qh_atoi(text.Mid(8, 2));
  int hour = 0, minute = 0, second = 0;
  if (withTime) {
    hour = qh_atoi(text.Mid(11, 2));
    minute = qh_atoi(text.Mid(14, 2));
    second = qh_atoi(text.Mid(17, 2));
  }
  // The same years the commands accept can be read back, so no date changes across a restart.
  if (year < 1969 || year > CSchedEventManager::kMaxYear || month < 1 || month > 12 || day < 1 || day > 31 ||
      hour > 23 || minute > 59 || second > 59 || hour < 0 || minute < 0 || second < 0)
    return 0;
  std::time_t result = LocalTime(year, month, day, hour, minute, second);
  return result == -1 ? 0 : result;
}

// ---- Events ----

bool CSchedEvent::ValidRepeat(char type, DWORD mask) { return ValidType(type) && mask < 128; }

bool CSchedEvent::SetRepeat(char type, DWORD amount, DWORD mask) {
  if (!ValidRepeat(type, mask)) return false;
  m_repeatType = type;
  m_repeatAmount = amount;
  m_mask = mask;
  return true;
}

void CSchedEvent::SetEndDate(bool hasEnd, std::time_t date) {
  m_hasEndDate = hasEnd;
  m_endDate = hasEnd ? date : 0;
}

int CSchedEvent::AddMacro(const CString& name) {
  m_macros.push_back(name);
  return static_cast<int>(m_macros.size()) - 1;
}

bool CSchedEvent::BeginMacros() {
  m_walkLock = std::make_unique<CSingleLock>(&m_lock);
  if (!m_walkLock->Lock(kLockTimeout)) {
    m_walkLock.reset();
    return false;
  }
  m_macroCursor = 0;
  return true;
}

CString CSchedEvent::NextMacro() { return m_macroCursor < m_macros.size() ? m_macros[m_macroCursor++] : CString(); }

void CSchedEvent::Unlock() { m_walkLock.reset(); }

// ---- Manager ----

DWORD CSchedEventManager::LoadEvent(DWORD id, const CString& description, std::time_t start, char type, DWORD amount,
                                    DWORD mask, std::time_t endDate) {
  if (id == 0 || m_events.count(id)) return 0;
  auto event = std::make_unique<CSchedEvent>();
  event->m_id = id;
  event->SetDescription(description);
  event->SetStartTime(start);
  if (!event->SetRepeat(type, amount, mask)) {
    // Kept as given, so a rewrite of the file keeps it too; such an event is never planned.
    event->m_repeatType = type;
    event->m_repeatAmount = amount;
    event->m_mask = mask;
  }
  if (endDate >= 1 && endDate > start) event->SetEndDate(true, endDate);
  m_events.emplace(id, std::move(event));
  return id;
}

DWORD CSchedEventManager::AddEvent(const CString& description, std::time_t start, char type, DWORD amount,
                                   DWORD mask, std::time_t endDate) {
  // Only the file's reader keeps a repetition that cannot run (as written, to be reported).
  if (!CSchedEvent::ValidRepeat(type, mask)) return 0;
  DWORD id = 1;
  while (m_events.count(id)) ++id;
  if (!LoadEvent(id, description, start, type, amount, mask, endDate)) return 0;
  PlanNow(*m_events[id]);
  WriteSchedule();
  return id;
}

void CSchedEventManager::PlanNow(const CSchedEvent& event) {
  // The windows planned so far reach m_windowTo and the next one starts after it: whatever of the
  // event falls between now and then is planned here or never. The last window may start later than
  // now (the one planned after the start-up macro starts where the first one ended).
  std::time_t from = Now();
  if (from <= m_windowTo) PlanEvent(event, from, m_windowTo);
}

int CSchedEventManager::AddEventMacro(DWORD id, int sequence, const CString& name) {
  if (id == 0) return -1;
  CSchedEvent* event = FindEvent(id);
  if (!event) return -2;
  int index = event->AddMacro(name);
  WriteSchedule();
  return index;
}

bool CSchedEventManager::DeleteEvent(DWORD id) {
  auto it = m_events.find(id);
  if (id == 0 || it == m_events.end()) return false;
  CancelOccurrences(id);
  if (m_eventCursor == it) ++m_eventCursor;
  m_events.erase(it);
  WriteSchedule();
  return true;
}

CSchedEvent* CSchedEventManager::FindEvent(DWORD id) {
  auto it = m_events.find(id);
  return it == m_events.end() ? nullptr : it->second.get();
}

bool CSchedEventManager::UpdateEvent(DWORD id, std::time_t start, char type, DWORD amount, DWORD mask,
                                     std::time_t endDate, const CString& description) {
  CSchedEvent* event = FindEvent(id);
  if (!event || !CSchedEvent::ValidRepeat(type, mask)) return false;
  // An update that keeps the times (a new description) keeps the runs planned, also one that is
  // due but not yet reached by the tick.
  const bool sameTimes = event->CanRun() && event->m_start == start && event->m_repeatType == type &&
                         event->m_repeatAmount == amount && event->m_mask == mask &&
                         event->m_hasEndDate == (endDate != 0) && event->m_endDate == endDate;
  event->m_unreadStart.reset();
  event->m_unreadEnd.reset();
  event->SetStartTime(start);
  event->SetEndDate(endDate != 0, endDate);
  event->SetRepeat(type, amount, mask);
  event->SetDescription(description);
  if (!sameTimes) {
    CancelOccurrences(id);
    PlanNow(*event);
  }
  WriteSchedule();
  return true;
}

CSchedEvent* CSchedEventManager::NextEvent() {
  if (m_eventCursor == m_events.end()) return nullptr;
  return (m_eventCursor++)->second.get();
}

// ---- File ----

int CSchedEventManager::ReadSchedule(const CString& path, const std::function<void(const CString&)>& report) {
  auto tell = [&](const CString& text) {
    if (report) report(text);
  };
  try {
    DOMDocument document;
    if (!document.load(path)) {
      m_path = path;
      return -2;
    }
    IXMLDOMNodeList events = document.getElementsByTagName("tevent");
    int count = 0;
    for (long i = 0; i < events.length(); ++i) {
      DWORD id = 0;
      CString description, startText, endText;
      std::time_t start = 0, end = 0;
      char type = 'N';
      DWORD amount = 1, mask = 127;
      bool loaded = false, kept = false;
      // Creates the event once per entry; an id already read keeps its first entry, untouched.
      auto load = [&] {
        if (loaded) return;
        loaded = true;
        kept = LoadEvent(id, description, start, type, amount, mask, end) != 0;
        if (kept) {
          ++count;
          CSchedEvent& event = *FindEvent(id);
          CString text;
          if (!CSchedEvent::ValidRepeat(type, mask)) {
            text.Format("ReadSchedule: Event %lu has repeat type [%s] and weekday mask %lu, which cannot run; it is "
                        "kept as written but never runs.", id, CString(type, type ? 1 : 0).GetString(), mask);
            tell(text);
          }
          // A date read as none would run the event from 1970 on, or for ever past its end.
          auto keepUnread = [&](std::optional<CString>& unread, const char* which, const CString& written) {
            unread = written;
            text.Format("ReadSchedule: Event %lu has %s date [%s], which cannot be read; it is kept as written but "
                        "never runs.", id, which, written.GetString());
            tell(text);
          };
          if (start == 0) keepUnread(event.m_unreadStart, "start", startText);
          if (end == 0 && !endText.IsEmpty()) keepUnread(event.m_unreadEnd, "end", endText);
        } else if (id == 0) {
          tell("ReadSchedule: An event without an id was skipped.");
        } else {
          CString text;
          text.Format("ReadSchedule: Duplicate event id %lu; the first event with that id stays.", id);
          tell(text);
        }
      };
      IXMLDOMNodeList children = events.item(i).childNodes();
      for (long c = 0; c < children.length(); ++c) {
        IXMLDOMNode child = children.item(c);
        CString name = child.nodeName();
        name.MakeUpper();
        if (name == "ID") {
          id = static_cast<DWORD>(qh_atol(child.text()));
        } else if (name == "DESC") {
          description = child.text();
        } else if (name == "EVENTDTS") {
          startText = child.text();
          start = ParseScheduleDate(startText);
        } else if (name == "RPTAMOUNT") {
          amount = static_cast<DWORD>(qh_atoi(child.text()));
        } else if (name == "RPTMASK") {
          mask = static_cast<DWORD>(qh_atoi(child.text()));
        } else if (name == "RPTTYPE") {
          CString text = child.text();
          type = text.IsEmpty() ? '\0' : text.GetAt(0);
        } else if (name == "RPTENDDATE") {
          endText = child.text();
          end = ParseScheduleDate(endText);
        } else if (name == "COMMANDS") {
          load();
          int sequence = 0;
          IXMLDOMNodeList commands = child.childNodes();
          for (long m = 0; m < commands.length(); ++m) {
            CString commandName = commands.item(m).nodeName();
            commandName.MakeUpper();
            if (commandName == "SEQ") {
              sequence = qh_atoi(commands.item(m).text());
            } else if (commandName == "MACRO") {
              if (CSchedEvent* event = kept ? FindEvent(id) : nullptr) event->AddMacro(commands.item(m).text());
            }
          }
          (void)sequence;
        }
      }
      load();
    }
    m_path = path;
    return count;
  } catch (...) {
    m_path = path;
    return -99;
  }
}

std::string CSchedEventManager::DocumentText() const {
  std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<teventlist>\n";
  for (const auto& [id, event] : m_events) {
    text += "  <tevent>\n";
    text += "    <id>" + std::to_string(id) + "</id>\n";
    text += "    <desc>" + XmlEscapeText(event->m_description).str() + "</desc>\n";
    const CString start = event->m_unreadStart ? XmlEscapeText(*event->m_unreadStart) : FormatScheduleDate(event->m_start);
    text += "    <eventdts>" + start.str() + "</eventdts>\n";
    text += "    <rpttype>" + (event->m_repeatType ? std::string(1, event->m_repeatType) : std::string()) + "</rpttype>\n";
    text += "    <rptamount>" + std::to_string(event->m_repeatAmount) + "</rptamount>\n";
    text += "    <rptmask>" + std::to_string(event->m_mask) + "</rptmask>\n";
    if (event->m_unreadEnd)
      text += "    <rptenddate>" + XmlEscapeText(*event->m_unreadEnd).str() + "</rptenddate>\n";
    else if (event->m_hasEndDate)
      text += "    <rptenddate>" + FormatScheduleDate(event->m_endDate).str() + "</rptenddate>\n";
    text += "    <commands>\n";
    int sequence = 1;
    for (const CString& macro : event->Macros()) {
      text += "      <seq>" + std::to_string(sequence++) + "</seq>\n";
      text += "      <macro>" + XmlEscapeText(macro).str() + "</macro>\n";
    }
    text += "    </commands>\n";
    text += "  </tevent>\n";
  }
  text += "</teventlist>\n";
  return text;
}

int CSchedEventManager::WriteSchedule() {
  if (m_path.IsEmpty()) return -1;
  if (!ReplaceFileContent(m_path, DocumentText())) return -2;
  return GetEventCount();
}

// ---- Planning ----

void CSchedEventManager::AddOccurrence(const CSchedEvent& event, std::time_t start) {
  // Ids only grow; after four billion the list is renumbered from 1, keeping its order.
  if (m_nextOccurrence == 0) {
    m_nextOccurrence = 1;
    for (auto& planned : m_occurrences) planned.m_id = m_nextOccurrence++;
  }
  COccurrence occurrence;
  occurrence.m_id = m_nextOccurrence++;
  occurrence.m_sourceEvent = event.m_id;
  occurrence.m_start = start;
  m_occurrences.push_back(occurrence);
}

void CSchedEventManager::PlanEvent(const CSchedEvent& event, std::time_t from, std::time_t to) {
  if (event.m_hasEndDate && event.m_endDate != 0 && event.m_endDate < from) return;
  if (!event.CanRun()) return;
  // A mask of 0 names no day at all; it is read as no restriction, as a mask of 127.
  auto wanted = [&](std::time_t t) {
    return event.m_mask == 0 || event.m_mask == 127 || (event.m_mask & WeekdayBit(t)) != 0;
  };
  // A repetition that never advances is one run at its start.
  if (event.m_repeatType == 'N' || event.m_repeatAmount == 0) {
    if (event.m_start >= from && event.m_start <= to && (event.m_repeatType == 'N' || wanted(event.m_start)))
      AddOccurrence(event, event.m_start);
    return;
  }
  const DWORD amount = event.m_repeatAmount;
  std::tm startLocal{};
  localtime_r(&event.m_start, &startLocal);
  switch (event.m_repeatType) {
    case 'H': {
      const double step = 3600.0 * amount;
      long long n = event.m_start < from ? static_cast<long long>(std::floor(std::difftime(from, event.m_start) / step)) : 0;
      for (long steps = 0; steps < kMaxStepsPerWindow; ++steps, ++n) {
        std::time_t t = event.m_start + static_cast<std::time_t>(n * step);
        if (t > to) break;
        if (t >= from && wanted(t)) AddOccurrence(event, t);
      }
      return;
    }
    case 'D':
    case 'W':
    case 'Y': {
      const double approx = event.m_repeatType == 'D' ? 86400.0 * amount
                            : event.m_repeatType == 'W' ? 604800.0 * amount
                                                        : 365.0 * 86400.0 * amount;
      // Start two steps early: a step of local days is an hour shorter or longer across a change.
      long long n = event.m_start < from
                        ? std::max(0LL, static_cast<long long>(std::floor(std::difftime(from, event.m_start) / approx)) - 2)
                        : 0;
      for (long steps = 0; steps < kMaxStepsPerWindow; ++steps, ++n) {
        std::time_t t = NthStart(startLocal, event.m_repeatType, n, amount);
        if (t == -1 || t > to) break;
        if (t >= from && wanted(t)) AddOccurrence(event, t);
      }
      return;
    }
    case 'M':
      MonthlyStarts(event.m_start, amount, from, to, [&](std::time_t t) {
        if (wanted(t)) AddOccurrence(event, t);
      });
      return;
    default:
      return;
  }
}

// As many occurrences as PlanEvent can add for the event in [from, to], or more: reserving them up
// front spares a long window the copies and page faults of a list that grows one run at a time.
static size_t MostOccurrences(const CSchedEvent& event, std::time_t from, std::time_t to) {
  from = std::max(from, event.m_start);
  if (event.m_hasEndDate && event.m_endDate != 0) to = std::min(to, event.m_endDate);
  if (to < from) return 0;
  if (event.m_repeatType == 'N' || event.m_repeatAmount == 0) return 1;
  double shortestStep = 0;
  switch (event.m_repeatType) {
    case 'H': shortestStep = 3600.0; break;
    case 'D': shortestStep = 82800.0; break;         // a local day across a clock change
    case 'W': shortestStep = 7 * 86400.0 - 3600.0; break;
    case 'M': shortestStep = 28 * 86400.0 - 3600.0; break;
    case 'Y': shortestStep = 365 * 86400.0 - 3600.0; break;
    default: return 0;
  }
  const double steps = std::difftime(to, from) / (shortestStep * event.m_repeatAmount) + 2;
  return static_cast<size_t>(std::min(steps, static_cast<double>(kMaxStepsPerWindow)));
}

int CSchedEventManager::PlanWindow(std::time_t from, std::time_t to) {
  size_t most = m_occurrences.size();
  for (const auto& [id, event] : m_events) most += MostOccurrences(*event, from, to);
  most = std::min(most, m_occurrences.size() + kMostReserved);
  // Still doubling, so that windows planned one after another do not copy the list each time.
  if (most > m_occurrences.capacity()) m_occurrences.reserve(std::max(most, 2 * m_occurrences.capacity()));
  for (const auto& [id, event] : m_events) PlanEvent(*event, from, to);
  std::erase_if(m_occurrences, [](const COccurrence& occurrence) { return occurrence.m_done; });
  m_windowTo = to;
  return GetOccurrenceCount();
}

void CSchedEventManager::CancelOccurrences(DWORD eventId) {
  for (auto& occurrence : m_occurrences)
    if (occurrence.m_sourceEvent == eventId) occurrence.m_done = true;
}

double CSchedEventManager::Tick(std::time_t now, const std::function<void(DWORD eventId)>& run) {
  double next = kNothingPlanned;
  std::vector<DWORD> due;
  for (auto& occurrence : m_occurrences) {
    if (occurrence.m_done) continue;
    double wait = std::difftime(occurrence.m_start, now);
    if (wait <= 0) {
      next = 0;
      occurrence.m_done = true;
      due.push_back(occurrence.m_sourceEvent);
    } else {
      next = std::min(next, wait);
    }
  }
  // Runs may add or change events (and so occurrences): they run after the walk.
  for (DWORD eventId : due) run(eventId);
  return next;
}

std::vector<std::time_t> CSchedEventManager::OccurrencesOf(DWORD eventId) const {
  std::vector<std::time_t> starts;
  for (const auto& occurrence : m_occurrences)
    if (occurrence.m_sourceEvent == eventId && !occurrence.m_done) starts.push_back(occurrence.m_start);
  std::sort(starts.begin(), starts.end());
  return starts;
}
