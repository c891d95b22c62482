// libFuzzer target: the reader of action documents. Whatever text arrives, the reader returns a result,
// the actions it made hold at most one argument per name, and walking their arguments ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "jukebox/remote/ActionDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::unique_ptr<CRemoteAction>> actions;
  const LONG result = ReadActionElements(std::string_view(reinterpret_cast<const char*>(data), size), actions);
  if (result != ACTION_DOC_OK && !actions.empty()) std::abort();
  for (auto& action : actions) {
    std::vector<CString> names;
    if (action->BeginArguments()) {
      while (CActionArgument* argument = action->NextArgument()) names.push_back(argument->GetName());
      action->EndArguments();
      if (static_cast<int>(names.size()) != action->GetArgumentCount()) std::abort();
      // Every argument is found again by its own name (a lookup moves the walk's cursor, so after it).
      for (const CString& name : names)
        if (action->FindArgument(name) == nullptr) std::abort();
    } else if (!action->GetName().IsEmpty() || action->GetArgumentCount() != 0) {
      // Arguments are only taken after a name, and a name readies the walk.
      std::abort();
    }
  }
  return 0;
}
