// LADSPA plug-ins in the local engine's graph: kept by name, chained by name between the decoder and the
// tee, inserted and removed while a song plays, chosen in the plug-in list dialog.
#include "jukebox/player/PluginListDlg.h"
#include "jukebox/player/tests/StreamWindowFixture.h"
#include "platform/media/Ladspa.h"
#include "platform/media/PluginPropertyPage.h"

namespace jukebox::player_testing {
namespace {

constexpr const char* kMono = "Mono Amplifier";
constexpr const char* kStereo = "Stereo Amplifier";

class Plugins : public StreamWindowTest {
 protected:
  void SetUp() override {
    StreamWindowTest::SetUp();
    IBaseFilter* probe = qh::media::CreateLadspaFilter(kMono);
    if (probe == nullptr) GTEST_SKIP() << "ladspa-sdk's amplifiers are missing";
    probe->Release();
  }
  void StopGraph() {
    IMediaControl* control = nullptr;
    ASSERT_EQ(S_OK, zone->QueryGraphInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
    control->Stop();
    control->Release();
  }
  ~Plugins() override { qh::ui::SetDialogAnswerer(nullptr); }
};

TEST_F(Plugins, NamesBecomeAChainOrderedByNameAndComeBackAfterStop) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 1 -b 16", 1, "sine 440"));
  zone->AddPlugin(kStereo);
  zone->AddPlugin(kMono);
  zone->AddPlugin(kMono);  // a second filter of a name stays out
  EXPECT_EQ(2, app.CountLines("Adding plugin [Mono Amplifier] to plugin list for stream 1."));
  EXPECT_FALSE(zone->UsesPlugins());
  auto song = Song(1, ' ', "a.wav");
  zone->SetVolume(100);
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  EXPECT_TRUE(zone->UsesPlugins());
  EXPECT_EQ((std::vector<CString>{kMono, kStereo}), zone->GetChainNames());
  ASSERT_TRUE(PlayedToEnd());
  zone->Stop();
  EXPECT_FALSE(zone->UsesPlugins());
  EXPECT_EQ((std::vector<CString>{kMono, kStereo}), zone->GetPluginNames());
  // Unity gain through both (the stereo one passes a mono stream unchanged): the samples are the file's.
  Pcm16 out, in;
  ASSERT_TRUE(ReadWave16(capture, out));
  ASSERT_TRUE(ReadWave16(Host("a.wav"), in));
  EXPECT_EQ(in.samples, out.samples);
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  EXPECT_EQ((std::vector<CString>{kMono, kStereo}), zone->GetChainNames());
}

TEST_F(Plugins, TheNextSongGoesThroughTheSameChain) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 1 -b 16", 0.5, "sine 440"));
  ASSERT_TRUE(Tone("b.wav", "-r 44100 -c 1 -b 16", 0.5, "sine 440"));
  zone->AddPlugin(kMono);
  zone->AppendSong(Song(1, ' ', "a.wav").release());
  zone->AppendSong(Song(2, 'V', "b.wav").release());
  zone->SetVolume(100);
  ASSERT_EQ(0, zone->PlayIndex(0));
  ASSERT_TRUE(qh::media::SetPluginControl(zone->GetChainFilter(kMono), 0, 0.5f));
  ASSERT_TRUE(PumpUntil([&] { return events.Values("song").size() >= 3; }));
  zone->Stop();
  Pcm16 out, in;
  ASSERT_TRUE(ReadWave16(capture, out));
  ASSERT_TRUE(ReadWave16(Host("b.wav"), in));
  // The second song (its source replaced on the running graph) still passes the amplifier at half gain.
  EXPECT_NEAR(0.5, Rms(out.samples, 22050 + 2205, 11025) / Rms(in.samples, 2205, 11025), 0.01);
}

TEST_F(Plugins, InsertedAndRemovedWhilePlayingTheGainFollowsItsControl) {
  SKIP_WITHOUT_TOOLS("sox");
  setenv("QH_CLOCK_RATE", "1", 1);
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 1 -b 16", 1.6, "sine 440"));
  auto song = Song(1, ' ', "a.wav");
  zone->SetVolume(100);
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  // Positions are read from the song, so a slow machine moves the windows, not the result.
  ASSERT_TRUE(PumpUntil([&] { return zone->GetPositionMs() >= 300; }));
  StopGraph();
  const LONG inserted = zone->GetPositionMs();
  ASSERT_TRUE(zone->AddPluginFilters(kMono));
  IBaseFilter* amplifier = zone->GetChainFilter(kMono);
  ASSERT_NE(nullptr, amplifier);
  ASSERT_TRUE(qh::media::SetPluginControl(amplifier, 0, 0.25f));
  EXPECT_EQ(0, zone->Play());
  ASSERT_TRUE(PumpUntil([&] { return zone->GetPositionMs() >= inserted + 400; }));
  StopGraph();
  const LONG removed = zone->GetPositionMs();
  zone->RemovePluginFilter(kMono);
  EXPECT_FALSE(zone->UsesPlugins());
  EXPECT_EQ(0, zone->Play());
  ASSERT_TRUE(PlayedToEnd(std::chrono::seconds(5)));
  zone->Stop();
  Pcm16 out;
  ASSERT_TRUE(ReadWave16(capture, out));
  auto frameAt = [](LONG ms) { return static_cast<size_t>(ms) * 441 / 10; };
  ASSERT_LT(frameAt(removed + 150), out.samples.size());
  const double before = Rms(out.samples, 0, frameAt(200));
  // Blocks go out up to 40 ms ahead of the clock: keep 100 ms away from each change.
  const double during = Rms(out.samples, frameAt(inserted + 100), frameAt(removed - inserted - 200));
  const double after = Rms(out.samples, frameAt(removed + 100), frameAt(150));
  EXPECT_NEAR(0.25, during / before, 0.01);
  EXPECT_NEAR(1.0, after / before, 0.01);
}

TEST_F(Plugins, TheDialogOffersPluginsAndAppliesTheChecks) {
  SKIP_WITHOUT_TOOLS("sox");
  setenv("QH_CLOCK_RATE", "1", 1);
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 1 -b 16", 5, "sine 440"));
  auto song = Song(1, ' ', "a.wav");
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  zone->GetFilterLists();
  const auto& offered = zone->GetOfferedPlugins();
  EXPECT_NE(offered.end(), std::find(offered.begin(), offered.end(), CString(kMono)));
  for (const char* hidden : {"ACM Wrapper", "Infinite Pin Tee Filter", "Wave Parser"})
    EXPECT_EQ(offered.end(), std::find(offered.begin(), offered.end(), CString(hidden))) << hidden;
  const int monoRow = static_cast<int>(std::find(offered.begin(), offered.end(), CString(kMono)) - offered.begin());

  // Cancel changes nothing.
  qh::ui::SetDialogAnswerer([](CWnd& dialog) { static_cast<CDialog&>(dialog).EndDialog(IDCANCEL); });
  zone->EditPluginChain();
  EXPECT_FALSE(zone->UsesPlugins());
  // Checking a row adds that plug-in to the running song.
  std::vector<UINT> results;
  qh::ui::SetDialogAnswerer([&](CWnd& dialog) {
    auto& list = dynamic_cast<CPluginListDlg&>(dialog);
    EXPECT_EQ(static_cast<int>(offered.size()), list.m_list.GetCount());
    list.m_list.SetCheck(monoRow, 1);
    list.OnOK();
    results = list.m_results;
  });
  zone->EditPluginChain();
  EXPECT_EQ((std::vector<CString>{kMono}), zone->GetChainNames());
  EXPECT_EQ(PLAYER_PLAYING, zone->GetState());
  ASSERT_EQ(offered.size(), results.size());
  for (size_t i = 0; i < results.size(); ++i) EXPECT_EQ(static_cast<int>(i) == monoRow ? 1u : 999u, results[i]);
  // OK without a change gives 999 everywhere and keeps the chain.
  qh::ui::SetDialogAnswerer([&](CWnd& dialog) {
    auto& list = dynamic_cast<CPluginListDlg&>(dialog);
    EXPECT_EQ(1, list.m_list.GetCheck(monoRow));
    list.OnOK();
    results = list.m_results;
  });
  zone->EditPluginChain();
  EXPECT_EQ(std::vector<UINT>(offered.size(), 999u), results);
  EXPECT_EQ((std::vector<CString>{kMono}), zone->GetChainNames());

  // The property page sets the control from its slider.
  qh::ui::SetDialogAnswerer([](CWnd& dialog) {
    ::SendMessage(::GetDlgItem(dialog.m_hWnd, qh::media::kFirstControlId), TBM_SETPOS, TRUE, 50);
    static_cast<CDialog&>(dialog).OnOK();
  });
  zone->ShowFilterProperties();
  const auto controls = qh::media::GetPluginControls(zone->GetChainFilter(kMono));
  ASSERT_EQ(1u, controls.size());
  EXPECT_EQ("Gain", controls[0].name.str());
  EXPECT_NEAR(controls[0].minimum + (controls[0].maximum - controls[0].minimum) * 0.05f, controls[0].value, 1e-4);
}

}  // namespace
}  // namespace jukebox::player_testing
