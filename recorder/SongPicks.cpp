#include "recorder/SongPicks.h"

#include "dblib/QHDb.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr unsigned int kClassNotRegistered = 0x80040154u;
}

std::unique_ptr<tSong> LoadSongById(tQHDb* db, tStorage* storage, LONG songId) {
  auto song = std::make_unique<tSong>();
  if (song->Attach(db, storage) < 0 || song->LoadById(songId) <= 0) return nullptr;
  return song;
}

void FillGenreCombo(tQHDb* db, CComboBox* combo, const CString& first) {
  combo->ResetContent();
  if (!first.IsEmpty()) combo->AddString(first);
  if (db->OpenSongTypes("")) {
    CString code, description;
    SHORT minBpm = 0, maxBpm = 0;
    LONG reserved = 0;
    while (db->NextSongType(code, description, minBpm, maxBpm, reserved)) combo->AddString(code);
    db->CloseSongTypes();
  }
  if (combo->GetCount() > 0) combo->SetCurSel(0);
}

void FillReportKinds(CComboBox* combo) {
  combo->AddString("Summary");
  combo->AddString("Detail");
  combo->SetCurSel(0);
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
