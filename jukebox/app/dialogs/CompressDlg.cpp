#include "jukebox/app/dialogs/CompressDlg.h"

#include <ctime>

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "platform/core/File.h"
#include "platform/core/FileApi.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageBox.h"
#include "recorder/capture/Mp3Compressor.h"
#include "recorder/capture/WorkerReport.h"

namespace {
constexpr UINT kRateLabelText = 61308, kSongObjectError = 61359, kCountError = 61378, kNoTimer = 61206, kToCompress = 61280,
               kCompressing = 61283, kNoFinalName = 61416, kMoveFailed = 61285,
               kComplete = 61287, kCompressionRate = 61414, kThreadsTimedOut = 61235;
constexpr const char* kSource = "CompressDialog";
constexpr DWORD kWorkerWaitMs = 15000;
constexpr int kNoTrackNumber = 0;  // an ID3 v1.1 track byte of 0

// The wait cursor for the length of a scope.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

const char* QualityWord(int bitRate) {
  switch (bitRate) {
    case 128000: return "Near CD Quality";
    case 320000: return "Archival Quality";
    default: return "Studio Quality";
  }
}

ULONGLONG FileSize(const CString& path) {
  CFileStatus status;
  return CFile::GetStatus(path, status) ? status.m_size : 0;
}
}  // namespace

BEGIN_MESSAGE_MAP(CCompressDlg, CDialog)
  ON_BN_CLICKED(CCompressDlg::kCompress, OnCompress)
  ON_WM_TIMER()
  ON_WM_HSCROLL()
  ON_MESSAGE(WM_COMPRESS_COMPLETE, OnComplete)
  ON_MESSAGE(WM_CAPTURE_WORKER_ERROR, OnWorkerError)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CCompressDlg::CCompressDlg(tQHDb* database, tStorage* storage, CWnd* parent)
    : CDialog(IDD, parent), m_database(database), m_storage(storage) {}

CCompressDlg::~CCompressDlg() = default;

int CCompressDlg::PositionOfBitRate(int bitRate) {
  switch (bitRate) {
    case 128000: return 1;
    case 320000: return 3;
    default: return 2;
  }
}

int CCompressDlg::BitRateOfPosition(int position) {
  switch (position) {
    case 1: return 128000;
    case 3: return 320000;
    default: return 256000;
  }
}

double CCompressDlg::LengthSeconds(const CString& length) {
  if (length.GetLength() < 9) return 0;
  auto number = [&](int start, int count) { return std::atoi(length.Mid(start, count).GetString()); };
  return number(0, 2) * 60.0 + number(3, 2) + number(6, 3) / 1000.0;
}

void CCompressDlg::LogError(const CString& text, bool showBox) {
  CJukeboxServices* services = JukeboxServices();
  if (services == nullptr) return;
  if (showBox)
    services->LogEvent("E", kSource, text);
  else
    services->WriteErrorLog("E", kSource, text);
}

BOOL CCompressDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const int attached = m_song.Attach(m_database, m_storage);
  if (attached != 0) LogError(jukebox::FormatText(kSongObjectError, attached), false);

  auto* slider = static_cast<CSliderCtrl*>(GetDlgItem(kSlider));
  slider->SetRange(1, 3);
  if (m_bitRate != 128000 && m_bitRate != 256000 && m_bitRate != 320000) m_bitRate = 256000;
  slider->SetPos(PositionOfBitRate(m_bitRate));
  ShowRateLabel(m_bitRate);

  {
    WaitCursor wait;
    m_count = m_database != nullptr ? m_database->OpenUncompressedSongs() : -1;
    m_songsOpen = m_database != nullptr;
  }
  if (m_count < 0) {
    LogError(jukebox::FormatText(kCountError, static_cast<long>(m_count)), false);
    m_count = 0;
  }
  StartWorker();
  SetDlgItemText(kCounts, jukebox::FormatText(kToCompress, static_cast<long>(m_count)));
  static_cast<CProgressCtrl*>(GetDlgItem(kSongProgress))->SetRange32(0, m_count);
  static_cast<CProgressCtrl*>(GetDlgItem(kFileProgress))->SetRange32(0, 100);
  if (m_count == 0) GetDlgItem(kCompress)->EnableWindow(FALSE);
  return TRUE;
}

bool CCompressDlg::StartWorker() {
  m_worker = new CMp3Compressor(m_hWnd);
  if (!m_worker->CreateThread(CREATE_SUSPENDED) || !m_worker->SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL) ||
      m_worker->ResumeThread() == static_cast<DWORD>(-1)) {
    LogError("The MP3 compressor could not be started.", true);
    delete m_worker;
    m_worker = nullptr;
    m_workerStarted = FALSE;
    return false;
  }
  m_workerStarted = TRUE;
  return true;
}

bool CCompressDlg::EndWorker() {
  if (m_worker == nullptr) return true;
  m_worker->Stop();
  if (m_workerStarted && WaitForSingleObject(m_worker->m_hThread, kWorkerWaitMs) != WAIT_OBJECT_0) {
    // The thread may still touch the object: it is left alone rather than freed under it.
    LogError(jukebox::LoadText(kThreadsTimedOut), true);
    m_worker = nullptr;
    return false;
  }
  delete m_worker;
  m_worker = nullptr;
  m_workerStarted = FALSE;
  return true;
}

void CCompressDlg::ShowRateLabel(int bitRate) {
  SetDlgItemText(kRateLabel, jukebox::FormatText(kRateLabelText, bitRate / 1000, QualityWord(bitRate)));
}

void CCompressDlg::OnHScroll(UINT, UINT, CScrollBar*) {
  ShowRateLabel(BitRateOfPosition(static_cast<CSliderCtrl*>(GetDlgItem(kSlider))->GetPos()));
}

void CCompressDlg::OnCompress() {
  {
    WaitCursor wait;
    const int position = static_cast<CSliderCtrl*>(GetDlgItem(kSlider))->GetPos();
    GetDlgItem(kCompress)->EnableWindow(FALSE);
    GetDlgItem(kSlider)->EnableWindow(FALSE);
    m_audioSeconds = 0;
    m_bitRate = BitRateOfPosition(position);
  }
  if (SetTimer(kTimer, 1000) == 0) {
    LogError(jukebox::LoadText(kNoTimer), true);
    EndDialog(IDCANCEL);
    return;
  }
  m_timerRunning = true;
  m_startTime = std::time(nullptr);
  m_ordinal = 0;
  StartNextSong();
}

void CCompressDlg::StartNextSong() {
  while (true) {
    m_song.Clear();
    if (m_database == nullptr || m_database->NextUncompressedSong(&m_song) <= 0) break;
    if (m_ordinal == 0) m_ordinal = 1;
    if (StartSong()) return;
  }
  m_songId = -1;
  PostMessage(WM_COMPRESS_COMPLETE);
}

bool CCompressDlg::StartSong() {
  static_cast<CProgressCtrl*>(GetDlgItem(kSongProgress))->SetPos(m_ordinal);
  SetDlgItemText(kCounts, jukebox::FormatText(kCompressing, static_cast<long>(m_ordinal), static_cast<long>(m_count)));
  m_songId = m_song.SongID;
  CString text;
  text.Format("%s - %s (%ld)", m_song.SongName.GetString(), m_song.SongArtist.GetString(), static_cast<long>(m_songId));
  SetDlgItemText(kSongText, text);
  m_audioSeconds += LengthSeconds(m_song.SongLength);

  m_sourcePath = m_song.GetMediaFileName();
  m_song.SetSongCompression('R');
  m_tempPath = m_song.GetTempFileName();
  m_finalPath = m_song.GetMp3FileName();
  // The jukebox's tag texts end with its product word where the recorder gives the CD track; a word is
  // no track number, so the tag's track byte says "none" rather than the song's CD track.
  const BOOL accepted =
      m_worker != nullptr &&
      m_worker->AddJob(m_sourcePath, m_tempPath, m_song.SongName, m_song.SongArtist, m_song.SongAlbumName,
                       m_song.SongDate, m_song.SongComments, kNoTrackNumber,
                       m_song.GetPrimaryGenreIndex(), static_cast<DWORD>(m_bitRate));
  if (accepted) {
    ++m_ordinal;
    return true;
  }
  CString reason;
  reason.Format("The MP3 compressor did not take song %ld; it stays uncompressed.", static_cast<long>(m_songId));
  LogError(reason, false);
  m_songId = 0;
  ++m_ordinal;
  return false;
}

void CCompressDlg::OnTimer(UINT_PTR id) {
  if (id != kTimer || m_inTimer || m_worker == nullptr) return;
  m_inTimer = true;
  int done = 0;
  const int percent = m_worker->IsBusy(&done);
  static_cast<CProgressCtrl*>(GetDlgItem(kFileProgress))->SetPos(percent);
  if (m_status.IsEmpty()) {
    m_status = m_worker->GetStatus();
    SetDlgItemText(kWorkerStatus, m_status);
  }
  const int error = m_worker->GetErrorCode();
  if (done == 1 || error != 0) {
    // Boxes shown from here run their own message loop: the timer stays off meanwhile.
    KillTimer(kTimer);
    m_timerRunning = false;
    if (error != 0) {
      CString reason;
      reason.Format("Song %ld could not be compressed (error %d); it stays uncompressed.", static_cast<long>(m_songId),
                    error);
      AbandonSong(reason);
    } else {
      FinishSong();
    }
    static_cast<CProgressCtrl*>(GetDlgItem(kFileProgress))->SetPos(0);
    if (GetSafeHwnd() != nullptr) {
      m_timerRunning = SetTimer(kTimer, 1000) != 0;
      StartNextSong();
    }
  }
  m_inTimer = false;
}

void CCompressDlg::FinishSong() {
  if (m_finalPath.IsEmpty()) {
    AfxMessageBox(jukebox::FormatText(kNoFinalName, static_cast<long>(m_ordinal)), MB_OK | MB_ICONSTOP);
    DeleteTemporaryMp3();
    return;
  }
  if (FileSize(m_tempPath) == 0) {
    AbandonSong("The MP3 compressor left no sound for this song; it stays uncompressed.");
    return;
  }
  const BOOL moved = MoveFile(m_tempPath, m_finalPath);
  if (!moved) DeleteTemporaryMp3();
  if (!moved || !SetFileAttributes(m_sourcePath, FILE_ATTRIBUTE_NORMAL) || !DeleteFile(m_sourcePath)) {
    AfxMessageBox(jukebox::LoadText(kMoveFailed), MB_OK | MB_ICONSTOP);
    return;
  }
  if (m_song.Update() == 1) ++m_compressed;
}

void CCompressDlg::AbandonSong(const CString& reason) {
  DeleteTemporaryMp3();
  LogError(reason, false);
  // A worker that failed has ended its thread: the next song gets a new one.
  if (m_worker != nullptr && m_worker->GetErrorCode() != 0 && EndWorker()) StartWorker();
}

void CCompressDlg::DeleteTemporaryMp3() {
  if (!m_tempPath.IsEmpty()) DeleteFile(m_tempPath);
}

LRESULT CCompressDlg::OnWorkerError(WPARAM, LPARAM text) {
  m_workerError = TakeWorkerErrorText(text);
  LogError(m_workerError, false);
  return 0;
}

LRESULT CCompressDlg::OnComplete(WPARAM, LPARAM) {
  KillTimer(kTimer);
  m_timerRunning = false;
  if (m_songsOpen && m_database != nullptr) m_database->CloseUncompressedSongs();
  m_songsOpen = false;
  time_t elapsed = std::time(nullptr) - m_startTime;
  if (elapsed < 1) elapsed = 1;  // a run under a second rates against one second
  SetDlgItemText(kCounts, jukebox::FormatText(kComplete, static_cast<long>(m_compressed)));
  SetDlgItemText(kSongText, jukebox::FormatText(kCompressionRate, m_audioSeconds / static_cast<double>(elapsed)));
  SetDlgItemText(IDCANCEL, "&Close");
  return 0;
}

void CCompressDlg::OnDestroy() {
  if (m_worker != nullptr) m_worker->Stop();
  KillTimer(kTimer);
  m_timerRunning = false;
  if (m_songsOpen && m_database != nullptr) m_database->CloseUncompressedSongs();
  m_songsOpen = false;
  EndWorker();
  if (m_songId > 0) DeleteTemporaryMp3();
  CDialog::OnDestroy();
}
