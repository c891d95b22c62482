#include "logwriter/TSLLogWriter.h"

#include <array>

#include "platform/com/Bstr.h"
#include "platform/core/Cp1252.h"

namespace {

struct DispatchName {
  const char* name;
  DISPID id;
  UINT argumentCount;
};

constexpr std::array<DispatchName, 4> kMethods = {{
    {"SetLogFolder", DISPID_SetLogFolder, 1},
    {"SetMaxRecords", DISPID_SetMaxRecords, 1},
    {"WriteString", DISPID_WriteString, 3},
    {"CloseLog", DISPID_CloseLog, 0},
}};

const DispatchName* methodById(DISPID id) {
  for (const auto& method : kMethods)
    if (method.id == id) return &method;
  return nullptr;
}

bool isText(const VARIANT& value) { return value.vt == VT_BSTR; }

}  // namespace

TSLLogWriter::TSLLogWriter(DailyLogFile::Clock clock) : m_log(std::move(clock)) {}

TSLLogWriter::~TSLLogWriter() { m_log.Close(); }

HRESULT TSLLogWriter::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ITSLLogWriter) {
    *object = static_cast<ITSLLogWriter*>(this);
  } else if (riid == IID_ISupportErrorInfo) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG TSLLogWriter::Release() {
  ULONG left = m_refs.Release();
  if (left == 0) delete this;
  return left;
}

HRESULT TSLLogWriter::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;  // callers bind by name or by the shared dispatch ids
  return S_OK;
}

HRESULT TSLLogWriter::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
  if (typeInfo) *typeInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT TSLLogWriter::GetIDsOfNames(REFIID, LPOLESTR* names, UINT nameCount, LCID, DISPID* dispIds) {
  if (!names || !dispIds || nameCount == 0) return E_INVALIDARG;
  for (UINT i = 0; i < nameCount; ++i) dispIds[i] = DISPID_UNKNOWN;
  const std::string wanted = names[0] ? Utf16ToAnsi(names[0]) : std::string();
  for (const auto& method : kMethods) {
    if (Cp1252EqualNoCase(wanted, method.name)) {
      dispIds[0] = method.id;
      return nameCount == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // the methods have no named arguments
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT TSLLogWriter::Invoke(DISPID dispId, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO*, UINT*) {
  const DispatchName* method = methodById(dispId);
  if (!method || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (!params || params->cArgs != method->argumentCount) return DISP_E_BADPARAMCOUNT;
  if (params->cNamedArgs != 0) return DISP_E_UNKNOWNNAME;
  // Arguments arrive last first.
  VARIANT* args = params->rgvarg;
  HRESULT hr = E_UNEXPECTED;
  switch (dispId) {
    case DISPID_SetLogFolder: hr = SetLogFolder(args[0]); break;
    case DISPID_SetMaxRecords: hr = SetMaxRecords(args[0]); break;
    case DISPID_WriteString: hr = WriteString(args[2], args[1], args[0]); break;
    case DISPID_CloseLog: hr = CloseLog(); break;
    default: break;
  }
  if (result) {
    result->vt = VT_EMPTY;
    result->llVal = 0;
  }
  return hr;
}

HRESULT TSLLogWriter::SetLogFolder(VARIANT vFolder) {
  if (!isText(vFolder)) return E_INVALIDARG;
  m_log.SetFolder(BstrToAnsi(vFolder.bstrVal).str());
  return S_OK;
}

HRESULT TSLLogWriter::SetMaxRecords(VARIANT vMaxRecords) {
  if (vMaxRecords.vt != VT_I4) return E_INVALIDARG;
  m_log.SetMaxRecords(vMaxRecords.lVal);
  return S_OK;
}

HRESULT TSLLogWriter::WriteString(VARIANT vMsgLevel, VARIANT vComponent, VARIANT vText) {
  if (!isText(vMsgLevel) || !isText(vComponent) || !isText(vText)) return E_INVALIDARG;
  return m_log.Write(BstrToAnsi(vMsgLevel.bstrVal).str(), BstrToAnsi(vComponent.bstrVal).str(),
                     BstrToAnsi(vText.bstrVal).str());
}

HRESULT TSLLogWriter::CloseLog() {
  m_log.Close();
  return S_OK;
}

HRESULT TSLLogWriter::InterfaceSupportsErrorInfo(REFIID riid) {
  return riid == IID_ITSLLogWriter ? S_OK : S_FALSE;
}
