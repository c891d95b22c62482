// Headless message boxes with an answerer for tests, and the disabling of a thread's windows while
// something modal runs.
#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "platform/core/StringTable.h"
#include "platform/core/Thread.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WindowRecord.h"

namespace qh::ui {
namespace {

std::mutex g_hookLock;
MessageBoxAnswerer g_answerer;
MessageBoxLogHook g_logHook;

const char* IconWord(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return "stop";
    case MB_ICONQUESTION: return "question";
    case MB_ICONEXCLAMATION: return "exclamation";
    case MB_ICONASTERISK: return "information";
    default: return "";
  }
}

int AskAnswerer(const MessageBoxAnswerer& answerer, MessageBoxRequest& request) {
  int answer = answerer(request);
  ++request.turn;
  if (answer == 0) return 0;
  if (std::find(request.buttons.begin(), request.buttons.end(), answer) == request.buttons.end()) {
    std::fprintf(stderr, "message box: answer %d is not a button of the box; taking the default %d\n", answer,
                 request.defaultButton);
    return request.defaultButton;
  }
  return answer;
}

const char* ButtonText(int id) {
  switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    default: return "?";
  }
}

// The stock pictures of the box's icons, 32 by 32 pixels at (x, y): a red stop sign, a blue question
// mark, a yellow warning triangle, a blue information sign.
void DrawStockIcon(HDC dc, UINT iconType, int x, int y) {
  COLORREF fill = RGB(0, 70, 200), border = RGB(0, 30, 110), mark = RGB(255, 255, 255);
  const char* glyph = "i";
  switch (iconType & MB_ICONMASK) {
    case MB_ICONHAND: fill = RGB(200, 20, 20), border = RGB(110, 0, 0), glyph = nullptr; break;
    case MB_ICONQUESTION: glyph = "?"; break;
    case MB_ICONEXCLAMATION: fill = RGB(250, 200, 0), border = RGB(120, 90, 0), mark = RGB(0, 0, 0), glyph = "!"; break;
    case MB_ICONASTERISK: break;
    default: return;
  }
  HPEN pen = CreatePen(PS_SOLID, 1, border);
  HBRUSH brush = CreateSolidBrush(fill);
  HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
  if ((iconType & MB_ICONMASK) == MB_ICONEXCLAMATION) {
    const POINT triangle[] = {{x + 16, y + 1}, {x + 31, y + 30}, {x + 1, y + 30}};
    Polygon(dc, triangle, 3);
  } else {
    Ellipse(dc, x, y, x + 32, y + 32);
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
  if (!glyph) {  // the stop sign's white cross
    HPEN cross = CreatePen(PS_SOLID, 4, mark);
    oldPen = SelectObject(dc, cross);
    MoveToEx(dc, x + 10, y + 10, nullptr);
    LineTo(dc, x + 22, y + 22);
    MoveToEx(dc, x + 22, y + 10, nullptr);
    LineTo(dc, x + 10, y + 22);
    SelectObject(dc, oldPen);
    DeleteObject(cross);
    return;
  }
  HFONT font = CreateFont(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, mark);
  RECT area{x, y + ((iconType & MB_ICONMASK) == MB_ICONEXCLAMATION ? 5 : 0), x + 32, y + 32};
  DrawText(dc, glyph, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

// The box's layout in pixels: the icon on the left, the text beside it wrapped to a width the screen
// allows, the buttons centred below. A text taller than the screen allows goes into a read-only field
// that scrolls, so that every line of a long log can be read.
struct BoxLayout {
  RECT icon{};
  RECT text{};
  bool scrolls = false;
  int buttonsTop = 0;
  SIZE client{};
};
constexpr int kBoxMargin = 12, kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 6, kIconSize = 32;

BoxLayout LayOutBox(const MessageBoxRequest& request) {
  BoxLayout layout;
  const bool withIcon = *IconWord(request.type) != 0;
  const int screenWidth = std::max(320, GetSystemMetrics(SM_CXSCREEN));
  const int screenHeight = std::max(240, GetSystemMetrics(SM_CYSCREEN));
  const int maxTextWidth = std::min(520, screenWidth * 3 / 5);
  const int maxTextHeight = std::max(60, screenHeight - 160);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT measured{0, 0, maxTextWidth, 0};
  DrawText(dc, request.text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  int textWidth = std::max<int>(1, measured.right - measured.left);
  int textHeight = std::max<int>(13, measured.bottom - measured.top);
  if (textHeight > maxTextHeight) {
    layout.scrolls = true;  // room for the field's frame and its scroll bar
    textWidth = maxTextWidth + 24;
    textHeight = maxTextHeight;
  }
  const int textLeft = kBoxMargin + (withIcon ? kIconSize + kBoxMargin : 0);
  int textTop = kBoxMargin;
  if (withIcon && textHeight < kIconSize) textTop += (kIconSize - textHeight) / 2;  // one line beside the icon
  layout.icon = withIcon ? RECT{kBoxMargin, kBoxMargin, kBoxMargin + kIconSize, kBoxMargin + kIconSize} : RECT{};
  layout.text = RECT{textLeft, textTop, textLeft + textWidth, textTop + textHeight};
  const int buttons = static_cast<int>(request.buttons.size());
  const int rowWidth = buttons * kButtonWidth + (buttons - 1) * kButtonGap;
  layout.buttonsTop = std::max<int>(layout.text.bottom, layout.icon.bottom) + 2 * kBoxMargin - 4;
  layout.client.cx = std::max<int>({layout.text.right + kBoxMargin, rowWidth + 2 * kBoxMargin, 160});
  layout.client.cy = layout.buttonsTop + kButtonHeight + kBoxMargin;
  return layout;
}

// The box as a real dialog, for a program on a display.
class MessageBoxDialog : public CDialog {
 public:
  explicit MessageBoxDialog(const MessageBoxRequest& request) : request_(request), layout_(LayOutBox(request)) {}
  int Run() {
    DialogTemplate box;
    box.caption = request_.caption;
    box.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    box.cx = 100;  // the real size comes from the layout once the window exists
    box.cy = 40;
    DialogItemTemplate text;
    text.text = request_.text;
    text.id = kTextId;
    if (layout_.scrolls) {
      text.className = "Edit";
      text.style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                   ES_AUTOVSCROLL;
    } else {
      text.className = "Static";
      text.style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;
    }
    box.items.push_back(text);
    for (int id : request_.buttons) {
      DialogItemTemplate button;
      button.className = "Button";
      button.text = ButtonText(id);
      button.id = static_cast<UINT>(id);
      button.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == request_.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      box.items.push_back(button);
    }
    const UINT kTemplateId = 0xFFF0;  // the boxes' own, made anew for each box
    RegisterDialogTemplate(kTemplateId, box);
    m_nTemplateId = kTemplateId;
    CWnd* owner = CWnd::FromHandle(request_.owner);
    m_pParentWnd = owner;
    SetDefID(static_cast<UINT>(request_.defaultButton));
    return static_cast<int>(DoModal());
  }

 protected:
  static constexpr UINT kTextId = 0xFFFF;

  // The controls go where the layout puts them, the window takes the layout's size, centred on its
  // owner; the default button has the focus, so Enter presses it.
  BOOL OnInitDialog() override {
    RECT window{}, client{};
    GetWindowRect(&window);
    GetClientRect(&client);
    const int frameWidth = (window.right - window.left) - (client.right - client.left);
    const int frameHeight = (window.bottom - window.top) - (client.bottom - client.top);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, layout_.client.cx + frameWidth, layout_.client.cy + frameHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (CWnd* text = GetDlgItem(kTextId))
      text->MoveWindow(layout_.text.left, layout_.text.top, layout_.text.right - layout_.text.left,
                       layout_.text.bottom - layout_.text.top, FALSE);
    const int buttons = static_cast<int>(request_.buttons.size());
    int left = (layout_.client.cx - (buttons * kButtonWidth + (buttons - 1) * kButtonGap)) / 2;
    for (int id : request_.buttons) {
      if (CWnd* button = GetDlgItem(id)) button->MoveWindow(left, layout_.buttonsTop, kButtonWidth, kButtonHeight, FALSE);
      left += kButtonWidth + kButtonGap;
    }
    CenterOnOwner(request_.owner ? ::GetAncestor(request_.owner, GA_ROOT) : nullptr);
    if (CWnd* button = GetDlgItem(request_.defaultButton)) button->SetFocus();
    return FALSE;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_PAINT || layout_.icon.right == 0) return CDialog::WindowProc(message, wParam, lParam);
    PAINTSTRUCT paint;
    if (HDC dc = ::BeginPaint(m_hWnd, &paint)) {
      DrawStockIcon(dc, request_.type, layout_.icon.left, layout_.icon.top);
      ::EndPaint(m_hWnd, &paint);
    }
    return 0;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    bool isButton = std::find(request_.buttons.begin(), request_.buttons.end(), id) != request_.buttons.end();
    if (isButton) {
      EndDialog(id);
      return TRUE;
    }
    // Escape and the close box: Cancel when the box has one, OK for a box with OK alone.
    if (id == IDCANCEL && request_.buttons.size() == 1 && request_.buttons.front() == IDOK) {
      EndDialog(IDOK);
      return TRUE;
    }
    if (id == IDCANCEL) return TRUE;
    return CDialog::OnCommand(wParam, lParam);
  }
  void DoDataExchange(CDataExchange*) override {}

 private:
  MessageBoxRequest request_;
  BoxLayout layout_;
};

}  // namespace

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

int MessageBoxDefaultButton(UINT type) {
  std::vector<int> buttons = MessageBoxButtons(type);
  std::size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_answerer = std::move(answerer);
}

void SetMessageBoxLogHook(MessageBoxLogHook hook) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_logHook = std::move(hook);
}

ModalDisabler::ModalDisabler(HWND modal) {
  for (HWND top : TopLevelWindows()) {
    if (top == modal) continue;
    WindowPtr window = FindWindow(top);
    if (!window || window->threadId != GetCurrentThreadId() || window->destroying) continue;
    if (!IsWindowEnabled(top)) continue;
    // The modal window's own owner chain and unrelated windows alike: the whole thread waits.
    EnableWindow(top, FALSE);
    disabled_.push_back(top);
  }
}

ModalDisabler::~ModalDisabler() {
  for (HWND top : disabled_)
    if (IsWindow(top)) EnableWindow(top, TRUE);
}

}  // namespace qh::ui

using namespace qh::ui;

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxRequest request;
  request.owner = owner;
  request.text = text ? text : "";
  request.caption = caption ? caption : "Error";
  request.type = type;
  request.buttons = MessageBoxButtons(type);
  request.defaultButton = MessageBoxDefaultButton(type);
  const char* icon = IconWord(type);
  std::fprintf(stderr, "[%s]%s%s%s %s\n", request.caption.c_str(), *icon ? " (" : "", icon, *icon ? ")" : "",
               request.text.c_str());
  MessageBoxAnswerer answerer;
  MessageBoxLogHook logHook;
  {
    std::lock_guard<std::mutex> guard(g_hookLock);
    answerer = g_answerer;
    logHook = g_logHook;
  }
  if (logHook) logHook(request);
  // A box before the program's first window still finds the display.
  if (!answerer && DisplayChosenActive()) {
    MessageBoxDialog box(request);
    int answer = box.Run();
    return answer > 0 ? answer : request.defaultButton;
  }
  if (!answerer) return request.defaultButton;
  int answer = AskAnswerer(answerer, request);
  if (answer) return answer;
  // The box stays open: the thread's other windows wait, its messages and timers flow.
  ModalDisabler disabler(nullptr);
  while (answer == 0) {
    int exitCode = 0;
    if (!PumpMessage(&exitCode)) {
      PostQuitMessage(exitCode);
      return request.defaultButton;
    }
    answer = AskAnswerer(answerer, request);
  }
  return answer;
}

int AfxMessageBox(LPCSTR text, UINT type, UINT) {
  CWnd* main = AfxGetMainWnd();
  return MessageBox(main ? main->m_hWnd : nullptr, text, AfxGetAppName(), type);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
  char text[4096] = {};
  ::LoadString(nullptr, stringId, text, sizeof text);
  return AfxMessageBox(text, type, helpId);
}
