// A small stand-in of the jukebox application for the library's tests: it owns the song database
// object, the storage-volume list and the album database as the application does, builds them in the
// application's start-up order, and offers the few application services the library's users call.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"

namespace qh::dblib::media_testing {

class StandInJukeboxApp {
 public:
  explicit StandInJukeboxApp(std::vector<std::string> zoneDevices = {}) : zoneDevices_(std::move(zoneDevices)) {}

  // Opens "<folder>\Quaverhouse.qhd", fills the storage-volume list (scan, primary volume, the
  // registered volumes, duplicates, space, song counts) and opens the album file when there is one.
  bool Start(const CString& songDbPath) {
    songDbPath_ = songDbPath;
    if (songDatabase_.Open(songDbPath + "\\Quaverhouse.qhd", TRUE, FALSE) != 1) return false;
    storage_ = std::make_unique<tStorage>(songDatabase_.GetDatabase());
    if (storage_->Init(4.0, songDbPath) != 0) return false;
    if (songDatabase_.OpenVolumes() == 1) {
      LONG serial, high, low;
      CString letter, label, path;
      while (songDatabase_.NextVolume(serial, letter, label, path, high, low) == 1)
        storage_->AddVolume(static_cast<DWORD>(serial), letter, label, path, static_cast<DWORD>(high),
                            static_cast<DWORD>(low));
      songDatabase_.CloseVolumes();
    }
    duplicateVolumes_ = storage_->HasDuplicateVolumes() == 1;
    double total = 0.0;
    storage_->GetFreeSpace(total);
    storage_->CountSongsPerVolume();
    albumDatabase_ = std::make_unique<tQHFRDb>();
    if (albumDatabase_->Open(songDbPath + "\\vezevavov.fdb", TRUE, TRUE) != 1) albumDatabase_.reset();
    return true;
  }

  tQHDb* GetSongDatabase() { return &songDatabase_; }
  tStorage* GetStorageManager() { return storage_.get(); }
  tQHFRDb* GetAlbumDatabase() { return albumDatabase_.get(); }
  CString GetSongDbPath() const { return songDbPath_; }
  bool HasDuplicateVolumes() const { return duplicateVolumes_; }

  // The configured device string of a zone; empty for an index outside the list, negative ones too.
  CString GetZoneDevice(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= zoneDevices_.size()) return CString();
    return CString(zoneDevices_[static_cast<size_t>(index)].c_str());
  }
  // The previous ramp time; a value outside 100-30000 ms is not stored.
  int SetVolumeRampTime(int milliseconds) {
    int previous = rampTime_;
    if (milliseconds >= 100 && milliseconds <= 30000) rampTime_ = milliseconds;
    return previous;
  }
  bool LockSong(LONG songId) { return lockedSongs_.insert(songId).second; }
  void UnlockSong(LONG songId) { lockedSongs_.erase(songId); }
  bool IsSongLocked(LONG songId) const { return lockedSongs_.count(songId) != 0; }

 private:
  std::vector<std::string> zoneDevices_;
  CString songDbPath_;
  tQHDb songDatabase_;
  std::unique_ptr<tStorage> storage_;
  std::unique_ptr<tQHFRDb> albumDatabase_;
  bool duplicateVolumes_ = false;
  int rampTime_ = 6000;
  std::set<LONG> lockedSongs_;
};

}  // namespace qh::dblib::media_testing
