// The next-song handler (message 0x52D): the same song again with repeat, otherwise the choice both
// engines share (NextSongChoice); a queue whose songs all fail ends in a pause and a message.
#include "jukebox/player/NextSongChoice.h"
#include "jukebox/player/PlayerBase.h"

namespace {

// The player's queue as the choice sees it.
class CPlayerQueueView final : public CSongChoiceQueue {
 public:
  explicit CPlayerQueueView(CPlayerBase& player) : m_player(player) {}
  int QueueLength() const override { return m_player.GetSongCount(); }
  tSong* QueueSong(int index) const override { return m_player.GetQueuedSong(index); }
  int DrawRandomIndex(int n) override { return m_player.Random().DrawIndex(n); }

 private:
  CPlayerBase& m_player;
};

}  // namespace

void CPlayerBase::GiveUpAdvancing() {
  Pause();
  LogText("E", IDS_PLAYER_ALL_FAILED);
}

LRESULT CPlayerBase::OnNextSong(WPARAM, LPARAM) {
  Guarded(GUARD_NEXT_SONG, [&]() -> int {
    m_advancePosted = false;
    if (m_repeat) {
      Rewind();
      Play();
      return 0;
    }
    CPlayerQueueView queue(*this);
    const int chosen = ChooseNextSong(queue, m_currentIndex, m_shuffle, [&](int index) {
      const int result = PlaySong(m_queue[static_cast<size_t>(index)]);
      m_currentIndex = index;
      SelectCurrentSong();
      return result;
    });
    if (chosen == kNoSongChosen) GiveUpAdvancing();
    return 0;
  });
  return -1;
}
