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

// The box as a real dialog, for a program on a display: the text, then a row of buttons.
class MessageBoxDialog : public CDialog {
 public:
  explicit MessageBoxDialog(const MessageBoxRequest& request) : request_(request) {}
  int Run() {
    DialogTemplate box;
    box.caption = request_.caption;
    box.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    int lines = 1 + static_cast<int>(std::count(request_.text.begin(), request_.text.end(), '\n'));
    int longest = 0, current = 0;
    for (char c : request_.text) {
      current = c == '\n' ? 0 : current + 1;
      longest = std::max(longest, current);
    }
    int buttons = static_cast<int>(request_.buttons.size());
    box.cx = std::clamp(longest * 4 + 24, buttons * 56 + 14, 400);
    box.cy = lines * 9 + 44;
    DialogItemTemplate text;
    text.className = "Static";
    text.text = request_.text;
    text.id = 0xFFFF;
    text.style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;
    text.x = 10;
    text.y = 8;
    text.cx = box.cx - 20;
    text.cy = lines * 9 + 4;
    box.items.push_back(text);
    int left = (box.cx - buttons * 56 + 6) / 2;
    for (int id : request_.buttons) {
      DialogItemTemplate button;
      button.className = "Button";
      button.text = ButtonText(id);
      button.id = static_cast<UINT>(id);
      button.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == request_.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      button.x = left;
      button.y = box.cy - 22;
      button.cx = 50;
      button.cy = 14;
      box.items.push_back(button);
      left += 56;
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
  // The default button has the focus, so Enter presses it.
  BOOL OnInitDialog() override {
    if (CWnd* button = GetDlgItem(request_.defaultButton)) button->SetFocus();
    return FALSE;
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
  if (!answerer && DisplayActive()) {
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
