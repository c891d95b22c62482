// Message boxes. Headless (the default) a box writes its caption and text to standard error and to
// the log hook, and answers with its default button; a test installs an answerer that sees each box
// and chooses the button (or keeps the box open while the thread's messages and timers flow).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/AfxWin.h"

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// Caption: the application's name.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);
// The text of string `stringId` of the program's string table.
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = 0);

namespace qh::ui {

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
  std::vector<int> buttons;  // the box's buttons, left to right (IDOK, IDCANCEL, IDYES, ...)
  int defaultButton = IDOK;
  int turn = 0;              // how often the answerer was asked about this box before
};

// Returns the button to press, or 0 to keep the box open: the box then dispatches one message of the
// thread (posted messages and timers flow as in any modal loop) and asks again. An answer that is not
// one of the box's buttons counts as its default button.
using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);
// Sees every box (the program's log, or a test's record).
using MessageBoxLogHook = std::function<void(const MessageBoxRequest&)>;
void SetMessageBoxLogHook(MessageBoxLogHook hook);

std::vector<int> MessageBoxButtons(UINT type);
int MessageBoxDefaultButton(UINT type);

// Installs an answerer for the scope of a test and removes it again.
class ScopedMessageBoxAnswerer {
 public:
  explicit ScopedMessageBoxAnswerer(MessageBoxAnswerer answerer) { SetMessageBoxAnswerer(std::move(answerer)); }
  ~ScopedMessageBoxAnswerer() { SetMessageBoxAnswerer(nullptr); }
  ScopedMessageBoxAnswerer(const ScopedMessageBoxAnswerer&) = delete;
  ScopedMessageBoxAnswerer& operator=(const ScopedMessageBoxAnswerer&) = delete;
};

// Disables the thread's other enabled top-level windows for a modal window's lifetime and enables
// them again afterwards (modal means the rest of the thread's windows take no input meanwhile).
class ModalDisabler {
 public:
  explicit ModalDisabler(HWND modal);
  ~ModalDisabler();
  ModalDisabler(const ModalDisabler&) = delete;
  ModalDisabler& operator=(const ModalDisabler&) = delete;

 private:
  std::vector<HWND> disabled_;
};

}  // namespace qh::ui
