// Bounds of what the remote control keeps for devices it notifies: documents held while a device's
// connection is not up yet, and subscriptions per device. A device that stays unreachable while
// events keep firing must not make memory grow without end.
#pragma once

#include <deque>
#include <map>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// At most this many subscriptions per device and event name are kept.
inline constexpr int kMaxSubscriptionsPerDeviceEvent = 4;
// At most this many subscriptions in all.
inline constexpr int kMaxSubscriptions = 1024;

// Documents waiting for a device's connection, oldest first. When a device has `capacity` documents
// waiting, holding another drops the oldest: the newest state is the one worth sending.
class CHeldNotifications {
 public:
  static constexpr int kDefaultCapacity = 32;

  explicit CHeldNotifications(int capacity = kDefaultCapacity) : m_capacity(capacity < 1 ? 1 : capacity) {}

  // Returns the number of documents dropped to make room (0 or 1).
  int Hold(LONG device, const CString& document);
  // Hands over and forgets every document held for the device, oldest first.
  std::deque<CString> Take(LONG device);
  void Forget(LONG device) { m_held.erase(device); }
  int Count(LONG device) const;
  // Documents dropped since construction, over all devices.
  long Dropped() const { return m_dropped; }

 private:
  int m_capacity;
  long m_dropped = 0;
  std::map<LONG, std::deque<CString>> m_held;
};
