#include "recorder/SongPicks.h"

#include "dblib/QHDb.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr unsigned int kClassNotRegistered = 0x80040154u;
}

std::unique_ptr<tSong> LoadSongById(tQHDb* db, tStorage* storage, LONG songId) {
  auto song = std::make_unique<tSong>();
  if (song->Attach(db, storage) < 0 || song->LoadById(songId) <= 0) return nullptr;
  return song;
}

void CSongPreview::Play(tSong& song, CWnd* owner) {
  Stop();
  (void)song;
  (void)owner;
  CString text;
  text.Format("DX Err %08X", kClassNotRegistered);
  AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

void CSongPreview::Stop() {}
