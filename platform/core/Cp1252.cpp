#include "platform/core/Cp1252.h"

#include <algorithm>
#include <array>

namespace {

// Code points of 0x80-0x9F; the unassigned bytes keep their own value.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr char kReplacement = '?';

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    // 1252 holds nothing beyond the Basic Multilingual Plane.
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one well-formed UTF-8 character at text[pos]; returns its byte count, or 0 when the bytes
// there do not start a well-formed character (overlong forms and surrogates included).
std::size_t decodeUtf8(std::string_view text, std::size_t pos, char32_t* cp) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t count = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    count = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    count = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    count = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (pos + count > text.size()) return 0;
  for (std::size_t i = 1; i < count; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return count;
}

// Converts; `exact` stops at the first loss and reports it.
bool convertUtf8(std::string_view utf8, std::string* out, bool exact) {
  out->clear();
  out->reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp = 0;
    unsigned char byte = 0;
    const std::size_t used = decodeUtf8(utf8, pos, &cp);
    if (used == 0 || !CodePointToCp1252(cp, &byte)) {
      if (exact) {
        out->clear();
        return false;
      }
      *out += kReplacement;
      pos += used == 0 ? 1 : used;
      continue;
    }
    *out += static_cast<char>(byte);
    pos += used;
  }
  return true;
}

}  // namespace

char32_t Cp1252ToCodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControlRange[byte - 0x80];
  return byte;
}

bool CodePointToCp1252(char32_t codePoint, unsigned char* byte) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    *byte = static_cast<unsigned char>(codePoint);
    return true;
  }
  const auto* found = std::find(kHighControlRange.begin(), kHighControlRange.end(), codePoint);
  if (found == kHighControlRange.end()) return false;
  *byte = static_cast<unsigned char>(0x80 + (found - kHighControlRange.begin()));
  return true;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) appendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  convertUtf8(utf8, &out, false);
  return out;
}

bool Utf8ToCp1252Exact(std::string_view utf8, std::string* out) { return convertUtf8(utf8, out, true); }

unsigned char Cp1252ToUpper(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') return static_cast<unsigned char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<unsigned char>(byte - 0x20);
  switch (byte) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return byte;
  }
}

unsigned char Cp1252ToLower(unsigned char byte) {
  if (byte >= 'A' && byte <= 'Z') return static_cast<unsigned char>(byte + 0x20);
  if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return static_cast<unsigned char>(byte + 0x20);
  switch (byte) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return byte;
  }
}

void Cp1252MakeUpper(std::string& text) {
  for (char& c : text) c = static_cast<char>(Cp1252ToUpper(static_cast<unsigned char>(c)));
}

void Cp1252MakeLower(std::string& text) {
  for (char& c : text) c = static_cast<char>(Cp1252ToLower(static_cast<unsigned char>(c)));
}

int Cp1252CompareNoCase(const void* a, std::size_t aLength, const void* b, std::size_t bLength) {
  const auto* left = static_cast<const unsigned char*>(a);
  const auto* right = static_cast<const unsigned char*>(b);
  const std::size_t common = std::min(aLength, bLength);
  for (std::size_t i = 0; i < common; ++i) {
    const int l = Cp1252ToLower(left[i]);
    const int r = Cp1252ToLower(right[i]);
    if (l != r) return l - r;
  }
  if (aLength == bLength) return 0;
  return aLength < bLength ? -1 : 1;
}

int Cp1252CompareNoCase(std::string_view a, std::string_view b) {
  return Cp1252CompareNoCase(a.data(), a.size(), b.data(), b.size());
}

bool Cp1252EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Cp1252CompareNoCase(a, b) == 0;
}
