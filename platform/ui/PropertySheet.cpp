// Property sheets and pages, and the tab control's framework class.
#include "platform/ui/PropertySheet.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"

namespace {

constexpr int kMargin = 7;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kTabStrip = 24;

RECT PagePixels(const qh::ui::DialogTemplate& page) { return qh::ui::DialogUnitsToPixels(0, 0, page.cx, page.cy); }

}  // namespace

// ---- CPropertyPage -----------------------------------------------------------------------------------
CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) : CDialog(templateId), captionId_(captionId) {}

BOOL CPropertyPage::OnSetActive() { return TRUE; }
BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }
BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}
void CPropertyPage::OnReset() { OnCancel(); }
BOOL CPropertyPage::OnQueryCancel() { return TRUE; }

void CPropertyPage::SetModified(BOOL changed) {
  if (sheet_) sheet_->EnableApply(changed != FALSE);
}

// The sheet handles Enter, Escape and Tab for its pages.
BOOL CPropertyPage::PreTranslateMessage(MSG*) { return FALSE; }

CString CPropertyPage::GetCaption() const {
  CString caption;
  if (captionId_ && caption.LoadString(captionId_)) return caption;
  if (auto found = qh::ui::FindDialogTemplate(m_nTemplateId)) return CString(found->caption);
  return caption;
}

BOOL CPropertyPage::CreatePage(CPropertySheet& sheet, const RECT& area) {
  std::optional<qh::ui::DialogTemplate> found = qh::ui::FindDialogTemplate(m_nTemplateId);
  if (!found) {
    std::fprintf(stderr, "property page template %u is not registered\n", m_nTemplateId);
    return FALSE;
  }
  qh::ui::DialogTemplate page = *found;
  page.style = (page.style & ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_THICKFRAME |
                                                 WS_BORDER | WS_DLGFRAME)) |
               WS_CHILD;
  page.x = page.y = 0;
  sheet_ = &sheet;
  if (!CreateFromTemplate(page, sheet.m_hWnd, false)) return FALSE;
  MoveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
  return TRUE;
}

// ---- CPropertySheet ----------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
ON_WM_CLOSE()
END_MESSAGE_MAP()

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT selectPage) : parent_(parent) {
  caption_.LoadString(captionId);
  m_psh.nStartPage = selectPage;
}

CPropertySheet::CPropertySheet(LPCSTR caption, CWnd* parent, UINT selectPage) : caption_(caption), parent_(parent) {
  m_psh.nStartPage = selectPage;
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page) return;
  pages_.push_back(page);
  if (tabs_.m_hWnd) tabs_.InsertItem(static_cast<int>(pages_.size()) - 1, page->GetCaption());
}

void CPropertySheet::RemovePage(CPropertyPage* page) {
  int index = GetPageIndex(page);
  if (index < 0) return;
  if (page->m_hWnd) page->DestroyWindow();
  pages_.erase(pages_.begin() + index);
  if (tabs_.m_hWnd) tabs_.DeleteItem(index);
  if (active_ == index) {
    active_ = -1;
    if (!pages_.empty() && m_hWnd) Activate(std::min<int>(index, static_cast<int>(pages_.size()) - 1));
  } else if (active_ > index) {
    --active_;
  }
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < static_cast<int>(pages_.size()) ? pages_[index] : nullptr;
}
CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(active_); }
int CPropertySheet::GetPageIndex(CPropertyPage* page) const {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void CPropertySheet::SetTitle(LPCSTR title) {
  caption_ = title;
  if (m_hWnd) SetWindowText(title);
}

BOOL CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount()) return FALSE;
  if (!m_hWnd) {
    m_psh.nStartPage = static_cast<UINT>(index);
    return TRUE;
  }
  if (index == active_) return TRUE;
  if (!LeaveActivePage()) return FALSE;
  return Activate(index) ? TRUE : FALSE;
}

bool CPropertySheet::Activate(int index) {
  CPropertyPage* page = GetPage(index);
  if (!page) return false;
  if (!page->m_hWnd && !page->CreatePage(*this, pageArea_)) return false;
  if (!page->OnSetActive()) return false;
  if (CPropertyPage* old = GetActivePage(); old && old != page && old->m_hWnd) old->ShowWindow(SW_HIDE);
  active_ = index;
  tabs_.SetCurSel(index);
  // The page lies over the tab control's display area: it must be above it to take the clicks.
  page->BringWindowToTop();
  page->ShowWindow(SW_SHOW);
  if (CWnd* first = page->GetNextDlgTabItem(nullptr)) first->SetFocus();
  return true;
}

bool CPropertySheet::LeaveActivePage() {
  CPropertyPage* page = GetActivePage();
  return !page || !page->m_hWnd || page->OnKillActive();
}

bool CPropertySheet::ApplyAll() {
  if (!LeaveActivePage()) return false;
  for (CPropertyPage* page : pages_) {
    if (!page->m_hWnd) continue;  // a page never shown has nothing to apply
    if (!page->OnApply()) {
      Activate(GetPageIndex(page));
      return false;
    }
  }
  EnableApply(false);
  return true;
}

void CPropertySheet::Cancel() {
  for (CPropertyPage* page : pages_)
    if (page->m_hWnd && !page->OnQueryCancel()) return;
  for (CPropertyPage* page : pages_)
    if (page->m_hWnd) page->OnReset();
  EndDialog(IDCANCEL);
}

void CPropertySheet::EnableApply(bool enable) {
  if (apply_.m_hWnd) apply_.EnableWindow(enable ? TRUE : FALSE);
}

void CPropertySheet::EndDialog(int result) { EndModalLoop(result); }

BOOL CPropertySheet::PressButton(int button) {
  switch (button) {
    case PSBTN_OK: return PostMessage(WM_COMMAND, IDOK);
    case PSBTN_CANCEL: return PostMessage(WM_COMMAND, IDCANCEL);
    case PSBTN_APPLYNOW: return PostMessage(WM_COMMAND, ID_APPLY_NOW);
    default: return FALSE;
  }
}

BOOL CPropertySheet::OnInitDialog() { return TRUE; }

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
      if (ApplyAll()) EndDialog(IDOK);
      return TRUE;
    case IDCANCEL: Cancel(); return TRUE;
    case ID_APPLY_NOW: ApplyAll(); return TRUE;
    default: return CWnd::OnCommand(wParam, lParam);
  }
}

BOOL CPropertySheet::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header && header->hwndFrom == tabs_.m_hWnd) {
    if (header->code == TCN_SELCHANGING) {
      *result = LeaveActivePage() ? FALSE : TRUE;  // TRUE keeps the current tab
      return TRUE;
    }
    if (header->code == TCN_SELCHANGE) {
      int wanted = tabs_.GetCurSel();
      if (!Activate(wanted)) tabs_.SetCurSel(active_);
      *result = 0;
      return TRUE;
    }
  }
  return CWnd::OnNotify(wParam, lParam, result);
}

void CPropertySheet::OnClose() { Cancel(); }

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) {
  if (msg->message != WM_KEYDOWN || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) return FALSE;
  HWND focus = ::GetFocus();
  LRESULT code = focus ? ::SendMessage(focus, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)) : 0;
  if (code & DLGC_WANTALLKEYS) return FALSE;
  switch (msg->wParam) {
    case VK_ESCAPE: SendMessage(WM_COMMAND, IDCANCEL); return TRUE;
    case VK_RETURN:
      if (focus && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && ::IsWindowEnabled(focus))
        ::SendMessage(::GetParent(focus), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(::GetDlgCtrlID(focus)), BN_CLICKED),
                      reinterpret_cast<LPARAM>(focus));
      else
        SendMessage(WM_COMMAND, IDOK);
      return TRUE;
    case VK_TAB:
      if (code & DLGC_WANTTAB) return FALSE;
      if (CPropertyPage* page = GetActivePage())
        if (CWnd* next = page->GetNextDlgTabItem(CWnd::FromHandle(focus), (::GetKeyState(VK_SHIFT) & 0x8000) != 0))
          next->SetFocus();
      return TRUE;
    default: return FALSE;
  }
}

INT_PTR CPropertySheet::DoModal() {
  if (pages_.empty()) return -1;
  // The page area holds the largest page.
  int pageWidth = 0, pageHeight = 0;
  for (CPropertyPage* page : pages_) {
    auto found = qh::ui::FindDialogTemplate(page->m_nTemplateId);
    if (!found) {
      std::fprintf(stderr, "property page template %u is not registered\n", page->m_nTemplateId);
      return -1;
    }
    RECT size = PagePixels(*found);
    pageWidth = std::max<int>(pageWidth, size.right);
    pageHeight = std::max<int>(pageHeight, size.bottom);
  }
  int clientWidth = pageWidth + 4 * kMargin;
  int clientHeight = kMargin + kTabStrip + pageHeight + 3 * kMargin + kButtonHeight + kMargin;
  HWND owner = qh::ui::ModalOwner(parent_ ? parent_->m_hWnd : nullptr);
  m_nFlags |= WF_CONTINUEMODAL;
  m_nModalResult = -1;
  if (!CreateEx(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, WC_DIALOG, caption_, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                clientWidth + 6, clientHeight + 6 + 19, owner, nullptr))
    return -1;
  auto font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  RECT tabArea{kMargin, kMargin, kMargin + pageWidth + 2 * kMargin, kMargin + kTabStrip + pageHeight + 2 * kMargin};
  tabs_.Create(WS_VISIBLE | WS_TABSTOP, tabArea, this, AFX_IDC_TAB_CONTROL);
  tabs_.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font));
  pageArea_ = RECT{2 * kMargin, kMargin + kTabStrip + kMargin, 2 * kMargin + pageWidth, kMargin + kTabStrip + kMargin + pageHeight};
  for (int i = 0; i < GetPageCount(); ++i) tabs_.InsertItem(i, pages_[i]->GetCaption());
  int buttonTop = tabArea.bottom + kMargin;
  int right = clientWidth - kMargin;
  bool withApply = !(m_psh.dwFlags & PSH_NOAPPLYNOW);
  if (withApply) {
    apply_.Create("&Apply", WS_VISIBLE | WS_TABSTOP | WS_DISABLED, CRect(right - kButtonWidth, buttonTop, right, buttonTop + kButtonHeight), this, ID_APPLY_NOW);
    right -= kButtonWidth + kMargin;
  }
  cancel_.Create("Cancel", WS_VISIBLE | WS_TABSTOP, CRect(right - kButtonWidth, buttonTop, right, buttonTop + kButtonHeight), this, IDCANCEL);
  right -= kButtonWidth + kMargin;
  ok_.Create("OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, CRect(right - kButtonWidth, buttonTop, right, buttonTop + kButtonHeight), this, IDOK);
  for (CButton* button : {&ok_, &cancel_, &apply_})
    if (button->m_hWnd) button->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font));
  CenterWindow();
  OnInitDialog();
  int start = std::min<int>(static_cast<int>(m_psh.nStartPage), GetPageCount() - 1);
  if (!Activate(start)) Activate(0);
  {
    qh::ui::ModalDisabler disabler(m_hWnd);
    ShowWindow(SW_SHOW);
    ::SetActiveWindow(m_hWnd);
    if (GetActivePage())
      if (CWnd* first = GetActivePage()->GetNextDlgTabItem(nullptr)) first->SetFocus();
    qh::ui::RunDialogAnswerer(*this);
    if (ContinueModal()) RunModalLoop();
  }
  if (m_hWnd) DestroyWindow();
  active_ = -1;
  if (owner && ::IsWindow(owner)) ::SetActiveWindow(owner);
  return m_nModalResult;
}
