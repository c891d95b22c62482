#include "platform/core/StringTable.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct RegisteredTable {
  const QhStringEntry* entries;
  std::size_t count;
};

// Built on first use, so that tables registering from other files' static objects find it ready.
struct TableList {
  std::mutex lock;
  std::vector<RegisteredTable> tables;
};

TableList& tableList() {
  static TableList list;
  return list;
}

}  // namespace

QhStringTableRegistration::QhStringTableRegistration(const QhStringEntry* entries, std::size_t count)
    : m_entries(entries) {
  TableList& list = tableList();
  std::lock_guard<std::mutex> guard(list.lock);
  list.tables.push_back({entries, count});
}

QhStringTableRegistration::~QhStringTableRegistration() {
  TableList& list = tableList();
  std::lock_guard<std::mutex> guard(list.lock);
  const auto found = std::find_if(list.tables.begin(), list.tables.end(),
                                  [this](const RegisteredTable& table) { return table.entries == m_entries; });
  if (found != list.tables.end()) list.tables.erase(found);
}

bool QhLookupString(UINT id, const char** text, size_t* length) {
  TableList& list = tableList();
  std::lock_guard<std::mutex> guard(list.lock);
  for (const RegisteredTable& table : list.tables) {
    const QhStringEntry* end = table.entries + table.count;
    const QhStringEntry* found =
        std::lower_bound(table.entries, end, id, [](const QhStringEntry& entry, UINT key) { return entry.id < key; });
    if (found != end && found->id == id) {
      if (text) *text = found->text;
      if (length) *length = found->length;
      return true;
    }
  }
  return false;
}

int LoadString(HINSTANCE /*instance*/, UINT id, LPSTR buffer, int bufferMax) {
  if (buffer == nullptr || bufferMax <= 0) return 0;
  const char* text = nullptr;
  size_t length = 0;
  if (!QhLookupString(id, &text, &length)) {
    buffer[0] = '\0';
    return 0;
  }
  const size_t copied = std::min(length, static_cast<size_t>(bufferMax - 1));
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}
