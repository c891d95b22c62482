// "Update Storage Volume": the user picks the serial songs point to now and the volume that holds their
// files since they were moved by hand; the songs are moved over in the database.
#pragma once

#include <vector>

#include "maintenance/admin/VolumeRelocation.h"
#include "platform/ui/Dialog.h"

class CStorageUpdateDlg : public CDialog {
 public:
  explicit CStorageUpdateDlg(const CString& databaseFolder, CWnd* parent = nullptr);

  const std::vector<VolumeRow>& SourceRows() const { return m_sources; }
  const std::vector<VolumeRow>& DestinationRows() const { return m_destinations; }

 protected:
  BOOL OnInitDialog() override;
  afx_msg void OnUpdate();
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void FillList(CListCtrl& list, const std::vector<VolumeRow>& rows, bool source);
  // The selected row's index in its list, or -1.
  static int SelectedRow(const CListCtrl& list);
  void Refuse(CListCtrl& focus, const CString& text, UINT icon);

  CVolumeRelocation m_relocation;
  CListCtrl m_sourceList;
  CListCtrl m_destinationList;
  std::vector<VolumeRow> m_sources;
  std::vector<VolumeRow> m_destinations;
};
