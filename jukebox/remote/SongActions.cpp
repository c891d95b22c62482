// Song and play-list actions: load and play songs on a zone, move through or fill its current play list,
// rewrite a stored song's fields and add songs to saved play lists.
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/remote/ActionArguments.h"
#include "jukebox/remote/ActionGroups.h"
#include "jukebox/remote/ActionResults.h"
#include "jukebox/remote/RemoteActionIds.h"
#include "jukebox/remote/RemoteExecutor.h"
#include "jukebox/remote/SongYear.h"

using namespace remote_results;

namespace {

constexpr const char* kInvalidSongId = "Invalid SongID";
constexpr const char* kInvalidSongIndex = "Invalid Song Index";
constexpr const char* kUpdateFailed = "Error when updating song";
constexpr const char* kIllegalSongForUpdate = "Illegal SongID for update";
constexpr const char* kInvalidPlaylistName = "Invalid PlaylistName";
constexpr const char* kPlaylistWriteFailed = "Error occurred when adding song to playlist";

// The zone the action aims at; null after answering "Invalid SubDevice".
CPlayerBase* TargetPlayer(CRemoteExecutor& executor, CRemoteAction& action) {
  CPlayerBase* player = executor.SubDevicePlayer(action);
  if (player == nullptr) action.SetResult(kBadTarget, kInvalidSubDevice);
  return player;
}

// The required SongID of the two actions that take one; 0 after answering "Invalid SongID".
LONG RequiredSongId(CRemoteAction& action) {
  const LONG songId = ArgumentLong(action, "SongID", 0);
  if (songId <= 0) action.SetResult(kBadTarget, kInvalidSongId);
  return songId > 0 ? songId : 0;
}

void LoadPlay(CRemoteExecutor& executor, CRemoteAction& action) {
  const LONG songId = RequiredSongId(action);
  if (songId == 0) return;
  if (CPlayerBase* player = TargetPlayer(executor, action))
    SetPlayerOutcome(action, player->LoadAndPlaySong(songId), kLoadFailed);
}

void LoadByIndex(CRemoteExecutor& executor, CRemoteAction& action) {
  const LONG index = ArgumentLong(action, "SongIndex", 0);
  if (index < 0) {
    action.SetResult(kBadTarget, kInvalidSongIndex);
    return;
  }
  if (CPlayerBase* player = TargetPlayer(executor, action))
    SetPlayerOutcome(action, player->PlayIndex(static_cast<int>(index)), kLoadFailed);
}

void LoadSelection(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  CPlayerBase* player = TargetPlayer(executor, action);
  if (player == nullptr) return;
  switch (id) {
    case ACTION_SONG_LOAD_BY_GENRE:
      SetPlayerOutcome(action, player->LoadByGenre(ArgumentText(action, "Genre"), ArgumentFlag(action, "SortByAlbum")),
                       kGenreSearchFailed);
      break;
    case ACTION_SONG_LOAD_BY_ARTIST:
      SetPlayerOutcome(action,
                       player->LoadByArtist(ArgumentText(action, "Artist"), ArgumentFlag(action, "SortByAlbum")),
                       kArtistSearchFailed);
      break;
    case ACTION_SONG_LOAD_BY_ALBUM:
      SetPlayerOutcome(action, player->LoadByAlbum(ArgumentText(action, "Album"), ArgumentText(action, "Artist")),
                       kAlbumSearchFailed);
      break;
    default:
      SetPlayerOutcome(action, player->LoadByPlaylist(ArgumentText(action, "Playlist")), kPlaylistSearchFailed);
      break;
  }
}

void LoadAdjacent(CRemoteExecutor& executor, CRemoteAction& action, int step) {
  CPlayerBase* player = TargetPlayer(executor, action);
  if (player == nullptr) return;
  if (player->PlayAdjacentSong(step) < 0)
    action.SetResult(kFailed, kLoadFailed);
  else
    SetOk(action);
}

void AddToCurrentPlaylist(CRemoteExecutor& executor, CRemoteAction& action) {
  const LONG songId = RequiredSongId(action);
  if (songId == 0) return;
  CPlayerBase* player = TargetPlayer(executor, action);
  if (player == nullptr) return;
  // A refused song leaves the list as it was, and the count says so.
  int songCount = player->GetSongCount();
  const int result = player->AddSongToCurrentPlaylist(songId, songCount);
  // The count goes back whatever the outcome: the panel shows the list as it now stands.
  SetResultI4(action, "CurrentSongCount", songCount);
  SetPlayerOutcome(action, result, kLoadFailed);
}

// The stored song's fields are replaced, not merged: a field the request leaves out becomes empty. The
// comments have no argument and keep what is stored.
void UpdateSong(CRemoteExecutor& executor, CRemoteAction& action) {
  const LONG songNumber = ArgumentLong(action, "SongNumber", 0);
  COleDateTime songDate;
  if (!SongDateFromYear(ArgumentText(action, "SongYear"), songDate)) {
    action.SetResult(kBadTarget, kUpdateFailed);
    return;
  }
  CJukeboxApp* app = executor.App();
  tSong song;
  if (app == nullptr || song.Load(app->GetSongDatabase(), app->GetStorageManager(), songNumber) != 0) {
    action.SetResult(kBadTarget, kUpdateFailed);
    return;
  }
  song.SetSongName(ArgumentText(action, "SongName"));
  song.SetSongArtist(ArgumentText(action, "SongArtist"));
  song.SetSongAlbumName(ArgumentText(action, "SongAlbum"));
  song.AddGenre(ArgumentText(action, "SongGenre"), TRUE);
  song.SetSongDate(songDate);
  if (song.SongCompression == ' ') song.SetSongUncompressed(FALSE);
  if (song.Update() > 0)
    SetOk(action);
  else
    action.SetResult(kBadTarget, kUpdateFailed);
}

// Whether a saved play list of that name exists (names compare as the database compares them).
bool PlaylistExists(tQHDb& database, const CString& name) {
  const CString wanted = tQHDb::CleanPlaylistName(name);
  bool found = false;
  if (database.OpenPlaylistNames() != 0) {
    CString stored;
    while (!found && database.NextPlaylistName(stored) > 0) found = stored.CompareNoCase(wanted) == 0;
  }
  database.ClosePlaylistNames();
  return found;
}

// A song goes only into a play list that exists, or one the request asks to create, and only when the
// song itself exists: the play list's rows must name a real song and a real list.
void AddToSavedPlaylist(CRemoteExecutor& executor, CRemoteAction& action) {
  const LONG songNumber = ArgumentLong(action, "SongNumber", 0);
  const CString playlistName = ArgumentText(action, "PlaylistName");
  const bool newPlaylist = ArgumentFlag(action, "NewPlaylistFlag");
  tQHDb* database = executor.SongDatabase();
  tSong song;
  if (songNumber <= 0 || database == nullptr || database->GetSongDetail(songNumber, &song) != 1) {
    action.SetResult(kBadTarget, kIllegalSongForUpdate);
    return;
  }
  if (tQHDb::CleanPlaylistName(playlistName).IsEmpty() || (!newPlaylist && !PlaylistExists(*database, playlistName))) {
    action.SetResult(kBadTarget, kInvalidPlaylistName);
    return;
  }
  const int written = newPlaylist ? database->AddSongToPlaylist(playlistName, songNumber)
                                  : database->AppendPlaylistSong(playlistName, songNumber);
  if (written > 0)
    SetOk(action);
  else
    action.SetResult(kFailed, kPlaylistWriteFailed);
}

void ClearCurrentPlaylist(CRemoteExecutor& executor, CRemoteAction& action) {
  if (CPlayerBase* player = TargetPlayer(executor, action)) {
    player->ClearCurrentPlaylist(false);
    SetOk(action);
  }
}

void LoadAllPending(CRemoteExecutor& executor, CRemoteAction& action) {
  if (CPlayerBase* player = TargetPlayer(executor, action)) {
    player->LoadAllPending();
    SetOk(action);
  }
}

}  // namespace

ActionEnd ExecuteSongAction(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  switch (id) {
    case ACTION_SONG_LOAD_PLAY: LoadPlay(executor, action); break;
    case ACTION_SONG_LOAD_BY_INDEX: LoadByIndex(executor, action); break;
    case ACTION_SONG_LOAD_BY_GENRE:
    case ACTION_SONG_LOAD_BY_ARTIST:
    case ACTION_SONG_LOAD_BY_ALBUM:
    case ACTION_SONG_LOAD_BY_PLAYLIST: LoadSelection(executor, id, action); break;
    case ACTION_SONG_LOAD_PREV_FROM_CURRENT_PLAYLIST: LoadAdjacent(executor, action, -1); break;
    case ACTION_SONG_LOAD_NEXT_FROM_CURRENT_PLAYLIST: LoadAdjacent(executor, action, +1); break;
    case ACTION_SONG_ADD_TO_CURRENT_PLAYLIST: AddToCurrentPlaylist(executor, action); break;
    case ACTION_SONG_UPDATE: UpdateSong(executor, action); break;
    case ACTION_SONG_ADD_TO_SAVED_PLAYLIST: AddToSavedPlaylist(executor, action); break;
    case ACTION_CURRENT_PLAYLIST_CLEAR: ClearCurrentPlaylist(executor, action); break;
    case ACTION_CURRENT_PLAYLIST_LOAD_ALL_PENDING: LoadAllPending(executor, action); break;
    default: return ActionEnd::NotHandled;
  }
  return ActionEnd::Finished;
}
