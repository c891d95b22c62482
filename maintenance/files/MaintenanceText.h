// Texts of the program's string table, plain or with their printf fields filled.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

CString LoadText(UINT id);
CString FormatText(UINT id, ...);
