// Searches for the remote control: a count and one page of rows from a song query that stays open as
// the pending result, paging through it, and the current queue as rows.
#include "dblib/QHDb.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/player/SongQueryText.h"
#include "netlib/ValueNode.h"

using namespace qh::player;

namespace {

// False when the row is beyond what a list may hold (the row count comes from the remote request).
bool WriteRow(int row, const tSong& song, CValueNode* texts, CValueNode* ids) {
  CValueNode* textItem = texts != nullptr ? texts->GetChild(row) : nullptr;
  CValueNode* idItem = ids != nullptr ? ids->GetChild(row) : nullptr;
  if ((texts != nullptr && textItem == nullptr) || (ids != nullptr && idItem == nullptr)) return false;
  CString text;
  text.Format("%s (%s)", song.SongName.GetString(), song.SongArtist.GetString());
  if (textItem != nullptr) textItem->SetString(text);
  if (idItem != nullptr) idItem->SetI4(song.SongID);
  return true;
}

}  // namespace

int CPlayerBase::FillSearchPage(int rowCount, CValueNode* texts, CValueNode* ids) {
  int row = 0;
  for (; row < rowCount && m_songCursor != nullptr; ++row) {
    tSong song;
    if (m_pSongDb->FetchSong(&song, m_songCursor) <= 0 || !WriteRow(row, song, texts, ids)) break;
  }
  return row;
}

int CPlayerBase::RunSearch(const CString& whereAndOrder, const CString& selectionName, int rowCount,
                           CValueNode* texts, CValueNode* ids, CValueNode* count) {
  CloseSongCursor();
  if (!OpenSongCursor(whereAndOrder)) return 1;
  if (count != nullptr) count->SetI4(m_pSongDb->GetCursorCount(m_songCursor));
  FillSearchPage(rowCount, texts, ids);
  m_selectionName = selectionName;
  return 0;
}

int CPlayerBase::SearchByGenre(const CString& genre, bool byAlbum, int rowCount, CValueNode* texts, CValueNode* ids,
                               CValueNode* count) {
  return RunSearch(GenreQuery(genre, byAlbum), "GENRE: " + genre, rowCount, texts, ids, count);
}

int CPlayerBase::SearchByPlaylist(const CString& playlistName, int rowCount, CValueNode* texts, CValueNode* ids,
                                  CValueNode* count) {
  return RunSearch(PlaylistQuery(playlistName), "PLAYLIST: " + playlistName, rowCount, texts, ids, count);
}

int CPlayerBase::SearchByArtist(const CString& artist, bool byAlbum, int rowCount, CValueNode* texts,
                                CValueNode* ids, CValueNode* count) {
  return RunSearch(ArtistQuery(artist, byAlbum), "ARTIST: " + artist, rowCount, texts, ids, count);
}

int CPlayerBase::SearchByAlbum(const CString& album, const CString& artist, int rowCount, CValueNode* texts,
                               CValueNode* ids, CValueNode* count) {
  return RunSearch(AlbumSearchQuery(album, artist), "ALBUM: " + album, rowCount, texts, ids, count);
}

int CPlayerBase::SearchByCustomCriteria(const CString& name, const CString& artist, const CString& album,
                                        const CString& years, const CString& genre, int rowCount,
                                        CValueNode* texts, CValueNode* ids, CValueNode* count) {
  return RunSearch(CustomCriteriaQuery(name, artist, album, years, genre), "CUSTOM SEARCH", rowCount, texts, ids,
                   count);
}

int CPlayerBase::ScrollSearchResults(int firstRow, int rowCount, CValueNode* texts, CValueNode* ids) {
  if (m_songCursor == nullptr || m_loadRunning) {
    m_messageText = "Error: Cursor not open when scrolling search results";
    LogMessageText("E");
    return 1;
  }
  if (m_pSongDb->SetCursorPosition(m_songCursor, firstRow) < 0) {
    m_messageText = "Error: Positioning error scrolling search results";
    LogMessageText("E");
    return 1;
  }
  FillSearchPage(rowCount, texts, ids);
  return 0;
}

void CPlayerBase::GetCurrentPlaylist(int firstIndex, int rowCount, CValueNode* texts, CValueNode* ids,
                                     CValueNode* count) {
  for (int row = 0; row < rowCount; ++row) {
    const tSong* song = GetQueuedSong(firstIndex + row);
    if (song == nullptr || !WriteRow(row, *song, texts, ids)) break;
  }
  if (count != nullptr) count->SetI4(GetSongCount());
}
