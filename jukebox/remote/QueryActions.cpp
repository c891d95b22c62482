// Query and service actions: a zone's state and song, its current play list, the zones, the genre and
// play-list indexes of the song database, the program's identity, event subscriptions, and the remote
// shut-down. Every answer travels in result arguments the request carries.
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/remote/ActionArguments.h"
#include "jukebox/remote/ActionGroups.h"
#include "jukebox/remote/ActionResults.h"
#include "jukebox/remote/EventSubscriptions.h"
#include "jukebox/remote/RemoteActionIds.h"
#include "jukebox/remote/RemoteExecutor.h"

using namespace remote_results;

namespace {

constexpr int kDefaultRowCount = 5;
constexpr const char* kIllegalStream = "Illegal stream selected";
constexpr const char* kSubscribeFailed = "Subscription notification failed";
constexpr const char* kUnsubscribeFailed = "Unsubscribe failed";
// The count a full genre list gives every song type: the types are not counted.
constexpr LONG kUncountedGenre = -1;

CPlayerBase* TargetPlayer(CRemoteExecutor& executor, CRemoteAction& action) {
  CPlayerBase* player = executor.SubDevicePlayer(action);
  if (player == nullptr) action.SetResult(kBadTarget, kInvalidSubDevice);
  return player;
}

// The text fields of the current song both song queries return.
void SetSongTexts(CRemoteAction& action, const tSong& song) {
  SetResultI4(action, "SongNumber", song.SongID);
  SetResultString(action, "SongName", song.SongName);
  SetResultString(action, "SongArtist", song.SongArtist);
  SetResultString(action, "SongAlbum", song.SongAlbumName);
  SetResultString(action, "SongGenre", song.SongPrimaryGenre);
}

void StreamState(CRemoteExecutor& executor, CRemoteAction& action) {
  CPlayerBase* player = TargetPlayer(executor, action);
  if (player == nullptr) return;
  if (const tSong* song = player->GetCurrentSong()) {
    SetSongTexts(action, *song);
    SetResultI4(action, "SongTRT", song->SongLengthMS);
    SetResultI4(action, "CurTRT", player->GetPositionMs());
  } else {
    SetResultI4(action, "SongNumber", 0);
    SetResultI4(action, "SongTRT", 0);
    SetResultI4(action, "CurTRT", 0);
  }
  SetResultInt(action, "CurVolume", player->GetVolume());
  SetResultString(action, "StreamName", player->GetStreamName());
  CString state;
  player->GetStateName(state);
  SetResultString(action, "StreamState", state);
  SetResultString(action, "StreamShuffle", player->IsShuffle() ? "SHUF" : "");
  SetResultString(action, "StreamRepeat", player->IsRepeat() ? "RPT" : "");
  SetOk(action);
}

void SongInfo(CRemoteExecutor& executor, CRemoteAction& action) {
  CPlayerBase* player = TargetPlayer(executor, action);
  if (player == nullptr) return;
  if (const tSong* song = player->GetCurrentSong()) {
    SetSongTexts(action, *song);
    CString year;
    year.Format("%d", song->SongDate.GetYear());
    SetResultString(action, "SongYear", year);
  }
  SetOk(action);
}

// The database's grouped counts of genres and of saved play lists.
constexpr int kGenreGroups = 0;
constexpr int kPlaylistGroups = 6;

// One item per group: its name, and its count when counts are asked for. A list that cannot be read
// stops quietly: the answer is the rows read so far.
void AppendGroupCounts(tQHDb& database, int mode, CActionArgument& names, CActionArgument* counts) {
  CString name;
  LONG count = 0;
  if (database.OpenCategoryCounts(mode, "") >= 0) {
    while (database.NextCategoryCount(name, count) > 0) {
      AppendResultString(names, name);
      if (counts != nullptr) AppendResultI4(*counts, count);
    }
  }
  database.CloseCategoryCounts();
}

// Every song type by its code; the types are not counted.
void AppendSongTypes(tQHDb& database, CActionArgument& names, CActionArgument* counts) {
  CString code, description;
  SHORT minBpm = 0, maxBpm = 0;
  LONG reserved = 0;
  if (database.OpenSongTypes("") != 0) {
    while (database.NextSongType(code, description, minBpm, maxBpm, reserved) > 0) {
      AppendResultString(names, code);
      if (counts != nullptr) AppendResultI4(*counts, kUncountedGenre);
    }
  }
  database.CloseSongTypes();
}

// The genre index: with FullList every song type (uncounted), else the genres in use with their song
// counts. The count variant falls back to the names alone when the request carries no GenreCount. No
// result is stored: the answer is the lists.
void GenreList(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  CActionArgument* names = ResultArgument(action, "GenreList", false);
  CActionArgument* counts =
      id == ACTION_QRY_GENRE_LIST_COUNT ? ResultArgument(action, "GenreCount", false) : nullptr;
  tQHDb* database = executor.SongDatabase();
  if (names == nullptr || database == nullptr) return;
  if (ArgumentFlag(action, "FullList"))
    AppendSongTypes(*database, *names, counts);
  else
    AppendGroupCounts(*database, kGenreGroups, *names, counts);
}

// The saved play lists with, in the count variant, their numbers of songs. No result is stored.
void PlaylistList(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  CActionArgument* names = ResultArgument(action, "PlayList", false);
  CActionArgument* counts = id == ACTION_QRY_PLAYLIST_COUNT ? ResultArgument(action, "PlayCount", false) : nullptr;
  tQHDb* database = executor.SongDatabase();
  if (names == nullptr || database == nullptr) return;
  AppendGroupCounts(*database, kPlaylistGroups, *names, counts);
}

void StreamSelection(CRemoteExecutor& executor, CRemoteAction& action) {
  CPlayerBase* player = executor.CurrentZonePlayer();
  if (player == nullptr) {
    action.SetResult(kBadTarget, kIllegalStream);
    return;
  }
  SetResultString(action, "CurrentSelection", player->GetSelectionName());
  SetOk(action);
}

void CurrentPlaylist(CRemoteExecutor& executor, CRemoteAction& action) {
  CPlayerBase* player = TargetPlayer(executor, action);
  if (player == nullptr) return;
  CActionArgument* texts = ResultArgument(action, "CurrentSearchResultsText", false);
  CActionArgument* ids = ResultArgument(action, "CurrentSearchResultsID", false);
  CActionArgument* total = ResultArgument(action, "CurrentSearchResultsTotal", false);
  if (texts != nullptr && ids != nullptr && total != nullptr) {
    // Paging the queue cannot fail: rows past its end are simply not there.
    player->GetCurrentPlaylist(static_cast<int>(ArgumentLong(action, "RowIndex", 0)),
                               ArgumentInt(action, "RowCount", kDefaultRowCount), texts, ids, total);
  }
  SetOk(action);
}

// A bad zone answers nothing here, not even an error: this query stores no result at all.
void CurrentPlaylistCount(CRemoteExecutor& executor, CRemoteAction& action) {
  if (CPlayerBase* player = executor.SubDevicePlayer(action))
    SetResultI4(action, "SearchListCount", player->GetSongCount(), false);
}

void StreamList(CRemoteExecutor& executor, CRemoteAction& action) {
  CActionArgument* list = ResultArgument(action, "StreamList", false);
  CJukeboxApp* app = executor.App();
  if (list != nullptr && app != nullptr) {
    for (int zone = 0; zone < app->GetZoneCount(); ++zone) {
      CString description;
      app->GetZoneDesc(zone, description);
      AppendResultString(*list, description);
    }
  }
  SetOk(action);
}

void Identity(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  if (CJukeboxApp* app = executor.App()) {
    if (id == ACTION_SVC_QRY_VERSION) {
      SetResultString(action, "SvcPgmName", app->m_programFileName);
      SetResultString(action, "SvcPgmVersion", app->GetVersionText());
    } else {
      SetResultString(action, "SvcAuthor", app->m_author);
    }
  }
  SetOk(action);
}

void Subscribe(CRemoteExecutor& executor, CRemoteAction& action) {
  const LONG device = ArgumentLong(action, "NotificationDevice", 0);
  const CString eventName = ArgumentText(action, "NotificationEvent");
  CEventSubscriptions* store = executor.Subscriptions();
  const LONG id = store != nullptr ? store->AddSubscription(device, eventName) : -1;
  SetResultI4(action, "SubscriptionID", id);
  if (id > 0)
    SetOk(action);
  else
    action.SetResult(kBadTarget, kSubscribeFailed);
}

void Unsubscribe(CRemoteExecutor& executor, CRemoteAction& action) {
  CEventSubscriptions* store = executor.Subscriptions();
  if (store != nullptr && store->RemoveSubscription(ArgumentLong(action, "SubscriptionID", 0)))
    SetOk(action);
  else
    action.SetResult(kBadTarget, kUnsubscribeFailed);
}

// The answer goes out before the server stops: the completion runs here, then the same shut-down as
// quitting the jukebox.
ActionEnd Shutdown(CRemoteExecutor& executor, CRemoteAction& action) {
  SetOk(action);
  executor.FinishNow();
  executor.ShutdownServer();
  return ActionEnd::FinishedInline;
}

}  // namespace

ActionEnd ExecuteQueryAction(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  switch (id) {
    case ACTION_QRY_STREAM_STATE: StreamState(executor, action); break;
    case ACTION_QRY_GENRE_LIST:
    case ACTION_QRY_GENRE_LIST_COUNT: GenreList(executor, id, action); break;
    case ACTION_QRY_PLAYLIST:
    case ACTION_QRY_PLAYLIST_COUNT: PlaylistList(executor, id, action); break;
    case ACTION_QRY_STREAM_SELECTION: StreamSelection(executor, action); break;
    case ACTION_QRY_CURRENT_PLAYLIST: CurrentPlaylist(executor, action); break;
    case ACTION_QRY_CURRENT_PLAYLIST_COUNT: CurrentPlaylistCount(executor, action); break;
    case ACTION_QRY_STREAM_LIST: StreamList(executor, action); break;
    case ACTION_QRY_SONG_INFO: SongInfo(executor, action); break;
    case ACTION_SVC_QRY_VERSION:
    case ACTION_SVC_QRY_AUTHOR: Identity(executor, id, action); break;
    case ACTION_SVC_SUBSCRIBE: Subscribe(executor, action); break;
    case ACTION_SVC_UNSUBSCRIBE: Unsubscribe(executor, action); break;
    case ACTION_SVC_SHUTDOWN: return Shutdown(executor, action);
    default: return ActionEnd::NotHandled;
  }
  return ActionEnd::Finished;
}
