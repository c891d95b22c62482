// The three handlers every recorder dialog runs its work under: an engine error goes to the database
// error reporter, a memory failure and anything else to their own stop messages. After one of them
// the wait cursor ends; the caller then closes its dialog with Cancel.
#pragma once

#include <functional>

#include "platform/core/CString.h"

// True when the work ran to its end; false after a handled failure.
bool RunRecorderGuarded(const std::function<void()>& work);

// The wait cursor for a scope (nothing without an application object).
class CRecorderWaitCursor {
 public:
  CRecorderWaitCursor();
  ~CRecorderWaitCursor();
  CRecorderWaitCursor(const CRecorderWaitCursor&) = delete;
  CRecorderWaitCursor& operator=(const CRecorderWaitCursor&) = delete;
};

// A string-table text formatted like CString::Format.
CString LoadFormatted(unsigned int stringId, ...);
CString LoadText(unsigned int stringId);
// A message box with a string-table text; its answer.
int RecorderMessage(unsigned int stringId, unsigned int type);
