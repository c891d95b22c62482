// The Options dialog: the CD drive for ripping, the sound card for recording, the tip of the day at
// start-up and the CDDB server; the list of local drives with their storage state, where an available
// drive becomes a new storage volume; and the state of the embedded CD album data.
#pragma once

#include <vector>

#include "platform/ui/Dialog.h"

class tQHDb;
class tQHFRDb;
class tStorage;

class COptionsDlg : public CDialog {
 public:
  COptionsDlg(tQHDb* db, tStorage* storage, tQHFRDb* albums, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  // In before DoModal, out after IDOK.
  CString m_cdDriveLetters;  // one letter per CD drive
  CString m_cdDrive;         // the chosen drive as a one-letter text
  std::vector<CString> m_soundCards;
  int m_soundCard = 0;
  bool m_showTips = true;
  CString m_cddbServer;

 protected:
  afx_msg void OnAddVolume();
  DECLARE_MESSAGE_MAP()

 private:
  void FillStorageList();
  void ShowAlbumData();

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  tQHFRDb* m_pAlbums;
};
