// GUIDs: new ones from libuuid, and the registry text form "{8-4-4-4-12}" in upper-case hexadecimal.
// The text shows Data1, Data2 and Data3 as numbers and the eight bytes of Data4 in order, so a GUID
// reads the same here as where the system was written. Texts are single-byte, as everywhere in the
// system.
#pragma once

#include "platform/core/WinTypes.h"

#ifndef CO_E_CLASSSTRING
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#endif

// Characters of the text form, terminator included.
constexpr int kGuidTextSize = 39;

inline constexpr GUID GUID_NULL{};

// A new random GUID; E_POINTER for a null argument.
HRESULT CoCreateGuid(GUID* guid);

// Writes the text form with its terminator; returns the characters written (39), or 0 when the
// buffer is null or smaller than that.
int StringFromGUID2(REFGUID guid, char* text, int capacity);

// Reads the text form, braces required, hexadecimal digits in either case. On failure the GUID is
// GUID_NULL and the result CO_E_CLASSSTRING (class ids) or E_INVALIDARG (interface ids).
HRESULT CLSIDFromString(const char* text, CLSID* clsid);
HRESULT IIDFromString(const char* text, IID* iid);

inline BOOL IsEqualGUID(REFGUID a, REFGUID b) { return a == b ? TRUE : FALSE; }
inline BOOL IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline BOOL IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
