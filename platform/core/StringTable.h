// String tables: the programs' user-visible texts by number. Each program keeps its texts as readable
// source (resources/<program>/strings.txt, see StringTable.cmake for the format); the build compiles
// that file into a table of 1252 texts that registers itself when the program starts.
#pragma once

#include <cstddef>

#include "platform/core/WinTypes.h"

// One text of a compiled table.
struct QhStringEntry {
  UINT id;
  const char* text;  // 1252, NUL-terminated; may hold no other NUL
  std::size_t length;
};

// Adds a compiled table (entries sorted by id, ids unique) to the ones looked up; a generated table
// holds one of these as a static object. Tables are searched in the order they were registered.
class QhStringTableRegistration {
 public:
  QhStringTableRegistration(const QhStringEntry* entries, std::size_t count);
  ~QhStringTableRegistration();
  QhStringTableRegistration(const QhStringTableRegistration&) = delete;
  QhStringTableRegistration& operator=(const QhStringTableRegistration&) = delete;

 private:
  const QhStringEntry* m_entries;
};

// The text of a string id; false when no registered table holds it.
bool QhLookupString(UINT id, const char** text, size_t* length);

// The platform's form: copies at most bufferMax - 1 characters and a terminator; returns the number
// of characters copied, 0 when the id is absent (buffer then holds "") or the buffer is unusable.
int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);
