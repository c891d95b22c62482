// The application's dialogs that zone commands run: the choosers, the search, the existing-playlist
// chooser, the playlist editor, the song information and the about box (dialogs 163, 162, 132, 164,
// 199, 200, 188 and 515). They belong to the application's dialog set, which installs its runner with
// SetZoneDialogs at start-up.
//
// Until a runner is installed (a zone window made outside the application), the default one runs no
// dialog at all: it logs (log only) that the dialog is not available and answers IDCANCEL, so the
// command goes no further. Nothing pretends a choice was made.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/DateTime.h"
#include "platform/ui/AfxWin.h"

// The search dialog's five criteria (dialog 164).
struct ZoneSearchCriteria {
  CString song, artist, album, years, genre;
};

// The song information dialog's fields (dialog 188).
struct ZoneSongInfo {
  CString name, artist, genre, album, comments;
  int year = 0, month = 0, day = 0;
  BOOL uncompressed = FALSE;
  BOOL uncompressedEnabled = FALSE;
};

class CZoneDialogs {
 public:
  virtual ~CZoneDialogs() = default;
  // The choosers register themselves with the application (SetModalDialog) while they run.
  virtual INT_PTR ChooseArtist(CWnd* parent, bool listAlbums, CString& chosen);
  virtual INT_PTR ChooseGenre(CWnd* parent, CString& chosen);
  virtual INT_PTR ChoosePlaylist(CWnd* parent, CString& chosen);
  virtual INT_PTR ChooseSavedPlaylist(CWnd* parent, const std::vector<CString>& names, const CString& preset,
                                      int& chosenIndex);
  virtual INT_PTR Search(CWnd* parent, ZoneSearchCriteria& criteria);
  virtual INT_PTR EditPlaylist(CWnd* parent, const CString& playlistName);
  virtual INT_PTR EditSongInfo(CWnd* parent, ZoneSongInfo& fields);
  virtual void ShowAbout(CWnd* parent, const CString& versionLine, const CString& legalLine);

 protected:
  static INT_PTR NotAvailable(const char* dialog);
};

CZoneDialogs& ZoneDialogs();
// Installs the runner (the application at start-up, a test its double); returns the previous one.
CZoneDialogs* SetZoneDialogs(CZoneDialogs* dialogs);
