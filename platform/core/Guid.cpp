#include "platform/core/Guid.h"

#include <uuid/uuid.h>

#include <cstdio>
#include <cstring>

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at text; false on any other character.
bool readHex(const char* text, int digits, unsigned long long* value) {
  *value = 0;
  for (int i = 0; i < digits; ++i) {
    const int digit = hexValue(text[i]);
    if (digit < 0) return false;
    *value = *value << 4 | static_cast<unsigned>(digit);
  }
  return true;
}

bool guidFromText(const char* text, GUID* guid) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text == nullptr || strnlen(text, kGuidTextSize) != kGuidTextSize - 1) return false;
  if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-' || text[37] != '}')
    return false;
  GUID result;
  unsigned long long value = 0;
  if (!readHex(text + 1, 8, &value)) return false;
  result.Data1 = static_cast<DWORD>(value);
  if (!readHex(text + 10, 4, &value)) return false;
  result.Data2 = static_cast<WORD>(value);
  if (!readHex(text + 15, 4, &value)) return false;
  result.Data3 = static_cast<WORD>(value);
  static constexpr int kByteOffsets[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!readHex(text + kByteOffsets[i], 2, &value)) return false;
    result.Data4[i] = static_cast<BYTE>(value);
  }
  *guid = result;
  return true;
}

HRESULT readGuid(const char* text, GUID* guid, HRESULT failure) {
  if (guid == nullptr) return E_POINTER;
  if (guidFromText(text, guid)) return S_OK;
  *guid = GUID_NULL;
  return failure;
}

}  // namespace

HRESULT CoCreateGuid(GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  uuid_t bytes;
  uuid_generate_random(bytes);
  // The text form of a uuid is its bytes in order; read the number fields big-endian so that the
  // GUID prints the same text.
  guid->Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
                static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
  guid->Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
  guid->Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) guid->Data4[i] = bytes[8 + i];
  return S_OK;
}

int StringFromGUID2(REFGUID guid, char* text, int capacity) {
  if (text == nullptr || capacity < kGuidTextSize) return 0;
  std::snprintf(text, static_cast<size_t>(capacity), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return kGuidTextSize;
}

HRESULT CLSIDFromString(const char* text, CLSID* clsid) { return readGuid(text, clsid, CO_E_CLASSSTRING); }

HRESULT IIDFromString(const char* text, IID* iid) { return readGuid(text, iid, E_INVALIDARG); }
