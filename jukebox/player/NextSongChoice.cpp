#include "jukebox/player/NextSongChoice.h"

#include "dblib/Song.h"

#include <vector>

namespace {

bool IsUnplayed(const CSongChoiceQueue& queue, int index) {
  const tSong* song = queue.QueueSong(index);
  return song != nullptr && song->GetUserData() == 0;
}

// An unplayed song's index, or kNoSongChosen when every song has played.
int DrawUnplayed(CSongChoiceQueue& queue, int n) {
  for (int draw = 0; draw < n; ++draw) {
    const int index = queue.DrawRandomIndex(n);
    if (index >= 0 && index < n && IsUnplayed(queue, index)) return index;
  }
  for (int index = 0; index < n; ++index)
    if (IsUnplayed(queue, index)) return index;
  return kNoSongChosen;
}

}  // namespace

int ChooseNextSong(CSongChoiceQueue& queue, int current, bool shuffle, const std::function<int(int)>& start) {
  const int n = queue.QueueLength();
  int failures = 0;
  int candidate = current;
  bool triedSinceClear = true;  // a queue of no playable records must not clear its marks for ever
  // The songs that failed in this call keep their marks when a new round begins: each song is tried
  // at most once per call.
  std::vector<bool> failed(static_cast<size_t>(n > 0 ? n : 0), false);
  for (;;) {
    // Either path gives up only where it finds nothing left to choose, and only once as many songs
    // failed as the queue holds: each failed song is marked, so every song is tried before that.
    if (shuffle) {
      candidate = DrawUnplayed(queue, n);
      if (candidate == kNoSongChosen) {
        if (failures >= n || !triedSinceClear) return kNoSongChosen;
        triedSinceClear = false;
        for (int index = 0; index < n; ++index)
          if (tSong* song = queue.QueueSong(index)) song->SetUserData(failed[static_cast<size_t>(index)] ? 1 : 0);
        continue;
      }
    } else if (candidate >= 0 && candidate < n - 1) {
      ++candidate;
    } else if (failures >= n) {
      return kNoSongChosen;
    } else {
      candidate = 0;
    }
    triedSinceClear = true;
    if (start(candidate) == 0) return candidate;
    ++failures;
    failed[static_cast<size_t>(candidate)] = true;
    if (tSong* song = queue.QueueSong(candidate)) song->SetUserData(1);
  }
}
