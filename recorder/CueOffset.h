// The texts of cue points: an offset in milliseconds shown and stored as "mm:ss.mmm", read back from the
// editor's three fields, and the name a user types, made safe to store.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// "%02ld:%02ld.%03ld" of minutes, seconds and milliseconds.
CString FormatCueOffset(LONG milliseconds);
// A stored offset back to milliseconds; false (and 0) for a text that is not minutes:seconds.millis.
bool ParseStoredCueOffset(const CString& text, LONG& milliseconds);
// The editor's minutes, seconds and milliseconds fields: digits only (at most 4, 2 and 3 of them), the
// result within 0..end. False when a field breaks that or the offset lies past the song's end.
bool ReadCueOffsetFields(const CString& minutes, const CString& seconds, const CString& millis, LONG songEnd,
                         LONG& milliseconds);
// Each of ' | ! [ ] { } % becomes '_', and the name is cut to 32 characters.
CString CleanCueName(const CString& name);
