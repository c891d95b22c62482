// Local time is a named zone while one of these lives (Europe/Berlin for BerlinZone: daylight-saving
// changes on known dates); the zone the test started with comes back after it.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

class LocalZone {
 public:
  explicit LocalZone(const char* name) {
    const char* old = std::getenv("TZ");
    saved_ = old ? old : "";
    hadZone_ = old != nullptr;
    setenv("TZ", name, 1);
    tzset();
  }
  ~LocalZone() {
    if (hadZone_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  LocalZone(const LocalZone&) = delete;
  LocalZone& operator=(const LocalZone&) = delete;

 private:
  std::string saved_;
  bool hadZone_ = false;
};

class BerlinZone : public LocalZone {
 public:
  BerlinZone() : LocalZone("Europe/Berlin") {}
};
