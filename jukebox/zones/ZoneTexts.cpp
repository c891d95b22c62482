#include "jukebox/zones/ZoneTexts.h"

CString ZoneText(UINT id) {
  CString text;
  if (!text.LoadString(id)) text.Format("Message %u", id);
  return text;
}
