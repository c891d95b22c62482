// CWebBrowser21: the zone windows' wrapper of the web browser control. It creates the control by its
// class id and forwards Navigate and the Left, Top, Width and Height properties by dispatch id; a failed
// call raises COleDispatchException*, which the wrapper does not catch.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/ui/AfxWin.h"

class CWebBrowser21 : public CWnd {
 public:
  // 8856F961-340A-11D0-A96B-00C04FD705A2
  static const GUID& GetClsid();

  // The class name and creation context are ignored; the control is made with no persistence object
  // and no storage. Non-zero on success.
  BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
              void* context = nullptr) override;

  void Navigate(LPCSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers);
  void SetLeft(LONG value);
  void SetTop(LONG value);
  void SetWidth(LONG value);
  void SetHeight(LONG value);
  // The page last navigated to (the control's LocationURL).
  CString GetLocationURL();
};
