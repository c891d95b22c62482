#include "jukebox/zones/tests/ZoneTestSupport.h"

#include <cstdlib>
#include <filesystem>

#include "dblib/Song.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/Paths.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/BitmapResources.h"

namespace jukebox::zone_testing {

std::string SourcePath(const std::string& relative) { return std::string(QH_TEST_SOURCE_DIR) + "/" + relative; }
std::string BinaryPath(const std::string& relative) { return std::string(QH_TEST_BINARY_DIR) + "/" + relative; }

INT_PTR ScriptedZoneDialogs::ChooseArtist(CWnd*, bool listAlbums, CString& chosen) {
  ran.push_back(listAlbums ? "album" : "artist");
  chosen = choice;
  return result;
}
INT_PTR ScriptedZoneDialogs::ChooseGenre(CWnd*, CString& chosen) {
  ran.push_back("genre");
  chosen = choice;
  return result;
}
INT_PTR ScriptedZoneDialogs::ChoosePlaylist(CWnd*, CString& chosen) {
  ran.push_back("playlist");
  chosen = choice;
  return result;
}
INT_PTR ScriptedZoneDialogs::ChooseSavedPlaylist(CWnd*, const std::vector<CString>& names, const CString& preset,
                                                 int& index) {
  ran.push_back("saved-playlist");
  offeredNames = names;
  offeredPreset = preset;
  index = -1;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == choice) index = static_cast<int>(i);
  return result;
}
INT_PTR ScriptedZoneDialogs::Search(CWnd*, ZoneSearchCriteria& found) {
  ran.push_back("search");
  found = criteria;
  return result;
}
INT_PTR ScriptedZoneDialogs::EditPlaylist(CWnd*, const CString& name) {
  ran.push_back("edit-playlist " + name.str());
  return result;
}
INT_PTR ScriptedZoneDialogs::EditSongInfo(CWnd*, ZoneSongInfo& fields) {
  ran.push_back("song-info");
  shownInfo = fields;
  if (editInfo) fields = songInfo;
  return result;
}
void ScriptedZoneDialogs::ShowAbout(CWnd*, const CString& version, const CString& legal) {
  ran.push_back("about");
  aboutVersion = version;
  aboutLegal = legal;
}

void ZoneFixtureBase::SetUpDatabase() {
  qh::gdi::AddBitmapFolder(SourcePath("resources/jukebox/bitmaps"));
  std::string error;
  ASSERT_TRUE(qh::ui::LoadDialogTemplateFolder(SourcePath("resources/jukebox/dialogs"), &error)) << error;
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Temp"));
  CreateSongDatabase("C:\\Quaverhouse\\Quaverhouse.qhd");
  ASSERT_EQ(1, db.Open("C:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE));
  storage = std::make_unique<tStorage>(db.GetDatabase());
  ASSERT_EQ(0, storage->Init(4.0, "C:\\Quaverhouse"));
  app.songDatabase = &db;
  app.storage = storage.get();
  app.startDirectory = "C:\\Start";
  mainWindow = std::make_unique<MessageRecorder>();
  mainWindow->ShowWindow(SW_SHOW);
}

LONG ZoneFixtureBase::AddSong(const std::string& name, const std::string& artist, const std::string& album,
                              const std::string& genre) {
  tSong song;
  song.SetSongName(name.c_str());
  song.SetSongArtist(artist.c_str());
  song.SetSongAlbumName(album.c_str());
  song.SetSongCompression(' ');
  if (!genre.empty()) song.AddGenre(genre.c_str(), TRUE);
  return db.AddSong(&song);
}

bool ZoneFixtureBase::CreateZone(CWnd& zone, const CRect& rect) {
  CString caption = "Zone 1 [Null Audio Device]";
  if (!zone.CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS), caption, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect,
                     mainWindow.get(), 0))
    return false;
  zone.ShowWindow(SW_SHOWNORMAL);
  zone.Invalidate(TRUE);
  zone.UpdateWindow();
  return true;
}

CRect ZoneFixtureBase::ChildRect(HWND child) {
  CRect rect;
  ::GetWindowRect(child, &rect);
  CPoint origin = rect.TopLeft();
  ::ScreenToClient(::GetParent(child), &origin);
  return CRect(origin, rect.Size());
}

bool ZoneFixtureBase::MakeCover(LONG songId, const char* colour, int width, int height) {
  tSong song;
  if (song.Load(&db, storage.get(), songId) != 0) return false;
  const std::string host = qh::HostPathOf(song.GetCoverFileName());
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  const std::string command = "ffmpeg -v error -y -f lavfi -i 'color=c=" + std::string(colour) + ":s=" +
                              std::to_string(width) + "x" + std::to_string(height) + "' -frames:v 1 '" + host +
                              "' </dev/null";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(host);
}

}  // namespace jukebox::zone_testing
