#include "recorder/TipDlg.h"

#include <sys/stat.h>

#include <ctime>

#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/ui/WinApp.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"

namespace {
constexpr int kLineLength = 1000;  // tips of at most 999 characters
constexpr UINT kShowAtStart = 1001, kNextTip = 1002, kPicture = 1000, kTipText = 1004;

bool IsTipLine(const char* line) {
  return line[0] != ' ' && line[0] != '\t' && line[0] != '\r' && line[0] != '\n' && line[0] != ';' && line[0] != 0;
}
}  // namespace

bool CTipsFile::Open(const CString& path) {
  Close();
  std::string host = qh::HostPathOf(path);
  if (host.empty()) return false;
  m_file = std::fopen(host.c_str(), "rb");
  if (m_file == nullptr) return false;
  struct stat info {};
  if (stat(host.c_str(), &info) == 0) {
    char text[32] = {};
    std::tm parts{};
    localtime_r(&info.st_mtime, &parts);
    std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &parts);
    m_timeStamp = text;
    m_timeStamp.TrimRight();
  }
  return true;
}

void CTipsFile::Close() {
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
}

bool CTipsFile::Seek(long offset) { return m_file != nullptr && std::fseek(m_file, offset, SEEK_SET) == 0; }

long CTipsFile::Tell() const { return m_file != nullptr ? std::ftell(m_file) : 0; }

bool CTipsFile::ReadNextTip(CString& tip) {
  if (m_file == nullptr) return false;
  char line[kLineLength];
  bool wrapped = false;
  while (true) {
    if (std::fgets(line, sizeof line, m_file) == nullptr) {
      if (wrapped || !Seek(0)) return false;  // a whole pass without a tip
      wrapped = true;
      continue;
    }
    if (!IsTipLine(line)) continue;
    tip = line;
    tip.TrimRight("\r\n");
    return true;
  }
}

BEGIN_MESSAGE_MAP(CTipDlg, CDialog)
  ON_BN_CLICKED(1002, OnNextTip)
  ON_WM_PAINT()
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CTipDlg::CTipDlg(CWnd* parent) : CDialog(IDD_TIP, parent) {
  CWinApp* app = AfxGetApp();
  m_startUp = static_cast<int>(app->GetProfileInt("Tip", "StartUp", 0)) <= 0;
  long position = static_cast<long>(app->GetProfileInt("Tip", "FilePos", 0));
  if (!m_tips.Open("tips.txt")) {
    m_tip = LoadText(IDS_TIPS_MISSING);
    return;
  }
  CString stamp = app->GetProfileString("Tip", "TimeStamp", "");
  if (stamp != m_tips.TimeStampText()) {
    position = 0;
    app->WriteProfileString("Tip", "TimeStamp", m_tips.TimeStampText());
  }
  if (!m_tips.Seek(position)) {
    m_tip = LoadText(IDS_TIPS_UNREADABLE);
    return;
  }
  ShowNextTip();
}

CTipDlg::~CTipDlg() = default;

void CTipDlg::ShowNextTip() {
  if (!m_tips.ReadNextTip(m_tip)) m_tip = LoadText(IDS_TIPS_UNREADABLE);
}

BOOL CTipDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CheckDlgButton(kShowAtStart, m_startUp ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemText(kTipText, m_tip);
  if (!m_tips.IsOpen()) GetDlgItem(kNextTip)->EnableWindow(FALSE);
  // The frame only marks where the dialog paints its white panel and heading: shown, it would paint
  // its own background over them and over the tip beneath it.
  if (CWnd* picture = GetDlgItem(kPicture)) picture->ShowWindow(SW_HIDE);
  return TRUE;
}

void CTipDlg::OnNextTip() {
  ShowNextTip();
  SetDlgItemText(kTipText, m_tip);
}

void CTipDlg::OnOK() {
  AfxGetApp()->WriteProfileInt("Tip", "StartUp", IsDlgButtonChecked(kShowAtStart) ? 0 : 1);
  CDialog::OnOK();
}

HBRUSH CTipDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  if (wnd != nullptr && wnd->GetDlgCtrlID() == static_cast<int>(kTipText))
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  return CDialog::OnCtlColor(dc, wnd, kind);
}

void CTipDlg::OnPaint() {
  CPaintDC dc(this);
  CWnd* picture = GetDlgItem(kPicture);
  if (picture == nullptr) return;
  CRect area;
  picture->GetWindowRect(&area);
  ScreenToClient(&area);
  dc.FillSolidRect(&area, RGB(255, 255, 255));
  CString heading = LoadText(IDS_DID_YOU_KNOW);
  CRect line = area;
  line.left += 8;
  line.bottom = line.top + 24;
  dc.SetBkMode(TRANSPARENT);
  dc.DrawText(heading, &line, DT_VCENTER | DT_SINGLELINE);
}

void CTipDlg::OnDestroy() {
  if (m_tips.IsOpen()) {
    AfxGetApp()->WriteProfileInt("Tip", "FilePos", static_cast<int>(m_tips.Tell()));
    m_tips.Close();
  }
  CDialog::OnDestroy();
}
