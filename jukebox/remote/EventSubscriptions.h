// The subscription store: which device wants which of the four jukebox events. Filled by the subscribe
// and unsubscribe actions, read when a player fires an event. Main window thread only.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "netlib/HeldNotifications.h"
#include "netlib/ValueNode.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// 1 "VolumeChanged", 2 "SongChanged", 3 "SongPosChanged", 4 "PlayerStateChanged" (exact case); else -1.
LONG EventTypeFromName(const CString& name);
// The name of an event type, empty for any other number.
CString EventNameFromType(LONG type);

class CEventSubscriptions {
 public:
  // Anyone on the network may subscribe, so the store is bounded: a device holds at most this many
  // subscriptions to one event, and the store at most kMaxSubscriptions in all.
  static constexpr int kMaxPerDeviceEvent = kMaxSubscriptionsPerDeviceEvent;
  static constexpr int kMaxSubscriptions = ::kMaxSubscriptions;

  // The new subscription's id (> 0); -1 when the device number is not above 0, the event name is
  // unknown or a limit is reached; -2 when the event name is empty.
  LONG AddSubscription(LONG deviceNumber, const CString& eventName);
  // False when the id is below 1; true otherwise, also when there is no such subscription.
  bool RemoveSubscription(LONG id);
  // The subscriptions to `eventType`, in the order they were made.
  std::vector<const CEventSubscription*> SubscribersOf(LONG eventType) const;
  const CEventSubscription* Find(LONG id) const;
  int Count() const { return static_cast<int>(m_subscriptions.size()); }
  void Clear();

 private:
  int CountFor(LONG deviceNumber, LONG eventType) const;

  LONG m_nextId = 1;
  std::map<LONG, std::unique_ptr<CEventSubscription>> m_subscriptions;
  std::multimap<LONG, LONG> m_eventIndex;  // event type -> subscription id, in insertion order per type
};
