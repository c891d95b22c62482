#include "platform/media/PluginPropertyPage.h"

#include <cmath>

#include "platform/media/Ladspa.h"

namespace qh::media {
namespace {

constexpr int kRowHeight = 16;

qh::ui::DialogTemplate PageTemplate(const CString& caption, const std::vector<PluginControl>& controls) {
  qh::ui::DialogTemplate t;
  t.caption = caption.str();
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.cx = 300;
  t.cy = 30 + kRowHeight * static_cast<int>(controls.size()) + 20;
  int y = 8;
  for (size_t i = 0; i < controls.size(); ++i, y += kRowHeight) {
    const UINT id = kFirstControlId + static_cast<UINT>(i);
    if (controls[i].toggled) {
      t.items.push_back({"Button", controls[i].name.str(), id, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                         8, y, 280, 12});
      continue;
    }
    t.items.push_back({"Static", controls[i].name.str(), 0xFFFF, WS_CHILD | WS_VISIBLE, 0, 8, y + 2, 100, 10});
    t.items.push_back({TRACKBAR_CLASS, "", id, WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 0, 110, y,
                       130, 14});
    t.items.push_back({"Static", "", kFirstValueTextId + static_cast<UINT>(i), WS_CHILD | WS_VISIBLE, 0, 244, y + 2,
                       50, 10});
  }
  t.items.push_back({"Button", "OK", IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 180, y + 6, 50, 14});
  t.items.push_back({"Button", "Cancel", IDCANCEL, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 240, y + 6, 50, 14});
  return t;
}

}  // namespace

bool HasPluginPropertyPage(IBaseFilter* filter) { return !GetPluginControls(filter).empty(); }

INT_PTR ShowPluginPropertyPage(HWND owner, IBaseFilter* filter, const CString& caption) {
  if (!HasPluginPropertyPage(filter)) return IDCANCEL;
  CPluginPropertyPage page(filter, caption, CWnd::FromHandle(owner));
  return page.DoModal();
}

CPluginPropertyPage::CPluginPropertyPage(IBaseFilter* filter, const CString& caption, CWnd* parent)
    : filter_(filter), caption_(caption) {
  m_pParentWnd = parent;
}

INT_PTR CPluginPropertyPage::DoModal() {
  // The page has no resource of its own: its template is made from the ports.
  const std::vector<PluginControl> controls = GetPluginControls(filter_);
  constexpr UINT kPageTemplateId = 0x7F00;
  qh::ui::RegisterDialogTemplate(kPageTemplateId, PageTemplate(caption_, controls));
  m_nTemplateId = kPageTemplateId;
  return CDialog::DoModal();
}

BOOL CPluginPropertyPage::OnInitDialog() {
  CDialog::OnInitDialog();
  const std::vector<PluginControl> controls = GetPluginControls(filter_);
  for (size_t i = 0; i < controls.size(); ++i) {
    const PluginControl& c = controls[i];
    const int id = static_cast<int>(kFirstControlId + i);
    if (c.toggled) {
      CheckDlgButton(id, c.value >= 0.5f ? BST_CHECKED : BST_UNCHECKED);
      continue;
    }
    const double span = c.maximum - c.minimum;
    const int position = span > 0 ? static_cast<int>(std::lround((c.value - c.minimum) / span * kSliderSteps)) : 0;
    ::SendMessage(::GetDlgItem(m_hWnd, id), TBM_SETRANGE, FALSE, MAKELPARAM(0, kSliderSteps));
    ::SendMessage(::GetDlgItem(m_hWnd, id), TBM_SETPOS, TRUE, position);
    ShowValue(i);
  }
  return TRUE;
}

float CPluginPropertyPage::ValueOf(size_t index) {
  const PluginControl c = GetPluginControls(filter_)[index];
  const int id = static_cast<int>(kFirstControlId + index);
  if (c.toggled) return IsDlgButtonChecked(id) == BST_CHECKED ? 1.0f : 0.0f;
  const int position = static_cast<int>(::SendMessage(::GetDlgItem(m_hWnd, id), TBM_GETPOS, 0, 0));
  float value = c.minimum + (c.maximum - c.minimum) * position / static_cast<float>(kSliderSteps);
  if (c.integer) value = std::round(value);
  return value;
}

void CPluginPropertyPage::ShowValue(size_t index) {
  CString text;
  text.Format("%.3g", ValueOf(index));
  SetDlgItemText(static_cast<int>(kFirstValueTextId + index), text);
}

LRESULT CPluginPropertyPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HSCROLL && lParam != 0) {
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (id >= static_cast<int>(kFirstControlId) && id < static_cast<int>(kFirstValueTextId))
      ShowValue(static_cast<size_t>(id - kFirstControlId));
  }
  return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CPluginPropertyPage::OnCommand(WPARAM wParam, LPARAM lParam) { return CDialog::OnCommand(wParam, lParam); }

void CPluginPropertyPage::OnOK() {
  const size_t count = GetPluginControls(filter_).size();
  for (size_t i = 0; i < count; ++i) SetPluginControl(filter_, i, ValueOf(i));
  EndDialog(IDOK);
}

}  // namespace qh::media
