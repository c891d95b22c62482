// The COM subset the system uses: IUnknown, the IDispatch subset, ISupportErrorInfo, class factories,
// BSTR texts and VARIANT values, with the platform's documented interface ids and result codes.
#pragma once

#include <atomic>

#include "platform/core/Guid.h"
#include "platform/core/WinTypes.h"

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// A BSTR points at UTF-16 text preceded by its byte length (4 bytes) and followed by a NUL.
using BSTR = OLECHAR*;
using VARTYPE = unsigned short;
using VARIANT_BOOL = short;
using DATE = double;
using DISPID = LONG;
using LCID = DWORD;
using SCODE = LONG;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_UNKNOWN = 13,
  VT_UI1 = 17,
  VT_UI4 = 19,
};

struct IUnknown;
struct IDispatch;

struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  WORD wReserved1 = 0;
  WORD wReserved2 = 0;
  WORD wReserved3 = 0;
  union {
    LONG lVal;
    SHORT iVal;
    BYTE bVal;
    ULONG ulVal;
    float fltVal;
    double dblVal;
    DATE date;
    BSTR bstrVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    LONGLONG llVal;
  };
  VARIANT() : llVal(0) {}
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;

#define V_VT(v) ((v)->vt)
#define V_BSTR(v) ((v)->bstrVal)
#define V_I4(v) ((v)->lVal)
#define V_I2(v) ((v)->iVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_R8(v) ((v)->dblVal)

struct DISPPARAMS {
  VARIANTARG* rgvarg = nullptr;  // arguments in reverse order, as the platform passes them
  DISPID* rgdispidNamedArgs = nullptr;
  UINT cArgs = 0;
  UINT cNamedArgs = 0;
};

struct EXCEPINFO {
  WORD wCode = 0;
  WORD wReserved = 0;
  BSTR bstrSource = nullptr;
  BSTR bstrDescription = nullptr;
  BSTR bstrHelpFile = nullptr;
  DWORD dwHelpContext = 0;
  void* pvReserved = nullptr;
  void* pfnDeferredFillIn = nullptr;
  SCODE scode = 0;
};

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr DISPID DISPID_UNKNOWN = -1;

// Class contexts and initialisation flags.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_MULTITHREADED = 0x0;

// Result codes of the COM runtime and of dispatch.
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define CO_E_DLLNOTFOUND ((HRESULT)0x800401F8L)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define REGDB_E_READREGDB ((HRESULT)0x80040150L)
#define REGDB_E_WRITEREGDB ((HRESULT)0x80040151L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define SELFREG_E_CLASS ((HRESULT)0x80040201L)
#define SELFREG_E_TYPELIB ((HRESULT)0x80040200L)
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001L)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)

struct ITypeInfo;

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid, DISPID* dispIds) = 0;
  virtual HRESULT Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excepInfo, UINT* argErr) = 0;

 protected:
  ~IDispatch() = default;
};

struct ISupportErrorInfo : IUnknown {
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;

 protected:
  ~ISupportErrorInfo() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_IClassFactory;
extern const IID IID_ISupportErrorInfo;
extern const IID IID_NULL;


// Entry points an in-process server exports (extern "C", looked up by name after loading).
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();
using PFN_DllUnregisterServer = HRESULT (*)();
