// How the registration of one uploaded song ended, which decides what becomes of its two files.
#pragma once

enum class UploadOutcome {
  Added,         // a new song: the upload goes
  AlreadyThere,  // the library holds that song already: the upload goes
  Damaged,       // the song document or the MP3 cannot be read: the pair moves to "Failed"
  Retry,         // a passing trouble (space, folder, copy, database): the pair stays for the next merge
};
