// The next-song choice (message 0x52D): the same song again with repeat, an unplayed song at random
// with shuffle, else the next in order with a wrap at the end; songs that fail are skipped, and a queue
// whose songs all fail ends in a pause and a message.
#include "jukebox/player/PlayerBase.h"

namespace {

constexpr int kNoChoice = -1;

}  // namespace

// An unplayed song's index, or kNoChoice when every song of the queue has been played.
int CPlayerBase::ChooseShuffleIndex() {
  const int n = GetSongCount();
  for (int draw = 0; draw < n; ++draw) {
    const int index = m_random.DrawIndex(n);
    if (m_queue[static_cast<size_t>(index)]->GetUserData() == 0) return index;
  }
  for (int index = 0; index < n; ++index)
    if (m_queue[static_cast<size_t>(index)]->GetUserData() == 0) return index;
  return kNoChoice;
}

void CPlayerBase::GiveUpAdvancing() {
  Pause();
  LogText("E", IDS_PLAYER_ALL_FAILED);
}

LRESULT CPlayerBase::OnNextSong(WPARAM, LPARAM) {
  Guarded(GUARD_NEXT_SONG, [&]() -> int {
    m_advancePosted = false;
    const int n = GetSongCount();
    int failures = 0;
    for (;;) {
      if (m_repeat) {
        Rewind();
        Play();
        return 0;
      }
      int chosen = kNoChoice;
      if (m_shuffle) {
        // A song that fails keeps its mark at 0 and may be drawn again: the failures bound the call.
        if (failures >= n) {
          GiveUpAdvancing();
          return 0;
        }
        chosen = ChooseShuffleIndex();
        if (chosen == kNoChoice) {
          for (tSong* song : m_queue) song->SetUserData(0);
          continue;
        }
      } else if (m_currentIndex >= 0 && m_currentIndex < n - 1) {
        chosen = m_currentIndex + 1;
      } else if (failures >= n) {
        GiveUpAdvancing();
        return 0;
      } else {
        chosen = 0;
      }
      const int result = PlaySong(m_queue[static_cast<size_t>(chosen)]);
      m_currentIndex = chosen;
      SelectCurrentSong();
      if (result == 0) return 0;
      ++failures;
    }
  });
  return -1;
}
