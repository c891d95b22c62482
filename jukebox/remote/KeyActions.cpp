// Remote-key actions: the keys of a hand-held remote control. They act on the zone shown on screen, move
// that selection between zones, or press the zone window's own buttons by posting its command ids. The
// cursor keys that have no body here reach a chooser dialog through the executor while one is open.
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/remote/ActionGroups.h"
#include "jukebox/remote/ActionResults.h"
#include "jukebox/remote/RemoteActionIds.h"
#include "jukebox/remote/RemoteExecutor.h"

using namespace remote_results;

namespace {

constexpr int kVolumeKeyStep = 5;
constexpr const char* kInvalidStreamNumber = "Invalid Stream Number";

// The zone command a key presses, or 0 for a key that is no zone button.
UINT ZoneCommandOfKey(int id) {
  switch (id) {
    case ACTION_IR_NEXT_SONG: return jukebox::kZoneNext;
    case ACTION_IR_PREV_SONG: return jukebox::kZoneRewind;
    case ACTION_IR_PLAYLIST: return jukebox::kZonePlaylist;
    case ACTION_IR_GENRE: return jukebox::kZoneGenre;
    case ACTION_IR_ARTIST: return jukebox::kZoneArtist;
    case ACTION_IR_ALBUM: return jukebox::kZoneAlbum;
    case ACTION_IR_SHUFFLE: return jukebox::kZoneShuffle;
    case ACTION_IR_REPEAT: return jukebox::kZoneRepeat;
    default: return 0;
  }
}

void PostZoneCommand(CPlayerBase* zone, UINT command) {
  if (zone != nullptr && zone->GetSafeHwnd() != nullptr) zone->PostMessage(WM_COMMAND, command, 0);
}

// The keys that work on the current zone's player; false for any other key.
bool RunPlayerKey(CPlayerBase& player, int id, CRemoteAction& action) {
  switch (id) {
    case ACTION_IR_CURSOR_DOWN: player.MoveListSelection(+1); break;
    case ACTION_IR_CURSOR_SELECT: player.PlaySelectedSong(); break;
    case ACTION_IR_PLAY: SetPlayerOutcome(action, player.Play(), kPlayFailed); return true;
    case ACTION_IR_PAUSE: SetPlayerOutcome(action, player.Pause(), kPauseFailed); return true;
    case ACTION_IR_STOP: SetPlayerOutcome(action, player.Stop(), kStopFailed); return true;
    case ACTION_IR_NEXT:
    case ACTION_IR_PREV:
      // The zone answers the index it moved to; only a negative answer is a failure.
      if (player.PlayAdjacentSong(id == ACTION_IR_NEXT ? +1 : -1) < 0) {
        action.SetResult(kFailed, kLoadFailed);
        return true;
      }
      break;
    case ACTION_IR_VOL_UP: player.AdjustVolume(+kVolumeKeyStep); break;
    case ACTION_IR_VOL_DN: player.AdjustVolume(-kVolumeKeyStep); break;
    case ACTION_IR_MUTE: player.ToggleMute(); break;
    default: return false;
  }
  SetOk(action);
  return true;
}

// The channel keys store the new index before selecting it; at either end they do nothing.
void StepZone(CRemoteExecutor& executor, int step) {
  CMasterWindow* window = executor.MainWindow();
  const int next = executor.Host().CurrentZone() + step;
  if (window == nullptr || next < 0 || next >= executor.Host().ZoneCount()) return;
  window->SetCurrentZone(next);
  window->SelectZone(next);
}

void SelectStream(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  const int zone = id - ACTION_IR_STREAM1;
  if (executor.Host().ZoneCount() < zone + 1) {
    action.SetResult(kBadTarget, kInvalidStreamNumber);
    return;
  }
  if (CMasterWindow* window = executor.MainWindow()) window->SelectZone(zone);
  SetOk(action);
}

void PowerOff(CRemoteExecutor& executor) {
  for (int zone = 0; zone < executor.Host().ZoneCount(); ++zone)
    PostZoneCommand(executor.Host().ZonePlayer(zone), jukebox::kZoneStop);
}

// The keys that need no current zone to exist.
bool RunZoneKey(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  if (id >= ACTION_IR_STREAM1 && id <= ACTION_IR_STREAM8) {
    SelectStream(executor, id, action);
    return true;
  }
  if (const UINT command = ZoneCommandOfKey(id); command != 0) {
    PostZoneCommand(executor.CurrentZonePlayer(), command);
  } else if (id == ACTION_IR_CH_UP || id == ACTION_IR_CH_DN) {
    StepZone(executor, id == ACTION_IR_CH_UP ? +1 : -1);
  } else if (id == ACTION_IR_POWER) {
    PowerOff(executor);
  } else {
    return false;
  }
  SetOk(action);
  return true;
}

}  // namespace

ActionEnd ExecuteKeyAction(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  if (id < ACTION_IR_CURSOR_DOWN || id > ACTION_IR_REPEAT) return ActionEnd::NotHandled;
  if (RunZoneKey(executor, id, action)) return ActionEnd::Finished;
  CPlayerBase* player = executor.CurrentZonePlayer();
  if (player == nullptr) {
    // Left, right and exit only mean something to an open chooser; here they are unknown actions.
    if (id == ACTION_IR_CURSOR_LEFT || id == ACTION_IR_CURSOR_RIGHT || id == ACTION_IR_CURSOR_EXIT)
      return ActionEnd::NotHandled;
    action.SetResult(kBadTarget, kNoCurrentStream);
    return ActionEnd::Finished;
  }
  return RunPlayerKey(*player, id, action) ? ActionEnd::Finished : ActionEnd::NotHandled;
}
