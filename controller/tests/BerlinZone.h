// Local time is Europe/Berlin while one of these lives (daylight-saving changes on known dates); the
// zone the test started with comes back after it.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

class BerlinZone {
 public:
  BerlinZone() {
    const char* old = std::getenv("TZ");
    saved_ = old ? old : "";
    hadZone_ = old != nullptr;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
  ~BerlinZone() {
    if (hadZone_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  BerlinZone(const BerlinZone&) = delete;
  BerlinZone& operator=(const BerlinZone&) = delete;

 private:
  std::string saved_;
  bool hadZone_ = false;
};
