// ActiveX hosting: class ids mapped to built-in control window classes, and automation calls by
// dispatch id with the framework's argument lists.
#include "platform/ui/ActiveX.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

namespace qh::ui {
namespace {

std::mutex g_controlsLock;

std::map<std::string, std::string>& Controls() {
  static std::map<std::string, std::string> controls;  // class id text -> window class
  return controls;
}

std::string KeyOf(REFCLSID clsid) {
  char text[64] = {};
  StringFromGUID2(clsid, text, sizeof text);
  return text;
}

}  // namespace

void RegisterActiveXControl(REFCLSID clsid, const std::string& windowClass) {
  std::lock_guard<std::mutex> guard(g_controlsLock);
  Controls()[KeyOf(clsid)] = windowClass;
}

std::string ActiveXWindowClass(REFCLSID clsid) {
  std::lock_guard<std::mutex> guard(g_controlsLock);
  auto it = Controls().find(KeyOf(clsid));
  return it == Controls().end() ? std::string() : it->second;
}

IDispatch* ActiveXAutomation(HWND control) {
  if (!control || !IsWindow(control)) return nullptr;
  return reinterpret_cast<IDispatch*>(::SendMessage(control, WM_QH_GETAUTOMATION, 0, 0));
}

}  // namespace qh::ui

BOOL COleDispatchException::GetErrorMessage(LPSTR error, UINT maxError, UINT*) const {
  if (!error || maxError == 0) return FALSE;
  CString text = m_strDescription;
  if (text.IsEmpty()) text.Format("Automation call failed (0x%08lX)", static_cast<unsigned long>(m_scError));
  const UINT length = std::min<UINT>(static_cast<UINT>(text.GetLength()), maxError - 1);
  std::memcpy(error, text.GetString(), length);
  error[length] = '\0';
  return TRUE;
}

BOOL CWnd::CreateControl(const GUID& clsid, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                         UINT id, void*, BOOL, void*) {
  const std::string windowClass = qh::ui::ActiveXWindowClass(clsid);
  if (windowClass.empty()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  return CreateEx(0, windowClass.c_str(), windowName, style, rect, parent, id);
}

namespace {

// The arguments of one call, in the reverse order the dispatch interface expects them.
class DispatchArguments {
 public:
  ~DispatchArguments() {
    for (VARIANT& value : values_) VariantClear(&value);
  }
  void Read(const BYTE* paramInfo, va_list arguments) {
    for (const BYTE* code = paramInfo; code && *code; ++code) {
      VARIANT value;
      switch (*code) {
        case 0x03:
          value.vt = VT_I4;
          value.lVal = va_arg(arguments, LONG);
          break;
        case 0x08:
          value.vt = VT_BSTR;
          value.bstrVal = AnsiToBstr(va_arg(arguments, const char*));
          break;
        case 0x0B:
          value.vt = VT_BOOL;
          value.boolVal = va_arg(arguments, BOOL) ? VARIANT_TRUE : VARIANT_FALSE;
          break;
        case 0x4C: {
          const VARIANT* given = va_arg(arguments, const VARIANT*);
          if (given) VariantCopy(&value, given);
          break;
        }
        default:
          throw new COleDispatchException(DISP_E_TYPEMISMATCH, "Unsupported automation argument type");
      }
      values_.insert(values_.begin(), value);
    }
  }
  DISPPARAMS Params(WORD flags) {
    DISPPARAMS params;
    params.rgvarg = values_.empty() ? nullptr : values_.data();
    params.cArgs = static_cast<UINT>(values_.size());
    if (flags & DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &propertyPut_;
      params.cNamedArgs = 1;
    }
    return params;
  }

 private:
  std::vector<VARIANT> values_;
  DISPID propertyPut_ = DISPID_PROPERTYPUT;
};

void StoreResult(VARIANT& value, WORD returnType, void* result) {
  if (!result || returnType == VT_EMPTY) return;
  switch (returnType) {
    case VT_I4: *static_cast<LONG*>(result) = value.vt == VT_I4 ? value.lVal : 0; break;
    case VT_BOOL: *static_cast<BOOL*>(result) = value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE; break;
    case VT_BSTR: *static_cast<CString*>(result) = value.vt == VT_BSTR ? BstrToAnsi(value.bstrVal) : CString(); break;
    default: throw new COleDispatchException(DISP_E_TYPEMISMATCH, "Unsupported automation result type");
  }
}

}  // namespace

void CWnd::InvokeHelper(LONG dispId, WORD flags, WORD returnType, void* result, const BYTE* paramInfo, ...) {
  IDispatch* automation = qh::ui::ActiveXAutomation(m_hWnd);
  if (!automation) throw new COleDispatchException(E_NOINTERFACE, "The window hosts no ActiveX control");
  DispatchArguments arguments;
  va_list list;
  va_start(list, paramInfo);
  try {
    arguments.Read(paramInfo, list);
  } catch (...) {
    va_end(list);
    throw;
  }
  va_end(list);
  DISPPARAMS params = arguments.Params(flags);
  VARIANT value;
  EXCEPINFO exception;
  UINT argumentError = 0;
  const HRESULT hr = automation->Invoke(dispId, IID_NULL, 0, flags, &params, &value, &exception, &argumentError);
  if (FAILED(hr)) {
    CString description = exception.bstrDescription ? BstrToAnsi(exception.bstrDescription) : CString();
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&value);
    throw new COleDispatchException(hr, description);
  }
  try {
    StoreResult(value, returnType, result);
  } catch (...) {
    VariantClear(&value);
    throw;
  }
  VariantClear(&value);
}
