// The next-song choice both engines run: the local engine plays the song it chooses, the box engine
// prepares it behind the current one. Repeat stays with the engines (one restarts the song, the other
// prepares it again), everything else is here, so a change to the choice reaches both.
#pragma once

#include <functional>

class tSong;

// The queue as the choice sees it.
class CSongChoiceQueue {
 public:
  virtual ~CSongChoiceQueue() = default;
  virtual int QueueLength() const = 0;
  virtual tSong* QueueSong(int index) const = 0;
  // A random queue index in 0..n-1.
  virtual int DrawRandomIndex(int n) = 0;
};

inline constexpr int kNoSongChosen = -1;

// Tries songs after queue index `current` until `start` returns 0 for one: with shuffle an unplayed
// song at random (the marks are cleared when every song has played), else the next in order with a
// wrap at the end. A song that fails gets its played mark, so a shuffle moves on to the others
// instead of drawing it again and again. Returns the index that started, or kNoSongChosen when the
// queue is empty or every song of it failed in this call (the caller gives up).
int ChooseNextSong(CSongChoiceQueue& queue, int current, bool shuffle, const std::function<int(int index)>& start);
