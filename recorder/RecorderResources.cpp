#include "recorder/RecorderResources.h"

#include "platform/ui/Dialog.h"

bool RegisterRecorderDialogs(std::string* error) {
  for (const char* const* text = kRecorderDialogTexts; *text != nullptr; ++text)
    if (!qh::ui::LoadDialogTemplates(*text, error)) return false;
  return true;
}
