// The frame of dialog data exchange; the DDX_ and DDV_ functions build on it.
#include "platform/ui/DataExchange.h"

HWND CDataExchange::PrepareCtrl(int id) {
  HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
  m_hWndLastControl = control;
  m_bEditLastControl = FALSE;
  return control;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
  HWND control = PrepareCtrl(id);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_hWndLastControl && ::IsWindow(m_hWndLastControl)) {
    ::SetFocus(m_hWndLastControl);
  }
  throw DataExchangeFailure{};
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (const DataExchangeFailure&) {
    return FALSE;
  }
  return TRUE;
}
