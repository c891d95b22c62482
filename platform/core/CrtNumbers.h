// The C run-time number conversions as the system's code relies on them: `long` is 32 bits wide,
// as it was where the system was written, whatever the host's `long` is.
//
// Each function reads like its C counterpart: leading white space is skipped, an optional sign is
// taken, and reading stops at the first character that cannot continue the number ("12abc" gives
// 12, "abc" gives 0). The qh_ prefix keeps them apart from the host's functions of the same name.
//
//   qh_atoi, qh_atol  decimal; a value outside the 32-bit range saturates at 2147483647 or
//                     -2147483648.
//   qh_strtol         base 0 or 2..36; out of range gives LONG_MAX or LONG_MIN of 32 bits and sets
//                     errno to ERANGE.
//   qh_strtoul        as qh_strtol into 32 bits unsigned; a leading minus negates in 32 bits ("-1"
//                     gives 0xFFFFFFFF); out of range gives 0xFFFFFFFF and ERANGE.
//   qh_atof           decimal floating text only (no hexadecimal, infinity or NaN forms), read the
//                     same whatever the host's locale.
// A null text reads as 0. endPtr, when given, receives the first unread character, or the text
// itself when no number was read.
#pragma once

#include "platform/core/WinTypes.h"

INT qh_atoi(const char* text);
LONG qh_atol(const char* text);
LONG qh_strtol(const char* text, char** endPtr, int base);
ULONG qh_strtoul(const char* text, char** endPtr, int base);
double qh_atof(const char* text);
