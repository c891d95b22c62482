// Helpers the playlist editor and the search dialog share: loading a song by id, the list texts of a
// song, and the preview player.
#pragma once

#include <memory>

#include "dblib/Song.h"

class tQHDb;
class tStorage;
class CWnd;
class CComboBox;

// A record bound to the database and volumes and loaded by id; null when the song cannot be read.
std::unique_ptr<tSong> LoadSongById(tQHDb* db, tStorage* storage, LONG songId);

// Fills a combo with every genre code in code order, after `first` when it is not empty ("*ALL*").
void FillGenreCombo(tQHDb* db, CComboBox* combo, const CString& first);
// The report kinds of the Print lists: Summary (0) and Detail (1), Summary chosen.
void FillReportKinds(CComboBox* combo);

// The notice a playing preview posts to its owner window for each event of its graph.
#define WM_PREVIEW_EVENT 0x720

struct IGraphBuilder;
struct IMediaControl;
struct IMediaEventEx;
struct IMediaSeeking;

// Plays a song's media file for listening before it goes into a list: a filter graph of the song's
// file through the decoders of its compression code into the first sound device (the null device when
// the machine has none). A graph that cannot be built reports "DX Err %08X" with the failing result.
class CSongPreview {
 public:
  ~CSongPreview() { Stop(); }
  // True when the song plays.
  bool Play(tSong& song, CWnd* owner);
  void Stop();
  void Pause();
  bool IsPlaying() const { return m_pControl != nullptr; }
  // Takes every pending event of the graph: 1 when one of them says the song has ended, 2 when the
  // user aborted it, 0 otherwise.
  int TakeEvents();

  // Transport for an editor that moves through one song: the graph is built once (stopped) and then
  // run, stopped and positioned at will. Positions in milliseconds.
  bool Open(tSong& song, CWnd* owner);
  void Run();
  void Halt();
  bool Seek(LONG milliseconds);
  LONG GetPosition() const;
  LONG GetDuration() const;
  // "playing", "paused", "stopped", or "not ready" without a graph.
  CString GetModeText() const;

 private:
  long Build(tSong& song);
  void Report(long hr);
  IGraphBuilder* m_pGraph = nullptr;
  IMediaControl* m_pControl = nullptr;
  IMediaEventEx* m_pEvents = nullptr;
  IMediaSeeking* m_pSeeking = nullptr;
};
