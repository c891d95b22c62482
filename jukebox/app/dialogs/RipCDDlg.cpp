#include "jukebox/app/dialogs/RipCDDlg.h"

#include <cstring>
#include <new>

#include "jukebox/app/JukeboxIds.h"
#include "platform/cd/CdExtractionControl.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"
#include "recorder/capture/AlbumDialogs.h"

namespace {
constexpr UINT kMciError = 61216, kOutOfMemory = 61217, kNoTimer = 61206, kSendFailed = 61251, kNotRecognised = 61252,
               kRipping = 61258, kStoppedEarly = 61263, kInsertCd = 61265, kNoDigitalAudio = 61266,
               kAspiError = 61267, kAspiManager = 61268, kDriveInUse = 61269, kExtractionError = 61270,
               kNoDrive = 61272, kCaption = 61273, kAlbumRecorded = 61276, kRipStarted = 61279;
constexpr const char* kNoMatchStatus = "Could not get CD information";
constexpr const char* kUnknownArtist = "Unkown Artist";  // spelled so where the jukebox always wrote it

void ShowStop(UINT id) { AfxMessageBox(jukebox::LoadText(id), MB_OK | MB_ICONSTOP); }
}  // namespace

BEGIN_MESSAGE_MAP(CRipCDDlg, CDialog)
  ON_WM_TIMER()
  ON_BN_CLICKED(CRipCDDlg::kSelectAll, OnSelectAll)
  ON_BN_CLICKED(CRipCDDlg::kClearAll, OnClearAll)
  ON_LBN_SELCHANGE(CRipCDDlg::kTracks, OnSelectionChange)
  ON_BN_CLICKED(CRipCDDlg::kVersion, OnVersion)
  ON_BN_CLICKED(CRipCDDlg::kRip, OnRip)
  ON_MESSAGE(WM_CDDB_CONNECTED, OnConnected)
  ON_MESSAGE(WM_CDDB_REPLY, OnReply)
  ON_MESSAGE(WM_RIP_NEXT_TRACK, OnNextTrack)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CRipCDDlg::CRipCDDlg(tQHDb* songDb, tStorage* storage, tQHFRDb* albumDb, CWnd* parent)
    : CDialog(IDD, parent), m_songDb(songDb), m_storage(storage), m_albumDb(albumDb) {
  RegisterCdExtractionControlClass();
  RegisterCaptureDialogs();
}

CRipCDDlg::~CRipCDDlg() {
  if (m_versionBitmap != nullptr) DeleteObject(m_versionBitmap);
}

int CRipCDDlg::ModeClass(const CString& mode) {
  if (mode == "init" || mode == "not ready" || mode == "open") return 1;
  if (mode == "paused") return 2;
  if (mode == "playing") return 3;
  if (mode == "seeking") return 4;
  if (mode == "stopped") return 5;
  return 0;
}

void CRipCDDlg::EndWith(int result) {
  KillTimer(kTimer);
  StopDrive();
  EndDialog(result);
}

void CRipCDDlg::StopDrive() {
  if (m_mci.GetDeviceID() == 0) return;
  m_mci.Stop(0);
  m_mci.Close(0);
}

void CRipCDDlg::MciError() { SetDlgItemText(kStatus, jukebox::FormatText(kMciError, m_mci.GetErrorText().GetString())); }

bool CRipCDDlg::OpenDrive() {
  m_mci.Refresh();
  const CString letters = m_mci.GetCdDriveLetters();
  if (letters.IsEmpty()) {
    ShowStop(kNoDrive);
    return false;
  }
  m_driveLetter = letters[0];
  m_driveIndex = 0;
  SetWindowText(jukebox::FormatText(kCaption, m_driveLetter));
  if (!m_mci.Open(m_driveLetter)) {
    ShowStop(kNotRecognised);
    return false;
  }
  if (!m_mci.SetTimeFormat(0, "tmsf")) {
    ShowStop(kSendFailed);
    return false;
  }
  return true;
}

BOOL CRipCDDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_versionBitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(kVersionBitmap));
  if (m_versionBitmap != nullptr)
    GetDlgItem(kVersion)->SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_versionBitmap));
  if (!OpenDrive()) {
    EndWith(IDCANCEL);
    return TRUE;
  }
  for (const CString& genre : m_genres) Genres()->AddString(genre);
  if (!m_genres.empty()) Genres()->SetCurSel(0);
  m_extraction.SubclassWindow(::GetDlgItem(m_hWnd, kExtraction));
  m_extraction.SetEventSink([this](DISPID event, LONG value) {
    if (event == qh::cd::CdExtractionControl::kEventTrackDone) PostMessage(WM_RIP_NEXT_TRACK);
    if (event == qh::cd::CdExtractionControl::kEventProgress) {
      m_progress = value;
      static_cast<CProgressCtrl*>(GetDlgItem(kTrackProgress))->SetPos(value);
    }
  });

  m_cddb = std::make_unique<CCddbClient>(*this, !m_cddbServer.IsEmpty(), m_cddbServer, kHelloAddress, m_version,
                                         m_albumDb);
  m_cddb->Setup();
  CString mode;
  if (m_mci.GetStatus("mode", mode, 0) && ModeClass(mode) >= 2) {
    CString identity;
    m_mci.GetIdentity(identity);
    IdentifyDisc(identity);
  }
  if (SetTimer(kTimer, 1000) == 0) {
    ShowStop(kNoTimer);
    EndWith(IDCANCEL);
  }
  return TRUE;
}

void CRipCDDlg::IdentifyDisc(const CString& identity) {
  // Remembered before anything modal runs, so a timer tick meanwhile does not take it for new again.
  m_lastIdentity = identity;
  m_upc.Empty();
  m_mci.GetUpc(m_upc);
  m_noMatch = false;
  SetAlbumArtist(CString(), CString());
  if (!m_genres.empty()) Genres()->SetCurSel(0);
  CString mciError;
  m_cddb->QueryCddb(m_mci.GetDeviceID(), mciError);
  if (!mciError.IsEmpty()) SetDlgItemText(kStatus, jukebox::FormatText(kMciError, mciError.GetString()));
  if (m_cddb->IsActive()) SetDlgItemText(kStatus, "Querying new CD...");
  // The embedded album database first; the CDDB query follows once the connection is ready.
  m_cddb->OnLookupCd(0);
  OnSelectionChange();
  ShowExistingSongs();
}

void CRipCDDlg::ShowExistingSongs() {
  std::vector<CString> lines;
  if (m_cddb->FindExistingSongs(m_songDb, m_storage, lines) <= 0) return;
  CSongsFromAlbumDlg existing(this);
  existing.m_songs = lines;
  existing.DoModal();
}

void CRipCDDlg::ForgetDisc() {
  m_lastIdentity.Empty();
  SetDlgItemText(kStatus, jukebox::LoadText(kInsertCd));
  SetAlbumArtist(CString(), CString());
  if (!m_genres.empty()) Genres()->SetCurSel(0);
  Tracks()->ResetContent();
  OnSelectionChange();
}

void CRipCDDlg::OnTimer(UINT_PTR id) {
  if (id != kTimer || m_inTimer || m_ripping) return;
  m_inTimer = true;
  CString mode;
  if (!m_mci.GetStatus("mode", mode, 0)) MciError();
  const int modeClass = ModeClass(mode);
  if (modeClass <= 1) {
    if (!m_lastIdentity.IsEmpty() || Tracks()->GetCount() > 0) ForgetDisc();
    SetDlgItemText(kStatus, jukebox::LoadText(kInsertCd));
  } else {
    CString identity;
    if (!m_mci.GetIdentity(identity)) MciError();
    if (identity != m_lastIdentity) IdentifyDisc(identity);
  }
  m_inTimer = false;
}

void CRipCDDlg::SetCddbStatus(const CString& text) {
  m_noMatch = text.Left(static_cast<int>(std::strlen(kNoMatchStatus))) == kNoMatchStatus;
  SetDlgItemText(kStatus, text);
}

void CRipCDDlg::ShowCddbWarning(const CString& text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }

void CRipCDDlg::ClearTrackList() {
  Tracks()->ResetContent();
  OnSelectionChange();
}

void CRipCDDlg::AddTrackListEntry(const CString& entry) { Tracks()->AddString(entry); }

void CRipCDDlg::SetAlbumArtist(const CString& album, const CString& artist) {
  if (m_noMatch && album.IsEmpty() && artist.IsEmpty()) {
    // No match: the disc's songs still get an artist and an album that says when it was recorded.
    SetDlgItemText(kArtist, kUnknownArtist);
    const CString when = COleDateTime::GetCurrentTime().Format("%X on %x");
    SetDlgItemText(kAlbum, jukebox::FormatText(kAlbumRecorded, when.GetString()));
    return;
  }
  SetDlgItemText(kArtist, artist);
  SetDlgItemText(kAlbum, album);
}

void CRipCDDlg::SelectGenre(const CString& genre) {
  int entry = 0;
  for (size_t index = 0; index < m_genres.size(); ++index) {
    if (m_genres[index].CompareNoCase(genre) == 0) {
      entry = static_cast<int>(index);
      break;
    }
  }
  if (!m_genres.empty()) Genres()->SetCurSel(entry);
}

int CRipCDDlg::ChooseAlbum(const std::vector<CString>& lines) { return RunChooseAlbum(this, lines); }

void CRipCDDlg::CancelForCddb() { EndWith(IDCANCEL); }

LRESULT CRipCDDlg::OnConnected(WPARAM, LPARAM connection) {
  if (m_cddb) m_cddb->OnLookupCd(connection);
  return 0;
}

LRESULT CRipCDDlg::OnReply(WPARAM, LPARAM result) {
  if (m_cddb) m_cddb->OnHttpReply(result);
  return 0;
}

void CRipCDDlg::OnSelectAll() {
  if (Tracks()->GetCount() > 0) Tracks()->SelItemRange(TRUE, 0, Tracks()->GetCount() - 1);
  OnSelectionChange();
}

void CRipCDDlg::OnClearAll() {
  if (Tracks()->GetCount() > 0) Tracks()->SelItemRange(FALSE, 0, Tracks()->GetCount() - 1);
  OnSelectionChange();
}

void CRipCDDlg::OnSelectionChange() {
  if (m_ripping) return;
  GetDlgItem(kRip)->EnableWindow(Tracks()->GetSelCount() > 0);
}

void CRipCDDlg::OnVersion() {
  if (m_cddb) m_cddb->OnCddbHello();
}

bool CRipCDDlg::PrepareExtraction() {
  int code = m_extraction.DispMethod4(static_cast<SHORT>(m_driveIndex));
  if (code == 0) code = m_extraction.DispMethod34(0);
  if (code == 0) return true;
  switch (code) {
    case qh::cd::CdExtractionControl::kErrorAspiManager: ShowStop(kAspiManager); break;
    case qh::cd::CdExtractionControl::kErrorDriveInUse: ShowStop(kDriveInUse); break;
    case qh::cd::CdExtractionControl::kErrorNoDigitalAudio: ShowStop(kNoDigitalAudio); break;
    case 700: ShowStop(kAspiError); break;
    default: ReportExtractionError(code); break;
  }
  return false;
}

void CRipCDDlg::ReportExtractionError(int code) {
  AfxMessageBox(jukebox::FormatText(kExtractionError, code), MB_OK | MB_ICONSTOP);
}

void CRipCDDlg::OnRip() {
  SetDlgItemText(kStatus, jukebox::LoadText(kRipStarted));
  KillTimer(kTimer);
  if (!m_mci.Stop(0)) MciError();
  if (!m_mci.Close(0)) MciError();
  try {
    if (!PrepareExtraction()) {
      EndWith(IDCANCEL);
      return;
    }
  } catch (const std::bad_alloc&) {
    ShowStop(kOutOfMemory);
    EndWith(IDCANCEL);
    return;
  }
  m_ripping = true;
  m_selectedCount = Tracks()->GetSelCount();
  static_cast<CProgressCtrl*>(GetDlgItem(kTrackProgress))->SetPos(0);
  auto* total = static_cast<CProgressCtrl*>(GetDlgItem(kTotalProgress));
  total->SetRange32(0, m_selectedCount);
  total->SetStep(1);
  total->SetPos(0);
  for (int id : {kRip, kSelectAll, kClearAll}) GetDlgItem(id)->EnableWindow(FALSE);
  m_nextTrack = 0;
  m_progress = 1000;
  PostMessage(WM_RIP_NEXT_TRACK);
}

LRESULT CRipCDDlg::OnNextTrack(WPARAM, LPARAM) {
  try {
    if (!m_rippedFiles.empty() && m_progress < 1000) {
      const unsigned track = m_rippedTracks.back();
      DeleteFile(m_rippedFiles.back());
      m_rippedFiles.pop_back();
      m_rippedTracks.pop_back();
      m_rippedEntries.pop_back();
      AfxMessageBox(jukebox::FormatText(kStoppedEarly, static_cast<int>(track)), MB_OK | MB_ICONEXCLAMATION);
    }
    const int count = Tracks()->GetCount();
    int entry = m_nextTrack;
    while (entry < count && Tracks()->GetSel(entry) <= 0) ++entry;
    if (entry >= count) {
      KeepResults();
      EndDialog(IDOK);
      return 0;
    }
    char fileName[MAX_PATH] = {};
    GetTempFileName(m_workFolder, "QHR", 0, fileName);
    const std::vector<int>& audioTracks = m_cddb->AudioTrackNumbers();
    const SHORT cdTrack = static_cast<SHORT>(entry < static_cast<int>(audioTracks.size()) ? audioTracks[entry] : entry + 1);
    m_extraction.DispMethod16(cdTrack);
    m_extraction.DispMethod17(cdTrack);
    auto* current = static_cast<CProgressCtrl*>(GetDlgItem(kTrackProgress));
    current->SetRange32(0, 1000);
    current->SetPos(0);
    static_cast<CProgressCtrl*>(GetDlgItem(kTotalProgress))->StepIt();
    // The file is reported from here on, so a failed rip leaves nothing behind.
    m_rippedFiles.push_back(fileName);
    m_rippedTracks.push_back(static_cast<unsigned>(cdTrack));
    m_rippedEntries.push_back(static_cast<unsigned>(entry + 1));
    m_progress = 0;
    const int code = m_extraction.ExtractTrack(cdTrack, fileName);
    if (code != 0) {
      ReportExtractionError(code);
      EndDialog(IDCANCEL);
      return 0;
    }
    ++m_rippedCount;
    m_nextTrack = entry + 1;
    SetDlgItemText(kStatus, jukebox::FormatText(kRipping, static_cast<int>(cdTrack), m_rippedCount, m_selectedCount));
  } catch (const std::bad_alloc&) {
    ShowStop(kOutOfMemory);
    EndDialog(IDCANCEL);
  }
  return 0;
}

RippedDisc CRipCDDlg::Ripped() const {
  RippedDisc disc{m_artist, m_album, m_genre, m_upc, m_discId, {}};
  for (size_t index = 0; index < m_rippedFiles.size() && index < m_rippedTracks.size(); ++index) {
    const size_t entry = m_rippedEntries[index] - 1;
    disc.tracks.push_back({m_rippedFiles[index], static_cast<int>(m_rippedTracks[index]),
                           entry < m_titles.size() ? m_titles[entry] : CString(),
                           entry < m_extended.size() ? m_extended[entry] : CString()});
  }
  return disc;
}

void CRipCDDlg::KeepResults() {
  GetDlgItemText(kArtist, m_artist);
  GetDlgItemText(kAlbum, m_album);
  const int genre = Genres()->GetCurSel();
  m_genre.Empty();
  if (genre >= 0) Genres()->GetLBText(genre, m_genre);
  m_titles = m_cddb->Titles();
  m_extended = m_cddb->ExtendedData();
  m_discId = m_cddb->DiscId();
  m_category = m_cddb->Genre();
  m_category.MakeUpper();
}

void CRipCDDlg::OnDestroy() {
  KillTimer(kTimer);
  StopDrive();
  if (m_extraction.GetSafeHwnd() != nullptr) {
    m_extraction.DispMethod14();
    m_extraction.UnsubclassWindow();
  }
  if (m_cddb) m_cddb->Shutdown();
  CDialog::OnDestroy();
}
