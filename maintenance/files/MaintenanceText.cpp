#include <cstdarg>

#include "maintenance/files/MaintenanceText.h"

CString LoadText(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}

CString FormatText(UINT id, ...) {
  CString format = LoadText(id);
  CString text;
  va_list args;
  va_start(args, id);
  text.FormatV(format, args);
  va_end(args);
  return text;
}
