// The part of a box zone's player that talks to the network audio box: its two connection threads
// (control on port 12302, audio on port 2020), the control commands that wait while the control
// connection is down, the box's replies, and the song file whose bytes go to the box block by block
// with the next song prepared right behind the current one.
//
// It belongs to one engine window (CXSStreamWindow) and runs on that window's thread only. The window
// passes on its messages 0x478, 0x479 and 0x530 and answers the questions of CXSEngineHost (the queue,
// the flags and what the screen shows); the socket threads never call in, they only post.
#pragma once

#include <cstdio>
#include <deque>
#include <memory>

#include "jukebox/player/NextSongChoice.h"
#include "jukebox/player/TcpClientThread.h"
#include "jukebox/player/XSProtocol.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class tSong;

// Window messages of a box zone's engine window.
inline constexpr UINT WM_XS_AUDIO_NOTIFY = 0x478;
inline constexpr UINT WM_XS_CONTROL_NOTIFY = 0x479;
inline constexpr UINT WM_XS_END_OF_DATA = 0x530;

// What the box engine asks of the player window it serves; the queue part is what the next-song
// choice reads.
class CXSEngineHost : public CSongChoiceQueue {
 public:
  virtual HWND EngineWindow() const = 0;
  virtual int CurrentIndex() const = 0;
  virtual tSong* PlayingSong() const = 0;
  virtual bool IsShuffleOn() const = 0;
  virtual bool IsRepeatOn() const = 0;

  // A song started from its beginning on the box: state PLAYING, the song current, hooks and the
  // SongChanged event.
  virtual void SongStarted(tSong* song, const CString& fileType, const CString& lengthText) = 0;
  // The box has played the whole current song and the prepared one follows: `song` is the engine's copy
  // of it, `index` the queue index it was prepared from (the window finds the queue's own record there
  // when the queue still holds it).
  virtual void SongPromoted(const tSong& song, int index, const CString& fileType, const CString& lengthText) = 0;
  // The audio connection closed with no restart pending: state STOPPED, no current song, hooks.
  virtual void StreamStopped() = 0;
  // The box reported its volume (percent).
  virtual void BoxVolumeReported(int volumePercent) = 0;
  // No song of the queue could be prepared: pause the zone (the engine has logged 61426).
  virtual void NothingToPrepare() = 0;
  // Both threads have ended after CloseThreads: the window may go.
  virtual void ThreadsGone() = 0;
};

class CXSBoxEngine {
 public:
  // How long StopThreads waits for a thread that has been asked to end.
  static constexpr DWORD kThreadEndWait = 5000;
  // Songs whose bytes are on their way behind the current one, at most.
  static constexpr size_t kMaxPreparedSongs = 4;
  // How long after a count restart a report that did not drop counts as one from before it.
  static constexpr DWORD kCountRestartWindowMs = 1000;

  explicit CXSBoxEngine(CXSEngineHost& host);
  ~CXSBoxEngine();
  CXSBoxEngine(const CXSBoxEngine&) = delete;
  CXSBoxEngine& operator=(const CXSBoxEngine&) = delete;

  void SetBoxAddress(const CString& address) { m_boxAddress = address; }
  CString GetBoxAddress() const { return m_boxAddress; }
  // The box's ports; only tests change them (a simulated box on ephemeral ports).
  void SetPorts(WORD controlPort, WORD audioPort);

  // ---- Threads and the control connection ----
  bool StartThreads();
  // Asks both threads to close and end; ThreadsGone follows once both have ended.
  void CloseThreads();
  // Ends and deletes the threads, waiting at most kThreadEndWait for each (window destruction).
  void StopThreads();
  LONG QueueCommand(const CString& text);
  int FlushPendingCommands();
  bool ConnectControl();
  void SendVolume(int level);

  // ---- Songs ----
  // Starts a song from its beginning: 0 streaming, -1 it cannot be played (reported).
  int PlaySong(tSong* song);
  // The box part of Stop: drop the unsent data, close the audio connection, stop the box, close the file.
  void StopStream();
  // Forgets the stream's values and closes the file (the window sets STOPPED itself).
  void CloseSongFile();
  int PrepareNextSong(tSong* song, int index);
  bool PromotePreparedSong();
  // Message 0x530 posted for the file of `fileGeneration`: the data ran out. One posted for a file that
  // has been closed since (a song started meanwhile) is dropped.
  void OnEndOfDataNotice(WPARAM fileGeneration);
  void OnEndOfData();
  bool SendNextChunk();
  bool ConnectAudio();
  bool CloseAudio();

  // ---- Notices ----
  LRESULT OnAudioThreadNotify(WPARAM code, LPARAM record);
  LRESULT OnControlThreadNotify(WPARAM code, LPARAM record);
  void ParseControlReply(const CTcpReceivedData& data);

  // ---- State ----
  LONGLONG GetPositionMs() const { return XSPositionMs(m_bytesPlayed, m_bitRate); }
  int GetPositionPercent() const { return XSPositionPercent(m_bytesPlayed, m_dataSize); }
  bool IsStreaming() const { return m_songFile != nullptr; }
  bool IsClosing() const { return m_closing; }
  bool IsAudioRestart() const { return m_audioRestart; }
  DWORD GetBytesPlayed() const { return m_bytesPlayed; }
  DWORD GetDataSize() const { return m_dataSize; }
  DWORD GetDataOffset() const { return m_dataOffset; }
  LONG GetBitRate() const { return m_bitRate; }
  int GetPendingCommandCount() const { return static_cast<int>(m_pendingCommands.size()); }
  bool HasPreparedSong() const { return !m_prepared.empty(); }
  int GetPreparedCount() const { return static_cast<int>(m_prepared.size()); }
  // The next song to become current, or -1 / null.
  int GetPreparedIndex() const { return m_prepared.empty() ? -1 : m_prepared.front().index; }
  const tSong* GetPreparedSong() const { return m_prepared.empty() ? nullptr : m_prepared.front().song.get(); }
  CTcpClientThread* AudioThread() const { return m_audioThread; }
  CTcpClientThread* ControlThread() const { return m_controlThread; }

 private:
  struct PreparedValues {
    DWORD dataOffset = 0;
    DWORD dataSize = 0;
    LONG bitRate = 0;
    CString fileType;
    CString lengthText;
  };

  CTcpClientThread* MakeThread(UINT message);
  // Hands one command to the control thread and notes it until the thread reports it written.
  bool PostCommand(const CString& text);
  // A stop waits to be sent or has not been reported written yet.
  bool IsStopUnwritten() const;
  // Opens the connection of a new stream once the box can have had its stop.
  void ConnectForNewStream();
  void OnCommandsWritten();
  bool PostTo(CTcpClientThread* thread, CTcpRequest* request);
  bool PostConnect(CTcpClientThread* thread, WORD port);
  // Whether the box can take the song (not locked, an MP3 format), reported when not; fills its format.
  bool CheckSong(tSong& song, PreparedValues& values);
  void MakeCurrent(const PreparedValues& values);
  // Opens the song's file at its audio data and fills in its data offset, size and length text; null when
  // it cannot be read.
  std::FILE* OpenSongData(tSong* song, PreparedValues& values);
  // The file whose data goes out from now on (the one before is closed).
  void UseFile(std::FILE* file);
  void CloseFile();
  void ForgetPreparedSong();
  bool ChooseAndPrepare();
  void StartByteCount();
  // `count`: the box's own count of the current song's bytes, as it reported it.
  void OnByteReport(DWORD count);
  void GiveUpPreparing();
  void PostEndOfData();
  void ContinueStream();
  // The next block of the song file to the connection that is up; never opens one.
  bool SendBlock();
  void EndThread(CTcpClientThread*& slot);
  void FreeWaitingNotices();
  bool IsLocked(const tSong& song);
  void OnThreadExit(CTcpClientThread*& thread, const char* which, LPARAM threadId);
  // Logs a socket error; for the codes that end a connection also asks the thread to close it (true).
  bool OnSocketError(const char* which, CTcpClientThread* thread, const CTcpNotice& notice, const char* closeLevel);
  void LogInvalidNotice(const char* which);
  void HandleReplyPair(const CString& tag, const CString& value, CString& hardwareType, CString& ssid,
                       CString& wlanMode);
  CString ThreadIdText(const CTcpClientThread* thread) const;
  void Log(const char* level, const CString& text);
  void LogForUser(const CString& text);

  CXSEngineHost& m_host;
  CString m_boxAddress;
  WORD m_controlPort = kXSControlPort;
  WORD m_audioPort = kXSAudioPort;
  CTcpClientThread* m_audioThread = nullptr;
  CTcpClientThread* m_controlThread = nullptr;
  std::deque<CString> m_pendingCommands;
  // Commands handed to the control thread and not yet reported written, oldest first: true for a stop.
  std::deque<bool> m_commandsUnwritten;
  // A new stream's connection waits for its stop to be written.
  bool m_connectAfterStop = false;
  bool m_closing = false;
  CXSReplyReader m_replyReader;

  std::FILE* m_songFile = nullptr;
  CString m_fileType;
  CString m_lengthText;
  bool m_endOfDataDeferred = false;  // the data ran out while the prepared songs were at their limit
  bool m_endOfDataPosted = false;  // 0x530 is on its way for the file that is open
  bool m_blockInFlight = false;    // a block was handed to the audio thread and not yet reported written
  bool m_audioRestart = false;
  // The box has a stream: started with c=66 and not stopped since. Its data may all be out already (no
  // file open), or its connection be on the way to a new one.
  bool m_streaming = false;
  // Counts the files opened, so an end of data is only taken for the file it was posted for.
  WPARAM m_fileGeneration = 0;
  // A song was started while the audio connection opened at start-up (or after a close) was still
  // coming up: its first block goes out when the connection reports it is up.
  bool m_sendWhenConnected = false;
  bool m_audioConnectPending = false;  // a connect request is on its way to the audio thread
  int m_closesAwaited = 0;             // close requests whose closed report has not come yet
  DWORD m_dataOffset = 0;
  DWORD m_dataSize = 0;
  DWORD m_bytesPlayed = 0;
  LONG m_bitRate = 0;

  DWORD m_byteCarry = 0;        // what the box had played of a song before its count restarted
  DWORD m_lastReport = 0;       // the box's own count in the last report taken
  bool m_awaitingCountRestart = false;
  DWORD m_countRestartTick = 0;

  // Songs whose bytes follow the current song's on the connection, oldest first. Each is a copy, so a
  // queue cleared meanwhile cannot leave one dangling.
  struct PreparedSong {
    std::unique_ptr<tSong> song;
    PreparedValues values;
    int index = -1;
  };
  std::deque<PreparedSong> m_prepared;
};
