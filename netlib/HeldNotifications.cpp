#include "netlib/HeldNotifications.h"

int CHeldNotifications::Hold(LONG device, const CString& document) {
  std::deque<CString>& queue = m_held[device];
  int dropped = 0;
  while (static_cast<int>(queue.size()) >= m_capacity) {
    queue.pop_front();
    ++dropped;
  }
  queue.push_back(document);
  m_dropped += dropped;
  return dropped;
}

std::deque<CString> CHeldNotifications::Take(LONG device) {
  auto it = m_held.find(device);
  if (it == m_held.end()) return {};
  std::deque<CString> documents = std::move(it->second);
  m_held.erase(it);
  return documents;
}

int CHeldNotifications::Count(LONG device) const {
  auto it = m_held.find(device);
  return it == m_held.end() ? 0 : static_cast<int>(it->second.size());
}
