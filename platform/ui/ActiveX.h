// ActiveX hosting: a window creates a control by class id and calls the control's automation members
// by dispatch id. The controls are built-in window classes of ours (the web browser of
// platform/browser, ...): each registers its class id here with the window class to create. A control
// window answers WM_QH_GETAUTOMATION with its automation object, which lives as long as the window.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/core/Exception.h"
#include "platform/core/Guid.h"
#include "platform/ui/AfxWin.h"

constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr DISPID DISPID_PROPERTYPUT = -3;

// Parameter codes of InvokeHelper's argument list (a zero-terminated byte string), with the C type
// each one reads from the variable arguments.
#define VTS_I4 "\x03"        // LONG
#define VTS_BSTR "\x08"      // const char* in code page 1252
#define VTS_BOOL "\x0B"      // BOOL
#define VTS_PVARIANT "\x4C"  // const VARIANT* (passed by value to the control)

// A failed automation call. m_scError holds the control's result code.
class COleDispatchException : public CException {
 public:
  COleDispatchException(HRESULT error, const CString& description)
      : m_scError(error), m_strDescription(description) {}
  BOOL GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext = nullptr) const override;

  HRESULT m_scError;
  CString m_strDescription;
  WORD m_wCode = 0;
};

// Sent to a control window; the answer is its IDispatch* (no reference added), 0 for other windows.
constexpr UINT WM_QH_GETAUTOMATION = WM_USER + 0x7F0;

namespace qh::ui {

// Makes the class id create windows of the given (already registered) window class.
void RegisterActiveXControl(REFCLSID clsid, const std::string& windowClass);
// The window class registered for the class id; empty when none is.
std::string ActiveXWindowClass(REFCLSID clsid);
// The automation object of a control window, or null.
IDispatch* ActiveXAutomation(HWND control);

}  // namespace qh::ui
