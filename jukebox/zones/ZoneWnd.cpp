#include "jukebox/zones/ZoneWnd.h"

#include "jukebox/zones/ZoneTexts.h"
#include "platform/ui/MessageBox.h"

void RunLocalPluginsCommand(CStreamWindow& engine) {
  if (!engine.HasGraph()) {
    AfxMessageBox(ZoneText(IDS_ZONE_LOAD_SONG_FIRST), MB_ICONEXCLAMATION);
    return;
  }
  engine.EditPluginChain();
  engine.ShowFilterProperties();
}

void CZoneWnd::OnPluginsCommand() { RunLocalPluginsCommand(*this); }
void CTVZoneWnd::OnPluginsCommand() { RunLocalPluginsCommand(*this); }
