#include "jukebox/remote/SongYear.h"

#include "platform/core/CrtNumbers.h"

bool SongDateFromYear(const CString& yearText, COleDateTime& date) {
  if (yearText.GetLength() != 4) {
    date = COleDateTime::GetCurrentTime();
    return true;
  }
  for (int i = 0; i < 4; ++i)
    if (yearText[i] < '0' || yearText[i] > '9') return false;
  COleDateTime newYear;
  if (newYear.SetDate(qh_atoi(yearText), 1, 1) != 0) return false;
  date = newYear;
  return true;
}
