// Menus as a table of handles, and the tracking of popup menus through the answerer.
#include "platform/ui/Menu.h"

#include "platform/ui/DisplayLink.h"
#include "platform/ui/PopupMenuWindow.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct MenuItem {
  UINT flags = 0;
  UINT id = 0;
  HMENU submenu = nullptr;
  std::string text;
};
struct MenuRecord {
  std::vector<MenuItem> items;
};

std::mutex g_menuLock;
std::map<HMENU, std::unique_ptr<MenuRecord>>& Menus() {
  static std::map<HMENU, std::unique_ptr<MenuRecord>> menus;
  return menus;
}
std::map<HMENU, std::unique_ptr<CMenu>>& Wrappers() {
  static std::map<HMENU, std::unique_ptr<CMenu>> wrappers;
  return wrappers;
}
std::uintptr_t g_nextMenu = 0x30000;
qh::ui::MenuAnswerer g_answerer;

MenuRecord* Find(HMENU menu) {
  auto it = Menus().find(menu);
  return it == Menus().end() ? nullptr : it->second.get();
}

HMENU NewMenu() {
  std::lock_guard<std::mutex> guard(g_menuLock);
  g_nextMenu += 4;
  auto handle = reinterpret_cast<HMENU>(g_nextMenu);
  Menus()[handle] = std::make_unique<MenuRecord>();
  return handle;
}

// The item an id or position names, searching submenus for ids as the platform does.
MenuItem* Locate(HMENU menu, UINT item, UINT flags, MenuRecord** owner = nullptr, std::size_t* index = nullptr) {
  MenuRecord* record = Find(menu);
  if (!record) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (item >= record->items.size()) return nullptr;
    if (owner) *owner = record;
    if (index) *index = item;
    return &record->items[item];
  }
  for (std::size_t i = 0; i < record->items.size(); ++i) {
    MenuItem& candidate = record->items[i];
    if (!(candidate.flags & MF_POPUP) && !(candidate.flags & MF_SEPARATOR) && candidate.id == item) {
      if (owner) *owner = record;
      if (index) *index = i;
      return &candidate;
    }
    if (candidate.flags & MF_POPUP)
      if (MenuItem* inner = Locate(candidate.submenu, item, flags, owner, index)) return inner;
  }
  return nullptr;
}

MenuItem MakeItem(UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  MenuItem item;
  item.flags = flags & ~static_cast<UINT>(MF_BYPOSITION);
  if (flags & MF_POPUP)
    item.submenu = reinterpret_cast<HMENU>(idOrSubmenu);
  else
    item.id = static_cast<UINT>(idOrSubmenu);
  if (text && !(flags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW))) item.text = text;
  return item;
}

std::vector<qh::ui::MenuItemView> View(HMENU menu, int depth = 0) {
  std::vector<qh::ui::MenuItemView> view;
  MenuRecord* record = Find(menu);
  if (!record || depth > 8) return view;
  for (const MenuItem& item : record->items) {
    qh::ui::MenuItemView shown;
    shown.id = item.id;
    shown.text = item.text;
    shown.state = item.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MF_POPUP);
    if (item.flags & MF_POPUP) shown.submenu = View(item.submenu, depth + 1);
    view.push_back(std::move(shown));
  }
  return view;
}

bool Choosable(const std::vector<qh::ui::MenuItemView>& items, UINT command) {
  for (const qh::ui::MenuItemView& item : items) {
    if (item.state & MF_POPUP) {
      if (Choosable(item.submenu, command)) return true;
    } else if (!(item.state & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) && item.id == command) {
      return true;
    }
  }
  return false;
}

}  // namespace

void qh::ui::SetMenuAnswerer(MenuAnswerer answerer) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  g_answerer = std::move(answerer);
}

HMENU CreatePopupMenu() { return NewMenu(); }
HMENU CreateMenu() { return NewMenu(); }

BOOL DestroyMenu(HMENU menu) {
  std::vector<HMENU> submenus;
  {
    std::lock_guard<std::mutex> guard(g_menuLock);
    MenuRecord* record = Find(menu);
    if (!record) return FALSE;
    for (const MenuItem& item : record->items)
      if (item.flags & MF_POPUP) submenus.push_back(item.submenu);
    Menus().erase(menu);
    auto wrapper = Wrappers().find(menu);
    if (wrapper != Wrappers().end()) {
      wrapper->second->m_hMenu = nullptr;
      Wrappers().erase(wrapper);
    }
  }
  for (HMENU submenu : submenus) DestroyMenu(submenu);  // a menu owns its submenus
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  return Find(menu) ? TRUE : FALSE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuRecord* record = Find(menu);
  if (!record) return FALSE;
  record->items.push_back(MakeItem(flags, idOrSubmenu, text));
  return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuRecord* owner = nullptr;
  std::size_t index = 0;
  if (!Locate(menu, position, flags, &owner, &index)) {
    MenuRecord* record = Find(menu);
    if (!record || !(flags & MF_BYPOSITION)) return FALSE;
    record->items.push_back(MakeItem(flags, idOrSubmenu, text));  // past the end: appended
    return TRUE;
  }
  owner->items.insert(owner->items.begin() + static_cast<std::ptrdiff_t>(index), MakeItem(flags, idOrSubmenu, text));
  return TRUE;
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuItem* item = Locate(menu, position, flags);
  if (!item) return FALSE;
  *item = MakeItem(flags, idOrSubmenu, text);
  return TRUE;
}

static BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroySubmenu) {
  HMENU submenu = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_menuLock);
    MenuRecord* owner = nullptr;
    std::size_t index = 0;
    MenuItem* item = Locate(menu, position, flags, &owner, &index);
    if (!item) return FALSE;
    if (item->flags & MF_POPUP) submenu = item->submenu;
    owner->items.erase(owner->items.begin() + static_cast<std::ptrdiff_t>(index));
  }
  if (destroySubmenu && submenu) DestroyMenu(submenu);
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, true); }
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, false); }

UINT EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuItem* found = Locate(menu, item, enable);
  if (!found) return 0xFFFFFFFFu;
  UINT old = found->flags & (MF_GRAYED | MF_DISABLED);
  found->flags = (found->flags & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuItem* found = Locate(menu, item, check);
  if (!found) return 0xFFFFFFFFu;
  DWORD old = found->flags & MF_CHECKED;
  found->flags = (found->flags & ~static_cast<UINT>(MF_CHECKED)) | (check & MF_CHECKED);
  return old;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuItem* found = Locate(menu, item, flags);
  return found ? found->flags : 0xFFFFFFFFu;
}

int GetMenuItemCount(HMENU menu) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuRecord* record = Find(menu);
  return record ? static_cast<int>(record->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuItem* found = position < 0 ? nullptr : Locate(menu, static_cast<UINT>(position), MF_BYPOSITION);
  if (!found) return 0xFFFFFFFFu;
  return (found->flags & MF_POPUP) ? 0xFFFFFFFFu : found->id;
}

int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuItem* found = Locate(menu, item, flags);
  if (!found) return 0;
  int length = static_cast<int>(found->text.size());
  if (!buffer || maxCount <= 0) return length;
  length = std::min(length, maxCount - 1);
  std::memcpy(buffer, found->text.data(), static_cast<std::size_t>(length));
  buffer[length] = '\0';
  return length;
}

HMENU GetSubMenu(HMENU menu, int position) {
  std::lock_guard<std::mutex> guard(g_menuLock);
  MenuItem* found = position < 0 ? nullptr : Locate(menu, static_cast<UINT>(position), MF_BYPOSITION);
  return found && (found->flags & MF_POPUP) ? found->submenu : nullptr;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (!IsMenu(menu) || (owner && !IsWindow(owner))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (owner && !(flags & TPM_NONOTIFY)) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  qh::ui::MenuRequest request;
  request.owner = owner;
  request.point = POINT{x, y};
  request.flags = flags;
  {
    std::lock_guard<std::mutex> guard(g_menuLock);
    request.items = View(menu);
  }
  qh::ui::MenuAnswerer answerer;
  {
    std::lock_guard<std::mutex> guard(g_menuLock);
    answerer = g_answerer;
  }
  UINT command = 0;
  if (answerer) {
    command = answerer(request);
  } else if (qh::ui::DisplayActive()) {
    command = qh::ui::RunPopupMenuWindow(request);
  } else {
    std::fprintf(stderr, "popup menu at %d,%d dismissed (no one to choose)\n", x, y);
  }
  if (command && !Choosable(request.items, command)) command = 0;
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(command);
  if (command && owner) PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
  return TRUE;
}

// ---- CMenu ----
CMenu* CMenu::FromHandle(HMENU menu) {
  if (!IsMenu(menu)) return nullptr;
  std::lock_guard<std::mutex> guard(g_menuLock);
  auto it = Wrappers().find(menu);
  if (it != Wrappers().end()) return it->second.get();
  auto wrapper = std::make_unique<CMenu>();
  wrapper->m_hMenu = menu;
  CMenu* result = wrapper.get();
  Wrappers()[menu] = std::move(wrapper);
  return result;
}

BOOL CMenu::Attach(HMENU menu) {
  if (m_hMenu || !IsMenu(menu)) return FALSE;
  m_hMenu = menu;
  owned_ = true;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  m_hMenu = nullptr;
  owned_ = false;
  return menu;
}

BOOL CMenu::CreatePopupMenu() {
  if (m_hMenu) return FALSE;
  m_hMenu = ::CreatePopupMenu();
  owned_ = true;
  return TRUE;
}

BOOL CMenu::CreateMenu() {
  if (m_hMenu) return FALSE;
  m_hMenu = ::CreateMenu();
  owned_ = true;
  return TRUE;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu || !owned_) {
    m_hMenu = nullptr;
    return FALSE;
  }
  HMENU menu = Detach();
  return ::DestroyMenu(menu);
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
  int length = ::GetMenuString(m_hMenu, item, nullptr, 0, flags);
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  length = ::GetMenuString(m_hMenu, item, buffer.data(), length + 1, flags);
  buffer.resize(static_cast<std::size_t>(length));
  text = CString(buffer);
  return length;
}

// ---- System menus ----
HMENU GetSystemMenu(HWND hWnd, BOOL revert) {
  static std::mutex lock;
  static std::map<HWND, HMENU> menus;
  if (!IsWindow(hWnd)) return nullptr;
  std::lock_guard<std::mutex> guard(lock);
  for (auto it = menus.begin(); it != menus.end();) {  // menus of windows that are gone
    if (!IsWindow(it->first)) {
      DestroyMenu(it->second);
      it = menus.erase(it);
    } else {
      ++it;
    }
  }
  auto found = menus.find(hWnd);
  if (found != menus.end() && !revert) return found->second;
  if (found != menus.end()) {
    DestroyMenu(found->second);
    menus.erase(found);
  }
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, SC_RESTORE, "&Restore");
  AppendMenu(menu, MF_STRING, SC_MOVE, "&Move");
  AppendMenu(menu, MF_STRING, SC_SIZE, "&Size");
  AppendMenu(menu, MF_STRING, SC_MINIMIZE, "Mi&nimize");
  AppendMenu(menu, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenu(menu, MF_STRING, SC_CLOSE, "&Close");
  menus[hWnd] = menu;
  return revert ? nullptr : menu;
}
