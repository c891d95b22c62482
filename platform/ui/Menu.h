// Menus: popup menus built in code and tracked at a screen point; the chosen command comes back as
// WM_COMMAND to the owner window (or as the result with TPM_RETURNCMD). Headless, a test answerer
// sees each tracked menu and chooses; without one the menu is dismissed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/AfxWin.h"

#define MF_STRING 0x00000000u
#define MF_ENABLED 0x00000000u
#define MF_UNCHECKED 0x00000000u
#define MF_BYCOMMAND 0x00000000u
#define MF_GRAYED 0x00000001u
#define MF_DISABLED 0x00000002u
#define MF_BITMAP 0x00000004u
#define MF_CHECKED 0x00000008u
#define MF_POPUP 0x00000010u
#define MF_MENUBARBREAK 0x00000020u
#define MF_MENUBREAK 0x00000040u
#define MF_OWNERDRAW 0x00000100u
#define MF_BYPOSITION 0x00000400u
#define MF_SEPARATOR 0x00000800u
#define TPM_LEFTBUTTON 0x0000u
#define TPM_RIGHTBUTTON 0x0002u
#define TPM_LEFTALIGN 0x0000u
#define TPM_CENTERALIGN 0x0004u
#define TPM_RIGHTALIGN 0x0008u
#define TPM_TOPALIGN 0x0000u
#define TPM_VCENTERALIGN 0x0010u
#define TPM_BOTTOMALIGN 0x0020u
#define TPM_NONOTIFY 0x0080u
#define TPM_RETURNCMD 0x0100u

HMENU CreatePopupMenu();
HMENU CreateMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
// Return the previous state (MF_GRAYED / MF_CHECKED bits), or -1 (0xFFFFFFFF) for an unknown item.
UINT EnableMenuItem(HMENU menu, UINT item, UINT enable);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags);
HMENU GetSubMenu(HMENU menu, int position);
// Shows the menu at a screen point until the user chooses or dismisses it. Returns the chosen command
// with TPM_RETURNCMD (0 when dismissed); otherwise non-zero, and the command is posted to `owner` as
// WM_COMMAND. WM_INITMENUPOPUP goes to the owner first.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);

namespace qh::ui {

struct MenuItemView {
  UINT id = 0;  // 0 for separators and submenus
  std::string text;
  UINT state = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
  std::vector<MenuItemView> submenu;
};
struct MenuRequest {
  HWND owner = nullptr;
  POINT point;
  UINT flags = 0;
  std::vector<MenuItemView> items;
};
// Returns the command to choose, or 0 to dismiss. A disabled or unknown command counts as a dismissal.
using MenuAnswerer = std::function<UINT(const MenuRequest&)>;
void SetMenuAnswerer(MenuAnswerer answerer);

}  // namespace qh::ui

class CMenu {
 public:
  CMenu() = default;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;
  ~CMenu() { DestroyMenu(); }

  HMENU m_hMenu = nullptr;
  operator HMENU() const { return m_hMenu; }  // NOLINT
  HMENU GetSafeHmenu() const { return m_hMenu; }
  static CMenu* FromHandle(HMENU menu);
  BOOL Attach(HMENU menu);
  HMENU Detach();

  BOOL CreatePopupMenu();
  BOOL CreateMenu();
  BOOL DestroyMenu();
  BOOL AppendMenu(UINT flags, UINT_PTR idOrSubmenu = 0, LPCSTR text = nullptr) {
    return ::AppendMenu(m_hMenu, flags, idOrSubmenu, text);
  }
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR idOrSubmenu = 0, LPCSTR text = nullptr) {
    return ::InsertMenu(m_hMenu, position, flags, idOrSubmenu, text);
  }
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR idOrSubmenu = 0, LPCSTR text = nullptr) {
    return ::ModifyMenu(m_hMenu, position, flags, idOrSubmenu, text);
  }
  BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
  BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
  UINT EnableMenuItem(UINT item, UINT enable) { return ::EnableMenuItem(m_hMenu, item, enable); }
  UINT CheckMenuItem(UINT item, UINT check) { return ::CheckMenuItem(m_hMenu, item, check); }
  UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
  UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
  UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
  int GetMenuString(UINT item, CString& text, UINT flags) const;
  CMenu* GetSubMenu(int position) const { return FromHandle(::GetSubMenu(m_hMenu, position)); }
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr) {
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->m_hWnd : nullptr, rect);
  }

 private:
  bool owned_ = false;
};
