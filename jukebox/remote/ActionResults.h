// The outcomes the action bodies share: the texts peers compare against, and the one rule for a player
// call whose non-zero result is a failure. Each body stores exactly one outcome per action.
#pragma once

#include "jukebox/remote/RemoteAction.h"

namespace remote_results {

inline constexpr LONG kOk = 0;
inline constexpr LONG kBadTarget = -1;
inline constexpr LONG kFailed = -2;

inline constexpr const char* kOkText = "OK";
inline constexpr const char* kInvalidSubDevice = "Invalid SubDevice";
inline constexpr const char* kNoCurrentStream = "No current stream selected";
inline constexpr const char* kLoadFailed = "Error occurred when loading song";
inline constexpr const char* kScrollFailed = "Error occurred when scrolling resultset";
inline constexpr const char* kGenreSearchFailed = "Error occurred when searching by Genre";
inline constexpr const char* kArtistSearchFailed = "Error occurred when searching by Artist";
inline constexpr const char* kAlbumSearchFailed = "Error occurred when searching by Album";
inline constexpr const char* kPlaylistSearchFailed = "Error occurred when searching by Playlist";
inline constexpr const char* kPlayFailed = "Error occurred when playing the stream";
inline constexpr const char* kPauseFailed = "Error occurred when pausing the stream";
inline constexpr const char* kStopFailed = "Error occurred when stopping the stream";

inline void SetOk(CRemoteAction& action) { action.SetResult(kOk, kOkText); }

// A player operation that answers 0 for success and anything else for failure.
inline void SetPlayerOutcome(CRemoteAction& action, int result, const char* failure) {
  if (result == 0)
    SetOk(action);
  else
    action.SetResult(kFailed, failure);
}

}  // namespace remote_results
