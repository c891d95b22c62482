// The cue points of one song as the cue-point editor reads and changes them: the list in number order,
// an offset saved, two neighbours' numbers exchanged. Database failures come out as exceptions, for the
// editor's handlers to report.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class tQHDb;

struct tCuePoint {
  CString name;
  SHORT number = 0;
  CString offset;
};

std::vector<tCuePoint> LoadCuePoints(tQHDb& db, LONG songId);
// 1 when the cue point's offset was written, 0 when the song has no cue point of that name.
int SaveCueOffset(tQHDb& db, LONG songId, const CString& name, const CString& offset);
// Exchanges the numbers of two cue points in one transaction: 1, or 0 (nothing changed) when either of
// them is gone.
int SwapCueNumbers(tQHDb& db, LONG songId, const CString& first, const CString& second);
