#include "jukebox/app/dialogs/JukeboxProfile.h"

ProfileStore& JukeboxProfile() {
  static ProfileStore profile = [] {
    ProfileStore store;
    store.SetProfileName("Quaverhouse");
    store.SetRegistryKey("Tallowmere");
    return store;
  }();
  return profile;
}
