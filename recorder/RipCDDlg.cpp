#include "recorder/RipCDDlg.h"

#include <algorithm>
#include <cstdlib>

#include "platform/cd/CdExtractionControl.h"
#include "platform/core/FileApi.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongPicks.h"
#include "recorder/capture/AlbumDialogs.h"

namespace {

constexpr const char* kCopyTypes[] = {"Normal", "Sync Mode", "Burst Mode"};

void StopBox(const CString& text) { AfxMessageBox(text, MB_OK | MB_ICONSTOP); }

// "mm:ss" of an MCI "mm:ss:ff" or "tt:mm:ss:ff" text, as seconds.
int SecondsOf(const CString& minutesSeconds) {
  if (minutesSeconds.GetLength() < 5) return 0;
  return std::atoi(minutesSeconds.Left(2)) * 60 + std::atoi(minutesSeconds.Mid(3, 2));
}

}  // namespace

BEGIN_MESSAGE_MAP(CRipCDDlg, CDialog)
  ON_WM_TIMER()
  ON_WM_HSCROLL()
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
  ON_MESSAGE(WM_RIP_TRACK, OnRipTrack)
  ON_MESSAGE(WM_CDDB_CONNECTED, OnCddbConnected)
  ON_MESSAGE(WM_CDDB_REPLY, OnCddbReply)
  ON_BN_CLICKED(CRipCDDlg::kEject, OnEject)
  ON_BN_CLICKED(CRipCDDlg::kPlay, OnPlayButton)
  ON_BN_CLICKED(CRipCDDlg::kStop, OnStopButton)
  ON_BN_CLICKED(CRipCDDlg::kModeNormal, OnModeNormal)
  ON_BN_CLICKED(CRipCDDlg::kModeIntro, OnModeIntro)
  ON_BN_CLICKED(CRipCDDlg::kModeScan, OnModeScan)
  ON_NOTIFY(UDN_DELTAPOS, CRipCDDlg::kSecondsSpin, OnSecondsChange)
  ON_BN_CLICKED(CRipCDDlg::kRip, OnRip)
  ON_BN_CLICKED(CRipCDDlg::kSelectAll, OnSelectAll)
  ON_BN_CLICKED(CRipCDDlg::kClearAll, OnClearAll)
  ON_LBN_SELCHANGE(CRipCDDlg::kTracks, OnTrackSelChange)
  ON_BN_CLICKED(CRipCDDlg::kUseFreeDb, OnUseFreeDb)
  ON_BN_CLICKED(CRipCDDlg::kCddbHello, OnCddbHello)
  ON_CBN_SELCHANGE(CRipCDDlg::kCopyType, OnCopyTypeChange)
  ON_BN_CLICKED(CRipCDDlg::kIdentifiedIncorrectly, OnIdentifiedIncorrectly)
END_MESSAGE_MAP()

CRipCDDlg::CRipCDDlg(tQHDb* songDb, tStorage* storage, tQHFRDb* albumDb, CWnd* parent)
    : CDialog(IDD_RIP_CD, parent), m_pDb(songDb), m_pStorage(storage), m_albumDb(albumDb) {
  RegisterCdExtractionControlClass();
  RegisterCaptureDialogs();
}

CRipCDDlg::~CRipCDDlg() {
  for (HBRUSH brush : {m_black, m_red, m_darkRed, m_green, m_yellow, m_white})
    if (brush != nullptr) DeleteObject(brush);
}

void CRipCDDlg::Setup(char driveLetter, CWnd* mainDialog, const CString& tempFolder) {
  m_driveLetter = driveLetter;
  m_mainDialog = mainDialog;
  m_tempFolder = tempFolder;
}

int CRipCDDlg::ModeClass(const CString& mode) {
  if (mode == "open") return 1;
  if (mode == "paused") return 2;
  if (mode == "playing") return 3;
  if (mode == "seeking") return 4;
  if (mode == "stopped") return 5;
  return 0;
}

void CRipCDDlg::MciError(const CString& text) {
  if (m_mainDialog != nullptr && m_mainDialog->GetSafeHwnd() != nullptr)
    m_mainDialog->SetDlgItemText(kMainStatus, LoadFormatted(IDS_RIP_MCI_ERROR, text.GetString()));
}

void CRipCDDlg::EnableControls(std::initializer_list<int> ids, bool enable) {
  for (int id : ids)
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable ? TRUE : FALSE);
}

void CRipCDDlg::Guarded(const std::function<void()>& work, int endResult) {
  if (RunRecorderGuarded(work)) return;
  StopAll();
  EndDialog(endResult);
}

// ---- Start ----

void CRipCDDlg::MakeFontsAndBrushes() {
  m_bigFont.CreateFont(48, 0, 0, 0, 700, 0, 0, 0, 0, 2, 0, 2, 0, "Arial");
  m_mediumFont.CreateFont(36, 0, 0, 0, 700, 0, 0, 0, 0, 2, 0, 2, 0, "Arial");
  m_smallFont.CreateFont(14, 0, 0, 0, 700, 0, 0, 0, 0, 2, 0, 2, 0, "Arial");
  for (int id : {kCurrentTrack, kTotalTracks}) GetDlgItem(id)->SetFont(&m_bigFont);
  for (int id : {kTrackPosition, kTrackLength}) GetDlgItem(id)->SetFont(&m_mediumFont);
  for (int id : {kTracks, kStatus}) GetDlgItem(id)->SetFont(&m_smallFont);
  m_black = CreateSolidBrush(RGB(0, 0, 0));
  m_red = CreateSolidBrush(RGB(255, 0, 0));
  m_darkRed = CreateSolidBrush(RGB(125, 0, 0));
  m_green = CreateSolidBrush(RGB(0, 255, 20));
  m_yellow = CreateSolidBrush(RGB(255, 255, 0));
  m_white = CreateSolidBrush(RGB(255, 255, 255));
}

bool CRipCDDlg::StartDrive() {
  if (!m_mci.Open(m_driveLetter)) {
    MciError(m_mci.GetErrorText());
    StopBox(LoadFormatted(IDS_RIP_CANNOT_OPEN, m_driveLetter));
    return false;
  }
  m_deviceOpen = true;
  FillGenreCombo(m_pDb, Genres(), "");
  m_device = m_mci.GetDeviceID();
  m_mci.FindCdDrives();
  const int index = m_mci.GetCdDriveLetters().Find(m_driveLetter);
  m_driveIndex = index < 0 ? 0 : index;
  if (!m_mci.SetTimeFormat(0, "tmsf")) {
    StopBox(LoadText(IDS_RIP_MCI_FAILED));
    return false;
  }
  m_mci.GetStatus("mode", m_previousMode, 0);
  return true;
}

void CRipCDDlg::SetupControls() {
  GetDlgItem(kSeconds)->EnableWindow(FALSE);
  auto* spin = static_cast<CSpinButtonCtrl*>(GetDlgItem(kSecondsSpin));
  spin->SetBuddy(GetDlgItem(kSeconds));
  spin->SetRange(5, 60);
  spin->SetPos(10);
  m_seconds = 10;
  CheckRadioButton(kModeNormal, kModeScan, kModeNormal);
  CheckDlgButton(kUseFreeDb, m_useCddb ? BST_CHECKED : BST_UNCHECKED);
  CWinApp* app = AfxGetApp();
  if (app != nullptr) {
    const std::pair<int, UINT> icons[] = {{kPlay, IDI_RIP_PLAY}, {kEject, IDI_RIP_EJECT}, {kStop, IDI_RIP_STOP}};
    for (auto [id, icon] : icons)
      GetDlgItem(id)->SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(app->LoadIcon(icon)));
  }
  if (HBITMAP hello = LoadBitmap(nullptr, MAKEINTRESOURCE(IDB_RIP_HELLO)))
    GetDlgItem(kCddbHello)->SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hello));
  m_extraction.SubclassWindow(::GetDlgItem(m_hWnd, kExtraction));
  m_extraction.SetEventSink([this](DISPID event, LONG value) {
    switch (event) {
      case qh::cd::CdExtractionControl::kEventTrackDone: PostMessage(WM_RIP_TRACK); break;
      case qh::cd::CdExtractionControl::kEventProgress:
        m_progress = value;
        static_cast<CProgressCtrl*>(GetDlgItem(kTrackProgress))->SetPos(value);
        break;
      case qh::cd::CdExtractionControl::kEventRunning: m_extracting = true; break;
      case qh::cd::CdExtractionControl::kEventStopped: m_extracting = false; break;
      default: break;
    }
  });
  ShowRipCount();
}

BOOL CRipCDDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Guarded([&] {
    MakeFontsAndBrushes();
    SetWindowText(LoadFormatted(IDS_RIP_CAPTION, m_driveLetter));
    if (m_copyType < 0 || m_copyType > 2) m_copyType = 0;
    auto* copyTypes = static_cast<CComboBox*>(GetDlgItem(kCopyType));
    for (const char* type : kCopyTypes) copyTypes->AddString(type);
    copyTypes->SetCurSel(m_copyType);
    if (!StartDrive()) {
      StopAll();
      EndDialog(IDCANCEL);
      return;
    }
    SetupControls();
    CString version = m_version;
    m_cddb = std::make_unique<CCddbClient>(*this, m_useCddb != FALSE, m_cddbServer, kHelloAddress, version, m_albumDb);
    if (!m_useCddb) SetAlbumArtist(CString(), CString());
    else m_cddb->Setup();
    const int modeClass = ModeClass(m_previousMode);
    if (modeClass <= 1) {
      ShowIdle();
    } else {
      IdentifyDisc(true);
      if (AudioTrackCount() > 0) ShowDiscPresent(m_previousMode);
    }
    if (SetTimer(kTimer, 1000) == 0) {
      StopBox(LoadText(IDS_NO_TIMER));
      StopAll();
      EndDialog(IDCANCEL);
    }
  });
  return TRUE;
}

// Reads the disc's table of contents and names it. Only the disc found at the start is checked against
// the songs already stored.
void CRipCDDlg::IdentifyDisc(bool showExisting) {
  CString mciError;
  const int audioTracks = m_cddb->QueryCddb(m_device, mciError);
  if (!mciError.IsEmpty()) MciError(mciError);
  if (audioTracks > 0 && showExisting) {
    std::vector<CString> lines;
    if (m_cddb->FindExistingSongs(m_pDb, m_pStorage, lines) > 0) {
      CSongsFromAlbumDlg existing(this);
      existing.m_songs = lines;
      existing.DoModal();
    }
  }
  if (!m_cddb->IsActive()) {
    if (!m_cddb->LookupEmbeddedAlbum()) SetAlbumArtist(CString(), CString());
  } else if (!showExisting) {
    // A disc inserted later: the album database first, then the server.
    SetDlgItemText(kCddbStatus, "Querying new CD...");
    m_cddb->OnLookupCd(0);
  }
  if (audioTracks == 0) ShowIdle();
}

void CRipCDDlg::ShowIdle() {
  SetDlgItemText(kStatus, LoadText(IDS_RIP_INSERT_CD));
  m_playing = false;
  EnableControls({kPlay, kStop, kTracks}, false);
  SetDlgItemText(kTrackPosition, "--:--");
  SetDlgItemText(kTrackLength, "--:--");
  SetDlgItemText(kCurrentTrack, "--");
  SetDlgItemText(kTotalTracks, "--");
  m_currentTrack = 0;
}

void CRipCDDlg::ShowDiscPresent(const CString& mode) {
  CString upper = mode;
  upper.MakeUpper();
  SetDlgItemText(kStatus, upper);
  EnableControls({kPlay, kStop, kTracks}, true);
  m_currentTrack = 0;
  UpdateCurrentTrack();
  UpdateLength();
}

int CRipCDDlg::AudioTrackCount() const { return m_cddb ? static_cast<int>(m_cddb->AudioTrackNumbers().size()) : 0; }

int CRipCDDlg::TrackOfEntry(int entry) const {
  const std::vector<int>& tracks = m_cddb->AudioTrackNumbers();
  return entry >= 0 && entry < static_cast<int>(tracks.size()) ? tracks[static_cast<size_t>(entry)] : entry + 1;
}

int CRipCDDlg::EntryOfTrack(int track) const {
  const std::vector<int>& tracks = m_cddb->AudioTrackNumbers();
  for (size_t entry = 0; entry < tracks.size(); ++entry)
    if (tracks[entry] == track) return static_cast<int>(entry);
  return -1;
}

// ---- Following the drive ----

void CRipCDDlg::OnTimer(UINT_PTR id) {
  if (id != kTimer || m_ripping) return;
  Guarded([&] {
    CString mode;
    if (!m_mci.GetStatus("mode", mode, 0)) MciError(m_mci.GetErrorText());
    if (mode == m_previousMode && mode != "open" && mode != "not ready") {
      if (!m_seeking) UpdateCurrentTrack();
      return;
    }
    const int modeClass = ModeClass(mode);
    if (modeClass <= 1) {
      ShowIdle();
      SetAlbumArtist(CString(), CString());
      ClearTrackList();
      m_previousMode = mode;
      return;
    }
    const bool inserted = m_previousMode == "open" || m_previousMode == "not ready";
    CString upper = mode;
    upper.MakeUpper();
    if (inserted) {
      IdentifyDisc(false);
      if (AudioTrackCount() > 0) {
        EnableControls({kPlay, kStop, kTracks}, true);
        SetDlgItemText(kStatus, upper);
        PlayTrack(TrackOfEntry(0));
      }
      m_previousMode = upper;
      return;
    }
    if (!m_seeking) UpdateCurrentTrack();
    m_playing = modeClass == 3;
    if (m_playing && m_playMode != kNormal) {
      PlayStep();
      return;  // a play-mode step leaves the previous mode as it was
    }
    SetDlgItemText(kStatus, upper);
    m_previousMode = upper;
  });
}

void CRipCDDlg::PlayStep() {
  if (m_playMode == kIntro) {
    // The counter is compared before it grows: an intro of n seconds plays about n + 1.
    if (m_ticks++ >= m_seconds) {
      const int entry = EntryOfTrack(m_currentTrack);
      if (entry >= 0 && entry + 1 < AudioTrackCount()) PlayTrack(TrackOfEntry(entry + 1));
    }
    return;
  }
  if (m_ticks++ <= m_seconds) return;
  m_mci.SetTimeFormat(0, "ms");
  CString position;
  if (m_mci.GetStatus("position", position, 0)) {
    CString target;
    target.Format("%ld", std::atol(position) + static_cast<long>(m_seconds) * 2000);
    m_mci.Stop(0);
    if (!m_mci.Seek(target, 0) || !m_mci.Play(0)) MciError(m_mci.GetErrorText());
  } else {
    MciError(m_mci.GetErrorText());
  }
  m_mci.SetTimeFormat(0, "tmsf");
  UpdateLength();
  m_ticks = 0;
}

void CRipCDDlg::UpdateCurrentTrack() {
  CString reply;
  if (!m_mci.GetStatus("current track", reply, 0)) return;
  const int track = std::atoi(reply);
  if (track != m_currentTrack && track > 0) {
    m_currentTrack = track;
    const int entry = EntryOfTrack(track);
    if (entry >= 0) Tracks()->SendMessage(LB_SETCARETINDEX, static_cast<WPARAM>(entry), FALSE);
    CString text;
    text.Format("%02u", static_cast<unsigned>(track));
    SetDlgItemText(kCurrentTrack, text);
    text.Format("%02u", static_cast<unsigned>(m_cddb->Toc().totalTracks));
    SetDlgItemText(kTotalTracks, text);
    UpdateLength();
  }
  CString position;
  if (!m_mci.GetPosition(position, 0) || position.GetLength() < 8) return;
  const CString minutesSeconds = position.Mid(3, 5);
  SetDlgItemText(kTrackPosition, minutesSeconds);
  static_cast<CSliderCtrl*>(GetDlgItem(kPosition))->SetPos(SecondsOf(minutesSeconds));
}

void CRipCDDlg::UpdateLength() {
  if (m_currentTrack <= 0) return;
  CString item, length;
  item.Format("length track %u", static_cast<unsigned>(m_currentTrack));
  if (!m_mci.GetStatus(item, length, 0)) {
    MciError(m_mci.GetErrorText());
    return;
  }
  SetDlgItemText(kTrackLength, length.Left(5));
  auto* bar = static_cast<CSliderCtrl*>(GetDlgItem(kPosition));
  bar->SetRange(0, SecondsOf(length.Left(5)), TRUE);
  bar->SetTicFreq(10);
}

void CRipCDDlg::PlayTrack(int track) {
  CString position;
  position.Format("%u", static_cast<unsigned>(track));
  m_mci.Stop(0);
  if (!m_mci.Seek(position, 0) || !m_mci.Play(0)) MciError(m_mci.GetErrorText());
  m_currentTrack = 0;  // shown anew from the drive
  UpdateCurrentTrack();
  m_currentTrack = track;
  m_ticks = 0;
}

void CRipCDDlg::OnHScroll(UINT code, UINT, CScrollBar* scrollBar) {
  if (scrollBar == nullptr || scrollBar->GetDlgCtrlID() != kPosition) return;
  if (code == TB_THUMBTRACK) {
    m_seeking = true;
    return;
  }
  if (code != TB_ENDTRACK) return;
  m_seeking = false;
  const int seconds = static_cast<CSliderCtrl*>(GetDlgItem(kPosition))->GetPos();
  CString position;
  position.Format("%02u:%02d:%02d", static_cast<unsigned>(m_currentTrack), seconds / 60, seconds % 60);
  m_mci.Stop(0);
  if (!m_mci.Seek(position, 0) || !m_mci.Play(0)) MciError(m_mci.GetErrorText());
}

HBRUSH CRipCDDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  const int id = wnd != nullptr ? wnd->GetDlgCtrlID() : 0;
  if (id == kStatus) {
    dc->SetBkMode(TRANSPARENT);
    return m_playing ? m_green : m_yellow;
  }
  if (id == kCurrentTrack || id == kTotalTracks || id == kTrackPosition || id == kTrackLength || id == kCurrentLabel ||
      id == kTotalLabel) {
    dc->SetTextColor(RGB(200, 60, 60));
    dc->SetBkMode(TRANSPARENT);
    return m_black;
  }
  return CDialog::OnCtlColor(dc, wnd, kind);
}

// ---- Player buttons ----

void CRipCDDlg::OnEject() {
  Guarded([&] {
    CString mode;
    m_mci.GetStatus("mode", mode, 0);
    if (mode == "open") {
      if (!m_mci.SetDoor(TRUE)) MciError(m_mci.GetErrorText());
    } else {
      m_mci.Stop(0);
      if (!m_mci.SetDoor(FALSE)) MciError(m_mci.GetErrorText());
    }
    m_ticks = 0;
  });
}

void CRipCDDlg::OnPlayButton() {
  if (!m_mci.Play(0)) MciError(m_mci.GetErrorText());
  m_ticks = 0;
}

void CRipCDDlg::OnStopButton() {
  if (!m_mci.Stop(0)) MciError(m_mci.GetErrorText());
}

void CRipCDDlg::SetPlayMode(int mode) {
  m_playMode = mode;
  GetDlgItem(kSeconds)->EnableWindow(mode == kNormal ? FALSE : TRUE);
  if (mode != kNormal) m_seconds = static_cast<CSpinButtonCtrl*>(GetDlgItem(kSecondsSpin))->GetPos();
  m_ticks = 0;
}

void CRipCDDlg::OnModeNormal() { SetPlayMode(kNormal); }
void CRipCDDlg::OnModeIntro() { SetPlayMode(kIntro); }
void CRipCDDlg::OnModeScan() { SetPlayMode(kScan); }

void CRipCDDlg::OnSecondsChange(NMHDR* header, LRESULT* result) {
  auto* change = reinterpret_cast<NMUPDOWN*>(header);
  m_seconds = std::clamp(change->iPos + change->iDelta, 5, 60);
  *result = 0;
}

// ---- Tracks and names ----

void CRipCDDlg::ShowRipCount() {
  const int selected = Tracks()->GetSelCount();
  SetDlgItemText(kRip, LoadFormatted(IDS_RIP_BUTTON, selected > 0 ? selected : 0));
  GetDlgItem(kRip)->EnableWindow(selected >= 1 && !m_ripping ? TRUE : FALSE);
}

void CRipCDDlg::OnSelectAll() {
  if (Tracks()->GetCount() > 0) Tracks()->SelItemRange(TRUE, 0, Tracks()->GetCount() - 1);
  ShowRipCount();
}

void CRipCDDlg::OnClearAll() {
  if (Tracks()->GetCount() > 0) Tracks()->SelItemRange(FALSE, 0, Tracks()->GetCount() - 1);
  ShowRipCount();
}

void CRipCDDlg::OnTrackSelChange() {
  Guarded([&] {
    const int caret = Tracks()->GetCaretIndex();
    if (caret >= 0 && caret < AudioTrackCount() && TrackOfEntry(caret) != m_currentTrack)
      PlayTrack(TrackOfEntry(caret));
    ShowRipCount();
  });
}

void CRipCDDlg::OnUseFreeDb() {
  m_useCddb = IsDlgButtonChecked(kUseFreeDb) == BST_CHECKED ? TRUE : FALSE;
  if (!m_useCddb && m_cddb) m_cddb->SetActive(false);
}

void CRipCDDlg::OnCddbHello() {
  if (m_cddb) m_cddb->OnCddbHello();
}

void CRipCDDlg::OnCopyTypeChange() {
  const int chosen = static_cast<CComboBox*>(GetDlgItem(kCopyType))->GetCurSel();
  if (chosen >= 0) m_copyType = chosen;
}

void CRipCDDlg::OnIdentifiedIncorrectly() {
  Guarded([&] {
    m_cddb->SetDefaultTitles();
    const CString album = COleDateTime::GetCurrentTime().Format("Album recorded on %c");
    SetDlgItemText(kAlbum, album);
    SetDlgItemText(kArtist, "Unknown");
    const int other = Genres()->FindStringExact(-1, "Other");
    Genres()->SetCurSel(other >= 0 ? other : 0);
    ShowRipCount();
  });
}

void CRipCDDlg::SetCddbStatus(const CString& text) { SetDlgItemText(kCddbStatus, text); }

void CRipCDDlg::ShowCddbWarning(const CString& text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }

void CRipCDDlg::ClearTrackList() {
  Tracks()->ResetContent();
  ShowRipCount();
}

void CRipCDDlg::AddTrackListEntry(const CString& entry) { Tracks()->AddString(entry); }

void CRipCDDlg::SetAlbumArtist(const CString& album, const CString& artist) {
  SetDlgItemText(kAlbum, album);
  SetDlgItemText(kArtist, artist);
  if (album.IsEmpty() && artist.IsEmpty() && !m_useCddb && Genres()->GetCount() > 0) Genres()->SetCurSel(0);
}

void CRipCDDlg::SelectGenre(const CString& genre) {
  const int found = genre.IsEmpty() ? -1 : Genres()->FindStringExact(-1, genre);
  if (Genres()->GetCount() > 0) Genres()->SetCurSel(found >= 0 ? found : 0);
}

int CRipCDDlg::ChooseAlbum(const std::vector<CString>& lines) { return RunChooseAlbum(this, lines); }

void CRipCDDlg::CancelForCddb() {
  StopAll();
  EndDialog(IDCANCEL);
}

LRESULT CRipCDDlg::OnCddbConnected(WPARAM, LPARAM connection) {
  Guarded([&] {
    if (m_cddb) m_cddb->OnLookupCd(connection);
  });
  return 0;
}

LRESULT CRipCDDlg::OnCddbReply(WPARAM, LPARAM result) {
  Guarded([&] {
    if (m_cddb) m_cddb->OnHttpReply(result);
  });
  return 0;
}

// ---- Ripping ----

void CRipCDDlg::ReportExtractionError(int code) {
  switch (code) {
    case qh::cd::CdExtractionControl::kErrorAspiManager: StopBox(LoadText(IDS_RIP_ASPI_MANAGER)); break;
    case qh::cd::CdExtractionControl::kErrorDriveInUse: StopBox(LoadText(IDS_RIP_DRIVE_IN_USE)); break;
    case qh::cd::CdExtractionControl::kErrorNoDigitalAudio: StopBox(LoadText(IDS_RIP_NO_DIGITAL_AUDIO)); break;
    case 700: StopBox(LoadText(IDS_RIP_ASPI_ERROR)); break;
    default: StopBox(LoadFormatted(IDS_RIP_EXTRACT_ERROR, code)); break;
  }
}

bool CRipCDDlg::StartExtraction() {
  int code = m_extraction.DispMethod4(static_cast<SHORT>(m_driveIndex));
  if (code == 0) code = m_extraction.DispMethod34(static_cast<SHORT>(m_copyType));
  if (code == 0) return true;
  ReportExtractionError(code);
  return false;
}

void CRipCDDlg::OnRip() {
  Guarded([&] {
    KillTimer(kTimer);
    StopAll();
    if (!StartExtraction()) {
      EndDialog(IDCANCEL);
      return;
    }
    m_ripping = true;
    SetDlgItemText(kStatus, LoadText(IDS_RIPPING));
    auto* total = static_cast<CProgressCtrl*>(GetDlgItem(kRipProgress));
    total->SetPos(0);
    total->SetRange32(0, Tracks()->GetSelCount());
    total->SetStep(1);
    EnableControls({kPlay, kStop, kEject, kClearAll, kSelectAll, kPosition, kTracks, kCopyType, kRip}, false);
    KeepResults();
    static_cast<CEdit*>(GetDlgItem(kArtist))->SetReadOnly(TRUE);
    static_cast<CEdit*>(GetDlgItem(kAlbum))->SetReadOnly(TRUE);
    m_nextEntry = 0;
    m_progress = 1000;
    PostMessage(WM_RIP_TRACK);
  });
}

RippedDisc CRipCDDlg::Ripped() const {
  RippedDisc disc{m_artist, m_album, m_genre, CString(), m_discId, {}};
  for (size_t index = 0; index < m_rippedFiles.size() && index < m_rippedTracks.size(); ++index) {
    const size_t entry = static_cast<size_t>(m_rippedEntries[index] - 1);
    disc.tracks.push_back({m_rippedFiles[index], m_rippedTracks[index],
                           entry < m_titles.size() ? m_titles[entry] : CString(),
                           entry < m_extended.size() ? m_extended[entry] : CString()});
  }
  return disc;
}

void CRipCDDlg::KeepResults() {
  GetDlgItemText(kArtist, m_artist);
  GetDlgItemText(kAlbum, m_album);
  m_genre.Empty();
  const int genre = Genres()->GetCurSel();
  if (genre >= 0) Genres()->GetLBText(genre, m_genre);
  m_titles = m_cddb->Titles();
  m_extended = m_cddb->ExtendedData();
  m_discId = m_cddb->DiscId();
}

// A track that could not start ends the rip; the tracks done before it are kept.
void CRipCDDlg::EndRipWith(int code) {
  ReportExtractionError(code);
  StopAll();
  EndDialog(IDOK);
}

// The track before stopped short of its end: its file goes, and the user hears of it.
void CRipCDDlg::DropUnfinishedTrack() {
  if (m_progress >= 1000 || m_rippedFiles.empty()) return;
  const int track = m_rippedTracks.back();
  DeleteFile(m_rippedFiles.back());
  m_rippedFiles.pop_back();
  m_rippedEntries.pop_back();
  m_rippedTracks.pop_back();
  StopBox(LoadFormatted(IDS_RIP_STOPPED_EARLY, track));
}

LRESULT CRipCDDlg::OnRipTrack(WPARAM, LPARAM) {
  if (!m_ripping) return 0;
  Guarded(
      [&] {
        DropUnfinishedTrack();
        const int count = Tracks()->GetCount();
        int entry = m_nextEntry;
        while (entry < count && Tracks()->GetSel(entry) <= 0) ++entry;
        if (entry >= count) {
          StopAll();
          EndDialog(IDOK);
          return;
        }
        const int track = TrackOfEntry(entry);
        char fileName[MAX_PATH + 1] = {};
        if (GetTempFileName(m_tempFolder, "QHR", 0, fileName) == 0) return EndRipWith(static_cast<int>(GetLastError()));
        m_extraction.DispMethod16(static_cast<SHORT>(track));
        m_extraction.DispMethod17(static_cast<SHORT>(track));
        CString number;
        number.Format("%02u", static_cast<unsigned>(track));
        SetDlgItemText(kCurrentTrack, number);
        auto* current = static_cast<CProgressCtrl*>(GetDlgItem(kTrackProgress));
        current->SetRange32(0, 1000);
        current->SetPos(0);
        static_cast<CProgressCtrl*>(GetDlgItem(kRipProgress))->StepIt();
        m_progress = 0;
        if (const int code = m_extraction.ExtractTrack(static_cast<SHORT>(track), fileName); code != 0) {
          // The empty file made for the track is nobody's.
          DeleteFile(fileName);
          return EndRipWith(code);
        }
        m_rippedFiles.push_back(fileName);
        m_rippedEntries.push_back(entry + 1);
        m_rippedTracks.push_back(track);
        m_nextEntry = entry + 1;
        m_ripped = true;
        SetDlgItemText(kStatus, LoadFormatted(IDS_RIPPING_TRACK, track));
      },
      IDOK);
  return 0;
}

void CRipCDDlg::StopAll() {
  KillTimer(kTimer);
  if (m_deviceOpen) {
    if (!m_mci.Stop(0)) MciError(m_mci.GetErrorText());
    if (!m_mci.Close(0)) MciError(m_mci.GetErrorText());
    m_deviceOpen = false;
  }
  if (m_extracting && m_extraction.GetSafeHwnd() != nullptr) m_extraction.DispMethod14();
}

void CRipCDDlg::OnCancel() {
  StopAll();
  EndDialog(IDCANCEL);
}

void CRipCDDlg::OnDestroy() {
  StopAll();
  if (m_extraction.GetSafeHwnd() != nullptr) {
    m_extraction.DispMethod14();
    m_extraction.UnsubclassWindow();
  }
  if (m_cddb) m_cddb->Shutdown();
  CDialog::OnDestroy();
}
