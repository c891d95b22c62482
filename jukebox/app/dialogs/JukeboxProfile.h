// The jukebox's settings (HKEY_CURRENT_USER\Software\Tallowmere\Quaverhouse) for the pages that read and
// write them themselves, whether or not the application object is running.
#pragma once

#include "platform/core/Registry.h"

ProfileStore& JukeboxProfile();
