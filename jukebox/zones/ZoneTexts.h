// The zone windows' texts of the jukebox's string table (resources/jukebox/zone-strings.txt).
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

enum ZoneTextId : UINT {
  IDS_ZONE_NO_TIMER = 61206,
  IDS_ZONE_NO_MEMORY = 61217,
  IDS_ZONE_UNEXPECTED = 61218,
  IDS_ZONE_LOAD_SONG_FIRST = 61330,
  IDS_ZONE_DATABASE_ERROR = 61344,
  IDS_ZONE_SONG_LOCKED = 61408,
  IDS_ZONE_SONG_PLAYING = 61409,
  IDS_ZONE_DELETE_FAILED = 61410,
  IDS_ZONE_DELETED = 61411,
  IDS_ZONE_CONFIRM_DELETE = 61412,
  IDS_ZONE_JPEG_HEADER = 61425,
};

// The text of the string table; "Message <id>" when the program has none (never an empty format).
CString ZoneText(UINT id);
