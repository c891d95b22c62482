// "Compressing Audio Files" (dialog 195): every song still stored as an uncompressed WAV file becomes
// a managed MP3 file, one song at a time through the MP3 worker thread; the song's row gets code 'R'
// only after its MP3 is in place and its WAV file is gone.
//
// A job counts only when the worker finished it without an error and left a non-empty MP3; a failed
// or refused job keeps the song's WAV file and row as they were and the run goes on with the next
// song. Message boxes from the timer are shown with the timer stopped, so no second box stacks up.
#pragma once

#include "dblib/Song.h"
#include "platform/ui/Dialog.h"

class CMp3Compressor;
class tQHDb;
class tStorage;

#define WM_COMPRESS_COMPLETE 0x465

class CCompressDlg : public CDialog {
 public:
  static constexpr UINT IDD = 195;
  static constexpr int kSlider = 1075, kCompress = 1061, kCounts = 1060, kFileProgress = 1062, kSongText = 1063,
                       kSongProgress = 1064, kRateLabel = 1065, kWorkerStatus = 1103;
  static constexpr UINT_PTR kTimer = 1;

  CCompressDlg(tQHDb* database, tStorage* storage, CWnd* parent = nullptr);
  ~CCompressDlg() override;
  BOOL OnInitDialog() override;

  // The slider position of a bit rate (2 for one that is not offered), and the rate of a position.
  static int PositionOfBitRate(int bitRate);
  static int BitRateOfPosition(int position);
  // The seconds of a song length text "mm:ss.mmm"; 0 for a text shorter than 9 characters.
  static double LengthSeconds(const CString& length);

  int m_bitRate = 256000;  // set by the caller, read back afterwards
  LONG m_count = 0;
  LONG m_compressed = 0;  // songs whose MP3 replaced the WAV in this run

 protected:
  afx_msg void OnCompress();
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnHScroll(UINT code, UINT position, CScrollBar* scrollBar);
  afx_msg LRESULT OnComplete(WPARAM, LPARAM);
  afx_msg LRESULT OnWorkerError(WPARAM code, LPARAM text);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  bool StartWorker();
  // Stops the worker and waits for its thread; false (logged) when it did not end in time.
  bool EndWorker();
  void ShowRateLabel(int bitRate);
  // Starts songs until the worker accepts one or none is left (then posts WM_COMPRESS_COMPLETE).
  void StartNextSong();
  bool StartSong();
  void FinishSong();
  void AbandonSong(const CString& reason);
  void DeleteTemporaryMp3();
  void LogError(const CString& text, bool showBox);

  tQHDb* m_database;
  tStorage* m_storage;
  tSong m_song;
  CMp3Compressor* m_worker = nullptr;
  BOOL m_workerStarted = FALSE;
  bool m_timerRunning = false;
  bool m_inTimer = false;
  bool m_songsOpen = false;
  time_t m_startTime = 0;
  LONG m_ordinal = 0;
  LONG m_songId = 0;
  CString m_sourcePath, m_tempPath, m_finalPath;
  double m_audioSeconds = 0;
  CString m_status;
  CString m_workerError;
};
