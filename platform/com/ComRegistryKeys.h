// The runtime's and the servers' access to the registrations under HKEY_CLASSES_ROOT.
#pragma once

#include <string>

#include "platform/core/WinTypes.h"

// The default (unnamed) text value of a key under HKEY_CLASSES_ROOT; false when missing.
bool ComReadClassesRootText(const char* subKey, std::string* text);
// Creates the key (with every missing key above it) and sets a text value ("" = the default value).
bool ComWriteClassesRootText(const char* subKey, const char* valueName, const std::string& text);
// Removes a key with everything below it; a missing key is no failure.
bool ComDeleteClassesRootTree(const char* subKey);

// "{1D3C037F-5E8F-49FC-9E4F-A01BE6D1C21D}" and back.
std::string ComGuidText(const GUID& guid);
bool ComGuidFromText(const char* text, GUID* guid);
