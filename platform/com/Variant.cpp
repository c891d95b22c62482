#include "platform/com/Variant.h"

#include "platform/com/Bstr.h"

void VariantInit(VARIANT* value) {
  value->vt = VT_EMPTY;
  value->llVal = 0;
}

HRESULT VariantClear(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  switch (value->vt) {
    case VT_BSTR:
      SysFreeString(value->bstrVal);
      break;
    case VT_UNKNOWN:
      if (value->punkVal) value->punkVal->Release();
      break;
    case VT_DISPATCH:
      if (value->pdispVal) value->pdispVal->Release();
      break;
    default:
      break;
  }
  VariantInit(value);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
  if (!target || !source) return E_INVALIDARG;
  if (target == source) return S_OK;
  VariantClear(target);
  *target = *source;
  switch (source->vt) {
    case VT_BSTR:
      if (source->bstrVal) {
        target->bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (!target->bstrVal) {
          VariantInit(target);
          return E_OUTOFMEMORY;
        }
      }
      break;
    case VT_UNKNOWN:
      if (target->punkVal) target->punkVal->AddRef();
      break;
    case VT_DISPATCH:
      if (target->pdispVal) target->pdispVal->AddRef();
      break;
    default:
      break;
  }
  return S_OK;
}

ScopedVariant::ScopedVariant(const char* ansiText) {
  VariantInit(&m_value);
  m_value.vt = VT_BSTR;
  m_value.bstrVal = AnsiToBstr(ansiText);
}

ScopedVariant::ScopedVariant(LONG value) {
  VariantInit(&m_value);
  m_value.vt = VT_I4;
  m_value.lVal = value;
}
