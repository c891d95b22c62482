// The action document as the jukebox reads it: every element named exactly "action" is one action; its
// direct children are recognised by the prefix of their tag name, without case. Pure: text in, actions
// out; the caller files them.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "jukebox/remote/RemoteAction.h"

class IXMLDOMNode;

// Results of ReadActionElements (0 also for a document without any action).
enum : LONG {
  ACTION_DOC_OK = 0,
  ACTION_DOC_NO_DOM = -1,
  ACTION_DOC_NOT_WELL_FORMED = -2,
  ACTION_DOC_NO_COLLECTION = -3,
};

// Reads `text` into `actions`, in document order. On failure `actions` is left empty.
LONG ReadActionElements(std::string_view text, std::vector<std::unique_ptr<CRemoteAction>>& actions);
// Reads one argument element into `action` (nothing when it has no name or the name is taken).
void ReadActionArguments(const IXMLDOMNode& argumentElement, CRemoteAction& action);
