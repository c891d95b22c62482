#include "jukebox/remote/EventSubscriptions.h"

#include <array>
#include <ctime>

namespace {
constexpr std::array<const char*, 4> kEventNames{"VolumeChanged", "SongChanged", "SongPosChanged", "PlayerStateChanged"};
}  // namespace

LONG EventTypeFromName(const CString& name) {
  for (size_t i = 0; i < kEventNames.size(); ++i)
    if (name == kEventNames[i]) return static_cast<LONG>(i + 1);
  return -1;
}

CString EventNameFromType(LONG type) {
  if (type < 1 || type > static_cast<LONG>(kEventNames.size())) return CString();
  return CString(kEventNames[static_cast<size_t>(type - 1)]);
}

LONG CEventSubscriptions::AddSubscription(LONG deviceNumber, const CString& eventName) {
  if (deviceNumber <= 0) return -1;
  if (eventName.IsEmpty()) return -2;
  const LONG type = EventTypeFromName(eventName);
  if (type < 0) return -1;
  if (Count() >= kMaxSubscriptions || CountFor(deviceNumber, type) >= kMaxPerDeviceEvent) return -1;
  const LONG id = m_nextId++;
  auto subscription = std::make_unique<CEventSubscription>();
  subscription->SetAll(id, std::time(nullptr), deviceNumber, eventName, type);
  m_subscriptions.emplace(id, std::move(subscription));
  m_eventIndex.emplace(type, id);
  return id;
}

bool CEventSubscriptions::RemoveSubscription(LONG id) {
  if (id < 1) return false;
  std::erase_if(m_eventIndex, [id](const auto& entry) { return entry.second == id; });
  m_subscriptions.erase(id);
  return true;
}

std::vector<const CEventSubscription*> CEventSubscriptions::SubscribersOf(LONG eventType) const {
  std::vector<const CEventSubscription*> found;
  auto [first, last] = m_eventIndex.equal_range(eventType);
  for (auto it = first; it != last; ++it)
    if (const CEventSubscription* subscription = Find(it->second)) found.push_back(subscription);
  return found;
}

const CEventSubscription* CEventSubscriptions::Find(LONG id) const {
  auto found = m_subscriptions.find(id);
  return found == m_subscriptions.end() ? nullptr : found->second.get();
}

void CEventSubscriptions::Clear() {
  m_eventIndex.clear();
  m_subscriptions.clear();
}

int CEventSubscriptions::CountFor(LONG deviceNumber, LONG eventType) const {
  int count = 0;
  for (const CEventSubscription* subscription : SubscribersOf(eventType))
    if (subscription->GetDeviceNumber() == deviceNumber) ++count;
  return count;
}
