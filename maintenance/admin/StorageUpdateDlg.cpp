#include "maintenance/admin/StorageUpdateDlg.h"

#include "maintenance/admin/AdminResources.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/MessageBox.h"

BEGIN_MESSAGE_MAP(CStorageUpdateDlg, CDialog)
  ON_BN_CLICKED(IDC_RELOCATE, OnUpdate)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CStorageUpdateDlg::CStorageUpdateDlg(const CString& databaseFolder, CWnd* parent)
    : CDialog(IDD_STORAGE_UPDATE, parent), m_relocation(databaseFolder) {}

BOOL CStorageUpdateDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_sourceList.SubclassDlgItem(IDC_SOURCE_LIST, this);
  m_destinationList.SubclassDlgItem(IDC_DESTINATION_LIST, this);
  struct Column {
    UINT title;
    int width;
  };
  const Column sourceColumns[] = {{IDS_COLUMN_VOLSER, 80}, {IDS_COLUMN_TYPE, 100}, {IDS_COLUMN_DRIVE, 60},
                                  {IDS_COLUMN_SONGS, 70},  {IDS_COLUMN_PATH, 150}, {IDS_COLUMN_LABEL, 150}};
  const Column destinationColumns[] = {
      {IDS_COLUMN_VOLSER, 80}, {IDS_COLUMN_TYPE, 100}, {IDS_COLUMN_DRIVE, 60}, {IDS_COLUMN_LABEL, 150}};
  int index = 0;
  for (const Column& column : sourceColumns) m_sourceList.InsertColumn(index++, LoadText(column.title), LVCFMT_LEFT, column.width);
  index = 0;
  for (const Column& column : destinationColumns)
    m_destinationList.InsertColumn(index++, LoadText(column.title), LVCFMT_LEFT, column.width);
  m_sourceList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  m_destinationList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  if (m_relocation.Open()) {
    m_sources = m_relocation.SourceRows();
    m_destinations = m_relocation.DestinationRows();
  }
  FillList(m_sourceList, m_sources, true);
  FillList(m_destinationList, m_destinations, false);
  return TRUE;
}

void CStorageUpdateDlg::FillList(CListCtrl& list, const std::vector<VolumeRow>& rows, bool source) {
  for (size_t index = 0; index < rows.size(); ++index) {
    const VolumeRow& row = rows[index];
    CString serial;
    serial.Format("%08X", row.serial);
    int item = list.InsertItem(static_cast<int>(index), serial);
    list.SetItemData(item, row.serial);
    list.SetItemText(item, 1, row.type);
    list.SetItemText(item, 2, row.drive);
    if (source) {
      CString count;
      count.Format("%ld", row.songs);
      list.SetItemText(item, 3, count);
      list.SetItemText(item, 4, row.path);
      list.SetItemText(item, 5, row.label);
    } else {
      list.SetItemText(item, 3, row.label);
    }
  }
}

int CStorageUpdateDlg::SelectedRow(const CListCtrl& list) { return list.GetNextItem(-1, LVNI_SELECTED); }

void CStorageUpdateDlg::Refuse(CListCtrl& focus, const CString& text, UINT icon) {
  focus.SetFocus();
  AfxMessageBox(text, icon);
}

void CStorageUpdateDlg::OnUpdate() {
  int sourceIndex = SelectedRow(m_sourceList);
  if (sourceIndex < 0 || sourceIndex >= static_cast<int>(m_sources.size())) {
    Refuse(m_sourceList, LoadText(IDS_NO_SOURCE), MB_ICONEXCLAMATION);
    return;
  }
  int destinationIndex = SelectedRow(m_destinationList);
  if (destinationIndex < 0 || destinationIndex >= static_cast<int>(m_destinations.size())) {
    Refuse(m_destinationList, LoadText(IDS_NO_DESTINATION), MB_ICONEXCLAMATION);
    return;
  }
  const VolumeRow& source = m_sources[static_cast<size_t>(sourceIndex)];
  const VolumeRow& destination = m_destinations[static_cast<size_t>(destinationIndex)];
  CString destinationFolder = CVolumeRelocation::FolderOfType(destination.type);
  if (source.type != destination.type) {
    Refuse(m_sourceList, "The type of the source location does not match the destination", MB_ICONEXCLAMATION);
    return;
  }
  if (source.serial == destination.serial) {
    Refuse(m_sourceList, LoadText(IDS_SAME_SERIALS), MB_ICONEXCLAMATION);
    return;
  }
  RelocationResult result;
  bool unmanaged = source.type == "UNMANAGED";
  CString question = unmanaged ? FormatText(IDS_CONFIRM_UNMANAGED_UPDATE, source.songs, source.serial, destination.serial)
                               : FormatText(IDS_CONFIRM_MANAGED_UPDATE, source.songs, source.serial,
                                            source.path.GetString(), destination.serial, destinationFolder.GetString());
  if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
    result = unmanaged ? m_relocation.UpdateUnmanaged(source.serial, destination.serial)
                       : m_relocation.UpdateManaged(source.serial, source.path, destination.serial, destinationFolder);
    if (result.updated < result.examined)
      AfxMessageBox(FormatText(IDS_PARTIAL_UPDATE, result.updated, result.examined), MB_ICONINFORMATION);
  }
  if (CWnd* button = GetDlgItem(IDC_RELOCATE)) button->EnableWindow(FALSE);
}

void CStorageUpdateDlg::OnDestroy() {
  m_relocation.Close();
  CDialog::OnDestroy();
}
