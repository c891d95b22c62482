#include "jukebox/zones/WebBrowser21.h"

#include "platform/browser/WebBrowserControl.h"
#include "platform/ui/ActiveX.h"

namespace {

const BYTE kOneLong[] = VTS_I4;

}  // namespace

const GUID& CWebBrowser21::GetClsid() { return qh::browser::CLSID_WebBrowser; }

BOOL CWebBrowser21::Create(LPCSTR, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, void*) {
  qh::browser::RegisterWebBrowserControl();
  return CreateControl(GetClsid(), windowName, style, rect, parent, id);
}

void CWebBrowser21::Navigate(LPCSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                             VARIANT* headers) {
  static const BYTE params[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
  InvokeHelper(0x68, DISPATCH_METHOD, VT_EMPTY, nullptr, params, url, flags, targetFrameName, postData, headers);
}

void CWebBrowser21::SetLeft(LONG value) { InvokeHelper(0xCE, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kOneLong, value); }
void CWebBrowser21::SetTop(LONG value) { InvokeHelper(0xCF, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kOneLong, value); }
void CWebBrowser21::SetWidth(LONG value) { InvokeHelper(0xD0, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kOneLong, value); }
void CWebBrowser21::SetHeight(LONG value) { InvokeHelper(0xD1, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kOneLong, value); }

CString CWebBrowser21::GetLocationURL() {
  CString url;
  InvokeHelper(0xD3, DISPATCH_PROPERTYGET, VT_BSTR, &url, nullptr);
  return url;
}
