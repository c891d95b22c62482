// One automation object per control window, made at WM_NCCREATE and released at WM_NCDESTROY; the
// window slot 0 holds it. Navigation reads and decodes the page at once (the pages are small local
// files) and repaints.
#include "platform/browser/WebBrowserControl.h"

#include <atomic>
#include <mutex>

#include "platform/browser/PageRenderer.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"
#include "platform/ui/ActiveX.h"
#include "platform/ui/WinUser.h"

namespace qh::browser {

const GUID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

namespace {

class BrowserAutomation final : public IDispatch {
 public:
  explicit BrowserAutomation(HWND window) : window_(window) {}

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }

  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                 UINT*) override {
    const UINT count = params ? params->cArgs : 0;
    // Arguments arrive last first: the first one is at the end.
    const VARIANT* first = count ? &params->rgvarg[count - 1] : nullptr;
    if (id == kDispNavigate && (flags & DISPATCH_METHOD)) {
      if (!first || first->vt != VT_BSTR) return first ? DISP_E_TYPEMISMATCH : DISP_E_BADPARAMCOUNT;
      Navigate(BstrToAnsi(first->bstrVal));
      return S_OK;
    }
    if (id == kDispLocationUrl && (flags & DISPATCH_PROPERTYGET)) {
      if (result) {
        result->vt = VT_BSTR;
        result->bstrVal = AnsiToBstr(url_.GetString());
      }
      return S_OK;
    }
    if (id >= kDispLeft && id <= kDispHeight && (flags & DISPATCH_PROPERTYPUT)) {
      if (!first) return DISP_E_BADPARAMCOUNT;
      if (first->vt != VT_I4) return DISP_E_TYPEMISMATCH;
      Place(id, first->lVal);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  void Paint(HDC dc, const RECT& client) const { page_.Draw(dc, client); }

 private:
  void Navigate(const CString& url) {
    url_ = url;
    std::string path = ResolveSource(url.GetString(), std::string()).value_or(url.GetString());
    page_ = LoadedPage::FromFile(path);
    InvalidateRect(window_, nullptr, TRUE);
  }

  // Left/Top/Width/Height are the control's place in its parent's client area.
  void Place(DISPID id, LONG value) {
    RECT rect{};
    GetWindowRect(window_, &rect);
    POINT origin{rect.left, rect.top};
    if (HWND parent = GetParent(window_)) ScreenToClient(parent, &origin);
    int left = origin.x, top = origin.y, width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (id == kDispLeft) left = value;
    if (id == kDispTop) top = value;
    if (id == kDispWidth) width = std::max<LONG>(0, value);
    if (id == kDispHeight) height = std::max<LONG>(0, value);
    MoveWindow(window_, left, top, width, height, TRUE);
  }

  HWND window_;
  std::atomic<ULONG> references_{1};
  CString url_;
  LoadedPage page_;
};

BrowserAutomation* AutomationOf(HWND window) {
  return reinterpret_cast<BrowserAutomation*>(GetWindowLongPtr(window, 0));
}

LRESULT BrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtr(window, 0, reinterpret_cast<LONG_PTR>(new BrowserAutomation(window)));
      break;
    case WM_NCDESTROY:
      if (BrowserAutomation* automation = AutomationOf(window)) {
        SetWindowLongPtr(window, 0, 0);
        automation->Release();
      }
      break;
    case WM_QH_GETAUTOMATION: return reinterpret_cast<LRESULT>(static_cast<IDispatch*>(AutomationOf(window)));
    case WM_ERASEBKGND: return 1;  // the page covers the whole window
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client{};
      GetClientRect(window, &client);
      if (BrowserAutomation* automation = AutomationOf(window)) automation->Paint(dc, client);
      EndPaint(window, &paint);
      return 0;
    }
    default: break;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

void RegisterWebBrowserControl() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = BrowserProc;
    windowClass.cbWndExtra = sizeof(void*);
    windowClass.lpszClassName = kWebBrowserClass;
    windowClass.hbrBackground = nullptr;
    RegisterClass(&windowClass);
    qh::ui::RegisterActiveXControl(CLSID_WebBrowser, kWebBrowserClass);
  });
}

}  // namespace qh::browser
