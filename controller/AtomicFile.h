// Rewrites a file whole so that a reader, or the next start after a crash, finds either the old or
// the new content: the text goes to a temporary file beside it, is flushed to the disk, and is
// renamed over the old file.
#pragma once

#include <string>

#include "platform/core/CString.h"

// False (the old file untouched) when the temporary file cannot be written or renamed.
bool ReplaceFileContent(const CString& path, const std::string& content);
