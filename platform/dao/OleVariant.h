// Typed values as the database objects hand them out: a type tag and one value. Null (VT_NULL) is
// a value of its own, distinct from "nothing" (VT_EMPTY). Booleans hold -1 for true; dates are OLE
// automation dates (days since 1899-12-30, the time as the fraction); texts are code page 1252.
#pragma once

#include <string>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

#include "platform/core/DateTime.h"

using VARTYPE = unsigned short;
using VARIANT_BOOL = short;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_UI1 = 17,
};

// Text of the code page, as the platform's ANSI builds name it; the same tag here.
#define VT_BSTRT VT_BSTR

#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

// The plain value record. Text lives in COleVariant's own storage: bstrVal points into it and stays
// valid as long as the COleVariant is unchanged.
struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  union {
    SHORT iVal;
    LONG lVal;
    BYTE bVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    DATE date;
    VARIANT_BOOL boolVal;
    LONG scode;
    const char* bstrVal;
  };
  VARIANT() : dblVal(0) {}
};
using LPVARIANT = VARIANT*;
using LPCVARIANT = const VARIANT*;

#define V_VT(v) ((v)->vt)
#define V_I2(v) ((v)->iVal)
#define V_I4(v) ((v)->lVal)
#define V_UI1(v) ((v)->bVal)
#define V_R4(v) ((v)->fltVal)
#define V_R8(v) ((v)->dblVal)
#define V_DATE(v) ((v)->date)
#define V_BOOL(v) ((v)->boolVal)
#define V_BSTR(v) ((v)->bstrVal)
#define V_BSTRT(v) (static_cast<LPCTSTR>((v)->bstrVal))

class COleVariant : public VARIANT {
 public:
  COleVariant() = default;
  COleVariant(const COleVariant& other);
  COleVariant(COleVariant&& other) noexcept;
  COleVariant& operator=(const COleVariant& other);
  COleVariant& operator=(COleVariant&& other) noexcept;
  ~COleVariant() = default;

  // Text (VT_BSTR). The vtSrc argument of the platform's form is accepted and must be VT_BSTR or
  // VT_BSTRT; the text is taken as bytes of code page 1252 either way.
  COleVariant(const char* text);  // NOLINT: implicit as on the platform
  COleVariant(const char* text, VARTYPE vtSrc);
  COleVariant(const CString& text);  // NOLINT
  // Numbers: the vtSrc argument chooses the 16-bit (VT_I2) or Boolean (VT_BOOL) type for a short,
  // Long (VT_I4) or VT_BOOL for a long, as on the platform.
  COleVariant(BYTE value);                          // NOLINT VT_UI1
  COleVariant(SHORT value, VARTYPE vtSrc = VT_I2);  // NOLINT VT_I2 or VT_BOOL
  COleVariant(LONG value, VARTYPE vtSrc = VT_I4);   // NOLINT VT_I4, VT_BOOL or VT_ERROR
  // The host's long is 64 bits wide; its value must fit 32 bits (the platform's long). Out of range: 3421.
  COleVariant(long value, VARTYPE vtSrc = VT_I4);  // NOLINT
  COleVariant(float value);                         // NOLINT VT_R4
  COleVariant(double value);                        // NOLINT VT_R8
  COleVariant(const COleDateTime& value);  // NOLINT VT_DATE; VT_NULL for a null or invalid date

  // Builders for the types a plain constructor cannot tell apart.
  static COleVariant Null();
  static COleVariant FromDate(DATE oleDate);
  static COleVariant FromBool(bool value);

  void Clear();  // back to VT_EMPTY
  void SetNull() { Clear(); vt = VT_NULL; }
  bool IsNull() const { return vt == VT_NULL; }
  bool IsEmpty() const { return vt == VT_EMPTY; }

  // Change the type in place (the platform's ChangeType): numbers convert with rounding to even
  // for integers, texts parse as numbers or dates, Null stays Null. Throws CDaoException 3421 when
  // the value cannot be converted (text that is no number, a value out of range).
  void ChangeType(VARTYPE vartype);

  // Text of the value as the engine would show it (numbers in the C locale, dates as m/d/yyyy
  // h:mm:ss, booleans "True"/"False"); empty for Null and Empty.
  CString ToText() const;
  // Value as a double (Null and Empty give 0, text parses leniently like atof).
  double ToDouble() const;
  // Value as a 32-bit integer (rounded; Null and Empty give 0).
  LONG ToLong() const;
  // Value as a date: VT_DATE and numbers as OLE dates, texts parsed; Null gives a null date, a text
  // that is no date an invalid one.
  COleDateTime ToDateTime() const;

  bool operator==(const COleVariant& other) const;  // same type and value
  bool operator!=(const COleVariant& other) const { return !(*this == other); }

 private:
  void SetText(std::string text);
  std::string m_text;  // owner of bstrVal's bytes while vt == VT_BSTR
};

