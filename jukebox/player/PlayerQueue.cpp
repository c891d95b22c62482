// The queue of a player and the loaders that fill it from the song database in batches.
#include "dblib/QHDb.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/player/SongQueryText.h"

using namespace qh::player;

tSong* CPlayerBase::LoadSongRecord(LONG songId, int& error) {
  auto* song = new tSong();
  error = song->Load(m_pSongDb, m_pStorage, songId);
  if (error != 0) {
    delete song;
    return nullptr;
  }
  return song;
}

void CPlayerBase::AppendSong(tSong* song) {
  if (song != nullptr) m_queue.push_back(song);
}

int CPlayerBase::LoadAndPlaySong(LONG songId) {
  int error = 0;
  tSong* song = LoadSongRecord(songId, error);
  if (song == nullptr) return error;
  ClearCurrentPlaylist(false);
  AppendSong(song);
  const int result = PlaySong(song);
  if (result != 0) return result;
  ShowLoadingText(0, 1, true);
  ShowSongCount();
  m_currentIndex = 0;
  SelectCurrentSong();
  return 0;
}

void CPlayerBase::ClearCurrentPlaylist(bool quiet) {
  if (!quiet && m_state != PLAYER_STOPPED && m_pCurrentSong != nullptr && m_pCurrentSong != &m_keptSong) {
    m_keptSong = *m_pCurrentSong;
    m_pCurrentSong = &m_keptSong;
  }
  for (tSong* song : m_queue) {
    if (song == m_pCurrentSong) m_pCurrentSong = nullptr;
    delete song;
  }
  m_queue.clear();
  m_currentIndex = kClearedQueueIndex;
  if (!quiet) {
    ClearSongList();
    ShowSongCount();
  }
}

int CPlayerBase::AddSongToCurrentPlaylist(LONG songId, int& queueLength) {
  int error = 0;
  tSong* song = LoadSongRecord(songId, error);
  if (song == nullptr) return error;
  AppendSong(song);
  queueLength = GetSongCount();
  ShowLoadingText(queueLength - 1, 1, false);
  ShowSongCount();
  SelectCurrentSong();
  if (queueLength == 1 && m_state != PLAYER_PLAYING) {
    // The song that starts is the queue's current one, so the next choice moves past it.
    if (PlaySong(song) == 0) m_currentIndex = queueLength - 1;
  }
  return 0;
}

int CPlayerBase::PlayIndex(int index) {
  if (index < 0 || index >= GetSongCount()) return -1;
  const int result = PlaySong(m_queue[static_cast<size_t>(index)]);
  if (result != 0) return result;
  m_currentIndex = index;
  SelectCurrentSong();
  return 0;
}

// ---- The song cursor ----

void CPlayerBase::CloseSongCursor() {
  // A load's remaining batches must never read from a cursor that replaced its own.
  if (m_loadRunning && m_hWnd != nullptr) KillTimer(kFetchTimerId);
  m_loadRunning = false;
  if (m_songCursor == nullptr) return;
  if (m_pSongDb != nullptr) m_pSongDb->CloseSongCursor(m_songCursor);
  m_songCursor = nullptr;
}

bool CPlayerBase::OpenSongCursor(const CString& whereAndOrder) {
  if (m_pSongDb != nullptr) m_songCursor = m_pSongDb->OpenSongCursor(whereAndOrder);
  if (m_songCursor != nullptr) return true;
  LONG code = 0;
  m_dbErrorText.Empty();
  if (m_pSongDb != nullptr) code = m_pSongDb->GetLastError(m_dbErrorText);
  LogText("E", IDS_PLAYER_OPEN_CURSOR, whereAndOrder.GetString(), m_dbErrorText.GetString(), static_cast<long>(code));
  return false;
}

int CPlayerBase::RunLoader(const CString& whereAndOrder, const CString& selectionName) {
  CloseSongCursor();
  if (!OpenSongCursor(whereAndOrder)) return 1;
  m_selectionName = selectionName;
  ClearCurrentPlaylist(false);
  m_loadedTotal = 0;
  m_fetchedSoFar = 0;
  m_loadRunning = true;
  FetchSongCursor(true);
  return 0;
}

// Only a playlist load names the current playlist; the other loads keep the name, so the song menu
// still offers "Add to" the playlist chosen last.
int CPlayerBase::LoadByGenre(const CString& genre, bool byAlbum) {
  return RunLoader(GenreQuery(genre, byAlbum), "GENRE: " + genre);
}

int CPlayerBase::LoadByPlaylist(const CString& playlistName) {
  const int result = RunLoader(PlaylistQuery(playlistName), "PLAYLIST: " + playlistName);
  if (result == 0) m_currentPlaylistName = playlistName;
  return result;
}

int CPlayerBase::LoadByArtist(const CString& artist, bool byAlbum) {
  return RunLoader(ArtistQuery(artist, byAlbum), "ARTIST: " + artist);
}

int CPlayerBase::LoadByAlbumName(const CString& album) {
  return RunLoader(AlbumNameQuery(album), "ALBUM: " + album);
}

int CPlayerBase::LoadByAlbum(const CString& album, const CString& artist) {
  return RunLoader(AlbumQuery(album, artist), "ALBUM: " + album);
}

int CPlayerBase::LoadBySearch(const CString& name, const CString& artist, const CString& album,
                              const CString& years, const CString& genre) {
  return RunLoader(CustomCriteriaQuery(name, artist, album, years, genre), "CUSTOM SEARCH");
}

int CPlayerBase::FetchSongCursor(bool firstBatch) {
  bool first = firstBatch;
  const int batchStart = GetSongCount();
  int count = 0;
  bool ended = false;
  for (int i = 0; i < kFetchBatchSize && !ended; ++i) {
    auto* song = new tSong();
    const int attached = song->Attach(m_pSongDb, m_pStorage);
    if (attached != 0) {
      delete song;
      CloseSongCursor();
      WriteLogText("E", IDS_PLAYER_SONG_OBJECT, attached);
      ended = true;
      break;
    }
    const LONG fetched = m_songCursor != nullptr ? m_pSongDb->FetchSong(song, m_songCursor) : 0;
    if (fetched > 0) {
      ++count;
      AppendSong(song);
      if (first) {
        const int started = PlaySong(song);
        m_currentIndex = GetSongCount() - 1;
        first = false;
        // A first song that cannot start is skipped as any failing song is: the next one follows
        // (the rest of the load comes in meanwhile), and a shuffle does not draw it again this round.
        if (started != 0) {
          song->SetUserData(1);
          PostNextSong();
        }
      }
      if (m_fetchedSoFar + count > kMaxLoadedSongs) {
        CloseSongCursor();
        LogText("E", IDS_PLAYER_TOO_MUCH_DATA, static_cast<int>(kMaxLoadedSongs));
        ended = true;
      }
      continue;
    }
    delete song;
    CloseSongCursor();
    if (fetched < 0) LogText("E", IDS_PLAYER_FETCH_ERROR, static_cast<long>(fetched));
    ended = true;
  }
  ShowLoadingText(batchStart, count, firstBatch);
  if (!ended) {
    m_fetchedSoFar += count;
    SetTimer(kFetchTimerId, kFetchTimerMs);
    return count;
  }
  ShowSongCount();
  m_fetchedSoFar += count;
  m_loadedTotal = m_fetchedSoFar;
  return count;
}

LONG CPlayerBase::LoadAllPending() {
  m_loadedTotal = 0;
  m_fetchedSoFar = 0;
  if (m_songCursor == nullptr) return 0;
  if (m_loadRunning) KillTimer(kFetchTimerId);
  const LONG positioned = m_pSongDb->SetCursorPosition(m_songCursor, 0);
  m_loadRunning = true;
  FetchSongCursor(true);
  return positioned;
}
