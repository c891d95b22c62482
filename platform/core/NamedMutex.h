// Mutexes by name, shared between the programs of the system (one running at a time). A named mutex
// is a lock file held with flock: "already exists" means another live holder has the lock, and a
// holder that dies frees the name, because the kernel drops its lock with its files.
//
// Lock files live in $QH_LOCK_DIR, else $XDG_RUNTIME_DIR/quaverhouse, else /tmp/quaverhouse-<uid>.
// Names compare without case; the file name is the lower-cased name with every character other
// than a letter, digit, '-' or '_' written as %XX, so no name can reach outside the folder.
#pragma once

#include <string>

#include "platform/core/Sync.h"
#include "platform/core/Thread.h"
#include "platform/core/WinTypes.h"

// Without a name: an in-process mutex. With a name: the handle is returned also when another holder
// has the name, with GetLastError() == ERROR_ALREADY_EXISTS and without ownership; otherwise
// GetLastError() is 0 and the calling thread owns it when initialOwner is TRUE. NULL on failure (the
// lock folder cannot be made or is not ours).
HANDLE CreateMutex(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCSTR name);
// Releases one ownership of the calling thread; FALSE with ERROR_NOT_OWNER when it does not own it.
BOOL ReleaseMutex(HANDLE mutex);

namespace qh {
// The folder of the lock files (made on first use), or empty with GetLastError() set.
std::string LockDirectory();
// The file name (without folder) that holds the named mutex `name`.
std::string LockFileNameFor(const std::string& name);
}  // namespace qh
