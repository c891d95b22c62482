#include "jukebox/zones/ZoneDialogs.h"

#include "jukebox/app/services/JukeboxServices.h"

namespace {

CZoneDialogs g_waiting;
CZoneDialogs* g_dialogs = nullptr;

}  // namespace

INT_PTR CZoneDialogs::NotAvailable(const char* dialog) {
  CString text;
  text.Format("The %s is not available in this build.", dialog);
  if (CJukeboxServices* app = JukeboxServices()) app->WriteErrorLog("W", "StreamWindow", text);
  return IDCANCEL;
}

INT_PTR CZoneDialogs::ChooseArtist(CWnd*, bool listAlbums, CString&) {
  return NotAvailable(listAlbums ? "album chooser" : "artist chooser");
}
INT_PTR CZoneDialogs::ChooseGenre(CWnd*, CString&) { return NotAvailable("genre chooser"); }
INT_PTR CZoneDialogs::ChoosePlaylist(CWnd*, CString&) { return NotAvailable("playlist chooser"); }
INT_PTR CZoneDialogs::ChooseSavedPlaylist(CWnd*, const std::vector<CString>&, const CString&, int&) {
  return NotAvailable("existing-playlist chooser");
}
INT_PTR CZoneDialogs::Search(CWnd*, ZoneSearchCriteria&) { return NotAvailable("search dialog"); }
INT_PTR CZoneDialogs::EditPlaylist(CWnd*, const CString&) { return NotAvailable("playlist editor"); }
INT_PTR CZoneDialogs::EditSongInfo(CWnd*, ZoneSongInfo&) { return NotAvailable("song information dialog"); }
void CZoneDialogs::ShowAbout(CWnd*, const CString&, const CString&) { NotAvailable("about box"); }

CZoneDialogs& ZoneDialogs() { return g_dialogs ? *g_dialogs : g_waiting; }

CZoneDialogs* SetZoneDialogs(CZoneDialogs* dialogs) {
  CZoneDialogs* previous = g_dialogs;
  g_dialogs = dialogs;
  return previous;
}
