// The recorder's members of the song record: the QHSong upload document (xmllint and the jukebox's own
// reader), the MP3 export copy with its ID3v1 trailer (read back by mutagen and decoded by mpg123),
// media file sizes, genre arrays, compression names, and the album data's statistics.
#include <filesystem>
#include <fstream>

#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "dblib/tests/media/AlbumDbFixture.h"
#include "dblib/tests/media/MediaTestBase.h"
#include "platform/dao/Dao.h"

namespace qh::dblib::media_testing {
namespace {

std::string ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class RecorderSongTest : public MediaTest {
 protected:
  void SetUp() override {
    MediaTest::SetUp();
    storage.ScanDrives();
    storage.AddVolume(kMusicSerial, "D", "MUSIC", "Music", 0, 0);
    std::filesystem::create_directories(Host("Music/Songs"));
    std::filesystem::create_directories(Host("Out"));
  }
  tSong Song(LONG id, char code) {
    tSong song;
    song.Attach(&db, &storage);
    song.SongID = id;
    song.SongCompression = code;
    song.SongVolser = kMusicSerial;
    song.SetSongName("Rock & Roll Ain't <Noise>");
    song.SetSongArtist("AC/DC");
    song.SetSongAlbumName("Live");
    song.SetSongComments("from the vault");
    COleDateTime day;
    day.SetDate(1992, 10, 27);
    song.SetSongDate(day);
    song.SetSongCdTrack(7);
    song.AddGenre("hip-hop", TRUE);
    return song;
  }
  // An MP3-in-WAV file as ffmpeg writes one (format tag 0x55).
  bool MakeMp3InWav(const std::string& name) {
    return RunTool("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=2 -ac 2 -ar 44100 -c:a libmp3lame "
                   "-b:a 128k -f wav " + Quoted(Host(name)));
  }

  tQHDb db;
  tStorage storage{nullptr};
};

TEST_F(RecorderSongTest, SongDocumentIsOneLineInItsOrder) {
  tSong song = Song(42, '3');
  song.SetSongPath("Music\\Rock & Roll\\<best>.mp3");
  song.SetSongGUID("{0123ABCD-00EF-A1B2-0123-456789ABCDEF}");
  song.SetSongLength("03:25.500");
  song.SetSongCDDB(0x00ABCDEF);
  song.AddGenre("Rock", FALSE);
  song.AddGenre("Pop", FALSE);
  CString xml;
  ASSERT_EQ(0, song.WriteSongXml(xml));
  const std::string text = xml.str();
  EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><QHSong Version=\"4.0\"><SongID>42</SongID>"
                          "<SongName>Rock &amp; Roll Ain't &lt;Noise&gt;</SongName><SongArtist>AC/DC</SongArtist>"));
  EXPECT_NE(std::string::npos, text.find("<SongDate>1992-10-27</SongDate>"));
  EXPECT_NE(std::string::npos, text.find("<SongCDDB>00ABCDEF</SongCDDB><SongCompression>3</SongCompression>"));
  EXPECT_NE(std::string::npos, text.find("<OriginalPath>Music\\Rock &amp; Roll\\&lt;best&gt;.mp3</OriginalPath>"));
  EXPECT_NE(std::string::npos, text.find("<OriginalVolser>0D15C0DE</OriginalVolser>"));
  EXPECT_NE(std::string::npos,
            text.find("<SongPrimaryGenre>hip-hop</SongPrimaryGenre><GenreList><SongGenre>Rock</SongGenre>"
                      "<SongGenre>Pop</SongGenre></GenreList></QHSong>"));
  EXPECT_EQ(std::string::npos, text.find('\n'));

  tSong plain = Song(43, 'R');
  ASSERT_EQ(0, plain.WriteSongXml(xml));
  EXPECT_EQ(std::string::npos, xml.str().find("GenreList")) << "no genres, no list";
  tSong unsaved;
  EXPECT_EQ(-1, unsaved.WriteSongXml(xml));
}

TEST_F(RecorderSongTest, SongDocumentIsWellFormedAndReadBackByTheJukeboxReader) {
  SKIP_WITHOUT("xmllint");
  tSong song = Song(5, '3');
  song.SetSongPath(CString("Rock & Roll\\Caf\xE9\x01.mp3"));
  song.SetSongLabel("\"Q\" & <A>");
  CString xml;
  ASSERT_EQ(0, song.WriteSongXml(xml));
  Write("song.xml", xml.str());
  EXPECT_TRUE(RunTool("xmllint --noout --nonet " + Quoted(Host("song.xml")))) << xml.str();
  tSong back;
  ASSERT_EQ(0, back.FromSongXml(OnD("song.xml")));
  EXPECT_EQ(song.SongName, back.SongName);
  EXPECT_EQ(song.SongLabel, back.SongLabel);
  EXPECT_EQ("hip-hop", back.SongPrimaryGenre.str());
  EXPECT_EQ(7, back.SongCdTrack);
}

TEST_F(RecorderSongTest, ExportCopyCarriesTheMp3DataAndAnId3v1Tag) {
  SKIP_WITHOUT("ffmpeg", "python3", "mpg123");
  ASSERT_TRUE(MakeMp3InWav("Music/Songs/Song0000000009.wav"));
  tSong song = Song(9, 'M');
  ASSERT_EQ(0, song.ExportMp3Copy("D:\\Out\\AC_DC"));
  ASSERT_EQ(0, song.ExportMp3Copy("D:\\Out\\AC_DC"));
  ASSERT_TRUE(std::filesystem::exists(Host("Out/AC_DC.mp3")));
  ASSERT_TRUE(std::filesystem::exists(Host("Out/AC_DC1.mp3")));
  // The system's Python carries the distribution's mutagen (a user's own Python may not).
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  std::string tags = Capture(python + " -c \"import mutagen.mp3,sys; t=mutagen.mp3.MP3(sys.argv[1]).tags; "
                             "print('|'.join(str(t[k]) for k in ('TIT2','TPE1','TALB','TDRC','TRCK','TCON')))\" " +
                             Quoted(Host("Out/AC_DC.mp3")));
  EXPECT_EQ("Rock & Roll Ain't <Noise>|AC/DC|Live|1992|7|Hip-Hop", tags);
  EXPECT_TRUE(RunTool("mpg123 -q -t " + Quoted(Host("Out/AC_DC.mp3"))));
  std::string copy = ReadHost(Host("Out/AC_DC.mp3"));
  ASSERT_GT(copy.size(), 128u);
  EXPECT_EQ("TAG", copy.substr(copy.size() - 128, 3));
  EXPECT_EQ(7, copy[copy.size() - 128 + 127]) << "Hip-Hop is genre 7";
}

TEST_F(RecorderSongTest, ExportRefusesWhatIsNoMp3InWav) {
  Write("Music/Songs/Song0000000001.wav",
        BuildWav({{"fmt ", FormatChunkData(1, 2, 44100, 176400, 4, 16), {}}, {"data", std::string(4000, '\0'), {}}}));
  tSong pcm = Song(1, ' ');
  EXPECT_EQ(-3, pcm.ExportMp3Copy("D:\\Out\\pcm"));
  EXPECT_FALSE(std::filesystem::exists(Host("Out/pcm.mp3")));
  tSong missing = Song(2, 'M');
  EXPECT_EQ(-2, missing.ExportMp3Copy("D:\\Out\\missing"));
}

TEST_F(RecorderSongTest, ShortAndTruncatedDataChunksAreCopiedAsFarAsTheyGo) {
  const std::string format = FormatChunkData(0x55, 2, 44100, 16000, 1, 0);
  struct Case {
    const char* name;
    std::string data;
    std::optional<uint32_t> declared;
    size_t expectedSize;
  } cases[] = {
      {"short", std::string(50, 'x'), {}, 50 + 128},
      {"truncated", std::string(1000, 'y'), 100000u, 1000 + 128},
      {"tagged", std::string(300, 'z') + Id3v1Trailer("t", "a", "b", "2001", "c", 1, 2), {}, 300 + 128},
  };
  LONG id = 20;
  for (const Case& c : cases) {
    CString file;
    file.Format("Music/Songs/Song%010d.wav", static_cast<int>(id));
    Write(file.str(), BuildWav({{"fmt ", format, {}}, {"data", c.data, c.declared}}));
    tSong song = Song(id++, 'M');
    CString base = CString("D:\\Out\\") + c.name;
    ASSERT_EQ(0, song.ExportMp3Copy(base)) << c.name;
    EXPECT_EQ(c.expectedSize, std::filesystem::file_size(Host(std::string("Out/") + c.name + ".mp3"))) << c.name;
  }
}

TEST_F(RecorderSongTest, GenreIndexOfTheTagIgnoresCaseAndDefaultsToOther) {
  tSong song = Song(1, 'M');
  EXPECT_EQ(7, song.GetPrimaryGenreIndex());
  song.AddGenre("Not A Genre", TRUE);
  EXPECT_EQ(12, song.GetPrimaryGenreIndex());
}

TEST_F(RecorderSongTest, MediaFileSizeAndGenreArrays) {
  Write("Music/Songs/Song0000000003.mp3", std::string(12345, 'm'));
  tSong song = Song(3, 'R');
  EXPECT_EQ(12345, song.GetMediaFileSize());
  tSong absent = Song(4, 'R');
  EXPECT_EQ(-2, absent.GetMediaFileSize());
  tSong unsaved;
  EXPECT_EQ(-1, unsaved.GetMediaFileSize());

  CStringArray genres;
  genres.Add("stale");
  EXPECT_EQ(0, song.GetGenres(genres));
  EXPECT_EQ(0, genres.GetSize());
  genres.Add("Rock");
  genres.Add("Pop");
  EXPECT_EQ(2, song.SetGenres(genres));
  CStringArray back;
  EXPECT_EQ(2, song.GetGenres(back));
  EXPECT_EQ("Pop", back[1].str());
}

TEST_F(RecorderSongTest, CompressionNames) {
  const std::pair<char, const char*> names[] = {{'A', "ADPCM"},      {' ', "WAV (PCM)"},     {'M', "MP3"},
                                                {'R', "Native MP3"}, {'3', "Unmanaged MP3"}, {'V', "Unmanaged WAV (PCM)"},
                                                {'?', "*UNKNOWN*"}};
  for (auto [code, name] : names) {
    tSong song;
    song.SongCompression = code;
    EXPECT_EQ(name, CompressionTypeName(song).str()) << code;
  }
}

TEST(AlbumStatisticsTest, CountsIndexesAndLoadDate) {
  qh::testing::TestSandbox sandbox;
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
  const CString path = "C:\\Quaverhouse\\vezevavov.fdb";
  CreateAlbumDatabase(path);
  {
    CDaoDatabase writer;
    writer.Open(path, TRUE, FALSE, "");
    writer.Execute("Insert Into QuavParms (ParmName, ParmValue) Values ('LoadDate', '2025-03-14')", dbFailOnError);
    writer.Close();
  }
  tQHFRDb albums;
  LONG tracks = -9;
  EXPECT_EQ(-1, albums.GetRecordCounts(tracks));
  EXPECT_EQ(COleDateTime::invalid, albums.GetLoadDate().GetStatus());
  ASSERT_EQ(1, albums.Open(path, TRUE, TRUE));
  EXPECT_EQ(4, albums.GetRecordCounts(tracks));
  EXPECT_GT(tracks, 0);
  LONG trackIndexes = 0;
  EXPECT_GE(albums.GetIndexCounts(trackIndexes), 1);
  EXPECT_GE(trackIndexes, 1);
  EXPECT_EQ("2025-03-14 00:00:00", albums.GetLoadDate().Format("%Y-%m-%d %H:%M:%S").str());
}

}  // namespace
}  // namespace qh::dblib::media_testing
