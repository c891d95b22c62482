// An engine for the player base's tests: songs "play" at once, the ones whose SongID is listed in
// failingSongs fail to start, and every transport call is recorded.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "jukebox/player/PlayerBase.h"

namespace jukebox::player_testing {

class ScriptedEngine : public CPlayerBase {
 public:
  ~ScriptedEngine() override { DestroyWindow(); }

  // Creates the engine window as a child of `parent` (or top-level without one).
  bool CreateZone(CWnd* parent);

  int PlaySong(tSong* song) override;
  bool IsExstreamer() const override { return false; }
  int SeekPercent(double) override { return m_pCurrentSong != nullptr ? 0 : 0; }
  int Rewind() override;
  int Pause() override;
  int Play() override;
  int Stop() override;
  int GetPositionPercent() override { return 0; }
  LONG GetPositionMs() override { return 0; }

  void SetCurrentIndexForTest(LONG index) { m_currentIndex = index; }

  std::set<LONG> failingSongs;
  std::vector<LONG> played;           // SongIDs of every PlaySong call, failed ones too
  std::vector<std::string> calls;     // "rewind", "play", "pause", "stop"
  std::vector<int> outputVolumes;
  std::vector<std::pair<int, int>> loadingTexts;  // first index and count of each batch
  int releases = 0;

 protected:
  const char* LogSource() const override { return "StreamWindow"; }
  void OutputVolume(int percent) override { outputVolumes.push_back(percent); }
  void ReleaseOutput() override { ++releases; }
  void ShowLoadingText(int firstIndex, int count, bool firstBatch) override {
    loadingTexts.emplace_back(firstIndex, count);
    CPlayerBase::ShowLoadingText(firstIndex, count, firstBatch);
  }
};

}  // namespace jukebox::player_testing
