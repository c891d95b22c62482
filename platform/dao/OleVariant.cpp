#include "platform/dao/OleVariant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/core/Cp1252.h"
#include "platform/dao/DaoException.h"

namespace {

const char kSource[] = "DAO.Field";

[[noreturn]] void ThrowConversion(const char* what) {
  ThrowDaoError(kDaoErrConversion, CString("Data type conversion error.") + " (" + what + ")", kSource);
}

[[noreturn]] void ThrowOverflow() { ThrowDaoError(kDaoErrNumericOverflow, "Numeric field overflow.", kSource); }

// Rounds half to even, as the platform's conversions to whole numbers do.
double RoundHalfEven(double value) { return std::nearbyint(value); }

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

// A whole text as a number: blanks around it are allowed, anything else is not.
bool ParseNumber(const std::string& text, double& value) {
  const char* begin = text.c_str();
  while (IsBlank(*begin)) ++begin;
  if (!*begin) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(begin, &end);
  if (end == begin) return false;
  while (IsBlank(*end)) ++end;
  return *end == '\0' && std::isfinite(value);
}

double NumberOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_UI1: return v.bVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    case VT_BOOL: return v.boolVal ? -1.0 : 0.0;
    case VT_ERROR: return v.scode;
    default: return 0.0;
  }
}

bool IsNumeric(VARTYPE vt) {
  return vt == VT_I2 || vt == VT_I4 || vt == VT_UI1 || vt == VT_R4 || vt == VT_R8 || vt == VT_DATE ||
         vt == VT_BOOL || vt == VT_ERROR;
}

CString FormatDouble(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

}  // namespace

COleVariant::COleVariant(const COleVariant& other) { *this = other; }

COleVariant::COleVariant(COleVariant&& other) noexcept { *this = std::move(other); }

COleVariant& COleVariant::operator=(const COleVariant& other) {
  if (this == &other) return *this;
  if (other.vt == VT_BSTR) {
    SetText(other.m_text);
  } else {
    static_cast<VARIANT&>(*this) = static_cast<const VARIANT&>(other);
    m_text.clear();
  }
  return *this;
}

COleVariant& COleVariant::operator=(COleVariant&& other) noexcept {
  if (this == &other) return *this;
  if (other.vt == VT_BSTR) {
    m_text = std::move(other.m_text);
    vt = VT_BSTR;
    bstrVal = m_text.c_str();
  } else {
    static_cast<VARIANT&>(*this) = static_cast<const VARIANT&>(other);
    m_text.clear();
  }
  other.Clear();
  return *this;
}

COleVariant::COleVariant(const char* text) { SetText(text ? text : ""); }

COleVariant::COleVariant(const char* text, VARTYPE vtSrc) {
  if (vtSrc != VT_BSTR) ThrowConversion("text as another type");
  SetText(text ? text : "");
}

COleVariant::COleVariant(const CString& text) { SetText(text.str()); }

COleVariant::COleVariant(BYTE value) {
  vt = VT_UI1;
  bVal = value;
}

COleVariant::COleVariant(SHORT value, VARTYPE vtSrc) {
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    vt = VT_I2;
    iVal = value;
  }
}

COleVariant::COleVariant(LONG value, VARTYPE vtSrc) {
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (vtSrc == VT_ERROR) {
    vt = VT_ERROR;
    scode = value;
  } else {
    vt = VT_I4;
    lVal = value;
  }
}

COleVariant::COleVariant(long value, VARTYPE vtSrc) {
  if (value < std::numeric_limits<LONG>::min() || value > std::numeric_limits<LONG>::max()) ThrowOverflow();
  *this = COleVariant(static_cast<LONG>(value), vtSrc);
}

COleVariant::COleVariant(float value) {
  vt = VT_R4;
  fltVal = value;
}

COleVariant::COleVariant(double value) {
  vt = VT_R8;
  dblVal = value;
}

COleVariant::COleVariant(const COleDateTime& value) {
  // A date that does not exist has no value to store: it becomes Null rather than a stray number.
  if (value.GetStatus() != COleDateTime::valid) {
    vt = VT_NULL;
  } else {
    vt = VT_DATE;
    date = value.m_dt;
  }
}

COleVariant COleVariant::Null() {
  COleVariant v;
  v.vt = VT_NULL;
  return v;
}

COleVariant COleVariant::FromDate(DATE oleDate) {
  COleVariant v;
  v.vt = VT_DATE;
  v.date = oleDate;
  return v;
}

COleVariant COleVariant::FromBool(bool value) {
  COleVariant v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

void COleVariant::Clear() {
  m_text.clear();
  vt = VT_EMPTY;
  dblVal = 0;
}

void COleVariant::SetText(std::string text) {
  m_text = std::move(text);
  vt = VT_BSTR;
  bstrVal = m_text.c_str();
}

void COleVariant::ChangeType(VARTYPE target) {
  if (vt == target || vt == VT_NULL) return;
  if (target == VT_BSTR) {
    SetText(ToText().str());
    return;
  }
  if (target == VT_NULL || target == VT_EMPTY) {
    Clear();
    vt = target;
    return;
  }
  double number = 0;
  if (vt == VT_BSTR) {
    if (target == VT_DATE) {
      COleDateTime parsed;
      if (!parsed.ParseDateTime(m_text.c_str())) ThrowConversion("text is no date");
      *this = FromDate(parsed.m_dt);
      return;
    }
    if (target == VT_BOOL && (Cp1252EqualNoCase(m_text, "True") || Cp1252EqualNoCase(m_text, "False"))) {
      *this = FromBool(Cp1252EqualNoCase(m_text, "True"));
      return;
    }
    if (!ParseNumber(m_text, number)) ThrowConversion("text is no number");
  } else if (vt == VT_EMPTY || IsNumeric(vt)) {
    number = NumberOf(*this);
  } else {
    ThrowConversion("unknown type");
  }
  COleVariant result;
  switch (target) {
    case VT_I2: {
      double whole = RoundHalfEven(number);
      if (whole < -32768.0 || whole > 32767.0) ThrowOverflow();
      result = COleVariant(static_cast<SHORT>(whole));
      break;
    }
    case VT_I4: {
      double whole = RoundHalfEven(number);
      if (whole < -2147483648.0 || whole > 2147483647.0) ThrowOverflow();
      result = COleVariant(static_cast<LONG>(whole));
      break;
    }
    case VT_UI1: {
      double whole = RoundHalfEven(number);
      if (whole < 0.0 || whole > 255.0) ThrowOverflow();
      result = COleVariant(static_cast<BYTE>(whole));
      break;
    }
    case VT_R4:
      if (std::fabs(number) > std::numeric_limits<float>::max()) ThrowOverflow();
      result = COleVariant(static_cast<float>(number));
      break;
    case VT_R8: result = COleVariant(number); break;
    case VT_DATE: result = FromDate(number); break;
    case VT_BOOL: result = FromBool(number != 0.0); break;
    case VT_ERROR: result = COleVariant(static_cast<LONG>(number), VT_ERROR); break;
    default: ThrowConversion("unsupported target type");
  }
  *this = std::move(result);
}

CString COleVariant::ToText() const {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return CString();
    case VT_BSTR: return CString(m_text);
    case VT_BOOL: return boolVal ? "True" : "False";
    case VT_I2: return FormatDouble(iVal);
    case VT_I4: return FormatDouble(lVal);
    case VT_UI1: return FormatDouble(bVal);
    case VT_ERROR: return FormatDouble(scode);
    case VT_R4: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(fltVal));
      return buffer;
    }
    case VT_R8: return FormatDouble(dblVal);
    case VT_DATE: return COleDateTime(date).Format();
    default: return CString();
  }
}

double COleVariant::ToDouble() const {
  if (vt == VT_BSTR) return std::strtod(m_text.c_str(), nullptr);
  return NumberOf(*this);
}

LONG COleVariant::ToLong() const {
  double value = RoundHalfEven(ToDouble());
  if (!(value >= -2147483648.0 && value <= 2147483647.0)) return 0;
  return static_cast<LONG>(value);
}

COleDateTime COleVariant::ToDateTime() const {
  COleDateTime result;
  if (vt == VT_NULL || vt == VT_EMPTY) {
    result.SetStatus(COleDateTime::null);
  } else if (vt == VT_BSTR) {
    result.ParseDateTime(m_text.c_str());
  } else {
    result = COleDateTime(NumberOf(*this));
  }
  return result;
}

bool COleVariant::operator==(const COleVariant& other) const {
  if (vt != other.vt) return false;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_BSTR: return m_text == other.m_text;
    case VT_R4: return fltVal == other.fltVal;
    default: return NumberOf(*this) == NumberOf(other);
  }
}
