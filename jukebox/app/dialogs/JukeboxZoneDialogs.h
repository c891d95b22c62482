// The application's runner of the dialogs that zone commands open: the choosers (registered with the
// application while they run, so remote keys reach them), the search criteria, the existing-playlist
// chooser, the playlist editor, the song information and the about box. Start-up installs it with
// SetZoneDialogs.
#pragma once

#include "jukebox/zones/ZoneDialogs.h"
#include "platform/ui/Dialog.h"

class CJukeboxZoneDialogs : public CZoneDialogs {
 public:
  INT_PTR ChooseArtist(CWnd* parent, bool listAlbums, CString& chosen) override;
  INT_PTR ChooseGenre(CWnd* parent, CString& chosen) override;
  INT_PTR ChoosePlaylist(CWnd* parent, CString& chosen) override;
  INT_PTR ChooseSavedPlaylist(CWnd* parent, const std::vector<CString>& names, const CString& preset,
                              int& chosenIndex) override;
  INT_PTR Search(CWnd* parent, ZoneSearchCriteria& criteria) override;
  INT_PTR EditPlaylist(CWnd* parent, const CString& playlistName) override;
  INT_PTR EditSongInfo(CWnd* parent, ZoneSongInfo& fields) override;
  void ShowAbout(CWnd* parent, const CString& versionLine, const CString& legalLine) override;

 private:
  // A modal run during which the remote control's keys go to the dialog.
  static INT_PTR RunRegistered(CDialog& dialog);
};

// Installs the runner for the life of the program (once; later calls do nothing).
void InstallJukeboxZoneDialogs();
