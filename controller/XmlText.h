// The escaping of every text the controller writes into its XML documents: action lists, the
// variable list, macros.xml and schedule.xml.
#pragma once

#include "platform/core/CString.h"

// "<", ">", the double quote and "&" as entities; control characters XML 1.0 cannot carry become
// blanks, so every document stays well-formed.
CString XmlEscapeText(const CString& text);
