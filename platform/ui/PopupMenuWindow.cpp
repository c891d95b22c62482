// The menu window captures the mouse while it is open, so a press anywhere else reaches it and closes it,
// as menus do; losing the capture, or the focus to another window than the one the menu belongs to,
// closes it too.
#include "platform/ui/PopupMenuWindow.h"

#include <algorithm>

#include "platform/ui/Input.h"

namespace qh::ui {
namespace {

constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 8;
constexpr int kTextIndent = 24;
constexpr UINT kTakeKeyboardBack = WM_USER + 1;  // the menu window's own

bool Choosable(const MenuItemView& item) {
  return item.id != 0 && !(item.state & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP));
}

char Mnemonic(const std::string& text) {
  const std::size_t amp = text.find('&');
  if (amp == std::string::npos || amp + 1 >= text.size()) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(text[amp + 1])));
}

class PopupMenuWindow : public CWnd {
 public:
  explicit PopupMenuWindow(const MenuRequest& request) : request_(request) {}

  UINT Run() {
    CSize size = Measure();
    CRect area(request_.point, size);
    if (request_.flags & TPM_RIGHTALIGN) area.OffsetRect(-size.cx, 0);
    if (request_.flags & TPM_CENTERALIGN) area.OffsetRect(-size.cx / 2, 0);
    if (request_.flags & TPM_BOTTOMALIGN) area.OffsetRect(0, -size.cy);
    if (!CreateEx(WS_EX_TOPMOST, AfxRegisterWndClass(CS_SAVEBITS), "", WS_POPUP | WS_BORDER, area, nullptr, 0))
      return 0;
    ShowWindow(SW_SHOW);
    SetFocus();
    SetCapture();
    captured_ = true;
    RunModalLoop();
    captured_ = false;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    DestroyWindow();
    return chosen_;
  }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_PAINT: Paint(); return 0;
      case WM_ERASEBKGND: return 1;
      case WM_MOUSEMOVE: Highlight(ItemAt(CPoint(lParam))); return 0;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
        if (ItemAt(CPoint(lParam)) < 0 && !InsideWindow(CPoint(lParam))) Close(0);
        return 0;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP: {
        const int index = ItemAt(CPoint(lParam));
        if (index >= 0 && Choosable(request_.items[index])) Close(request_.items[index].id);
        return 0;
      }
      case WM_KEYDOWN: Key(static_cast<UINT>(wParam)); return 0;
      case WM_CHAR: Letter(static_cast<char>(wParam)); return 0;
      case WM_CAPTURECHANGED:
        if (captured_ && reinterpret_cast<HWND>(lParam) != m_hWnd) Close(0);
        return 0;
      case WM_KILLFOCUS:
        // The program moving its focus within the window the menu belongs to (a timer's SetFocus) leaves
        // the menu open with the keyboard; that control has the focus again once the menu ends, as its
        // window's last one. Any other window taking the keyboard closes the menu.
        if (!captured_) return 0;
        if (WithinOwner(reinterpret_cast<HWND>(wParam))) PostMessage(kTakeKeyboardBack);
        else Close(0);
        return 0;
      case kTakeKeyboardBack:
        if (captured_ && ::GetFocus() != m_hWnd) SetFocus();
        return 0;
      default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }

 private:
  CSize Measure() {
    CClientDC dc(nullptr);
    CFont* old = dc.SelectObject(CFont::FromHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))));
    int width = 120, height = 2;
    for (const MenuItemView& item : request_.items) {
      if (item.state & MF_SEPARATOR) {
        height += kSeparatorHeight;
        continue;
      }
      CString text = item.text;
      text.Remove('&');
      width = std::max<int>(width, dc.GetTextExtent(text).cx + kTextIndent * 2);
      height += kItemHeight;
    }
    dc.SelectObject(old);
    return CSize(width + 2, height + 2);
  }

  CRect ItemRect(int index) const {
    CRect client;
    GetClientRect(&client);
    int top = 1;
    for (int i = 0; i < index; ++i) top += (request_.items[i].state & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
    const int height = (request_.items[index].state & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
    return CRect(1, top, client.right - 1, top + height);
  }

  int ItemAt(CPoint point) const {
    for (int i = 0; i < static_cast<int>(request_.items.size()); ++i)
      if (ItemRect(i).PtInRect(point) && !(request_.items[i].state & MF_SEPARATOR)) return i;
    return -1;
  }

  bool WithinOwner(HWND window) const {
    return window && request_.owner && ::GetAncestor(window, GA_ROOT) == ::GetAncestor(request_.owner, GA_ROOT);
  }

  bool InsideWindow(CPoint point) const {
    CRect client;
    GetClientRect(&client);
    return client.PtInRect(point) != FALSE;
  }

  void Highlight(int index) {
    if (index == hot_) return;
    hot_ = index;
    Invalidate(FALSE);
  }

  void Key(UINT key) {
    const int count = static_cast<int>(request_.items.size());
    auto step = [&](int direction) {
      for (int n = 0, i = hot_; n < count; ++n) {
        i = (i + direction + count) % count;
        if (Choosable(request_.items[i])) return Highlight(i);
      }
    };
    if (key == VK_ESCAPE) Close(0);
    else if (key == VK_DOWN) step(1);
    else if (key == VK_UP) step(hot_ < 0 ? 0 : -1);
    else if (key == VK_RETURN && hot_ >= 0 && Choosable(request_.items[hot_])) Close(request_.items[hot_].id);
  }

  void Letter(char ch) {
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    for (const MenuItemView& item : request_.items)
      if (Choosable(item) && Mnemonic(item.text) == wanted) return Close(item.id);
  }

  void Close(UINT command) {
    if (!ContinueModal()) return;
    chosen_ = command;
    captured_ = false;
    EndModalLoop(0);
  }

  void Paint() {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, GetSysColor(COLOR_MENU));
    CFont* old = dc.SelectObject(CFont::FromHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))));
    dc.SetBkMode(TRANSPARENT);
    for (int i = 0; i < static_cast<int>(request_.items.size()); ++i) {
      const MenuItemView& item = request_.items[i];
      CRect rect = ItemRect(i);
      if (item.state & MF_SEPARATOR) {
        dc.FillSolidRect(rect.left + 4, rect.CenterPoint().y, rect.Width() - 8, 1, GetSysColor(COLOR_GRAYTEXT));
        continue;
      }
      const bool hot = i == hot_ && Choosable(item);
      if (hot) dc.FillSolidRect(&rect, GetSysColor(COLOR_HIGHLIGHT));
      dc.SetTextColor(!Choosable(item) ? GetSysColor(COLOR_GRAYTEXT)
                                       : GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
      CRect text = rect;
      text.left += kTextIndent;
      dc.DrawText(CString(item.text), &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
      if (item.state & MF_CHECKED) {
        CRect mark(rect.left + 6, rect.CenterPoint().y - 3, rect.left + 12, rect.CenterPoint().y + 3);
        dc.FillSolidRect(&mark, GetSysColor(COLOR_MENUTEXT));
      }
    }
    dc.SelectObject(old);
  }

  const MenuRequest& request_;
  int hot_ = -1;
  UINT chosen_ = 0;
  bool captured_ = false;
};

}  // namespace

UINT RunPopupMenuWindow(const MenuRequest& request) {
  PopupMenuWindow window(request);
  return window.Run();
}

}  // namespace qh::ui
