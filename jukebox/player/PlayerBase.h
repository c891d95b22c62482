// CPlayerBase: one zone's player, the window that both engines (the local engine CStreamWindow and the
// network-box engine) derive from. It holds what the engines share: the queue and its loaders, the
// searches, the next-song choice, volume, mute and ramps, the state, and the window's life. An engine
// supplies the transport (PlaySong, Play, Pause, Stop, Rewind, seeking and position), how a volume
// reaches its output, and its own release at destruction. The zone windows override the screen hooks.
//
// Everything runs on the thread that owns the window. The ramp timer's thread only posts messages.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <new>
#include <set>
#include <vector>

#include "dblib/Song.h"
#include "jukebox/player/PlayerMessages.h"
#include "jukebox/player/ShuffleRandom.h"
#include "platform/core/CString.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exception.h"
#include "platform/core/WinTypes.h"
#include "platform/ui/AfxWin.h"

class CDaoRecordset;
class CValueNode;
class tQHDb;
class tStorage;

// The four states of a player.
enum PlayerState : LONG {
  PLAYER_STOPPED = 0,
  PLAYER_PLAYING = 1,
  PLAYER_HW_PAUSED = 2,  // the output stopped by itself: the song ended or a device failed
  PLAYER_PAUSED = 3,
};

// The current index after the queue was cleared (not -1: the next-song choice then starts at 0).
inline constexpr LONG kClearedQueueIndex = 0xFFFFFF;
// A load stops after the song that brings the queue above this many songs.
inline constexpr LONG kMaxLoadedSongs = 10000;
// Songs fetched per batch, and the batch timer (id 1) in milliseconds.
inline constexpr int kFetchBatchSize = 25;
inline constexpr UINT_PTR kFetchTimerId = 1;
inline constexpr UINT kFetchTimerMs = 25;

class CPlayerBase : public CWnd {
 public:
  CPlayerBase();
  ~CPlayerBase() override;

  // ---- The player interface (the remote control and the zone windows call these) ----
  virtual int LoadAndPlaySong(LONG songId);
  virtual void ClearCurrentPlaylist(bool quiet);
  virtual int AddSongToCurrentPlaylist(LONG songId, int& queueLength);
  virtual void AppendSong(tSong* song);  // ownership passes to the queue
  virtual int PlayIndex(int index);
  virtual int PlaySong(tSong* song) = 0;
  virtual void SetDeviceName(const CString& name);
  virtual int SetStreamNumber(int number);
  virtual void SetStreamName(const CString& name);
  virtual void GetStateName(CString& name) const;
  virtual bool IsExstreamer() const = 0;
  virtual void SetShuffle(bool on);
  virtual void ToggleShuffle();
  virtual void SetRepeat(bool on);
  virtual void ToggleRepeat();
  virtual int ToggleMute();
  virtual bool RampVolumeUp();
  virtual bool RampVolumeDown();
  virtual int SeekPercent(double percent) = 0;
  virtual int Rewind() = 0;
  virtual int Pause() = 0;
  virtual int Play() = 0;
  virtual int PlayPause();
  virtual int Next();
  virtual int Stop() = 0;
  virtual int GetPositionPercent() = 0;
  virtual LONG GetPositionMs() = 0;
  virtual LONG GetCurrentSongId() const;
  virtual CString GetSelectionName() const;
  virtual void SetVolume(int percent);
  virtual int AdjustVolume(int step);
  virtual CString GetSongInfoXml() const;
  virtual CString GetPlayerStateXml() const;
  virtual int LoadByGenre(const CString& genre, bool byAlbum);
  virtual int SearchByGenre(const CString& genre, bool byAlbum, int rowCount, CValueNode* texts, CValueNode* ids,
                            CValueNode* count);
  virtual void FadeOutWithPending(const CString& text, bool flag);
  virtual int LoadByPlaylist(const CString& playlistName);
  virtual int SearchByPlaylist(const CString& playlistName, int rowCount, CValueNode* texts, CValueNode* ids,
                               CValueNode* count);
  virtual int LoadByArtist(const CString& artist, bool byAlbum);
  virtual int SearchByArtist(const CString& artist, bool byAlbum, int rowCount, CValueNode* texts, CValueNode* ids,
                             CValueNode* count);
  virtual int LoadByAlbumName(const CString& album);
  virtual int SearchByAlbum(const CString& album, const CString& artist, int rowCount, CValueNode* texts,
                            CValueNode* ids, CValueNode* count);
  virtual int LoadByAlbum(const CString& album, const CString& artist);
  virtual int LoadBySearch(const CString& name, const CString& artist, const CString& album, const CString& years,
                           const CString& genre);
  virtual int SearchByCustomCriteria(const CString& name, const CString& artist, const CString& album,
                                     const CString& years, const CString& genre, int rowCount, CValueNode* texts,
                                     CValueNode* ids, CValueNode* count);
  virtual int ScrollSearchResults(int firstRow, int rowCount, CValueNode* texts, CValueNode* ids);
  virtual void GetCurrentPlaylist(int firstIndex, int rowCount, CValueNode* texts, CValueNode* ids,
                                  CValueNode* count);
  virtual LONG LoadAllPending();
  virtual tSong* GetCurrentSong() const;
  virtual CString GetStreamName() const;
  virtual int GetSongCount() const;
  virtual bool IsPlaylistEmpty() const;
  virtual bool IsShuffle() const;
  virtual bool IsRepeat() const;
  virtual int GetVolume() const;
  virtual bool UsesPlugins() const;
  virtual void GetStateMap(std::set<LONG>& devices) const;
  virtual void SetStateMap(const std::set<LONG>& devices);
  virtual void AddPlugin(const CString& name);
  virtual void ClearPlugins();
  virtual void SetStatusText(const CString& text);
  virtual int PlayAdjacentSong(int step);
  virtual int MoveListSelection(int step);
  virtual void PlaySelectedSong();
  virtual BOOL Shutdown(CWnd* notifyWindow);

  // ---- Screen hooks: empty here (UpdatePosition and UpdateState fire their events), the zone windows
  // override them and call these versions too ----
  virtual void CreateControls();
  virtual void DestroyControls();
  virtual void UpdateShuffleButton();
  virtual void UpdateRepeatButton();
  virtual void UpdateVolume();
  virtual void UpdatePosition();
  virtual void UpdateState();
  virtual void RedrawInfo();
  virtual void ShowSongCount();
  virtual void ClearSongList();
  // firstIndex: the queue index of the batch's first song; count: songs in this batch.
  virtual void ShowLoadingText(int firstIndex, int count, bool firstBatch);
  virtual void SelectCurrentSong();
  virtual void ShowAlbumCover();

  // ---- Shared queries the zone windows and tests use ----
  LONG GetState() const { return m_state; }
  std::time_t GetStateTime() const { return m_stateTime; }
  int GetStreamNumber() const { return m_streamNumber; }
  CString GetDeviceName() const { return m_deviceName; }
  LONG GetCurrentIndex() const { return m_currentIndex; }
  LONG GetLoadedTotal() const { return m_loadedTotal; }
  bool IsLoading() const { return m_songCursor != nullptr && m_loadRunning; }
  bool HasPendingResult() const { return m_songCursor != nullptr; }
  bool IsAdvancePosted() const { return m_advancePosted; }
  // Sets the advance-posted flag and posts 0x52D; false when one is already waiting.
  bool PostNextSong();
  tSong* GetQueuedSong(int index) const;
  int GetSavedVolume() const { return m_savedVolume; }
  int GetRampTarget() const { return m_rampTarget; }
  bool IsRamping() const { return m_rampTimer != 0; }
  // The playlist the queue was last loaded from (LoadByPlaylist); empty after other loaders.
  CString GetCurrentPlaylistName() const { return m_currentPlaylistName; }
  const std::vector<CString>& GetPlaylistNames() const { return m_playlistNames; }
  const std::vector<CString>& GetPictureList() const { return m_pictureList; }
  std::vector<BYTE>& GetPictureShownFlags() { return m_pictureShown; }
  CString GetFileTypeText() const { return m_fileTypeText; }
  CString GetLengthText() const { return m_lengthText; }
  CString GetElapsedText() const { return m_elapsedText; }
  CString GetMessageText() const { return m_messageText; }
  COleDateTimeSpan GetUpTime() const { return m_upTime; }
  LONG GetTotalMbFree() const { return m_totalMbFree; }
  LONG GetTotalSongs() const { return m_totalSongs; }
  CShuffleRandom& Random() { return m_random; }

  // Fills the playlist names from the song database; the result of the close (0 when none opened).
  int LoadPlaylistNames();
  // Refreshes the up-time and the sums over the storage volumes; returns the MB free.
  LONG StampStartTime();

  // The next-song handler (0x52D); returns -1.
  LRESULT OnNextSong(WPARAM wParam, LPARAM lParam);
  // Posts 0x46C to the parent window: a volume ramp has ended. False without a parent.
  bool NotifyCommandDone();
  // Reads the next batch of the open song cursor into the queue; the number of songs appended.
  int FetchSongCursor(bool firstBatch);

 protected:
  // ---- What an engine supplies ----
  // The name its messages are logged under ("StreamWindow", "XSStreamWindow").
  virtual const char* LogSource() const = 0;
  // Sends the stored volume (m_volume, 0 to 100) to the output; the local engine calls the screen hook
  // UpdateVolume when the output took it.
  virtual void OutputVolume(int percent) = 0;
  // Releases the engine's output at window destruction (graph, threads).
  virtual void ReleaseOutput() = 0;

  // ---- Shared helpers ----
  afx_msg int OnCreate(LPCREATESTRUCT create);
  afx_msg void OnDestroy();
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg LRESULT OnNextSongMessage(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnRampUpTick(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnRampDownTick(WPARAM wParam, LPARAM lParam);

  void ReadAppSettings();
  void ResetSongMaps();
  void ResetPlayState();
  void LoadPictureList();
  void KillRampTimer();
  void EndRampAt(int volume);
  // Closes and deletes the song cursor and ends a load in progress (timer 1 dies with it).
  void CloseSongCursor();
  // Opens the cursor on a query text; on failure logs 61362 and returns false.
  bool OpenSongCursor(const CString& whereAndOrder);
  // The loaders' common steps after the text is built: open, label, clear, first batch.
  int RunLoader(const CString& whereAndOrder, const CString& selectionName);
  // The searches' common steps: open, count, first page, label.
  int RunSearch(const CString& whereAndOrder, const CString& selectionName, int rowCount, CValueNode* texts,
                CValueNode* ids, CValueNode* count);
  int FillSearchPage(int rowCount, CValueNode* texts, CValueNode* ids);
  // A new record loaded by id; null with the load's error code in `error`.
  tSong* LoadSongRecord(LONG songId, int& error);
  void GiveUpAdvancing();
  // What every engine does once a song has started: played mark, PLAYING, current song, the screen
  // hooks and the SongChanged event.
  void AnnounceSongStarted(tSong* song);

  // Formats text `id` of the string table into the message text and logs it.
  void LogText(const char* severity, UINT id, ...);
  void WriteLogText(const char* severity, UINT id, ...);
  void LogMessageText(const char* severity);     // through LogEvent
  void WriteMessageText(const char* severity);   // through WriteErrorLog
  // Runs an operation inside the guard of the transport operations: out of memory gives 61217 and -1,
  // any other exception 61218 with the ID code and -2.
  template <typename Body>
  int Guarded(int idCode, Body&& body);
  int ReportException(int idCode, bool outOfMemory);

  DECLARE_MESSAGE_MAP()

  // ---- Members both engines hold ----
  tSong* m_pCurrentSong = nullptr;
  tSong m_keptSong;
  CDaoRecordset* m_songCursor = nullptr;
  bool m_loadRunning = false;  // the cursor belongs to a load (timer 1 set), not a search result
  CString m_fileTypeText;
  CString m_lengthText;
  CString m_elapsedText;
  LONG m_state = PLAYER_STOPPED;
  std::time_t m_stateTime = 0;
  bool m_shuffle = false;
  bool m_repeat = false;
  CString m_songFolder;
  CString m_pictureFolder;
  CString m_startFolder;
  std::vector<CString> m_pictureList;
  std::vector<BYTE> m_pictureShown;
  LONGLONG m_startPosition = 0;
  LONGLONG m_stopPosition = 0;
  LONGLONG m_currentPosition = 0;
  std::vector<CString> m_playlistNames;
  CString m_selectionName;
  CString m_currentPlaylistName;
  std::vector<tSong*> m_queue;
  LONG m_loadedTotal = 0;
  LONG m_fetchedSoFar = 0;
  LONG m_currentIndex = 0;
  bool m_advancePosted = false;
  int m_streamNumber = 0;
  CString m_streamName;
  int m_volume = 50;
  int m_savedVolume = -1;
  int m_rampTarget = -1;
  UINT m_rampTimer = 0;
  bool m_pendingFade = false;
  CString m_pendingText;
  bool m_pendingFlag = false;
  int m_positionPercent = 0;
  tStorage* m_pStorage = nullptr;
  tQHDb* m_pSongDb = nullptr;
  COleDateTimeSpan m_upTime;
  LONG m_totalMbFree = 0;
  LONG m_totalSongs = 0;
  CString m_deviceName;
  std::set<LONG> m_deviceSet;
  CString m_messageText;
  CString m_dbErrorText;
  CWnd* m_pNotifyWindow = nullptr;
  CShuffleRandom m_random;
};

template <typename Body>
int CPlayerBase::Guarded(int idCode, Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return ReportException(idCode, true);
  } catch (CException* e) {
    e->Delete();
    return ReportException(idCode, false);
  } catch (...) {
    return ReportException(idCode, false);
  }
}
