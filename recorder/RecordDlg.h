// CRecordDlg, "Record New Song": records 16-bit PCM from a wave-in device straight into a WAV file,
// with a level meter, the headroom left, a start on a trigger level and a stop after two seconds of
// quiet. The main dialog names the file before and turns it into a song after an OK.
#pragma once

#include <array>
#include <vector>

#include "platform/mm/Mmio.h"
#include "platform/mm/WaveIn.h"
#include "platform/ui/Dialog.h"
#include "recorder/LevelMeter.h"
#include "recorder/capture/CaptureQueue.h"

// Posted from the capture thread when it has kept audio for the dialog to take.
#define WM_RECORD_BUFFER 0x465

class CRecordDlg : public CDialog {
 public:
  // Two seconds of tenth-second buffers: room for the capture thread itself to be late.
  static constexpr int kBufferCount = 20;

  explicit CRecordDlg(CWnd* parent = nullptr);
  ~CRecordDlg() override;

  // Before the dialog runs. `owner` is the main dialog, whose status line shows device errors; a device
  // id that no device has (also -1) records from the wave mapper.
  void Setup(const CString& wavePath, CWnd* owner, const CString& databaseFolder, int triggerDb, int autoStart,
             UINT deviceId);
  // After it: the trigger level and the auto-start switch as the user left them.
  int GetTriggerLevel() const { return m_triggerDb; }
  int GetAutoStart() const { return m_autoStart; }
  // The recorded length in milliseconds as text (set by Done).
  CString GetRecordedLength() const { return m_recordedLength; }
  UINT GetDeviceId() const { return m_deviceId; }
  DWORD GetBytesWritten() const { return m_bytesWritten; }

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 protected:
  afx_msg void OnPrep();
  afx_msg void OnRecord();
  afx_msg void OnPause();
  afx_msg void OnReset();
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg LRESULT OnBufferDone(WPARAM, LPARAM);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void Guarded(const std::function<void()>& work);
  // False (and the dialog ending with Cancel after a message) when the device or the file fails.
  bool OpenDevice();
  bool CreateWaveFile();
  // Fixes the chunk sizes and closes the file; false when any of it could not be written.
  bool CloseWaveFile();
  bool AppendBuffer(const CCaptureQueue::Chunk& chunk);
  // One kept chunk: written, measured, the trigger and the quiet end; false once the take has ended.
  bool TakeChunk(const CCaptureQueue::Chunk& chunk);
  void StopDevice();
  // The one-second clock of the elapsed time; a clock that cannot start stops everything.
  bool StartClock();
  void StopClock();
  // Device stopped, timer killed, file closed: the dialog ends with Cancel.
  void StopEverything();
  void FailWrite();
  void ShowDeviceError(MMRESULT error);
  void ShowHeadroom(int leftPercent, int rightPercent);
  void WatchSilence(DWORD recordedBytes, bool loud);
  int ReadTriggerLevel();

  CString m_wavePath, m_databaseFolder, m_recordedLength;
  CWnd* m_pOwner = nullptr;
  UINT m_deviceId = WAVE_MAPPER;
  int m_triggerDb = -35;
  int m_autoStart = 0;
  bool m_armed = false;

  HWAVEIN m_hWaveIn = nullptr;
  WAVEFORMATEX m_format{};
  DWORD m_bufferBytes = 0;
  std::array<WAVEHDR, kBufferCount> m_headers{};
  std::array<std::vector<char>, kBufferCount> m_data;
  bool m_prepared = false;
  CCaptureQueue m_captured;

  HMMIO m_hFile = nullptr;
  MMCKINFO m_riff{}, m_dataChunk{};
  DWORD m_bytesWritten = 0;
  // Buffers reach the file only while this is set; once stopping, returned buffers are left alone.
  bool m_writing = false;
  bool m_stopping = false;
  bool m_timerRunning = false;
  bool m_paused = false;
  DWORD m_silenceLimit = 0, m_silentBytes = 0;
  int m_displayState = 0;
  int m_headroom[2] = {100, 100};

  CLevelMeter m_meter;
  HBRUSH m_red = nullptr, m_green = nullptr, m_yellow = nullptr;
};
