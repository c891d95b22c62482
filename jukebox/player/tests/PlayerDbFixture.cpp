#include "jukebox/player/tests/PlayerDbFixture.h"

#include <filesystem>

#include "dblib/Song.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/dao/Dao.h"

namespace jukebox::player_testing {

void PlayerDbTest::SetUp() {
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
  CreateSongDatabase("C:\\Quaverhouse\\Quaverhouse.qhd");
  ASSERT_EQ(1, db.Open("C:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE));
  storage = std::make_unique<tStorage>(db.GetDatabase());
  app.songDatabase = &db;
  app.storage = storage.get();
  mainWindow = std::make_unique<MessageRecorder>();
  player = std::make_unique<ScriptedEngine>();
  ASSERT_TRUE(player->CreateZone(mainWindow.get()));
}

void PlayerDbTest::TearDown() {
  player.reset();
  mainWindow.reset();
}

LONG PlayerDbTest::AddSong(const std::string& name, const std::string& artist, const std::string& album,
                           const std::string& genre, int track) {
  tSong song;
  song.SetSongName(name.c_str());
  song.SetSongArtist(artist.c_str());
  song.SetSongAlbumName(album.c_str());
  song.SetSongCdTrack(track);
  song.SetSongCompression(' ');
  if (!genre.empty()) song.AddGenre(genre.c_str(), TRUE);
  return db.AddSong(&song);
}

void PlayerDbTest::AddManySongs(int count, const std::string& artist) {
  db.BeginTrans();
  for (int i = 0; i < count; ++i) {
    const LONG id = nextBulkId_++;
    CString sql;
    sql.Format(
        "Insert Into Songs (SongID, SongName, SongArtist, SongGUID, SongCompression) Values (%ld, 'Song %06ld', "
        "'%s', '{00000000-0000-0000-0000-%012ld}', ' ')",
        static_cast<long>(id), static_cast<long>(id), artist.c_str(), static_cast<long>(id));
    db.GetDatabase()->Execute(sql, dbFailOnError);
  }
  db.CommitTrans();
}

void PlayerDbTest::AddToPlaylist(const std::string& playlist, LONG songId) {
  ASSERT_EQ(1, db.AddSongToPlaylist(playlist.c_str(), songId));
}

std::vector<LONG> PlayerDbTest::QueueIds() const {
  std::vector<LONG> ids;
  for (int i = 0; i < player->GetSongCount(); ++i) ids.push_back(player->GetQueuedSong(i)->SongID);
  return ids;
}

}  // namespace jukebox::player_testing
