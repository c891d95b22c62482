#include "jukebox/app/dialogs/AudioMatrixDlg.h"

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/gdi/AfxGdi.h"

namespace {
constexpr COLORREF kMaskColour = RGB(255, 0, 0);
constexpr int kCardImage = 0, kSourceImage = 1;
constexpr DWORD_PTR kStreamBits = ~(CSourceTreeCtrl::kSoundCardBit | CSourceTreeCtrl::kBoxSourceBit);
}  // namespace

BEGIN_MESSAGE_MAP(CAudioMatrixDlg, CDialog)
  ON_BN_CLICKED(CAudioMatrixDlg::kReset, OnResetMatrix)
  ON_BN_CLICKED(CAudioMatrixDlg::kSendToAll, OnSendToAll)
END_MESSAGE_MAP()

CAudioMatrixDlg::CAudioMatrixDlg(const std::vector<AudioMatrixStream>& streams, CWnd* parent)
    : CDialog(IDD, parent), m_streams(streams) {}

BOOL CAudioMatrixDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_tree.SubclassDlgItem(kTree, this);
  m_tree.onMoved = [this] { m_bChanged = true; };
  if (m_images.Create(kCardBitmap, 16, 50, kMaskColour)) {
    CBitmap source;
    if (source.LoadBitmap(kSourceBitmap)) m_images.Add(&source, kMaskColour);
    m_tree.SetImageList(&m_images, TVSIL_NORMAL);
  }
  m_sets.assign(m_streams.size(), StreamSet());
  m_names.clear();
  for (size_t i = 0; i < m_streams.size(); ++i) {
    if (m_streams[i].exstreamer) {
      m_names.emplace_back(kBoxName);
      continue;
    }
    m_sets[i] = m_streams[i].set;
    m_names.push_back(m_streams[i].description);
  }
  FillTree();
  return TRUE;
}

void CAudioMatrixDlg::FillTree() {
  m_tree.DeleteAllItems();
  for (int source = 0; source < StreamCount(); ++source) {
    if (IsBox(source)) {
      HTREEITEM box = m_tree.InsertItem("EXSTREAMER SOURCE", kSourceImage, kSourceImage);
      m_tree.SetItemData(box, CSourceTreeCtrl::kBoxSourceBit);
      continue;
    }
    CString text;
    text.Format("Source %d", source + 1);
    HTREEITEM root = m_tree.InsertItem(text.GetString(), kSourceImage, kSourceImage);
    m_tree.SetItemData(root, static_cast<DWORD_PTR>(source));
    for (LONG card : m_sets[static_cast<size_t>(source)]) {
      if (card < 0 || card >= StreamCount()) continue;
      text.Format("%s [Stream %ld]", m_names[static_cast<size_t>(card)].GetString(), static_cast<long>(card + 1));
      HTREEITEM item = m_tree.InsertItem(text.GetString(), kCardImage, kCardImage, root);
      m_tree.SetItemData(item, static_cast<DWORD_PTR>(card) | CSourceTreeCtrl::kSoundCardBit);
    }
    m_tree.Expand(root, TVE_EXPAND);
  }
}

void CAudioMatrixDlg::OnResetMatrix() {
  for (int stream = 0; stream < StreamCount(); ++stream) m_sets[static_cast<size_t>(stream)] = StreamSet{stream};
  m_bChanged = true;
  FillTree();
}

void CAudioMatrixDlg::OnSendToAll() {
  HTREEITEM selected = m_tree.GetSelectedItem();
  if (selected == nullptr) return;
  const DWORD_PTR data = m_tree.GetItemData(selected);
  if (data & CSourceTreeCtrl::kSoundCardBit) {
    AfxMessageBox("Please select a source audio stream first", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (data & CSourceTreeCtrl::kBoxSourceBit) {
    AfxMessageBox("Please select a non-Exstreamer source audio stream first", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  for (StreamSet& set : m_sets) set.clear();
  StreamSet& all = m_sets[static_cast<size_t>(data)];
  for (int stream = 0; stream < StreamCount(); ++stream)
    if (!IsBox(stream)) all.insert(stream);
  m_bChanged = true;
  FillTree();
}

void CAudioMatrixDlg::OnOK() {
  if (m_bChanged) {
    m_bResult = true;
    for (StreamSet& set : m_sets) set.clear();
    for (HTREEITEM root = m_tree.GetRootItem(); root != nullptr; root = m_tree.GetNextSiblingItem(root)) {
      const DWORD_PTR source = m_tree.GetItemData(root);
      if (source & CSourceTreeCtrl::kBoxSourceBit) continue;
      for (HTREEITEM card = m_tree.GetChildItem(root); card != nullptr; card = m_tree.GetNextSiblingItem(card))
        m_sets[static_cast<size_t>(source)].insert(static_cast<LONG>(m_tree.GetItemData(card) & kStreamBits));
    }
  }
  EndDialog(IDOK);
}

void InstallAudioMatrixRunner() {
  JukeboxDialogRunners& runners = MainWindowDialogs();
  if (runners.audioMatrix) return;
  runners.audioMatrix = [](CWnd* owner, bool& changed) -> INT_PTR {
    changed = false;
    auto* app = dynamic_cast<CJukeboxApp*>(AfxGetApp());
    if (app == nullptr) return IDCANCEL;
    std::vector<AudioMatrixStream> streams(static_cast<size_t>(app->GetZoneCount()));
    for (int i = 0; i < app->GetZoneCount(); ++i) {
      AudioMatrixStream& stream = streams[static_cast<size_t>(i)];
      stream.exstreamer = IsExstreamerDevice(app->GetZoneDevice(i));
      stream.description = app->GetZoneDescriptions().GetAt(i);
      app->GetZoneMap(i, stream.set);
    }
    CAudioMatrixDlg dialog(streams, owner);
    const INT_PTR result = dialog.DoModal();
    if (result == IDOK && dialog.m_bResult) {
      for (int i = 0; i < app->GetZoneCount(); ++i) app->SetZoneMap(i, dialog.m_sets[static_cast<size_t>(i)]);
      changed = true;
    }
    return result;
  };
}
