// The player window's life: what creation takes from the application, its failures, the picture list
// and the statistics.
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "jukebox/player/tests/PlayerDbFixture.h"
#include "platform/dao/Dao.h"
#include "platform/dao/DaoException.h"

namespace jukebox::player_testing {
namespace {

using Window = PlayerDbTest;

class ThrowingServices : public FakeJukeboxServices {
 public:
  enum class Kind { Other, Database, Memory };
  explicit ThrowingServices(Kind kind) : kind_(kind) {}
  CString GetSongDbPath() const override {
    if (kind_ == Kind::Database) throw new CDaoException(3024, "Could not find file 'x'.", "DAO.Workspace");
    if (kind_ == Kind::Memory) throw std::bad_alloc();
    throw std::runtime_error("broken");
  }

 private:
  Kind kind_;
};

TEST(WindowCreation, AnExceptionFailsTheCreationWithOneLogLine) {
  qh::testing::TestSandbox sandbox;
  const std::pair<ThrowingServices::Kind, const char*> cases[] = {
      {ThrowingServices::Kind::Other, "An unexpected error has occurred in this application. ID Code 2."},
      {ThrowingServices::Kind::Database, "A database error has occurred: Could not find file 'x'. - Error Code: 3024"},
      {ThrowingServices::Kind::Memory, "Ran out of memory while trying to perform the requested command."},
  };
  for (const auto& [kind, text] : cases) {
    ThrowingServices app(kind);
    ScriptedEngine zone;
    EXPECT_FALSE(zone.CreateZone(nullptr)) << text;
    EXPECT_EQ(nullptr, zone.GetSafeHwnd());
    ASSERT_EQ(1u, app.log.size()) << text;
    EXPECT_EQ(0u, app.log[0].text.find(text)) << app.log[0].text;
    EXPECT_EQ("StreamWindow", app.log[0].source);
    EXPECT_FALSE(app.log[0].shown);
  }
}

TEST_F(Window, PictureListHoldsTheFolderJpegs) {
  const std::string pictures = sandbox.HostPath("C/Pics");
  std::filesystem::create_directories(pictures);
  for (const char* name : {"a.jpg", "B.JPG", "c.png", "d.jpg.txt"}) std::ofstream(pictures + "/" + name) << "x";
  std::filesystem::create_directories(pictures + "/folder.jpg");
  app.randomPicPath = "C:\\Pics";
  ScriptedEngine zone;
  ASSERT_TRUE(zone.CreateZone(mainWindow.get()));
  std::vector<std::string> found;
  for (const CString& path : zone.GetPictureList()) found.push_back(path.str());
  std::sort(found.begin(), found.end());
  EXPECT_EQ((std::vector<std::string>{"C:\\Pics\\B.JPG", "C:\\Pics\\a.jpg"}), found);
  EXPECT_EQ(2u, zone.GetPictureShownFlags().size());
  EXPECT_EQ(0, zone.GetPictureShownFlags()[0]);
  // No folder, no pictures.
  EXPECT_TRUE(player->GetPictureList().empty());
}

TEST_F(Window, StatisticsSumTheStorageVolumes) {
  storage->AddVolume(qh::testing::TestSandbox::kSystemSerial, "C", "SYSTEM", "Quaverhouse", 0, 0);
  AddSong("A", "Ann");
  CString sql;
  sql.Format("Update Songs Set SongVolser = %ld", static_cast<long>(qh::testing::TestSandbox::kSystemSerial));
  db.GetDatabase()->Execute(sql, dbFailOnError);
  double total = 0;
  storage->GetFreeSpace(total);
  storage->CountSongsPerVolume();
  ULARGE_INTEGER free{}, size{};
  LONG songs = 0;
  DWORD serial = 0;
  CString label;
  storage->GetVolume(0, free, size, songs, serial, label);
  app.startTime = COleDateTime::GetCurrentTime() - COleDateTimeSpan(1, 2, 3, 0);
  EXPECT_EQ(static_cast<LONG>(free.QuadPart / 1048576), player->StampStartTime());
  EXPECT_EQ(songs, player->GetTotalSongs());
  EXPECT_EQ(1, player->GetUpTime().GetDays());
  EXPECT_EQ(2, player->GetUpTime().GetHours());
}

TEST_F(Window, ShutdownWithoutNotifyWindowPostsNothing) {
  ScriptedEngine zone;
  ASSERT_TRUE(zone.CreateZone(mainWindow.get()));
  EXPECT_TRUE(zone.Shutdown(nullptr));
  EXPECT_EQ(nullptr, zone.GetSafeHwnd());
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ(0, mainWindow->Count(WM_PLAYER_DESTROYED));
}

TEST_F(Window, StateNamesAndDocuments) {
  struct Case {
    LONG state;
    const char* name;
  };
  ScriptedEngine zone;
  const LONG a = AddSong("Alpha", "Ann");
  ASSERT_TRUE(zone.CreateZone(mainWindow.get()));
  ASSERT_EQ(0, zone.LoadAndPlaySong(a));
  EXPECT_EQ("<QHPlayerState>PLAYING</QHPlayerState>", zone.GetPlayerStateXml().str());
  EXPECT_NE(std::string::npos, zone.GetSongInfoXml().str().find("<QHSongInfo>"));
  zone.Pause();
  CString name = "unchanged";
  zone.GetStateName(name);
  EXPECT_EQ("PAUSED", name.str());
  EXPECT_EQ((std::vector<std::string>{"PLAYING", "PAUSED"}),
            [&] {
              std::vector<std::string> states;
              for (const RemoteEvent& e : events.events)
                if (e.kind == "state") states.push_back(e.state);
              return states;
            }());
}

}  // namespace
}  // namespace jukebox::player_testing
