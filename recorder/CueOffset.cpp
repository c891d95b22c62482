#include "recorder/CueOffset.h"

#include <cstring>

namespace {

// The value of a field of 1..maxDigits decimal digits; -1 for anything else.
LONG DigitsValue(const CString& text, int maxDigits) {
  if (text.IsEmpty() || text.GetLength() > maxDigits) return -1;
  LONG value = 0;
  for (int i = 0; i < text.GetLength(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

CString FormatCueOffset(LONG milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  CString text;
  text.Format("%02ld:%02ld.%03ld", static_cast<long>(milliseconds / 60000), static_cast<long>(milliseconds / 1000 % 60),
              static_cast<long>(milliseconds % 1000));
  return text;
}

bool ParseStoredCueOffset(const CString& text, LONG& milliseconds) {
  milliseconds = 0;
  int colon = text.Find(':'), dot = text.Find('.');
  if (colon < 1 || dot < colon + 2) return false;
  LONG minutes = DigitsValue(text.Left(colon), 4);
  LONG seconds = DigitsValue(text.Mid(colon + 1, dot - colon - 1), 2);
  LONG millis = DigitsValue(text.Mid(dot + 1), 3);
  if (minutes < 0 || seconds < 0 || millis < 0) return false;
  milliseconds = minutes * 60000 + seconds * 1000 + millis;
  return true;
}

bool ReadCueOffsetFields(const CString& minutes, const CString& seconds, const CString& millis, LONG songEnd,
                         LONG& milliseconds) {
  LONG m = DigitsValue(minutes, 4), s = DigitsValue(seconds, 2), ms = DigitsValue(millis, 3);
  if (m < 0 || s < 0 || ms < 0) return false;
  LONG value = m * 60000 + s * 1000 + ms;
  if (value > songEnd) return false;
  milliseconds = value;
  return true;
}

CString CleanCueName(const CString& name) {
  CString clean = name;
  for (int i = 0; i < clean.GetLength(); ++i)
    if (std::strchr("'|![]{}%", clean[i]) != nullptr && clean[i] != '\0') clean.SetAt(i, '_');
  return clean.Left(32);
}
