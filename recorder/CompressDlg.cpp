#include "recorder/CompressDlg.h"

#include <ctime>
#include <functional>
#include <new>

#include "dblib/DaoErrorReport.h"
#include "dblib/QHDb.h"
#include "platform/core/Exception.h"
#include "platform/core/FileApi.h"
#include "platform/dao/DaoException.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/capture/AcmThread.h"
#include "recorder/capture/Mp3Compressor.h"
#include "recorder/capture/WorkerReport.h"

namespace {
constexpr UINT kSlider = 1071, kCompressors = 1097, kSongsBar = 1098, kSongBar = 1099, kGo = 1100;
constexpr UINT kCountText = 1101, kSongText = 1102, kBitrateText = 1103, kGenreText = 1224, kWorkerText = 1280;
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMilliseconds = 1000;
constexpr UINT WM_COMPRESS_DONE = 0x465;
constexpr DWORD kThreadWaitMilliseconds = 15000;
constexpr WORD kAdpcmTag = 2, kMp3Tag = 0x55;
constexpr int kEncoderMissing = 21, kEncoderBroken = 22;

struct BitrateStep {
  DWORD bitrate;
  const char* quality;
};
constexpr BitrateStep kBitrates[] = {
    {128000, "Near CD Quality"}, {192000, "CD Quality"}, {256000, "Studio Quality"}, {320000, "Archival Quality"}};
constexpr DWORD kDefaultBitrate = 256000;

long Now() { return static_cast<long>(std::time(nullptr)); }

// The codes the dialog raises itself when its worker cannot be started.
enum : int { kThreadNotCreated = 1, kPriorityNotSet = 2, kThreadNotResumed = 3, kNoCompressor = 4 };
}  // namespace

BEGIN_MESSAGE_MAP(CCompressDlg, CDialog)
  ON_BN_CLICKED(1100, OnGo)
  ON_WM_TIMER()
  ON_WM_HSCROLL()
  ON_WM_DESTROY()
  ON_MESSAGE(0x465, OnCompressDone)
  ON_MESSAGE(WM_CAPTURE_WORKER_ERROR, OnWorkerError)
END_MESSAGE_MAP()

CCompressDlg::CCompressDlg(tQHDb* db, tStorage* storage, CWnd* parent)
    : CDialog(IDD_COMPRESS, parent), m_pDb(db), m_pStorage(storage) {}

CCompressDlg::~CCompressDlg() = default;

double CCompressDlg::PlayTimeOf(const CString& songLength) {
  if (songLength.GetLength() < 9) return 0.0;
  const char* text = songLength.GetString();
  auto number = [&](int start, int digits) {
    int value = 0;
    for (int i = start; i < start + digits; ++i) value = value * 10 + (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : 0);
    return value;
  };
  return number(0, 2) * 60.0 + number(3, 2) + number(6, 3) * 0.001;
}

int CCompressDlg::SliderPositionOf(DWORD bitrate) {
  for (int i = 0; i < 4; ++i)
    if (kBitrates[i].bitrate == bitrate) return i + 1;
  return 0;
}

DWORD CCompressDlg::BitrateOfPosition(int position) {
  return position >= 1 && position <= 4 ? kBitrates[position - 1].bitrate : kDefaultBitrate;
}

void CCompressDlg::Guarded(UINT integerCodeText, const std::function<void()>& work) {
  bool ran = RunRecorderGuarded([&] {
    try {
      work();
    } catch (int code) {
      if (integerCodeText == IDS_ENCODER_BROKEN && (code == kEncoderMissing || code == kEncoderBroken))
        AfxMessageBox(LoadText(IDS_ENCODER_BROKEN), MB_OK | MB_ICONSTOP);
      else
        AfxMessageBox(LoadFormatted(IDS_COMPRESSOR_ERROR, code), MB_OK | MB_ICONSTOP);
      throw;
    }
  });
  if (!ran) EndDialog(IDCANCEL);
}

BOOL CCompressDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Guarded(IDS_COMPRESSOR_ERROR, [&] {
    m_song.Attach(m_pDb, m_pStorage);
    m_bitrate = AfxGetApp()->GetProfileInt("Recorder", "Mp3Bitrate", static_cast<int>(kDefaultBitrate));
    if (SliderPositionOf(m_bitrate) == 0) m_bitrate = kDefaultBitrate;
    auto* slider = static_cast<CSliderCtrl*>(GetDlgItem(kSlider));
    slider->SetRange(1, 4, TRUE);
    slider->SetPos(SliderPositionOf(m_bitrate));
    ShowBitrate();
    {
      CRecorderWaitCursor wait;
      m_songCount = m_pDb->OpenUncompressedSongs();
      if (m_songCount == -3) m_songCount = 0;
      // The count is also the bar's range: a failed selection counts no song rather than a negative one.
      if (m_songCount < 0) m_songCount = 0;
    }
    FillCompressors();
    SetDlgItemText(kCountText, LoadFormatted(IDS_SONGS_TO_COMPRESS, static_cast<long>(m_songCount)));
    static_cast<CProgressCtrl*>(GetDlgItem(kSongsBar))->SetRange32(0, m_songCount);
    static_cast<CProgressCtrl*>(GetDlgItem(kSongBar))->SetRange32(0, 100);
    if (m_songCount < 1) GetDlgItem(kGo)->EnableWindow(FALSE);
  });
  return TRUE;
}

void CCompressDlg::ShowBitrate() {
  int position = SliderPositionOf(m_bitrate);
  SetDlgItemText(kBitrateText, LoadFormatted(IDS_MP3_BITRATE, static_cast<int>(m_bitrate / 1000),
                                             kBitrates[(position > 0 ? position : 3) - 1].quality));
}

void CCompressDlg::FillCompressors() {
  auto* combo = static_cast<CComboBox*>(GetDlgItem(kCompressors));
  combo->ResetContent();
  int entries = 0;
  if (CAcmThread::FindAcmCodec(kAdpcmTag) != nullptr) {
    combo->AddString(LoadText(IDS_ADPCM));
    m_formatTags[entries++] = kAdpcmTag;
  }
  combo->AddString(LoadText(IDS_MP3));
  m_formatTags[entries++] = kMp3Tag;
  combo->SetCurSel(entries - 1);
}

void CCompressDlg::OnGo() {
  Guarded(IDS_ENCODER_BROKEN, [&] {
    m_totalPlayTime = 0;
    m_bitrate = BitrateOfPosition(static_cast<CSliderCtrl*>(GetDlgItem(kSlider))->GetPos());
    GetDlgItem(kSlider)->EnableWindow(FALSE);
    GetDlgItem(kGo)->EnableWindow(FALSE);
    GetDlgItem(kCompressors)->EnableWindow(FALSE);
    CRecorderWaitCursor wait;
    if (SetTimer(kPollTimer, kPollMilliseconds) == 0) {
      EndDialog(IDCANCEL);
      AfxMessageBox(LoadText(IDS_NO_TIMER), MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    m_timerRunning = true;
    auto* combo = static_cast<CComboBox*>(GetDlgItem(kCompressors));
    m_selectedIndex = combo->GetCurSel();
    m_compressionCode = 0;
    if (m_selectedIndex == 0 || m_selectedIndex == 1) {
      CString entry;
      combo->GetLBText(m_selectedIndex, entry);
      if (entry.Left(1) == "A") m_compressionCode = 'A';
      if (entry.Left(1) == "M") m_compressionCode = 'R';
    }
    StartWorker();
    m_songNumber = 1;
    if (m_songCount > 0) LoadNextSong();
  });
}

void CCompressDlg::StartWorker() {
  CCompressionWorker* worker = nullptr;
  if (m_compressionCode == 'A') {
    m_acmWorker = std::make_unique<CAcmThread>(GetSafeHwnd());
    worker = m_acmWorker.get();
  } else if (m_compressionCode == 'R') {
    m_mp3Worker = std::make_unique<CMp3Compressor>(GetSafeHwnd(), m_encoderModule.GetString());
    worker = m_mp3Worker.get();
  } else {
    throw static_cast<int>(kNoCompressor);
  }
  if (!worker->CreateThread(CREATE_SUSPENDED)) throw static_cast<int>(kThreadNotCreated);
  if (!worker->SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL)) throw static_cast<int>(kPriorityNotSet);
  DWORD previous = worker->ResumeThread();
  m_workerStarted = true;
  if (previous == static_cast<DWORD>(-1) || previous >= 2) throw static_cast<int>(kThreadNotResumed);
  m_startTime = Now();
}

CCompressionWorker* CCompressDlg::Worker() const {
  if (m_compressionCode == 'A') return m_acmWorker.get();
  if (m_compressionCode == 'R') return m_mp3Worker.get();
  return nullptr;
}

void CCompressDlg::StartNextSong() {
  static_cast<CProgressCtrl*>(GetDlgItem(kSongsBar))->SetPos(m_songNumber);
  SetDlgItemText(kCountText,
                 LoadFormatted(IDS_COMPRESSING_SONG, static_cast<long>(m_songNumber), static_cast<long>(m_songCount)));
  CString songText;
  songText.Format("%ld (%s - %s)", static_cast<long>(m_song.SongID), m_song.SongName.GetString(),
                  m_song.SongArtist.GetString());
  SetDlgItemText(kSongText, songText);
  m_currentSongId = m_song.SongID;
  m_pendingReason.Empty();
  m_totalPlayTime += PlayTimeOf(m_song.SongLength);
  CString genreText;
  genreText.Format("Genre: %s", m_song.SongPrimaryGenre.GetString());
  SetDlgItemText(kGenreText, genreText);
  UpdateWindow();
  WORD tag = m_selectedIndex >= 0 && m_selectedIndex < 2 ? m_formatTags[m_selectedIndex] : kMp3Tag;
  if (CompressNextSong(tag)) ++m_songNumber;
}

bool CCompressDlg::SourceIsReadable() {
  m_sourcePath = m_song.GetMediaFileName();
  CString reason;
  if (m_sourcePath.IsEmpty()) {
    reason = "its storage volume is not available";
  } else if (GetFileAttributes(m_sourcePath) == INVALID_FILE_ATTRIBUTES) {
    reason.Format("its file %s was not found", m_sourcePath.GetString());
  } else {
    return true;
  }
  SkipSong(reason);
  return false;
}

void CCompressDlg::SkipSong(const CString& reason) {
  CString song;
  song.Format("%s - %s", m_song.SongName.GetString(), m_song.SongArtist.GetString());
  m_skipped.push_back({m_song.SongID, song, reason});
}

BOOL CCompressDlg::CompressNextSong(WORD formatTag) {
  if (m_compressionCode == 'R') m_song.SetSongCompression('R');
  m_targetPath = m_song.GetTempFileName();
  if (m_compressionCode == 'R') {
    m_mp3Path = m_song.GetMp3FileName();
    return m_mp3Worker->AddJob(m_sourcePath, m_targetPath, m_song.SongName, m_song.SongArtist, m_song.SongAlbumName,
                               m_song.SongDate, m_song.SongComments, static_cast<int>(m_song.SongCdTrack),
                               m_song.GetPrimaryGenreIndex(), m_bitrate);
  }
  return m_acmWorker->AddJob(m_sourcePath, m_targetPath, WAVE_FORMAT_PCM, formatTag, m_song.SongName,
                             m_song.SongArtist, LoadText(IDS_SOFTWARE_NAME));
}

void CCompressDlg::OnTimer(UINT_PTR id) {
  Guarded(IDS_ENCODER_BROKEN, [&] {
    CCompressionWorker* worker = Worker();
    if (worker == nullptr || !m_timerRunning) return;
    int done = 0;
    int percent = worker->IsBusy(&done);
    if (m_statusShown.IsEmpty()) {
      m_statusShown = worker->GetStatus();
      SetDlgItemText(kWorkerText, m_statusShown);
    }
    static_cast<CProgressCtrl*>(GetDlgItem(kSongBar))->SetPos(percent);
    if (done == 0) {
      const int error = worker->GetErrorCode();
      if (error == 0 || m_failed) return;
      // Without an encoder no song can be compressed: the run ends. Any other failure is this song's.
      if (error == kEncoderMissing || error == kEncoderBroken) return EndAfterWorkerFailure();
      DeleteWorkFile();
      CString reason = m_pendingReason;
      if (reason.IsEmpty()) reason.Format("the compressor stopped with error %d", error);
      m_pendingReason.Empty();
      SkipSong(reason);
      static_cast<CProgressCtrl*>(GetDlgItem(kSongBar))->SetPos(0);
      RestartWorker();
      LoadNextSong();
      return;
    }
    m_song.SetSongCompression(m_compressionCode);
    if (ReplaceSourceFile()) ++m_compressedCount;
    static_cast<CProgressCtrl*>(GetDlgItem(kSongBar))->SetPos(0);
    LoadNextSong();
  });
  CDialog::OnTimer(id);
}

void CCompressDlg::RestartWorker() {
  // The failed worker's thread has ended or is ending: its error report is posted before it does.
  ReleaseWorkers();
  m_workerStarted = false;
  m_statusShown.Empty();
  const long start = m_startTime;
  StartWorker();
  m_startTime = start;
}

bool CCompressDlg::ReplaceSourceFile() {
  bool ok = true;
  auto fail = [&] {
    AfxMessageBox(LoadText(IDS_SOURCE_NOT_REPLACED), MB_OK | MB_ICONSTOP);
    ok = false;
  };
  // The row is written while the old file is still there to go back to: a row that cannot be written
  // leaves the song as it was, never a row naming a file that is gone.
  auto writeRow = [&] {
    if (m_song.Update() == 1) return true;
    m_song.SetSongCompression(' ');
    SkipSong("its row in the song database could not be written");
    ok = false;
    return false;
  };
  SetFileAttributes(m_sourcePath, FILE_ATTRIBUTE_NORMAL);
  if (m_compressionCode == 'R') {
    // The MP3 goes in place and the row names it before the WAV goes; a WAV that cannot go takes the
    // row and the MP3 back with it: the song keeps exactly one file, the one its row names.
    DeleteFile(m_mp3Path);
    if (!MoveFile(m_targetPath, m_mp3Path)) {
      fail();
    } else if (!writeRow()) {
      DeleteFile(m_mp3Path);
    } else if (!DeleteFile(m_sourcePath)) {
      m_song.SetSongCompression(' ');
      // When even the way back cannot be written, the row names the MP3, which stays.
      if (m_song.Update() == 1) DeleteFile(m_mp3Path);
      fail();
    }
  } else {
    // The converted file takes the source's own name: the source steps aside first and comes back
    // when the new file cannot take its place or the row cannot be written.
    CString aside = m_sourcePath + ".old";
    DeleteFile(aside);
    if (!MoveFile(m_sourcePath, aside)) {
      fail();
    } else if (!MoveFile(m_targetPath, m_sourcePath)) {
      MoveFile(aside, m_sourcePath);
      fail();
    } else if (!writeRow()) {
      DeleteFile(m_sourcePath);
      MoveFile(aside, m_sourcePath);
    } else {
      DeleteFile(aside);
    }
  }
  if (!ok) DeleteFile(m_targetPath);
  m_targetPath.Empty();
  return ok;
}

void CCompressDlg::LoadNextSong() {
  for (;;) {
    m_song.Clear();
    if (m_pDb->NextUncompressedSong(&m_song) <= 0) break;
    if (!SourceIsReadable()) {
      ++m_songNumber;
      continue;
    }
    StartNextSong();
    return;
  }
  m_currentSongId = -1;
  PostMessage(WM_COMPRESS_DONE);
}

void CCompressDlg::EndAfterWorkerFailure() {
  if (m_failed) return;
  m_failed = true;
  if (m_timerRunning) KillTimer(kPollTimer);
  m_timerRunning = false;
  m_pDb->CloseUncompressedSongs();
  DeleteWorkFile();
  m_currentSongId = -1;
  SetDlgItemText(kGenreText, "");
  SetDlgItemText(IDCANCEL, "C&lose");
}

LRESULT CCompressDlg::OnWorkerError(WPARAM code, LPARAM text) {
  CString message = TakeWorkerErrorText(text);
  const int error = static_cast<int>(code);
  if (error != kEncoderMissing && error != kEncoderBroken) {
    // One song's failure: its reason joins the song the timer skipped (or is about to skip).
    if (!m_skipped.empty() && m_skipped.back().reason.Find("the compressor stopped with error") == 0)
      m_skipped.back().reason = message;
    else if (m_currentSongId >= 0)
      m_pendingReason = message;
    return 0;
  }
  EndAfterWorkerFailure();
  AfxMessageBox(message, MB_OK | MB_ICONSTOP);
  return 0;
}

void CCompressDlg::ShowSkippedSongs() {
  if (m_skipped.empty()) return;
  CString text;
  text.Format("%ld songs were not compressed and stay as they were:", static_cast<long>(m_skipped.size()));
  for (const Skipped& skipped : m_skipped)
    text.AppendFormat("\nSong %ld (%s): %s.", static_cast<long>(skipped.songId), skipped.song.GetString(),
                      skipped.reason.GetString());
  AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CCompressDlg::OnCompressDone(WPARAM, LPARAM) {
  Guarded(IDS_COMPRESSOR_ERROR, [&] {
    KillTimer(kPollTimer);
    m_timerRunning = false;
    m_pDb->CloseUncompressedSongs();
    long elapsed = Now() - m_startTime;
    SetDlgItemText(kCountText, LoadFormatted(IDS_COMPRESS_COMPLETE, static_cast<long>(m_compressedCount)));
    // A run inside its first second has no rate to speak of; one second keeps the figure finite.
    SetDlgItemText(kSongText, LoadFormatted(IDS_COMPRESSION_RATE, m_totalPlayTime / (elapsed > 0 ? elapsed : 1)));
    SetDlgItemText(kGenreText, "");
    SetDlgItemText(IDCANCEL, "C&lose");
    ShowSkippedSongs();
  });
  return 0;
}

void CCompressDlg::OnHScroll(UINT code, UINT position, CScrollBar* scrollBar) {
  if (code == TB_ENDTRACK) {
    m_bitrate = BitrateOfPosition(static_cast<CSliderCtrl*>(GetDlgItem(kSlider))->GetPos());
    ShowBitrate();
  }
  CDialog::OnHScroll(code, position, scrollBar);
}

void CCompressDlg::OnCancel() {
  AfxGetApp()->WriteProfileInt("Recorder", "Mp3Bitrate", static_cast<int>(m_bitrate));
  CDialog::OnCancel();
}

void CCompressDlg::ReleaseWorkers() {
  auto finish = [&](auto& worker) {
    if (!worker) return;
    if (m_workerStarted) {
      if (WaitForSingleObject(worker->m_hThread, kThreadWaitMilliseconds) != WAIT_OBJECT_0) {
        AfxMessageBox(LoadText(IDS_THREAD_TIMEOUT), MB_OK | MB_ICONSTOP);
        // The thread may still touch its object: it is left alive rather than freed under it.
        (void)worker.release();
        return;
      }
    }
    worker.reset();
  };
  finish(m_acmWorker);
  finish(m_mp3Worker);
}

void CCompressDlg::DeleteWorkFile() {
  if (!m_targetPath.IsEmpty()) DeleteFile(m_targetPath);
  m_targetPath.Empty();
}

void CCompressDlg::OnDestroy() {
  if (m_acmWorker) m_acmWorker->Stop();
  if (m_mp3Worker) m_mp3Worker->Stop();
  if (m_timerRunning) KillTimer(kPollTimer);
  m_timerRunning = false;
  m_pDb->CloseUncompressedSongs();
  ReleaseWorkers();
  // The work file of an unfinished song is left over only after the worker has let go of it.
  if (m_currentSongId >= 0) DeleteWorkFile();
  CDialog::OnDestroy();
}
