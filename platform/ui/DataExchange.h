// Dialog data exchange: DoDataExchange moves values between a window's controls and its members, in
// both directions, and validates them on the way in.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/AfxWin.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  // The control that the next validation is about; returns its window.
  HWND PrepareCtrl(int id);
  HWND PrepareEditCtrl(int id);
  // A validation failed: the failing control gets the focus and the exchange stops.
  [[noreturn]] void Fail();

  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  HWND m_hWndLastControl = nullptr;
  BOOL m_bEditLastControl = FALSE;
};

// Thrown by CDataExchange::Fail and caught by UpdateData.
struct DataExchangeFailure {};
