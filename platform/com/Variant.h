// VARIANT handling: initialise, clear (frees the BSTR it owns), copy.
#pragma once

#include "platform/com/ComTypes.h"

void VariantInit(VARIANT* value);
HRESULT VariantClear(VARIANT* value);
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

// Owns one VARIANT for the length of a scope; the text form takes an ANSI text into a BSTR.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&m_value); }
  explicit ScopedVariant(const char* ansiText);
  explicit ScopedVariant(LONG value);
  ~ScopedVariant() { VariantClear(&m_value); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT& get() { return m_value; }
  VARIANT* operator&() { return &m_value; }

 private:
  VARIANT m_value;
};
