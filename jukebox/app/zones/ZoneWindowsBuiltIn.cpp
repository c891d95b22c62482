// The kit of a build with the zone windows: the four zone window classes behind the application's kit.
#include "jukebox/app/ZoneWindowKit.h"
#include "jukebox/zones/ZoneWnd.h"

namespace {

CPlayerBase* PlayerOf(CWnd* zone) { return dynamic_cast<CPlayerBase*>(zone); }

class BuiltInZoneWindows : public CZoneWindowKit {
 public:
  CString MissingPart() const override { return CString(); }
  CWnd* Construct(bool tvLayout, bool exstreamer) override {
    if (exstreamer) return tvLayout ? static_cast<CWnd*>(new CTVXSZoneWnd) : new CXSZoneWnd;
    return tvLayout ? static_cast<CWnd*>(new CTVZoneWnd) : new CZoneWnd;
  }
  void Configure(CWnd* zone, int streamNumber, const CString& description, const CString& device) override {
    if (CPlayerBase* player = PlayerOf(zone)) {
      player->SetStreamNumber(streamNumber);
      player->SetStreamName(description);
      player->SetDeviceName(device);
    }
  }
  void Delete(CWnd* zone) override { delete zone; }
  LONG GetCurrentSongId(CWnd* zone) override {
    CPlayerBase* player = PlayerOf(zone);
    return player ? player->GetCurrentSongId() : 0;
  }
  bool IsExstreamer(CWnd* zone) override {
    CPlayerBase* player = PlayerOf(zone);
    return player && player->IsExstreamer();
  }
  void GetStateMap(CWnd* zone, std::set<LONG>& sources) override {
    sources.clear();
    if (CPlayerBase* player = PlayerOf(zone)) player->GetStateMap(sources);
  }
  void SetStateMap(CWnd* zone, const std::set<LONG>& sources) override {
    if (CPlayerBase* player = PlayerOf(zone)) player->SetStateMap(sources);
  }
  BOOL Shutdown(CWnd* zone, CWnd* notify) override {
    CPlayerBase* player = PlayerOf(zone);
    return player ? player->Shutdown(notify) : FALSE;
  }
  void SetStatusText(CWnd* zone, const CString& text) override {
    if (CPlayerBase* player = PlayerOf(zone)) player->SetStatusText(text);
  }
};

}  // namespace

CZoneWindowKit& BuiltInZoneWindowKit() {
  static BuiltInZoneWindows kit;
  return kit;
}
