// The private window messages of the players and the numbers of the texts they log.
#pragma once

#include "platform/core/WinTypes.h"

// Messages an engine window gets (wParam and lParam 0 unless said).
inline constexpr UINT WM_PLAYER_GRAPHEVENT = 0x52C;  // the local engine's graph has events queued
inline constexpr UINT WM_PLAYER_NEXTSONG = 0x52D;    // play the next song (at most one waiting)
inline constexpr UINT WM_PLAYER_RAMPUP = 0x52E;      // one step of a volume ramp up
inline constexpr UINT WM_PLAYER_RAMPDOWN = 0x52F;    // one step of a volume ramp down
inline constexpr UINT WM_PLAYER_ENDOFDATA = 0x530;   // the box engine's song file has been sent
// Messages a player posts to other windows.
inline constexpr UINT WM_PLAYER_COMMANDDONE = 0x46C;  // to the parent: a volume ramp has ended
inline constexpr UINT WM_PLAYER_DESTROYED = 0x4C8;    // to the notify window given to Shutdown

// Texts of the program's string table the players log.
enum PlayerTextId : UINT {
  IDS_PLAYER_NO_MEMORY = 61217,
  IDS_PLAYER_UNEXPECTED = 61218,
  IDS_PLAYER_TOO_MUCH_DATA = 61220,
  IDS_PLAYER_NO_DIRECTX = 61310,
  IDS_PLAYER_DEVICE_ERROR = 61312,
  IDS_PLAYER_DATABASE_ERROR = 61344,
  IDS_PLAYER_SOURCE_ERROR = 61356,
  IDS_PLAYER_SONG_OBJECT = 61359,
  IDS_PLAYER_FETCH_ERROR = 61360,
  IDS_PLAYER_OPEN_CURSOR = 61362,
  IDS_PLAYER_SONG_LOCKED = 61408,
  IDS_PLAYER_ALL_FAILED = 61426,
  IDS_PLAYER_TRANSFORM_CREATE = 61427,
  IDS_PLAYER_TRANSFORM_ADD = 61428,
  IDS_PLAYER_RENDERER_CONNECT = 61429,
  IDS_PLAYER_PIN_MISSING = 61430,
  IDS_PLAYER_TRANSFORM_CONNECT = 61431,
  IDS_PLAYER_ADD_PLUGIN = 61432,
};

// ID codes of the unexpected-error text, one per guarded operation.
enum PlayerGuardCode : int {
  GUARD_CREATE = 2,
  GUARD_REWIND = 6,
  GUARD_PAUSE = 7,
  GUARD_STOP = 7,
  GUARD_PLAY = 8,
  GUARD_NEXT_SONG = 11,
};
