#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>

#include "platform/core/Cp1252.h"

namespace {

// The length prefix sits right before the text; the allocation starts at the prefix.
constexpr size_t kPrefix = sizeof(DWORD);

size_t lengthOf(const OLECHAR* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  const size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  const DWORD byteLength = static_cast<DWORD>(bytes);
  std::memcpy(block, &byteLength, kPrefix);
  auto* result = reinterpret_cast<BSTR>(block + kPrefix);
  if (text) {
    std::memcpy(result, text, bytes);
  } else {
    std::memset(result, 0, bytes);
  }
  result[length] = 0;
  return result;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(lengthOf(text)));
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<unsigned char*>(text) - kPrefix);
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  DWORD byteLength = 0;
  std::memcpy(&byteLength, reinterpret_cast<unsigned char*>(text) - kPrefix, kPrefix);
  return byteLength;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

std::u16string AnsiToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  // Every 1252 byte maps to a code point of the Basic Multilingual Plane: one UTF-16 unit each.
  for (char c : text) out += static_cast<char16_t>(Cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t codePoint = text[i];
    const bool highSurrogate = codePoint >= 0xD800 && codePoint <= 0xDBFF;
    if (highSurrogate && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    unsigned char byte = '?';
    if (!CodePointToCp1252(codePoint, &byte)) byte = '?';
    out += static_cast<char>(byte);
  }
  return out;
}

BSTR AnsiToBstr(const char* text) {
  const std::u16string wide = AnsiToUtf16(text ? text : "");
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

CString BstrToAnsi(BSTR text) {
  if (!text) return CString();
  return CString(Utf16ToAnsi(std::u16string_view(text, SysStringLen(text))));
}
