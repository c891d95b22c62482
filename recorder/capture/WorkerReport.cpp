#include "recorder/capture/WorkerReport.h"

#include <cstdio>

void ReportWorkerError(HWND owner, int code, const CString& text) {
  if (owner != nullptr) {
    auto* copy = new CString(text);
    if (PostMessage(owner, WM_CAPTURE_WORKER_ERROR, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(copy))) return;
    delete copy;
  }
  std::fprintf(stderr, "%s\n", text.GetString());
}

CString TakeWorkerErrorText(LPARAM lParam) {
  auto* text = reinterpret_cast<CString*>(lParam);
  if (text == nullptr) return CString();
  CString result = *text;
  delete text;
  return result;
}
