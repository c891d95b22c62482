// The recorder's dialog templates, compiled into the program from resources/recorder/dialogs.
#pragma once

#include <string>

extern const char* const kRecorderDialogTexts[];  // ends with a null entry

// Registers every template; false, with the reason, when one is malformed.
bool RegisterRecorderDialogs(std::string* error = nullptr);
