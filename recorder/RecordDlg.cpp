#include "recorder/RecordDlg.h"

#include <cstdlib>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/gdi/AfxGdi.h"
#include "recorder/RecordLevels.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"

namespace {

constexpr UINT kFormats = 1000, kPrep = 1092, kAutoStart = 1176, kUpDown = 1177, kTrigger = 1178, kRecord = 1004,
               kPause = 1005, kReset = 1230, kElapsed = 1006, kState = 1079, kDevice = 1216, kMeter = 1228,
               kHeadroom = 1231, kMainStatus = 1119;
constexpr UINT_PTR kClockTimer = 1;
constexpr int kMeterMark = 88;

struct FormatChoice {
  const char* text;
  WORD channels;
  DWORD rate;
};
constexpr FormatChoice kFormatChoices[] = {{"44.1 Khz 16bit Stereo", 2, 44100},
                                           {"44.1 Khz 16bit Mono", 1, 44100},
                                           {"22.05 Khz 16bit Stereo", 2, 22050},
                                           {"22.05 Khz 16bit Mono", 1, 22050}};

// Runs on the capture thread: the filled buffer is copied and queued again at once, whatever the
// dialog is doing, and the dialog is told there is audio to take.
void WaveInDone(HWAVEIN waveIn, UINT message, DWORD_PTR instance, DWORD_PTR header, DWORD_PTR) {
  if (message != WIM_DATA) return;
  auto* captured = reinterpret_cast<CCaptureQueue*>(instance);
  if (captured->TakeFilled(waveIn, reinterpret_cast<WAVEHDR*>(header)))
    ::PostMessage(captured->Window(), WM_RECORD_BUFFER, 0, 0);
}

}  // namespace

BEGIN_MESSAGE_MAP(CRecordDlg, CDialog)
  ON_BN_CLICKED(1092, OnPrep)
  ON_BN_CLICKED(1004, OnRecord)
  ON_BN_CLICKED(1005, OnPause)
  ON_BN_CLICKED(1230, OnReset)
  ON_WM_TIMER()
  ON_MESSAGE(WM_RECORD_BUFFER, OnBufferDone)
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CRecordDlg::CRecordDlg(CWnd* parent) : CDialog(IDD_RECORD, parent) {}

CRecordDlg::~CRecordDlg() {
  for (HBRUSH brush : {m_red, m_green, m_yellow})
    if (brush != nullptr) DeleteObject(brush);
}

void CRecordDlg::Setup(const CString& wavePath, CWnd* owner, const CString& databaseFolder, int triggerDb,
                       int autoStart, UINT deviceId) {
  m_wavePath = wavePath;
  m_pOwner = owner;
  m_databaseFolder = databaseFolder;
  m_triggerDb = triggerDb;
  m_autoStart = autoStart != 0 ? 1 : 0;
  m_deviceId = deviceId;
}

void CRecordDlg::Guarded(const std::function<void()>& work) {
  if (RunRecorderGuarded(work)) return;
  StopDevice();
  CloseWaveFile();
  EndDialog(IDCANCEL);
}

BOOL CRecordDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Guarded([&] {
    for (auto& header : m_headers) header = WAVEHDR{};
    auto* formats = static_cast<CComboBox*>(GetDlgItem(kFormats));
    for (const auto& choice : kFormatChoices) formats->AddString(choice.text);
    formats->SetCurSel(0);
    m_red = CreateSolidBrush(RGB(255, 0, 0));
    m_green = CreateSolidBrush(RGB(0, 255, 20));
    m_yellow = CreateSolidBrush(RGB(255, 255, 0));
    SetDlgItemText(kElapsed, LoadText(IDS_ZERO_TIME));
    GetDlgItem(kPause)->EnableWindow(FALSE);
    GetDlgItem(IDOK)->EnableWindow(FALSE);
    auto* upDown = static_cast<CSpinButtonCtrl*>(GetDlgItem(kUpDown));
    upDown->SetRange32(-60, 0);
    upDown->SetPos(m_triggerDb);
    CString trigger;
    trigger.Format("%d", m_triggerDb);
    SetDlgItemText(kTrigger, trigger);
    CheckDlgButton(kAutoStart, m_autoStart != 0 ? BST_CHECKED : BST_UNCHECKED);
    m_meter.Attach(this, kMeter, kMeterMark);
    m_meter.SetLevels(100, 100);
    m_meter.SetLevels(0, 0);
    // Device ids run from 0 to the count less one: anything else (a stale setting) means the mapper.
    if (m_deviceId != WAVE_MAPPER && m_deviceId >= waveInGetNumDevs()) m_deviceId = WAVE_MAPPER;
    WAVEINCAPS caps{};
    CString device;
    if (waveInGetDevCaps(m_deviceId, &caps, sizeof caps) == MMSYSERR_NOERROR) device.Format("Device: %s", caps.szPname);
    SetDlgItemText(kDevice, device);
  });
  return TRUE;
}

void CRecordDlg::ShowDeviceError(MMRESULT error) {
  char text[256] = {};
  waveInGetErrorText(error, text, sizeof text);
  if (m_pOwner != nullptr && m_pOwner->m_hWnd != nullptr)
    m_pOwner->SetDlgItemText(kMainStatus, LoadFormatted(IDS_AUDIO_DEVICE_ERROR, text));
}

bool CRecordDlg::OpenDevice() {
  const FormatChoice& choice = kFormatChoices[std::max(0, static_cast<CComboBox*>(GetDlgItem(kFormats))->GetCurSel())];
  m_format = WAVEFORMATEX{};
  m_format.wFormatTag = WAVE_FORMAT_PCM;
  m_format.nChannels = choice.channels;
  m_format.nSamplesPerSec = choice.rate;
  m_format.wBitsPerSample = 16;
  m_format.nBlockAlign = static_cast<WORD>(choice.channels * 2);
  m_format.nAvgBytesPerSec = choice.rate * choice.channels * 2;
  m_format.cbSize = 0;
  m_bufferBytes = m_format.nAvgBytesPerSec / 10;
  MMRESULT result = waveInOpen(&m_hWaveIn, m_deviceId, &m_format, reinterpret_cast<DWORD_PTR>(&WaveInDone),
                               reinterpret_cast<DWORD_PTR>(&m_captured), CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) {
    m_hWaveIn = nullptr;
    ShowDeviceError(result);
    StopEverything();
    RecorderMessage(IDS_NO_SOUND_CARD, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  m_silenceLimit = 2 * m_format.nAvgBytesPerSec;
  for (int index = 0; index < kBufferCount; ++index) {
    m_data[index].assign(m_bufferBytes, 0);
    m_headers[index] = WAVEHDR{};
    m_headers[index].lpData = m_data[index].data();
    m_headers[index].dwBufferLength = m_bufferBytes;
    m_headers[index].dwUser = static_cast<DWORD_PTR>(index);
    waveInPrepareHeader(m_hWaveIn, &m_headers[index], sizeof(WAVEHDR));
  }
  m_prepared = true;
  if (!CreateWaveFile()) {
    FailWrite();
    return false;
  }
  m_captured.Open(m_hWnd);
  for (auto& header : m_headers) waveInAddBuffer(m_hWaveIn, &header, sizeof(WAVEHDR));
  result = waveInStart(m_hWaveIn);
  if (result != MMSYSERR_NOERROR) ShowDeviceError(result);
  return true;
}

bool CRecordDlg::CreateWaveFile() {
  m_hFile = mmioOpen(const_cast<LPSTR>(m_wavePath.GetString()), nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
  if (m_hFile == nullptr) return false;
  m_riff = MMCKINFO{};
  m_riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  MMCKINFO format{};
  format.ckid = mmioFOURCC('f', 'm', 't', ' ');
  format.cksize = 18;
  m_dataChunk = MMCKINFO{};
  m_dataChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  // The format as the file stores it: 18 bytes, little-endian, with an empty extra size.
  const WORD fields16a[] = {WAVE_FORMAT_PCM, m_format.nChannels};
  const DWORD fields32[] = {m_format.nSamplesPerSec, m_format.nAvgBytesPerSec};
  const WORD fields16b[] = {m_format.nBlockAlign, 16, 0};
  bool ok = mmioCreateChunk(m_hFile, &m_riff, MMIO_CREATERIFF) == MMSYSERR_NOERROR &&
            mmioCreateChunk(m_hFile, &format, 0) == MMSYSERR_NOERROR &&
            mmioWrite(m_hFile, reinterpret_cast<const char*>(fields16a), sizeof fields16a) == sizeof fields16a &&
            mmioWrite(m_hFile, reinterpret_cast<const char*>(fields32), sizeof fields32) == sizeof fields32 &&
            mmioWrite(m_hFile, reinterpret_cast<const char*>(fields16b), sizeof fields16b) == sizeof fields16b &&
            mmioAscend(m_hFile, &format, 0) == MMSYSERR_NOERROR &&
            mmioCreateChunk(m_hFile, &m_dataChunk, 0) == MMSYSERR_NOERROR;
  m_bytesWritten = 0;
  return ok;
}

bool CRecordDlg::CloseWaveFile() {
  if (m_hFile == nullptr) return true;
  bool ok = mmioAscend(m_hFile, &m_dataChunk, 0) == MMSYSERR_NOERROR;
  ok = mmioAscend(m_hFile, &m_riff, 0) == MMSYSERR_NOERROR && ok;
  ok = mmioClose(m_hFile, 0) == MMSYSERR_NOERROR && ok;
  m_hFile = nullptr;
  return ok;
}

bool CRecordDlg::AppendBuffer(const CCaptureQueue::Chunk& chunk) {
  if (m_hFile == nullptr) return false;
  // A RIFF file cannot describe more than 4 GB: a take that would pass that is a failed write.
  if (chunk.size() > 0xFFFFFFF0u - m_bytesWritten) return false;
  LONG count = static_cast<LONG>(chunk.size());
  if (mmioWrite(m_hFile, chunk.data(), count) != count) return false;
  m_bytesWritten += static_cast<DWORD>(chunk.size());
  return true;
}

void CRecordDlg::StopDevice() {
  // Buffers that stop and reset hand back are no longer written nor queued again.
  m_stopping = true;
  m_writing = false;
  m_captured.Close();
  if (m_hWaveIn == nullptr) return;
  MMRESULT result = waveInStop(m_hWaveIn);
  if (result != MMSYSERR_NOERROR) ShowDeviceError(result);
  result = waveInReset(m_hWaveIn);
  if (result != MMSYSERR_NOERROR) ShowDeviceError(result);
}

void CRecordDlg::StopEverything() {
  StopClock();
  StopDevice();
  CloseWaveFile();
  EndDialog(IDCANCEL);
}

void CRecordDlg::FailWrite() {
  StopEverything();
  RecorderMessage(IDS_COPY_FAILED, MB_OK | MB_ICONEXCLAMATION);
}

int CRecordDlg::ReadTriggerLevel() {
  CString text;
  GetDlgItemText(kTrigger, text);
  return std::atoi(text.GetString());
}

bool CRecordDlg::StartClock() {
  if (SetTimer(kClockTimer, 1000) == 0) {
    StopEverything();
    RecorderMessage(IDS_NO_TIMER, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  m_timerRunning = true;
  return true;
}

void CRecordDlg::StopClock() {
  if (m_timerRunning) KillTimer(kClockTimer);
  m_timerRunning = false;
}

void CRecordDlg::OnPrep() {
  Guarded([&] {
    m_writing = false;
    if (!OpenDevice()) return;
    if (IsDlgButtonChecked(kAutoStart) == BST_CHECKED) {
      m_armed = true;
      m_autoStart = 1;
      m_triggerDb = ReadTriggerLevel();
    }
    for (UINT id : {kAutoStart, kFormats, kPrep}) GetDlgItem(id)->EnableWindow(FALSE);
    GotoDlgCtrl(GetDlgItem(kRecord));
  });
}

void CRecordDlg::OnRecord() {
  Guarded([&] {
    for (UINT id : {kRecord, kFormats, kAutoStart, kPrep}) GetDlgItem(id)->EnableWindow(FALSE);
    GetDlgItem(kPause)->EnableWindow(TRUE);
    GetDlgItem(IDOK)->EnableWindow(TRUE);
    m_writing = true;
    if (m_hWaveIn == nullptr && !OpenDevice()) return;
    if (!StartClock()) return;
    SetDlgItemText(kState, LoadText(IDS_STATE_RECORD));
    m_displayState = 1;
    GetDlgItem(kState)->Invalidate();
    GotoDlgCtrl(GetDlgItem(IDOK));
  });
}

void CRecordDlg::OnPause() {
  Guarded([&] {
    m_paused = !m_paused;
    if (m_paused) {
      m_writing = false;
      m_timerRunning = false;
      if (!KillTimer(kClockTimer)) {
        StopEverything();
        RecorderMessage(IDS_TIMER_NOT_STOPPED, MB_OK | MB_ICONEXCLAMATION);
        return;
      }
      SetDlgItemText(kPause, LoadText(IDS_RESUME));
      m_displayState = 2;
    } else {
      m_writing = true;
      if (!StartClock()) return;
      SetDlgItemText(kPause, LoadText(IDS_PAUSE));
      m_displayState = 1;
    }
    GetDlgItem(kState)->Invalidate();
  });
}

void CRecordDlg::OnReset() {
  m_headroom[0] = m_headroom[1] = 100;
  SetDlgItemText(kHeadroom, "100% / 100%");
}

void CRecordDlg::OnTimer(UINT_PTR id) {
  if (id != kClockTimer || m_format.nAvgBytesPerSec == 0) return;
  unsigned seconds = m_bytesWritten / m_format.nAvgBytesPerSec;
  CString text;
  text.Format("%02u:%02u", seconds / 60, seconds % 60);
  SetDlgItemText(kElapsed, text);
}

void CRecordDlg::ShowHeadroom(int leftPercent, int rightPercent) {
  bool changed = false;
  for (int channel = 0; channel < 2; ++channel) {
    int left = 100 - (channel == 0 ? leftPercent : rightPercent);
    if (left < m_headroom[channel]) {
      m_headroom[channel] = left;
      changed = true;
    }
  }
  if (!changed) return;
  CString text;
  text.Format("%d%% / %d%%", m_headroom[0], m_headroom[1]);
  SetDlgItemText(kHeadroom, text);
}

void CRecordDlg::WatchSilence(DWORD recordedBytes, bool loud) {
  if (!m_writing || m_autoStart == 0) return;
  if (loud)
    m_silentBytes = 0;
  else
    m_silentBytes += recordedBytes;
  if (m_silentBytes > m_silenceLimit) OnOK();
}

LRESULT CRecordDlg::OnBufferDone(WPARAM, LPARAM) {
  if (m_stopping || m_hWaveIn == nullptr) return 0;
  Guarded([&] {
    for (const CCaptureQueue::Chunk& chunk : m_captured.Drain())
      if (!TakeChunk(chunk)) return;
  });
  return 0;
}

bool CRecordDlg::TakeChunk(const CCaptureQueue::Chunk& chunk) {
  if (m_writing && !AppendBuffer(chunk)) {
    FailWrite();
    return false;
  }
  tBufferLevels levels = MeasureBuffer(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), m_format.nChannels);
  int left = MeterPercentOf(levels.peakDb[0]), right = MeterPercentOf(levels.peakDb[1]);
  m_meter.SetLevels(left, right);
  ShowHeadroom(left, right);
  const bool loud = levels.meanDb[0] > m_triggerDb || levels.meanDb[1] > m_triggerDb;
  if (m_armed && !m_writing && loud) {
    m_armed = false;
    OnRecord();
    // The chunk that crossed the trigger is the take's first.
    if (m_writing && !AppendBuffer(chunk)) {
      FailWrite();
      return false;
    }
  }
  if (m_stopping) return false;
  WatchSilence(static_cast<DWORD>(chunk.size()), loud);
  return !m_stopping;
}

void CRecordDlg::OnOK() {
  Guarded([&] {
    StopClock();
    StopDevice();
    if (!CloseWaveFile()) {
      EndDialog(IDCANCEL);
      RecorderMessage(IDS_COPY_FAILED, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    DWORD perMillisecond = m_format.nAvgBytesPerSec / 1000;
    m_recordedLength.Format("%ld", perMillisecond > 0 ? static_cast<long>(m_bytesWritten / perMillisecond) : 0L);
    m_autoStart = IsDlgButtonChecked(kAutoStart) == BST_CHECKED ? 1 : 0;
    m_triggerDb = ReadTriggerLevel();
    EndDialog(IDOK);
  });
}

void CRecordDlg::OnCancel() {
  StopClock();
  StopDevice();
  CloseWaveFile();
  EndDialog(IDCANCEL);
}

HBRUSH CRecordDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  if (wnd != nullptr && wnd->GetDlgCtrlID() == static_cast<int>(kState)) {
    dc->SetBkMode(TRANSPARENT);
    if (m_displayState == 1) return m_red;
    if (m_displayState == 2) return m_yellow;
    return m_green;
  }
  return CDialog::OnCtlColor(dc, wnd, kind);
}

void CRecordDlg::OnDestroy() {
  StopClock();
  StopDevice();
  if (m_hWaveIn != nullptr) {
    if (m_prepared)
      for (auto& header : m_headers) waveInUnprepareHeader(m_hWaveIn, &header, sizeof(WAVEHDR));
    waveInClose(m_hWaveIn);
    m_hWaveIn = nullptr;
  }
  m_prepared = false;
  CloseWaveFile();
  CDialog::OnDestroy();
}
