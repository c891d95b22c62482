#include "jukebox/app/dialogs/OptionPages.h"

#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/JukeboxOptions.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/MessageBox.h"
#include "recorder/capture/CddbProtocol.h"

namespace {
constexpr UINT kSlideshowFolderTitle = 61380;
constexpr UINT kErrorLogFolderTitle = 61381;
constexpr UINT kNeedLogPath = 61382;
constexpr UINT kNeedCddbServer = 61383;
constexpr UINT kNoWayToReportErrors = 61384;
constexpr int kMinLogPathLength = 3;
}  // namespace

void BrowseFolderInto(CWnd& page, int editId, UINT titleId) {
  BROWSEINFO info{};
  info.hwndOwner = page.m_hWnd;
  const CString title = jukebox::LoadText(titleId);
  info.lpszTitle = title.GetString();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolder(&info);
  if (!chosen) return;
  char folder[MAX_PATH] = {};
  const BOOL found = SHGetPathFromIDList(chosen, folder);
  ILFree(chosen);
  if (found) page.SetDlgItemText(editId, folder);
}

// ---- General ----

BEGIN_MESSAGE_MAP(DlgOptGeneral, CPropertyPage)
  ON_BN_CLICKED(DlgOptGeneral::kBrowse, OnBrowse)
END_MESSAGE_MAP()

void DlgOptGeneral::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Text(dx, kCddbServer, m_strCddbServer);
  DDV_MaxChars(dx, m_strCddbServer, 50);
  DDX_Check(dx, kCompressOnExit, m_bCompressOnExit);
  DDX_Check(dx, kTVOutput, m_bTVOutput);
  DDX_Text(dx, kRandomPicPath, m_strRandomPicPath);
  DDV_MaxChars(dx, m_strRandomPicPath, 255);
}

BOOL DlgOptGeneral::OnKillActive() {
  CString server;
  GetDlgItemText(kCddbServer, server);
  if (server.IsEmpty()) {
    GotoDlgCtrl(GetDlgItem(kCddbServer));
    AfxMessageBox(jukebox::FormatText(kNeedCddbServer, kDefaultCddbServer).GetString(), MB_OK | MB_ICONHAND);
    return FALSE;
  }
  return CPropertyPage::OnKillActive();
}

void DlgOptGeneral::OnBrowse() { BrowseFolderInto(*this, kRandomPicPath, kSlideshowFolderTitle); }

// ---- External ----

BEGIN_MESSAGE_MAP(DlgOptWeb, CPropertyPage)
  ON_BN_CLICKED(DlgOptWeb::kWebEnable, OnWebEnable)
END_MESSAGE_MAP()

BOOL DlgOptWeb::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  OnWebEnable();
  return TRUE;
}

void DlgOptWeb::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Check(dx, kWebEnable, m_bWebControlEnable);
  DDX_Text(dx, kSocketNumber, m_nSocketNumber);
  DDV_MinMaxUInt(dx, m_nSocketNumber, 1, 32767);
}

void DlgOptWeb::OnWebEnable() {
  GetDlgItem(kSocketNumber)->EnableWindow(IsDlgButtonChecked(kWebEnable) == BST_CHECKED);
}

// ---- Logs ----

BEGIN_MESSAGE_MAP(DlgOptLog, CPropertyPage)
  ON_BN_CLICKED(DlgOptLog::kErrorLog, OnErrorLogCheck)
  ON_BN_CLICKED(DlgOptLog::kBrowse, OnBrowse)
END_MESSAGE_MAP()

BOOL DlgOptLog::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  OnErrorLogCheck();
  return TRUE;
}

void DlgOptLog::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Check(dx, kErrorLog, m_bErrorLog);
  DDX_Check(dx, kErrorMessageBox, m_bErrorMessageBox);
  DDX_Text(dx, kErrorLogPath, m_strErrorLogPath);
  DDV_MaxChars(dx, m_strErrorLogPath, 255);
}

void DlgOptLog::OnErrorLogCheck() {
  const BOOL logging = IsDlgButtonChecked(kErrorLog) == BST_CHECKED;
  GetDlgItem(kErrorLogPath)->EnableWindow(logging);
  GetDlgItem(kBrowse)->EnableWindow(logging);
}

BOOL DlgOptLog::OnKillActive() {
  const bool logging = IsDlgButtonChecked(kErrorLog) == BST_CHECKED;
  CString path;
  GetDlgItemText(kErrorLogPath, path);
  if (logging && path.GetLength() < kMinLogPathLength) {
    GotoDlgCtrl(GetDlgItem(kErrorLogPath));
    AfxMessageBox(jukebox::LoadText(kNeedLogPath).GetString(), MB_OK | MB_ICONHAND);
    return FALSE;
  }
  if (!logging && IsDlgButtonChecked(kErrorMessageBox) != BST_CHECKED) {
    GotoDlgCtrl(GetDlgItem(kErrorLog));
    AfxMessageBox(jukebox::LoadText(kNoWayToReportErrors).GetString(), MB_OK | MB_ICONHAND);
    return FALSE;
  }
  return CPropertyPage::OnKillActive();
}

void DlgOptLog::OnBrowse() { BrowseFolderInto(*this, kErrorLogPath, kErrorLogFolderTitle); }
