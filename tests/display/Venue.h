// A venue's machine in a folder of its own, as the programs find it: the settings store, the drive
// map (drive D: is a folder here), the lock folder, and a copy of the build's start directory, which
// every program of the test starts in. The environment of the test points at them while the object
// lives, so the programs the test starts use them.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qh::programs::testing {

class Venue {
 public:
  Venue();
  ~Venue();
  Venue(const Venue&) = delete;
  Venue& operator=(const Venue&) = delete;

  const std::string& root() const { return root_; }
  const std::string& startFolder() const { return startFolder_; }
  // A library of one song (made with sox and lame, imported by the build's library builder), with the
  // settings a fresh store has otherwise: message boxes on, the control ports on free ports. Empty
  // when it worked, else why not.
  std::string MakeLibrary();
  // Sets (or adds) a value of the settings store: key path below the system's own key.
  // `value` as the store writes it: "\"text\"" or "dword:0000abcd".
  void SetValue(const std::string& key, const std::string& name, const std::string& value);
  // Takes a value out of the store, so the programs use their default for it.
  void RemoveValue(const std::string& key, const std::string& name);

 private:
  void SetEnv(const char* name, const std::string& value);
  std::vector<std::string> StoreLines() const;
  void WriteStore(const std::vector<std::string>& lines) const;

  std::string root_, startFolder_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A TCP port no one listens on at the moment of asking.
int FreePort();

}  // namespace qh::programs::testing
