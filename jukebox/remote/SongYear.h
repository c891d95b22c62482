// The date a song update stores for the year a peer sends: four digits give 1 January of that year at
// midnight, any other length gives the present moment. Four characters that are not digits, or a year
// the date type cannot hold, are refused rather than stored as a nonsense date.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/DateTime.h"

// False (date untouched) for a refused year; true with the date to store otherwise.
bool SongDateFromYear(const CString& yearText, COleDateTime& date);
