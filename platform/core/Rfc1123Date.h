// HTTP date texts: "Sun, 06 Nov 1994 08:49:37 GMT", always in English and always UTC.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "platform/core/WinTypes.h"

// The RFC 1123 text of a file time (to the second) or of a calendar time; empty when the time lies
// outside the years 1601 to 9999.
std::string FormatRfc1123Date(const FILETIME& fileTime);
std::string FormatRfc1123Date(std::time_t time);

// Reads the three date forms that HTTP allows: RFC 1123 ("Sun, 06 Nov 1994 08:49:37 GMT"), RFC 850
// ("Sunday, 06-Nov-94 08:49:37 GMT"; years 00-69 are 2000-2069) and asctime ("Sun Nov  6 08:49:37
// 1994"), in any letter case and with surrounding blanks. The weekday name is not checked against
// the date. False, and a zero file time, for anything else or for a date that does not exist.
bool ParseRfc1123Date(std::string_view text, FILETIME* fileTime);
