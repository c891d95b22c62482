#include "platform/core/CrtNumbers.h"

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace {

constexpr std::uint64_t kMaxUnsigned32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kMaxSigned32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMinSigned32 = std::numeric_limits<std::int32_t>::min();

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The parts of an integer text: sign, magnitude (capped just above 32 bits so that it cannot
// overflow), and where reading stopped.
struct IntegerText {
  bool negative = false;
  bool anyDigit = false;
  std::uint64_t magnitude = 0;
  const char* end = nullptr;
};

IntegerText scanInteger(const char* text, int base) {
  IntegerText result;
  result.end = text;
  if (text == nullptr || base < 0 || base == 1 || base > 36) return result;
  const char* p = text;
  while (isSpace(*p)) ++p;
  if (*p == '+' || *p == '-') result.negative = (*p++ == '-');
  // "0x" counts as a prefix only when a hexadecimal digit follows; otherwise the "0" is the number.
  const bool hexPrefix = p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digitValue(p[2]) < 16;
  if (base == 0) base = hexPrefix ? 16 : (p[0] == '0' ? 8 : 10);
  if (base == 16 && hexPrefix) p += 2;
  for (; digitValue(*p) < base; ++p) {
    result.anyDigit = true;
    if (result.magnitude <= kMaxUnsigned32 + 1)
      result.magnitude = result.magnitude * static_cast<std::uint64_t>(base) + digitValue(*p);
  }
  if (result.anyDigit) result.end = p;
  return result;
}

void storeEnd(char** endPtr, const char* end) {
  if (endPtr) *endPtr = const_cast<char*>(end);
}

// The signed value of a scan, clamped to 32 bits; `clamped` tells whether it was.
LONG signedValue(const IntegerText& scan, bool* clamped) {
  const std::int64_t wide = scan.negative ? -static_cast<std::int64_t>(scan.magnitude)
                                          : static_cast<std::int64_t>(scan.magnitude);
  *clamped = wide > kMaxSigned32 || wide < kMinSigned32;
  if (wide > kMaxSigned32) return static_cast<LONG>(kMaxSigned32);
  if (wide < kMinSigned32) return static_cast<LONG>(kMinSigned32);
  return static_cast<LONG>(wide);
}

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// Length of the decimal floating number at p: digits, an optional fraction and an exponent that is
// taken only when digits follow it; 0 when there is no digit in the mantissa.
std::size_t decimalFloatLength(const char* p) {
  std::size_t n = 0;
  std::size_t mantissaDigits = 0;
  while (p[n] >= '0' && p[n] <= '9') ++n, ++mantissaDigits;
  if (p[n] == '.') {
    ++n;
    while (p[n] >= '0' && p[n] <= '9') ++n, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return 0;
  if (p[n] == 'e' || p[n] == 'E') {
    std::size_t e = n + 1;
    if (p[e] == '+' || p[e] == '-') ++e;
    if (p[e] >= '0' && p[e] <= '9') {
      while (p[e] >= '0' && p[e] <= '9') ++e;
      n = e;
    }
  }
  return n;
}

}  // namespace

INT qh_atoi(const char* text) { return qh_atol(text); }

LONG qh_atol(const char* text) {
  bool clamped = false;
  return signedValue(scanInteger(text, 10), &clamped);
}

LONG qh_strtol(const char* text, char** endPtr, int base) {
  const IntegerText scan = scanInteger(text, base);
  storeEnd(endPtr, scan.end);
  bool clamped = false;
  const LONG value = signedValue(scan, &clamped);
  if (clamped) errno = ERANGE;
  return value;
}

ULONG qh_strtoul(const char* text, char** endPtr, int base) {
  const IntegerText scan = scanInteger(text, base);
  storeEnd(endPtr, scan.end);
  if (scan.magnitude > kMaxUnsigned32) {
    errno = ERANGE;
    return static_cast<ULONG>(kMaxUnsigned32);
  }
  const auto value = static_cast<ULONG>(scan.magnitude);
  return scan.negative ? static_cast<ULONG>(0u - value) : value;
}

double qh_atof(const char* text) {
  if (text == nullptr) return 0.0;
  const char* p = text;
  while (isSpace(*p)) ++p;
  const char* signStart = p;
  if (*p == '+' || *p == '-') ++p;
  const std::size_t length = decimalFloatLength(p);
  if (length == 0) return 0.0;
  const std::string number(signStart, static_cast<std::size_t>(p - signStart) + length);
  return strtod_l(number.c_str(), nullptr, cLocale());
}
