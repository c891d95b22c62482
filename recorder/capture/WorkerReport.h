// How the conversion and encoding workers tell their owner about a failure. A worker never shows a
// message box itself (no window may be touched from its thread): it posts WM_CAPTURE_WORKER_ERROR to
// its owner window with the error code in wParam and a heap CString with the message text in lParam,
// which the receiver deletes. Without an owner window the text goes to standard error.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/WinUser.h"

#define WM_CAPTURE_WORKER_ERROR (WM_APP + 0x112)

void ReportWorkerError(HWND owner, int code, const CString& text);
// The text a receiver gets from the message's lParam (and frees): "" when there is none.
CString TakeWorkerErrorText(LPARAM lParam);
