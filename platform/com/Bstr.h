// BSTR texts and the conversions between the program's ANSI code page (1252) and UTF-16.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/core/CString.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// Code page 1252 <-> UTF-16, the two conversions the system makes at the COM boundary. A character
// 1252 cannot hold becomes '?'. A null BSTR converts to the empty text.
BSTR AnsiToBstr(const char* text);
CString BstrToAnsi(BSTR text);
std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);
