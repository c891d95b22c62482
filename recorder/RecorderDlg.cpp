#include "recorder/RecorderDlg.h"

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "platform/ui/MessageBox.h"
#include "recorder/AboutDlg.h"
#include "recorder/CompressDlg.h"
#include "recorder/GenreListDlg.h"
#include "recorder/OptionsDlg.h"
#include "recorder/PlaylistEditDlg.h"
#include "recorder/PlaylistSelectDlg.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderDevices.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecordFlow.h"
#include "recorder/RecorderIds.h"
#include "recorder/RipFlow.h"
#include "recorder/SearchDlg.h"
#include "recorder/SoundFileImport.h"
#include "recorder/TechInfoDlg.h"
#include "recorder/TipDlg.h"
#include "recorder/UploadDlg.h"
#include "recorder/capture/CddbProtocol.h"

namespace {

// Button, its help static.
constexpr std::array<std::pair<UINT, UINT>, 12> kButtons = {{{1092, 1143},
                                                             {1112, 1144},
                                                             {1111, 1145},
                                                             {1113, 1140},
                                                             {1117, 1141},
                                                             {1179, 1200},
                                                             {1180, 1201},
                                                             {1029, 1146},
                                                             {1115, 1147},
                                                             {1116, 1148},
                                                             {1118, 1149},
                                                             {IDOK, 1142}}};
constexpr UINT kStatus = 1119, kFreeBar = 1120, kTotalSongs = 1121, kCompressed = 1124, kUncompressed = 1125,
               kFreeText = 1126;

}  // namespace

BEGIN_MESSAGE_MAP(CRecorderDlg, CDialog)
  ON_BN_CLICKED(1092, OnRecord)
  ON_BN_CLICKED(1112, OnImport)
  ON_BN_CLICKED(1111, OnRip)
  ON_BN_CLICKED(1113, OnSearch)
  ON_BN_CLICKED(1117, OnCompress)
  ON_BN_CLICKED(1179, OnPlaylist)
  ON_BN_CLICKED(1180, OnUpload)
  ON_BN_CLICKED(1029, OnGenres)
  ON_BN_CLICKED(1115, OnOptions)
  ON_BN_CLICKED(1116, OnTechInfo)
  ON_BN_CLICKED(1118, OnAbout)
  ON_MESSAGE(WM_RECORDER_SEARCH, OnSearchKey)
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONUP()
  ON_WM_WINDOWPOSCHANGED()
END_MESSAGE_MAP()

CRecorderDlg::CRecorderDlg() : CDialog(IDD_RECORDER) {}

BOOL CRecorderDlg::OnInitDialog() {
  CRecorderApp* app = GetRecorderApp();
  // The program's icon, for the window manager's lists and the minimised window, which the default
  // painting and drag-icon answers draw from it.
  const HICON icon = app->LoadIcon(kIconId);
  SetIcon(icon, TRUE);
  SetIcon(icon, FALSE);
  CDialog::OnInitDialog();
  for (size_t index = 0; index < kButtons.size(); ++index) {
    m_buttons[index].SubclassDlgItem(kButtons[index].first, this);
    m_buttons[index].SetHelpStatic(GetDlgItem(static_cast<int>(kButtons[index].second)));
  }
  HideHelp();
  m_programFolder = app->GetProgramFolder();
  m_databaseFolder = app->GetDatabaseFolder();
  m_waveInDevice = static_cast<int>(app->GetProfileInt("Recorder", "WaveInDevice", 0));
  m_cdDrive = app->GetCdDriveLetter();
  m_pStorage = app->GetStorage();
  m_pDb = app->GetSongDatabase();
  m_waveInNames = WaveInDeviceNames();
  if (app->GetWaveInDeviceCount() == 0) GetDlgItem(1092)->EnableWindow(FALSE);
  if (app->GetCdDriveCount() == 0) GetDlgItem(1111)->EnableWindow(FALSE);
  static_cast<CProgressCtrl*>(GetDlgItem(kFreeBar))->SetPos(0);
  RefreshSummary();
  SetDlgItemText(kStatus, app->GetLegalNotice());
  return TRUE;
}

void CRecorderDlg::RefreshSummary() {
  if (m_pDb == nullptr) return;
  auto count = [this](char code) {
    LONG value = m_pDb->CountSongsByCompression(code);
    return value > 0 ? value : 0;
  };
  LONG compressed = count('A') + count('M') + count('R') + count('3');
  LONG uncompressed = count(' ') + count('V');
  CString text;
  text.Format("%ld", static_cast<long>(compressed + uncompressed));
  SetDlgItemText(kTotalSongs, text);
  text.Format("%ld", static_cast<long>(uncompressed));
  SetDlgItemText(kUncompressed, text);
  text.Format("%ld", static_cast<long>(compressed));
  SetDlgItemText(kCompressed, text);
  unsigned long long freeBytes = 0, totalBytes = 0;
  if (m_pStorage != nullptr) {
    double total = 0;
    m_pStorage->GetFreeSpace(total);
    for (int index = 0; index < m_pStorage->GetVolumeCount(); ++index) {
      ULARGE_INTEGER volumeFree{}, volumeTotal{};
      LONG songs = 0;
      DWORD serial = 0;
      CString label;
      m_pStorage->GetVolume(index, volumeFree, volumeTotal, songs, serial, label);
      freeBytes += volumeFree.QuadPart;
      totalBytes += volumeTotal.QuadPart;
    }
  }
  long freeMegs = static_cast<long>(freeBytes / 1048576), totalMegs = static_cast<long>(totalBytes / 1048576);
  SetDlgItemText(kFreeText, LoadFormatted(IDS_FREE_MEGS, freeMegs, totalMegs));
  // With no volume size known the bar stays empty instead of dividing by zero.
  int percent = totalMegs > 0 ? static_cast<int>(static_cast<double>(freeMegs) / totalMegs * 100) : 0;
  auto* bar = static_cast<CProgressCtrl*>(GetDlgItem(kFreeBar));
  bar->SetRange(0, 100);
  bar->SetPos(percent);
}

BOOL CRecorderDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F4) PostMessage(WM_RECORDER_SEARCH);
  return CDialog::PreTranslateMessage(msg);
}

void CRecorderDlg::Guarded(const std::function<void()>& work) {
  if (!RunRecorderGuarded(work)) EndDialog(IDCANCEL);
}

void CRecorderDlg::OnRecord() {
  Guarded([&] { RecordNewSong(*this); });
}
void CRecorderDlg::OnImport() {
  Guarded([&] { RunImportSoundFiles(*this); });
}
void CRecorderDlg::OnRip() {
  Guarded([&] { RunRipFromCd(*this); });
}
void CRecorderDlg::OnCompress() {
  Guarded([&] {
    CCompressDlg compress(m_pDb, m_pStorage, this);
    compress.DoModal();
  });
  RefreshSummary();
}
void CRecorderDlg::OnUpload() {
  Guarded([&] {
    CRecorderApp* app = GetRecorderApp();
    RunUpload(m_pDb, m_pStorage, app != nullptr ? app->GetShortVersionText() : CString(), this);
  });
}

void CRecorderDlg::OnSearch() {
  Guarded([&] {
    CSearchDlg search(m_pDb, m_pStorage, m_databaseFolder, this);
    search.DoModal();
    RefreshSummary();
  });
}

LRESULT CRecorderDlg::OnSearchKey(WPARAM, LPARAM) {
  OnSearch();
  return 0;
}

void CRecorderDlg::OnPlaylist() {
  Guarded([&] {
    CPlaylistSelectDlg select(m_pDb, this);
    if (select.DoModal() != IDOK) return;
    CString name;
    BOOL isNew = FALSE;
    select.GetChoice(name, isNew);
    CPlaylistEditDlg editor(m_pDb, m_pStorage, m_databaseFolder, this);
    editor.SetPlaylist(name, isNew);
    editor.DoModal();
  });
}

void CRecorderDlg::OnGenres() {
  Guarded([&] {
    CGenreListDlg genres(m_pDb, this);
    genres.DoModal();
  });
}

void CRecorderDlg::OnOptions() {
  Guarded([&] {
    CRecorderApp* app = GetRecorderApp();
    COptionsDlg options(m_pDb, m_pStorage, app->GetAlbumDatabase(), this);
    options.m_cdDriveLetters = app->GetCdDriveLetters();
    options.m_cdDrive = m_cdDrive == ' ' ? CString() : CString(m_cdDrive);
    options.m_soundCards = m_waveInNames;
    options.m_soundCard = m_waveInDevice;
    options.m_showTips = app->GetProfileInt("Tip", "StartUp", 0) == 0;
    options.m_cddbServer = app->GetProfileString("Recorder", "CddbServer", kDefaultCddbServer);
    if (options.DoModal() != IDOK) return;
    if (!options.m_cdDrive.IsEmpty()) {
      m_cdDrive = options.m_cdDrive[0];
      app->SetCdDriveLetter(m_cdDrive);
      app->WriteProfileString("Recorder", "CdRomDrive", options.m_cdDrive);
    }
    m_waveInDevice = options.m_soundCard;
    app->WriteProfileInt("Recorder", "WaveInDevice", m_waveInDevice);
    app->WriteProfileInt("Tip", "StartUp", options.m_showTips ? 0 : 1);
    app->WriteProfileString("Recorder", "CddbServer",
                            options.m_cddbServer.IsEmpty() ? CString(kDefaultCddbServer) : options.m_cddbServer);
  });
}

void CRecorderDlg::OnTechInfo() {
  Guarded([&] {
    CTechInfoDlg info(this);
    info.DoModal();
  });
}

void CRecorderDlg::OnAbout() {
  Guarded([&] {
    CRecorderApp* app = GetRecorderApp();
    CAboutDlg about(this);
    about.m_version.Format("Version %s  [%s - %s]", app->GetVersionText().GetString(), __DATE__, __TIME__);
    about.m_legalNotice = app->GetLegalNotice();
    about.m_notice = kAboutNotice;
    about.DoModal();
  });
}

void CRecorderDlg::HideHelp() {
  for (const auto& [button, help] : kButtons) {
    CWnd* text = GetDlgItem(static_cast<int>(help));
    if (text != nullptr && text->IsWindowVisible()) text->ShowWindow(SW_HIDE);
  }
}

void CRecorderDlg::OnMouseMove(UINT flags, CPoint point) {
  HideHelp();
  CDialog::OnMouseMove(flags, point);
}

void CRecorderDlg::OnLButtonUp(UINT flags, CPoint point) {
  SetDlgItemText(kStatus, LoadText(IDS_CLICK_A_BUTTON));
  CDialog::OnLButtonUp(flags, point);
}

void CRecorderDlg::OnWindowPosChanged(WINDOWPOS* position) {
  CDialog::OnWindowPosChanged(position);
  if (m_shown || (position->flags & SWP_SHOWWINDOW) == 0) return;
  m_shown = true;
  if (GetRecorderApp()->GetProfileInt("Tip", "StartUp", 0) == 0) {
    CTipDlg tip(this);
    tip.DoModal();
  }
}

