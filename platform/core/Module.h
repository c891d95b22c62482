// The running program's own folder. The system finds config\, sysdevices\, Templates\ and Logs\ below
// its start directory (the current directory at start); a program started from elsewhere makes its
// own folder the current directory first, with SetCurrentDirectory(qh::ProgramFolder()).
#pragma once

#include <string>

namespace qh {

// The folder of the executable as a path of the system ("C:\opt\quaverhouse\bin"), or its host path
// when no drive holds it; "" when the host cannot tell.
std::string ProgramFolder();
// The same folder as a host path.
std::string ProgramHostFolder();

}  // namespace qh
