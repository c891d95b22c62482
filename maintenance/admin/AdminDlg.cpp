#include "maintenance/admin/AdminDlg.h"

#include <cstdlib>

#include "maintenance/admin/AdminErrors.h"
#include "maintenance/admin/AdminResources.h"
#include "maintenance/admin/DatabaseCheck.h"
#include "maintenance/admin/DatabaseFileOps.h"
#include "maintenance/admin/StorageUpdateDlg.h"
#include "maintenance/files/FileSteps.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/Process.h"
#include "platform/dao/DaoWorkspace.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/AfxGdi.h"

namespace {

struct FunctionButton {
  UINT button;
  UINT help;
};
constexpr FunctionButton kFunctionButtons[] = {
    {IDC_CHECK, IDC_HELP_CHECK},   {IDC_BACKUP, IDC_HELP_BACKUP},           {IDC_REPAIR, IDC_HELP_REPAIR},
    {IDC_ERASE, IDC_HELP_ERASE},   {IDC_CHANGE_PRIMARY, IDC_HELP_PRIMARY}, {IDC_UPDATE_STORAGE, IDC_HELP_UPDATE},
};

constexpr const char* kDatabaseFilter = "Quaverhouse Database (Quaverhouse.qhd)|Quaverhouse.qhd|All Files (*.*)|*.*||";

bool IsHelpStatic(UINT id) {
  for (const FunctionButton& entry : kFunctionButtons)
    if (entry.help == id) return true;
  return false;
}

// Shows the wait cursor for one function.
class WaitCursor {
 public:
  WaitCursor() {
    if (AfxGetApp()) AfxGetApp()->BeginWaitCursor();
  }
  ~WaitCursor() {
    if (AfxGetApp()) AfxGetApp()->EndWaitCursor();
  }
};

}  // namespace

BEGIN_MESSAGE_MAP(CAdminDlg, CDialog)
  ON_BN_CLICKED(IDC_CHECK, OnCheckDatabase)
  ON_BN_CLICKED(IDC_BACKUP, OnBackupDatabase)
  ON_BN_CLICKED(IDC_REPAIR, OnRepairDatabase)
  ON_BN_CLICKED(IDC_ERASE, OnEraseDatabase)
  ON_BN_CLICKED(IDC_CHANGE_PRIMARY, OnChangePrimaryLocation)
  ON_BN_CLICKED(IDC_UPDATE_STORAGE, OnUpdateStorage)
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_CTLCOLOR()
  ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

CAdminDlg::CAdminDlg(const CString& databaseFolder, CWnd* parent)
    : CDialog(IDD_ADMIN, parent), m_databaseFolder(databaseFolder) {}

CFileSteps& CAdminDlg::Steps() const { return m_pSteps != nullptr ? *m_pSteps : DefaultFileSteps(); }

BOOL CAdminDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (AfxGetApp()) m_hIcon = AfxGetApp()->LoadIcon(kIconId);
  if (m_hIcon) {
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
  }
  SetStatus(LoadText(IDS_CLICK_A_BUTTON));
  for (size_t index = 0; index < m_buttons.size(); ++index) {
    m_buttons[index].SubclassDlgItem(kFunctionButtons[index].button, this);
    m_buttons[index].SetHelpStatic(GetDlgItem(kFunctionButtons[index].help));
  }
  double version = GetDaoEngineVersion();
  if (version < 3.5) {
    AfxMessageBox(FormatText(IDS_OLD_ENGINE, version));
    EndDialog(IDCANCEL);
    return TRUE;
  }
  ShowFolder();
  EnableFunctions(!m_databaseFolder.IsEmpty());
  return TRUE;
}

double CAdminDlg::GetDaoEngineVersion() {
  double version = 0;
  RunReportingErrors([&] {
    CDaoWorkspace workspace;
    workspace.Create("TestWorkSpace", "admin", "");
    version = qh_atof(workspace.GetVersion());
    workspace.Close();
  });
  return version;
}

CString CAdminDlg::StatusText() const {
  CString text;
  GetDlgItemText(IDC_STATUS, text);
  return text;
}

void CAdminDlg::SetStatus(const CString& text) {
  SetDlgItemText(IDC_STATUS, text);
  if (CWnd* status = GetDlgItem(IDC_STATUS)) status->UpdateWindow();
}

void CAdminDlg::ShowFolder() { SetDlgItemText(IDC_DB_PATH, m_databaseFolder.IsEmpty() ? CString("*NONE*") : m_databaseFolder); }

void CAdminDlg::EnableFunctions(bool withDatabase) {
  for (UINT id : {IDC_CHECK, IDC_REPAIR, IDC_BACKUP, IDC_UPDATE_STORAGE})
    if (CWnd* button = GetDlgItem(id)) button->EnableWindow(withDatabase);
  for (UINT id : {IDC_ERASE, IDC_CHANGE_PRIMARY})
    if (CWnd* button = GetDlgItem(id)) button->EnableWindow(TRUE);
}

void CAdminDlg::UseFolderOf(const CString& chosenPath) {
  int slash = chosenPath.ReverseFind('\\');
  if (slash < 0) return;
  m_databaseFolder = chosenPath.Left(slash);
  if (AfxGetApp()) AfxGetApp()->WriteProfileString("", "SongDbPath", m_databaseFolder);
  ShowFolder();
  for (UINT id : {IDC_CHECK, IDC_REPAIR, IDC_BACKUP, IDC_ERASE, IDC_CHANGE_PRIMARY})
    if (CWnd* button = GetDlgItem(id)) button->EnableWindow(TRUE);
}

void CAdminDlg::OnCheckDatabase() {
  WaitCursor wait;
  auto status = [this](const CString& text) { SetStatus(text); };
  CDatabaseCheck check(m_databaseFolder, status);
  // The check deletes rows: without its safety backup it does not run.
  if (!CDatabaseFileOps(m_databaseFolder, status, Steps()).Backup()) {
    SetStatus(LoadText(IDS_CHECK_NOT_RUN));
    return;
  }
  if (!check.Run()) return;
  SetStatus(FormatText(IDS_CHECK_DONE, check.ReportFile().GetString()));
  if (check.ErrorCount() > 0 && AfxMessageBox(IDS_VIEW_REPORT, MB_YESNO | MB_ICONQUESTION) == IDYES)
    ShellExecute(m_hWnd, nullptr, check.ReportFile(), nullptr, m_databaseFolder, SW_SHOWNORMAL);
}

void CAdminDlg::OnBackupDatabase() {
  WaitCursor wait;
  CDatabaseFileOps(m_databaseFolder, [this](const CString& text) { SetStatus(text); }, Steps()).Backup();
}

void CAdminDlg::OnRepairDatabase() {
  WaitCursor wait;
  CDatabaseFileOps(m_databaseFolder, [this](const CString& text) { SetStatus(text); }, Steps()).Repair();
}

void CAdminDlg::OnEraseDatabase() {
  if (m_databaseFolder.IsEmpty()) {
    CFileDialog chooser(FALSE, ".qhd", "Quaverhouse", OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, kDatabaseFilter, this);
    if (chooser.DoModal() != IDOK) return;
    UseFolderOf(chooser.GetPathName());
    if (m_databaseFolder.IsEmpty()) return;
  }
  if (AfxMessageBox(IDS_CONFIRM_ERASE, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  WaitCursor wait;
  CDatabaseFileOps(m_databaseFolder, [this](const CString& text) { SetStatus(text); }, Steps()).CreateNewDatabase();
}

void CAdminDlg::OnChangePrimaryLocation() {
  CFileDialog chooser(TRUE, ".qhd", nullptr, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, kDatabaseFilter,
                      this);
  if (chooser.DoModal() != IDOK) return;
  UseFolderOf(chooser.GetPathName());
}

void CAdminDlg::OnUpdateStorage() {
  CStorageUpdateDlg dialog(m_databaseFolder, this);
  dialog.DoModal();
}

void CAdminDlg::OnMouseMove(UINT flags, CPoint point) {
  for (const FunctionButton& entry : kFunctionButtons)
    if (CWnd* help = GetDlgItem(entry.help)) help->ShowWindow(SW_HIDE);
  CDialog::OnMouseMove(flags, point);
}

void CAdminDlg::OnLButtonDblClk(UINT flags, CPoint point) { SetStatus(LoadText(IDS_CLICK_A_BUTTON)); }

HBRUSH CAdminDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  HBRUSH brush = CDialog::OnCtlColor(dc, wnd, kind);
  if (kind == CTLCOLOR_STATIC && wnd != nullptr && IsHelpStatic(static_cast<UINT>(wnd->GetDlgCtrlID()))) {
    dc->SetTextColor(RGB(0, 0, 200));
    dc->SetBkMode(TRANSPARENT);
    // The dialog's own face: what a transparent static shows, also where nothing was painted under it.
    return GetSysColorBrush(COLOR_BTNFACE);
  }
  return brush;
}

HCURSOR CAdminDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }
