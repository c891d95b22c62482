// Transport, shuffle, repeat and volume actions: a zone's on-screen buttons pressed from the network, the
// jukebox's ramp duration, and the first audio plug-in of a local zone.
#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/remote/ActionArguments.h"
#include "jukebox/remote/ActionGroups.h"
#include "jukebox/remote/ActionResults.h"
#include "jukebox/remote/RemoteActionIds.h"
#include "jukebox/remote/RemoteExecutor.h"

using namespace remote_results;

namespace {

constexpr const char* kToggleFailed = "Error occurred when toggling the stream";
constexpr const char* kRestartFailed = "Error occurred when restarting the stream";
constexpr const char* kRampFailed = "Error when ramping volume up";
constexpr const char* kPluginFailed = "Error when setting initial DX audio plugin";

// The transport buttons: the player's result decides the outcome.
bool RunTransport(CPlayerBase& player, int id, CRemoteAction& action) {
  switch (id) {
    case ACTION_XPORT_REWIND: SetPlayerOutcome(action, player.Rewind(), kRestartFailed); return true;
    case ACTION_XPORT_PLAY: SetPlayerOutcome(action, player.Play(), kPlayFailed); return true;
    case ACTION_XPORT_PAUSE: SetPlayerOutcome(action, player.Pause(), kPauseFailed); return true;
    case ACTION_XPORT_STOP: SetPlayerOutcome(action, player.Stop(), kStopFailed); return true;
    case ACTION_XPORT_PLAY_PAUSE: SetPlayerOutcome(action, player.PlayPause(), kToggleFailed); return true;
    case ACTION_XPORT_NEXT:
      // A zone at the end of its list simply stays there; the panel is not told.
      player.Next();
      SetOk(action);
      return true;
    default: return false;
  }
}

// The mode and volume settings: they cannot fail once the zone exists.
bool RunSetting(CPlayerBase& player, int id, CRemoteAction& action) {
  switch (id) {
    case ACTION_SET_SHUFFLE_ON: player.SetShuffle(true); break;
    case ACTION_SET_SHUFFLE_OFF: player.SetShuffle(false); break;
    case ACTION_SET_SHUFFLE_TOGGLE: player.ToggleShuffle(); break;
    case ACTION_SET_REPEAT_ON: player.SetRepeat(true); break;
    case ACTION_SET_REPEAT_OFF: player.SetRepeat(false); break;
    case ACTION_SET_REPEAT_TOGGLE: player.ToggleRepeat(); break;
    case ACTION_SET_VOLUME_ABSOLUTE: player.SetVolume(ArgumentInt(action, "Volume", 0)); break;
    case ACTION_SET_VOLUME_RELATIVE:
      SetResultInt(action, "NewVolume", player.AdjustVolume(ArgumentInt(action, "Volume", 0)));
      break;
    case ACTION_SET_MUTE_TOGGLE: SetResultInt(action, "NewVolume", player.ToggleMute()); break;
    default: return false;
  }
  SetOk(action);
  return true;
}

// A ramp's answer waits for its end: the player posts the completion message when the volume has
// arrived, also for a ramp that has nothing to do.
ActionEnd Ramp(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  CPlayerBase* player = executor.SubDevicePlayer(action);
  if (player == nullptr) {
    action.SetResult(kBadTarget, kRampFailed);
    return ActionEnd::Finished;
  }
  SetOk(action);
  if (id == ACTION_SET_VOLUME_RAMP_UP)
    player->RampVolumeUp();
  else
    player->RampVolumeDown();
  return ActionEnd::EndsLater;
}

// The duration belongs to the whole jukebox; out-of-range values are ignored. No result is stored.
void SetRampTime(CRemoteAction& action) {
  CJukeboxServices* services = JukeboxServices();
  if (services != nullptr && HasArgument(action, "RampMS")) services->SetVolumeRampTime(ArgumentInt(action, "RampMS"));
}

void AddInitialPlugin(CRemoteExecutor& executor, CRemoteAction& action) {
  CPlayerBase* player = HasArgument(action, "PluginName") ? executor.SubDevicePlayer(action) : nullptr;
  if (player == nullptr) {
    action.SetResult(kBadTarget, kPluginFailed);
    return;
  }
  player->AddPlugin(ArgumentText(action, "PluginName"));
  SetOk(action);
}

}  // namespace

ActionEnd ExecuteTransportAction(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  if (id < ACTION_XPORT_REWIND || id > ACTION_SET_INITIAL_DX_PLUGIN) return ActionEnd::NotHandled;
  switch (id) {
    case ACTION_SET_VOLUME_RAMP_UP:
    case ACTION_SET_VOLUME_RAMP_DOWN: return Ramp(executor, id, action);
    case ACTION_SET_VOLUME_RAMP_TIME: SetRampTime(action); return ActionEnd::Finished;
    case ACTION_SET_INITIAL_DX_PLUGIN: AddInitialPlugin(executor, action); return ActionEnd::Finished;
    default: break;
  }
  CPlayerBase* player = executor.SubDevicePlayer(action);
  if (player == nullptr)
    action.SetResult(kBadTarget, kInvalidSubDevice);
  else if (!RunTransport(*player, id, action))
    RunSetting(*player, id, action);
  return ActionEnd::Finished;
}
