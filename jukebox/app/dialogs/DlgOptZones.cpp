#include "jukebox/app/dialogs/DlgOptZones.h"

#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/dialogs/EditStreamDlg.h"
#include "jukebox/app/dialogs/JukeboxProfile.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr UINT kColumnStream = 61299, kColumnDevice = 61300, kColumnDescription = 61301;
constexpr UINT kStreamsNotContiguous = 61302;
constexpr int kDeviceColumn = 1, kDescriptionColumn = 2;

CString ZoneKey(const char* name, int stream) {
  CString key;
  key.Format("%s%d", name, stream);
  return key;
}
}  // namespace

BEGIN_MESSAGE_MAP(DlgOptZones, CPropertyPage)
  ON_BN_CLICKED(DlgOptZones::kEdit, OnEditStream)
  ON_BN_CLICKED(DlgOptZones::kClear, OnClear)
END_MESSAGE_MAP()

BOOL DlgOptZones::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  CListCtrl* list = List();
  list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
  list->InsertColumn(0, jukebox::LoadText(kColumnStream).GetString(), LVCFMT_LEFT, 40);
  list->InsertColumn(1, jukebox::LoadText(kColumnDevice).GetString(), LVCFMT_LEFT, 150);
  list->InsertColumn(2, jukebox::LoadText(kColumnDescription).GetString(), LVCFMT_LEFT, 150);
  LoadZones();
  return TRUE;
}

void DlgOptZones::LoadZones() {
  CListCtrl* list = List();
  list->DeleteAllItems();
  bool reading = true;
  for (int stream = 1; stream <= kStreams; ++stream) {
    CString number;
    number.Format("%d", stream);
    const int row = list->InsertItem(stream - 1, number.GetString());
    if (!reading) continue;
    const CString device = JukeboxProfile().GetProfileString("Jukebox", ZoneKey("Zone", stream).GetString(), "");
    if (device.IsEmpty()) {
      // From the first empty device on, the rows carry their numbers alone.
      reading = false;
      continue;
    }
    list->SetItemText(row, kDeviceColumn, device.GetString());
    list->SetItemText(row, kDescriptionColumn,
                      JukeboxProfile().GetProfileString("Jukebox", ZoneKey("ZoneDesc", stream).GetString(), "").GetString());
  }
}

int DlgOptZones::SelectedRow() { return List()->GetNextItem(-1, LVNI_SELECTED); }

void DlgOptZones::OnClear() {
  const int row = SelectedRow();
  if (row < 0) return;
  List()->SetItemText(row, kDeviceColumn, "");
  List()->SetItemText(row, kDescriptionColumn, "");
}

void DlgOptZones::OnEditStream() {
  const int row = SelectedRow();
  if (row < 0) return;
  CEditStreamDlg dialog(this);
  dialog.m_nStream = row + 1;
  dialog.m_strDevice = List()->GetItemText(row, kDeviceColumn);
  dialog.m_strDescription = List()->GetItemText(row, kDescriptionColumn);
  if (dialog.DoModal() != IDOK) return;
  List()->SetItemText(row, kDeviceColumn, dialog.m_strDevice.GetString());
  List()->SetItemText(row, kDescriptionColumn, dialog.m_strDescription.GetString());
}

BOOL DlgOptZones::SaveZones() {
  CListCtrl* list = List();
  bool gap = false;
  for (int row = 0; row < kStreams; ++row) {
    const bool filled = !list->GetItemText(row, kDeviceColumn).IsEmpty();
    if (filled && gap) {
      AfxMessageBox(jukebox::LoadText(kStreamsNotContiguous).GetString(), MB_OK | MB_ICONEXCLAMATION);
      return FALSE;
    }
    if (!filled) gap = true;
  }
  for (int stream = 1; stream <= kStreams; ++stream) {
    JukeboxProfile().WriteProfileString("Jukebox", ZoneKey("Zone", stream).GetString(),
                                        list->GetItemText(stream - 1, kDeviceColumn).GetString());
    JukeboxProfile().WriteProfileString("Jukebox", ZoneKey("ZoneDesc", stream).GetString(),
                                        list->GetItemText(stream - 1, kDescriptionColumn).GetString());
  }
  return CPropertyPage::OnApply();
}
