#include "jukebox/remote/RemoteActionIds.h"

#include <array>
#include <utility>

namespace {

// In the order the table has always been filled; the order has no effect on lookups.
constexpr std::array<std::pair<int, const char*>, 86> kActionNames{{
    {0, "SongLoadPlay"}, {1, "SongLoadByIndex"}, {2, "SongLoadByGenre"}, {3, "SongLoadByArtist"},
    {4, "SongLoadByAlbum"}, {5, "SongLoadByPlaylist"}, {6, "SongLoadPrevFromCurrentPlaylist"},
    {7, "SongLoadNextFromCurrentPlaylist"}, {8, "SongAddToCurrentPlaylist"}, {9, "SongUpdate"},
    {10, "SongAddToSavedPlaylist"}, {11, "SearchResultsScrollToIndex"}, {12, "SearchResultsByGenre"},
    {13, "SearchResultsByArtist"}, {14, "SearchResultsByAlbum"}, {15, "SearchResultsByPlaylist"},
    {16, "SearchResultsByCustomCriteria"}, {17, "SearchResultsByArtistAlbum"}, {18, "CurrentPlaylistClear"},
    {19, "CurrentPlaylistLoadAllPending"}, {22, "XportPlay"}, {25, "XportPlayPause"}, {23, "XportPause"},
    {24, "XportStop"}, {20, "XportRewind"}, {21, "XportNext"}, {26, "SetShuffleOn"}, {27, "SetShuffleOff"},
    {28, "SetShuffleToggle"}, {29, "SetRepeatOn"}, {30, "SetRepeatOff"}, {31, "SetRepeatToggle"},
    {32, "SetVolumeAbsolute"}, {33, "SetVolumeRelative"}, {34, "SetVolumeRampUp"}, {35, "SetVolumeRampDown"},
    {36, "SetVolumeRampTime"}, {37, "SetMuteToggle"}, {38, "SetInitialDXPlugin"}, {42, "IRCursorDown"},
    {43, "IRCursorLeft"}, {44, "IRCursorRight"}, {45, "IRCursorExit"}, {46, "IRCursorSelect"}, {47, "IRPlay"},
    {48, "IRPause"}, {49, "IRStop"}, {50, "IRNext"}, {51, "IRPrev"}, {52, "IRNextSong"}, {53, "IRPrevSong"},
    {54, "IRVolUp"}, {55, "IRVolDn"}, {56, "IRMute"}, {57, "IRChUp"}, {58, "IRChDn"}, {59, "IRStream1"},
    {60, "IRStream2"}, {61, "IRStream3"}, {62, "IRStream4"}, {63, "IRStream5"}, {64, "IRStream6"},
    {65, "IRStream7"}, {66, "IRStream8"}, {67, "IRPlaylist"}, {68, "IRGenre"}, {69, "IRArtist"},
    {70, "IRAlbum"}, {71, "IRPower"}, {72, "IRShuffle"}, {73, "IRRepeat"}, {74, "QryStreamState"},
    {75, "QryGenreList"}, {76, "QryGenreListCount"}, {77, "QryPlaylist"}, {78, "QryPlaylistCount"},
    {79, "QryStreamSelection"}, {80, "QryCurrentPlaylist"}, {81, "QryCurrentPlaylistCount"},
    {82, "QryStreamList"}, {84, "QrySongInfo"}, {85, "SvcQryVersion"}, {86, "SvcQryAuthor"},
    {39, "SvcSubscribe"}, {40, "SvcUnsubscribe"}, {87, "SvcShutdown"},
}};

}  // namespace

RemoteActionGroup GroupOfAction(int id) {
  if ((id >= 0 && id <= 10) || id == 18 || id == 19) return RemoteActionGroup::Song;
  if (id >= 11 && id <= 17) return RemoteActionGroup::Search;
  if (id >= 20 && id <= 38) return RemoteActionGroup::Transport;
  if (id >= 42 && id <= 73) return RemoteActionGroup::Key;
  if (id == 39 || id == 40 || (id >= 74 && id <= 87 && id != 83)) return RemoteActionGroup::Query;
  return RemoteActionGroup::None;
}

void FillRemoteActionMap(RemoteActionMapType& map) {
  for (const auto& [id, name] : kActionNames) map.try_emplace(CString(name), id);
}

CString RemoteActionName(int id) {
  for (const auto& [entryId, name] : kActionNames)
    if (entryId == id) return CString(name);
  return CString();
}
