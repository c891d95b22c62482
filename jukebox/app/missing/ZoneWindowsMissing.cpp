// The kit of a build without the zone windows: no zone can be made, and start-up says so.
#include "jukebox/app/ZoneWindowKit.h"

namespace {

class MissingZoneWindows : public CZoneWindowKit {
 public:
  CString MissingPart() const override {
    return "the zone windows (jukebox/zones) are not part of this build; the jukebox runs without zones";
  }
  CWnd* Construct(bool, bool) override { return nullptr; }
  void Configure(CWnd*, int, const CString&, const CString&) override {}
  void Delete(CWnd* zone) override { delete zone; }
  LONG GetCurrentSongId(CWnd*) override { return 0; }
  bool IsExstreamer(CWnd*) override { return false; }
  void GetStateMap(CWnd*, std::set<LONG>& sources) override { sources.clear(); }
  void SetStateMap(CWnd*, const std::set<LONG>&) override {}
  BOOL Shutdown(CWnd*, CWnd*) override { return FALSE; }
  void SetStatusText(CWnd*, const CString&) override {}
};

}  // namespace

CZoneWindowKit& BuiltInZoneWindowKit() {
  static MissingZoneWindows kit;
  return kit;
}
