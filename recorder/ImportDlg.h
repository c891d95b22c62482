// "Import or Index existing sound files" (dialog 215): the choice between copying files into managed
// storage and indexing a folder tree where it lies, with an artist, album and genre for every song of
// the run (each may stay empty).
#pragma once

#include "platform/ui/Dialog.h"

class tQHDb;

#define IDD_IMPORT 215

class CImportDlg : public CDialog {
 public:
  enum Mode { kNone = 0, kImport = 1, kIndex = 2 };
  static constexpr int kArtist = 1014, kAlbum = 1032, kGenre = 1187, kImportButton = 1093, kIndexButton = 1092;
  static constexpr int kTextLimit = 80;

  explicit CImportDlg(tQHDb* db, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;

  CString m_artist;
  CString m_album;
  CString m_genre;  // empty when "*ALL*" was chosen
  int m_mode = kNone;

 protected:
  afx_msg void OnImport();
  afx_msg void OnIndex();
  DECLARE_MESSAGE_MAP()

 private:
  void Choose(int mode);

  tQHDb* m_pDb;
};
