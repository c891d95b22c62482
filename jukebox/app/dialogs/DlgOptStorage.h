// The Storage page of the options sheet (230): the local fixed and network drives and the library's
// storage volumes, with "<< &Add" registering an available drive at once (whatever closes the sheet).
#pragma once

#include <set>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/PropertySheet.h"

class tQHDb;
class tStorage;

class DlgOptStorage : public CPropertyPage {
 public:
  static constexpr UINT IDD = 230;
  static constexpr int kList = 1082, kAdd = 1083;
  enum Column { kVolser, kLetter, kStatus, kSongs, kTotalMB, kFreeMB, kPath, kLabel };
  DlgOptStorage() : CPropertyPage(IDD) {}
  BOOL OnInitDialog() override;
  void ScanVolumes();

 protected:
  void OnAddVolume();
  DECLARE_MESSAGE_MAP()

 private:
  CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(kList)); }
  void AddLocalDriveRow(char letter, tStorage& storage);
  void AddMissingVolumeRows(tStorage& storage);
  // Makes the volume's folders and registers it; false (after its message) when it could not.
  bool RegisterVolume(DWORD serial, CString& root);

  std::set<DWORD> m_localSerials;
};
