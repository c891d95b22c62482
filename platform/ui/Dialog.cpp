// Dialog templates, CDialog and dialog data exchange.
#include "platform/ui/Dialog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/core/Cp1252.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/Gdi.h"

namespace qh::ui {
namespace {

std::mutex g_templateLock;
std::map<UINT, DialogTemplate>& Templates() {
  static std::map<UINT, DialogTemplate> templates;
  return templates;
}
DialogAnswerer g_dialogAnswerer;

// Splits a template line into words, keeping quoted texts whole (without their quotes).
bool SplitLine(const std::string& line, std::vector<std::string>& words, std::vector<bool>& quoted) {
  std::size_t i = 0;
  while (i < line.size()) {
    if (std::isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          char next = line[i++];
          word += next == 'n' ? '\n' : next;
        } else {
          word += c;
        }
      }
      if (!closed) return false;
      quoted.push_back(true);
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
      quoted.push_back(false);
    }
    words.push_back(word);
  }
  return true;
}

bool Number(const std::string& word, long long& out) {
  if (word.empty()) return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtoll(word.c_str(), &end, 0);
  return errno == 0 && end && *end == '\0';
}

bool Fill(const std::vector<std::string>& words, std::size_t first, std::initializer_list<int*> targets) {
  std::size_t i = first;
  for (int* target : targets) {
    long long value;
    if (i >= words.size() || !Number(words[i++], value)) return false;
    *target = static_cast<int>(value);
  }
  return true;
}

bool Options(const std::vector<std::string>& words, std::size_t from, DWORD& style, DWORD& exStyle) {
  for (std::size_t i = from; i < words.size(); i += 2) {
    long long value;
    if (i + 1 >= words.size() || !Number(words[i + 1], value)) return false;
    if (Cp1252EqualNoCase(words[i], "STYLE"))
      style = static_cast<DWORD>(value);
    else if (Cp1252EqualNoCase(words[i], "EXSTYLE"))
      exStyle = static_cast<DWORD>(value);
    else
      return false;
  }
  return true;
}

}  // namespace

void RegisterDialogTemplate(UINT id, DialogTemplate dialogTemplate) {
  std::lock_guard<std::mutex> guard(g_templateLock);
  Templates()[id] = std::move(dialogTemplate);
}

std::optional<DialogTemplate> FindDialogTemplate(UINT id) {
  std::lock_guard<std::mutex> guard(g_templateLock);
  auto it = Templates().find(id);
  if (it == Templates().end()) return std::nullopt;
  return it->second;
}

bool LoadDialogTemplates(const std::string& text, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  std::optional<std::pair<UINT, DialogTemplate>> open;
  auto fail = [&](const char* why) {
    if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::vector<std::string> words;
    std::vector<bool> quoted;
    if (!SplitLine(line, words, quoted)) return fail("unterminated text");
    if (words.empty() || (!quoted[0] && words[0][0] == '#')) continue;
    const std::string& keyword = words[0];
    if (Cp1252EqualNoCase(keyword, "DIALOG")) {
      if (open) return fail("DIALOG inside a DIALOG");
      long long id;
      DialogTemplate made;
      if (words.size() < 7 || !Number(words[1], id) || !quoted[2] || id <= 0 || id > 0xFFFF)
        return fail("expected DIALOG <id> \"<caption>\" <x> <y> <cx> <cy>");
      made.caption = words[2];
      if (!Fill(words, 3, {&made.x, &made.y, &made.cx, &made.cy})) return fail("bad dialog position");
      if (!Options(words, 7, made.style, made.exStyle)) return fail("bad dialog option");
      open.emplace(static_cast<UINT>(id), std::move(made));
    } else if (Cp1252EqualNoCase(keyword, "CONTROL")) {
      if (!open) return fail("CONTROL outside a DIALOG");
      DialogItemTemplate item;
      long long id, style;
      if (words.size() < 9 || !Number(words[1], id) || !quoted[3] || !Number(words[4], style))
        return fail("expected CONTROL <id> <class> \"<text>\" <style> <x> <y> <cx> <cy>");
      item.id = static_cast<UINT>(id);
      item.className = words[2];
      item.text = words[3];
      item.style = static_cast<DWORD>(style);
      DWORD ignoredStyle = 0;
      if (!Fill(words, 5, {&item.x, &item.y, &item.cx, &item.cy})) return fail("bad control position");
      if (!Options(words, 9, ignoredStyle, item.exStyle)) return fail("bad control option");
      open->second.items.push_back(std::move(item));
    } else if (Cp1252EqualNoCase(keyword, "END")) {
      if (!open) return fail("END without DIALOG");
      RegisterDialogTemplate(open->first, std::move(open->second));
      open.reset();
    } else {
      return fail("unknown keyword");
    }
  }
  if (open) return fail("DIALOG without END");
  return true;
}

bool LoadDialogTemplateFile(const std::string& path, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (error) *error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::string problem;
  if (LoadDialogTemplates(text.str(), &problem)) return true;
  if (error) *error = path + ": " + problem;
  return false;
}

bool LoadDialogTemplateFolder(const std::string& folder, std::string* error) {
  std::error_code failure;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, failure))
    if (entry.is_regular_file() && entry.path().extension() == ".dlg") files.push_back(entry.path());
  if (failure) {
    if (error) *error = folder + ": " + failure.message();
    return false;
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files)
    if (!LoadDialogTemplateFile(file.string(), error)) return false;
  return true;
}

RECT DialogUnitsToPixels(int x, int y, int cx, int cy) {
  auto px = [](int units) { return units * 6 / 4; };
  auto py = [](int units) { return units * 13 / 8; };
  return RECT{px(x), py(y), px(x) + px(cx), py(y) + py(cy)};
}

void SetDialogAnswerer(DialogAnswerer answerer) { g_dialogAnswerer = std::move(answerer); }

void RunDialogAnswerer(CWnd& dialog) {
  if (g_dialogAnswerer && dialog.ContinueModal()) g_dialogAnswerer(dialog);
}

}  // namespace qh::ui

using namespace qh::ui;

// ---- CDialog -----------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOkCommand)
ON_COMMAND(IDCANCEL, OnCancelCommand)
ON_WM_CLOSE()
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParentWnd(parent) {}
CDialog::CDialog(LPCSTR templateName, CWnd* parent)
    : m_nTemplateId(static_cast<UINT>(std::strtoul(templateName ? templateName : "0", nullptr, 10))),
      m_pParentWnd(parent) {}

namespace qh::ui {

HWND ModalOwner(HWND parent) {
  HWND owner = parent && ::IsWindow(parent) ? ::GetAncestor(parent, GA_ROOT) : nullptr;
  if (!owner)
    if (CWnd* main = AfxGetMainWnd(); main && ::IsWindow(main->m_hWnd)) owner = ::GetAncestor(main->m_hWnd, GA_ROOT);
  if (!owner)
    if (HWND active = ::GetActiveWindow(); active && ::IsWindowEnabled(active)) owner = active;
  // A window that waits for a modal window of its own hands the ownership on to that window.
  if (owner && !::IsWindowEnabled(owner))
    if (HWND popup = EnabledPopupOf(owner)) owner = popup;
  return owner;
}

}  // namespace qh::ui

static HWND NextTabItem(HWND dialog, HWND from, bool previous) {
  std::vector<HWND> stops;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    DWORD style = static_cast<DWORD>(::GetWindowLongPtr(child, GWL_STYLE));
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) stops.push_back(child);
  }
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), from);
  if (it == stops.end()) return previous ? stops.back() : stops.front();
  std::size_t index = static_cast<std::size_t>(it - stops.begin());
  index = previous ? (index + stops.size() - 1) % stops.size() : (index + 1) % stops.size();
  return stops[index];
}

static HWND DialogOwner(CWnd* parent) { return qh::ui::ModalOwner(parent ? parent->m_hWnd : nullptr); }

// A popup dialog whose template gives no position of its own opens centred on its owner's window (on the
// desktop without one), kept on the desktop.
void CDialog::CenterOnOwner(HWND owner) {
  RECT area, mine, desktop;
  ::GetClientRect(::GetDesktopWindow(), &desktop);
  if (!owner || !::GetWindowRect(owner, &area) || ::IsIconic(owner)) area = desktop;
  ::GetWindowRect(m_hWnd, &mine);
  const int width = mine.right - mine.left, height = mine.bottom - mine.top;
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  x = std::max<int>(desktop.left, std::min<int>(x, desktop.right - width));
  y = std::max<int>(desktop.top, std::min<int>(y, desktop.bottom - height));
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::CreateFromTemplate(const DialogTemplate& dialogTemplate, HWND owner, bool modal) {
  modal_ = modal;
  m_nModalResult = -1;
  if (modal) m_nFlags |= WF_CONTINUEMODAL;
  DWORD style = dialogTemplate.style & ~static_cast<DWORD>(WS_VISIBLE);
  RECT area = DialogUnitsToPixels(dialogTemplate.x, dialogTemplate.y, dialogTemplate.cx, dialogTemplate.cy);
  // The template gives the client area; the frame comes on top.
  int frame = (style & WS_CAPTION) == WS_CAPTION ? 3 : ((style & WS_BORDER) ? 1 : 0);
  int caption = (style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
  if (!CreateEx(dialogTemplate.exStyle, WC_DIALOG, dialogTemplate.caption.c_str(), style, area.left, area.top,
                area.right - area.left + 2 * frame, area.bottom - area.top + 2 * frame + caption,
                (style & WS_CHILD) ? owner : owner, nullptr))
    return FALSE;
  if (!(style & WS_CHILD) && dialogTemplate.x == 0 && dialogTemplate.y == 0) CenterOnOwner(owner);
  auto font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  ::SendMessage(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (const DialogItemTemplate& item : dialogTemplate.items) {
    RECT rect = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy);
    HWND control = ::CreateWindowEx(item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                    rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, m_hWnd,
                                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(item.id)), nullptr, nullptr);
    if (!control) {
      std::fprintf(stderr, "dialog \"%s\": control %u of class \"%s\" could not be made\n",
                   dialogTemplate.caption.c_str(), item.id, item.className.c_str());
      DestroyWindow();
      return FALSE;
    }
    ::SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && item.className == WC_BUTTON) defaultId_ = item.id;
  }
  HWND firstTab = NextTabItem(m_hWnd, nullptr, false);
  // The dialog's start may disable, hide or add controls: the focus goes to the first control that
  // takes it once the start is done.
  if (::SendMessage(m_hWnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), 0) && m_hWnd && ::IsWindow(m_hWnd))
    if (HWND focus = NextTabItem(m_hWnd, nullptr, false)) ::SetFocus(focus);
  if (m_hWnd && (dialogTemplate.style & WS_VISIBLE)) ShowWindow(SW_SHOW);
  return m_hWnd != nullptr;
}

INT_PTR CDialog::DoModal() {
  std::optional<DialogTemplate> found = FindDialogTemplate(m_nTemplateId);
  if (!found) {
    std::fprintf(stderr, "dialog template %u is not registered\n", m_nTemplateId);
    return -1;
  }
  HWND owner = DialogOwner(m_pParentWnd);
  if (!CreateFromTemplate(*found, owner, true)) return -1;
  {
    ModalDisabler disabler(m_hWnd);
    ShowWindow(SW_SHOW);
    ::SetActiveWindow(m_hWnd);
    RunDialogAnswerer(*this);
    if (ContinueModal()) RunModalLoop();
  }
  if (m_hWnd) {
    ShowWindow(SW_HIDE);
    DestroyWindow();
  }
  if (owner && ::IsWindow(owner)) ::SetActiveWindow(owner);
  return m_nModalResult;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nTemplateId = templateId;
  m_pParentWnd = parent;
  std::optional<DialogTemplate> found = FindDialogTemplate(templateId);
  if (!found) return FALSE;
  return CreateFromTemplate(*found, DialogOwner(parent), false);
}

BOOL CDialog::CreateIndirect(const DialogTemplate& dialogTemplate, CWnd* parent) {
  m_pParentWnd = parent;
  return CreateFromTemplate(dialogTemplate, DialogOwner(parent), false);
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  if (modal_) EndModalLoop(result);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }
void CDialog::OnClose() { OnCancel(); }

void CDialog::SetDefID(UINT id) { defaultId_ = id; }
DWORD CDialog::GetDefID() const { return MAKELONG(static_cast<WORD>(defaultId_), DC_HASDEFID); }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();
  if (message == DM_GETDEFID) return static_cast<LRESULT>(GetDefID());
  if (message == DM_SETDEFID) {
    SetDefID(static_cast<UINT>(wParam));
    return TRUE;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* control, BOOL previous) const {
  return FromHandle(NextTabItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
}
CWnd* CWnd::GetNextDlgGroupItem(CWnd* control, BOOL previous) const { return GetNextDlgTabItem(control, previous); }

void CDialog::NextDlgCtrl() const { ::SetFocus(NextTabItem(m_hWnd, ::GetFocus(), false)); }
void CDialog::PrevDlgCtrl() const { ::SetFocus(NextTabItem(m_hWnd, ::GetFocus(), true)); }
void CDialog::GotoDlgCtrl(CWnd* control) {
  if (control) ::SetFocus(control->m_hWnd);
}

bool CDialog::HandleDialogKey(MSG* msg) {
  if (msg->message != WM_KEYDOWN) return false;
  HWND focus = ::GetFocus();
  LRESULT code = focus ? ::SendMessage(focus, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)) : 0;
  auto click = [&](UINT id) {
    HWND button = ::GetDlgItem(m_hWnd, static_cast<int>(id));
    if (button && !::IsWindowEnabled(button)) return;
    ::SendMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(button));
  };
  switch (msg->wParam) {
    case VK_ESCAPE: click(IDCANCEL); return true;
    case VK_RETURN:
      if (code & DLGC_WANTALLKEYS) return false;
      if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
        click(static_cast<UINT>(::GetDlgCtrlID(focus)));
      } else {
        click(LOWORD(static_cast<DWORD>(::SendMessage(m_hWnd, DM_GETDEFID, 0, 0))));
      }
      return true;
    case VK_TAB:
      if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
      ::SetFocus(NextTabItem(m_hWnd, focus, (::GetKeyState(VK_SHIFT) & 0x8000) != 0));
      return true;
    default: return false;
  }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
  return HandleDialogKey(msg) ? TRUE : FALSE;
}

// ---- Data exchange -----------------------------------------------------------------------------------
namespace {

CString ControlText(HWND control) {
  CWnd* wnd = CWnd::FromHandle(control);
  CString text;
  if (wnd) wnd->GetWindowText(text);
  return text;
}

[[noreturn]] void FailWith(CDataExchange* dx, const CString& message) {
  AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
  dx->Fail();
}

template <class Value>
void ExchangeNumber(CDataExchange* dx, int id, Value& value, bool isSigned) {
  HWND control = dx->PrepareEditCtrl(id);
  if (!dx->m_bSaveAndValidate) {
    CString text;
    text.Format(isSigned ? "%I64d" : "%I64u", static_cast<long long>(value));
    ::SetWindowText(control, text);
    return;
  }
  CString text = ControlText(control);
  text.Trim();
  errno = 0;
  char* end = nullptr;
  long long parsed = std::strtoll(text, &end, 10);
  bool ok = !text.IsEmpty() && end && *end == '\0' && errno == 0 && (isSigned || text[0] != '-') &&
            parsed >= static_cast<long long>(std::numeric_limits<Value>::min()) &&
            parsed <= static_cast<long long>(std::numeric_limits<Value>::max());
  if (!ok) FailWith(dx, isSigned ? "Please enter an integer." : "Please enter a positive integer.");
  value = static_cast<Value>(parsed);
}

template <class Value>
void CheckRange(CDataExchange* dx, Value value, Value minValue, Value maxValue, const char* form) {
  if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue)) return;
  CString message;
  message.Format(form, minValue, maxValue);
  FailWith(dx, message);
}

}  // namespace

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd) return;
  if (!control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd)) {
    std::fprintf(stderr, "DDX_Control: no control %d to attach\n", id);
  }
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = ControlText(control);
  else
    ::SetWindowText(control, value);
}
void DDX_Text(CDataExchange* dx, int id, int& value) { ExchangeNumber(dx, id, value, true); }
void DDX_Text(CDataExchange* dx, int id, UINT& value) { ExchangeNumber(dx, id, value, false); }
void DDX_Text(CDataExchange* dx, int id, long& value) { ExchangeNumber(dx, id, value, true); }

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = static_cast<int>(::SendMessage(control, BM_GETCHECK, 0, 0));
  else
    ::SendMessage(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
  HWND first = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) value = -1;
  int index = 0;
  for (HWND button = first; button; button = ::GetWindow(button, GW_HWNDNEXT)) {
    DWORD style = static_cast<DWORD>(::GetWindowLongPtr(button, GWL_STYLE));
    if (button != first && (style & WS_GROUP)) break;
    DWORD kind = style & BS_TYPEMASK;
    if (kind != BS_RADIOBUTTON && kind != BS_AUTORADIOBUTTON) continue;
    if (dx->m_bSaveAndValidate) {
      if (::SendMessage(button, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessage(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ++index;
  }
}

void DDX_LBIndex(CDataExchange* dx, int id, int& index) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    index = static_cast<int>(::SendMessage(control, LB_GETCURSEL, 0, 0));
  else
    ::SendMessage(control, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_LBString(CDataExchange* dx, int id, CString& value) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value.Empty();
    LRESULT index = ::SendMessage(control, LB_GETCURSEL, 0, 0);
    LRESULT length = index < 0 ? LB_ERR : ::SendMessage(control, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::SendMessage(control, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    value = CString(text);
  } else if (::SendMessage(control, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.GetString())) == LB_ERR) {
    ::SendMessage(control, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    index = static_cast<int>(::SendMessage(control, CB_GETCURSEL, 0, 0));
  else
    ::SendMessage(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

static void ExchangeComboString(CDataExchange* dx, int id, CString& value, bool exact) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = ControlText(control);
    return;
  }
  LRESULT index = ::SendMessage(control, exact ? CB_FINDSTRINGEXACT : CB_FINDSTRING, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(value.GetString()));
  if (index != CB_ERR) {
    ::SendMessage(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  } else {
    ::SendMessage(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SetWindowText(control, value);  // a drop-down with an edit shows the value itself
  }
}

void DDX_CBString(CDataExchange* dx, int id, CString& value) { ExchangeComboString(dx, id, value, false); }
void DDX_CBStringExact(CDataExchange* dx, int id, CString& value) { ExchangeComboString(dx, id, value, true); }

// Through the control's messages: the window may be seen through any object class.
void DDX_DateTimeCtrl(CDataExchange* dx, int id, COleDateTime& value) {
  HWND control = dx->PrepareCtrl(id);
  SYSTEMTIME time;
  if (dx->m_bSaveAndValidate) {
    if (::SendMessage(control, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) == GDT_VALID)
      value = COleDateTime(time);
    else
      value.SetStatus(COleDateTime::null);
  } else if (value.GetStatus() == COleDateTime::valid && value.GetAsSystemTime(time)) {
    ::SendMessage(control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
  } else {
    ::SendMessage(control, DTM_SETSYSTEMTIME, GDT_NONE, 0);
  }
}

void DDX_DateTimeCtrl(CDataExchange* dx, int id, CTime& value) {
  HWND control = dx->PrepareCtrl(id);
  SYSTEMTIME time;
  if (dx->m_bSaveAndValidate) {
    if (::SendMessage(control, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) == GDT_VALID) value = CTime(time);
  } else if (value.GetAsSystemTime(time)) {
    ::SendMessage(control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
  }
}

void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars) {
  if (!dx->m_bSaveAndValidate) {
    char className[32] = {};
    if (dx->m_hWndLastControl) ::GetClassName(dx->m_hWndLastControl, className, sizeof className);
    if (dx->m_hWndLastControl && Cp1252EqualNoCase(className, WC_COMBOBOX))
      ::SendMessage(dx->m_hWndLastControl, CB_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    else if (dx->m_hWndLastControl && dx->m_bEditLastControl)
      ::SendMessage(dx->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    return;
  }
  if (value.GetLength() <= maxChars) return;
  CString message;
  message.Format("Enter no more than %d characters.", maxChars);
  FailWith(dx, message);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue) {
  CheckRange(dx, value, minValue, maxValue, "Please enter an integer between %d and %d.");
}
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue) {
  CheckRange(dx, value, minValue, maxValue, "Please enter an integer between %u and %u.");
}
void DDV_MinMaxLong(CDataExchange* dx, long value, long minValue, long maxValue) {
  CheckRange(dx, value, minValue, maxValue, "Please enter an integer between %I64d and %I64d.");
}
void DDV_MinMaxDWord(CDataExchange* dx, DWORD value, DWORD minValue, DWORD maxValue) {
  CheckRange(dx, value, minValue, maxValue, "Please enter an integer between %lu and %lu.");
}
