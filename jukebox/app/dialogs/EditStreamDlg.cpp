#include "jukebox/app/dialogs/EditStreamDlg.h"

#include "jukebox/app/JukeboxIds.h"
#include "platform/media/DeviceEnum.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr UINT kInvalidAddress = 61328;
constexpr UINT kNeedDescription = 61329;
constexpr UINT kRefusedCharacters = 61433;
constexpr const char* kBoxPrefix = "__XS:";
constexpr int kBoxPrefixLength = 5;
// A box device string carries at least a seven-character address after its prefix.
constexpr int kShortestBoxDevice = 12;
constexpr int kShortestAddress = 7, kLongestAddress = 15;
constexpr int kDescriptionLimit = 40;
}  // namespace

bool ValidateStreamName(const CString& text) { return text.FindOneOf("<>&'\"*|?") >= 0; }

BEGIN_MESSAGE_MAP(CEditStreamDlg, CDialog)
  ON_BN_CLICKED(CEditStreamDlg::kDirectX, OnDirectX)
  ON_BN_CLICKED(CEditStreamDlg::kExstreamer, OnExstreamer)
END_MESSAGE_MAP()

BOOL CEditStreamDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CString caption;
  caption.Format("Edit Stream %d", m_nStream);
  SetWindowText(caption.GetString());
  static_cast<CEdit*>(GetDlgItem(kDescription))->LimitText(kDescriptionLimit);
  static_cast<CEdit*>(GetDlgItem(kAddress))->LimitText(kLongestAddress);
  SetDlgItemText(kDescription, m_strDescription.GetString());
  FillAudioDevices();
  auto* renderers = static_cast<CComboBox*>(GetDlgItem(kRenderers));
  if (m_strDevice.Left(kBoxPrefixLength) != kBoxPrefix) {
    int entry = renderers->FindStringExact(-1, m_strDevice.GetString());
    if (entry < 0 && renderers->GetCount() > 0) entry = 0;
    renderers->SetCurSel(entry);
    CheckRadioButton(kDirectX, kExstreamer, kDirectX);
    ChooseDeviceKind(false);
    return FALSE;
  }
  if (m_strDevice.GetLength() > kShortestBoxDevice) {
    m_strAddress = m_strDevice.Mid(kBoxPrefixLength);
    SetDlgItemText(kAddress, m_strAddress.GetString());
    CheckRadioButton(kDirectX, kExstreamer, kExstreamer);
    ChooseDeviceKind(true);
    return FALSE;
  }
  return TRUE;  // a bare prefix ticks neither kind
}

void CEditStreamDlg::FillAudioDevices() {
  auto* renderers = static_cast<CComboBox*>(GetDlgItem(kRenderers));
  for (const qh::media::MediaDevice& device : qh::media::EnumerateDevices(CLSID_AudioRendererCategory))
    renderers->AddString(device.friendlyName.GetString());
}

void CEditStreamDlg::ChooseDeviceKind(bool exstreamer) {
  GetDlgItem(kAddress)->EnableWindow(exstreamer);
  GetDlgItem(kRenderers)->EnableWindow(!exstreamer);
  GotoDlgCtrl(GetDlgItem(exstreamer ? kAddress : kRenderers));
}

void CEditStreamDlg::OnDirectX() { ChooseDeviceKind(false); }
void CEditStreamDlg::OnExstreamer() { ChooseDeviceKind(true); }

void CEditStreamDlg::OnOK() {
  CString device;
  if (IsDlgButtonChecked(kDirectX) == BST_CHECKED) {
    auto* renderers = static_cast<CComboBox*>(GetDlgItem(kRenderers));
    const int entry = renderers->GetCurSel();
    if (entry < 0) return;
    renderers->GetLBText(entry, device);
  } else {
    CString address;
    GetDlgItemText(kAddress, address);
    if (address.GetLength() < kShortestAddress || address.GetLength() > kLongestAddress) {
      AfxMessageBox(jukebox::LoadText(kInvalidAddress).GetString(), MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    m_strAddress = address;
    device = CString(kBoxPrefix) + address;
  }
  CString description;
  GetDlgItemText(kDescription, description);
  if (description.IsEmpty()) {
    AfxMessageBox(jukebox::LoadText(kNeedDescription).GetString(), MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(GetDlgItem(kDescription));
    return;
  }
  if (ValidateStreamName(description)) {
    AfxMessageBox(jukebox::LoadText(kRefusedCharacters).GetString(), MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(GetDlgItem(kDescription));
    return;
  }
  m_strDevice = device;
  m_strDescription = description;
  EndDialog(IDOK);
}
