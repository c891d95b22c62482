// The two small lists of disc identification: the album choice when the embedded album database has
// several albums for one disc (dialog 211), and the songs already stored from the inserted disc
// (dialog 221). Their templates are part of this module (RegisterCaptureDialogs), so the recorder's
// and the jukebox's rip dialogs both have them.
#pragma once

#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/ui/Dialog.h"

#define IDD_CHOOSE_ALBUM 211
#define IDD_SONGS_FROM_ALBUM 221

// Registers the templates of dialogs 211 and 221 (once).
bool RegisterCaptureDialogs(std::string* error = nullptr);

class CChooseAlbumDlg : public CDialog {
 public:
  explicit CChooseAlbumDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  std::vector<CString> m_albums;  // filled by the caller before DoModal
  CString m_choice;               // the chosen line after IDOK
};

// Runs the album choice over `lines`: the chosen line's index, or -1 when the user cancelled (what an
// ICddbView's ChooseAlbum answers).
int RunChooseAlbum(CWnd* parent, const std::vector<CString>& lines);

class CSongsFromAlbumDlg : public CDialog {
 public:
  explicit CSongsFromAlbumDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;

  std::vector<CString> m_songs;  // filled by the caller before DoModal
};
