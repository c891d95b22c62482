// "Compress all songs": compresses, one after the other, every library song that is still an
// uncompressed WAV file, to ADPCM through the conversion worker or to MP3 through the MP3 worker. The
// worker runs on its own thread; a one-second timer polls it, and when a job is done the dialog puts
// the new file in place of the old one and writes the song row. Songs go in the order of their ids; a
// song that cannot be compressed (its file missing, a sample format the worker refuses, a row that
// cannot be written) is skipped with its reason, which the end of the run shows, and the run goes on.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "dblib/Song.h"
#include "platform/ui/Dialog.h"

class tQHDb;
class tStorage;
class CAcmThread;
class CMp3Compressor;
class CCompressionWorker;
class CScrollBar;

class CCompressDlg : public CDialog {
 public:
  CCompressDlg(tQHDb* db, tStorage* storage, CWnd* parent = nullptr);
  ~CCompressDlg() override;

  BOOL OnInitDialog() override;
  // Cancel, Close and Esc keep the chosen bitrate first.
  void OnCancel() override;

  // The encoder module the MP3 worker loads.
  void SetEncoderModule(const CString& module) { m_encoderModule = module; }

  // A SongLength "mm:ss.mmm" in seconds; shorter texts count nothing.
  static double PlayTimeOf(const CString& songLength);
  // The slider position of a bitrate (1..4), 0 for a bitrate the slider does not offer.
  static int SliderPositionOf(DWORD bitrate);
  static DWORD BitrateOfPosition(int position);

 protected:
  afx_msg void OnGo();
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnHScroll(UINT code, UINT position, CScrollBar* scrollBar);
  afx_msg void OnDestroy();
  afx_msg LRESULT OnCompressDone(WPARAM, LPARAM);
  afx_msg LRESULT OnWorkerError(WPARAM code, LPARAM text);
  DECLARE_MESSAGE_MAP()

 private:
  // Runs a handler's work; a failure is reported, the wait cursor ends and the dialog closes.
  void Guarded(UINT integerCodeText, const std::function<void()>& work);
  void ShowBitrate();
  void FillCompressors();
  void StartWorker();
  void StartNextSong();
  BOOL CompressNextSong(WORD formatTag);
  // Puts the finished work file in place of the song's file and writes the row; false when the song
  // had to stay as it was (its old file and row).
  bool ReplaceSourceFile();
  void LoadNextSong();
  // The song's file is there to be read; otherwise the song is skipped with the reason.
  bool SourceIsReadable();
  void SkipSong(const CString& reason);
  // After a song's worker failure: a new worker for the next song.
  void RestartWorker();
  // Waits for each worker's thread (bounded) and frees the worker.
  void ReleaseWorkers();
  void ShowSkippedSongs();
  // A failed worker ends the run: the song and its file stay as they were.
  void EndAfterWorkerFailure();
  void DeleteWorkFile();
  CCompressionWorker* Worker() const;

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  tSong m_song;
  LONG m_songCount = 0;
  LONG m_songNumber = 0;
  long m_startTime = 0;
  double m_totalPlayTime = 0;
  LONG m_currentSongId = -1;
  int m_selectedIndex = -1;
  WORD m_formatTags[2] = {0, 0};
  char m_compressionCode = 'R';
  DWORD m_bitrate = 256000;
  std::unique_ptr<CAcmThread> m_acmWorker;
  std::unique_ptr<CMp3Compressor> m_mp3Worker;
  bool m_workerStarted = false;
  bool m_timerRunning = false;
  bool m_failed = false;
  LONG m_compressedCount = 0;
  struct Skipped {
    LONG songId;
    CString song;
    CString reason;
  };
  std::vector<Skipped> m_skipped;
  CString m_pendingReason;  // a worker's reason that came before the timer saw its failure
  CString m_sourcePath, m_targetPath, m_mp3Path;
  CString m_statusShown;
  CString m_encoderModule = "lame_enc.dll";
};
