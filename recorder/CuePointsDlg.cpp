#include "recorder/CuePointsDlg.h"

#include <algorithm>

#include "dblib/QHDb.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/MessageBox.h"
#include "recorder/CueOffset.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"

namespace {
constexpr UINT kList = 1073, kName = 1077, kMinutes = 1106, kSeconds = 1088, kMillis = 1089, kMinutesSpin = 1109,
               kSecondsSpin = 1107, kMillisSpin = 1108, kSlider = 1110, kSong = 1006, kLength = 1079,
               kPosition = 1083, kMode = 1149, kHelp = 1080;
constexpr UINT_PTR kPositionTimer = 1;
constexpr UINT kPositionMilliseconds = 250;
constexpr LONG kJumpMilliseconds = 2000;
}  // namespace

BEGIN_MESSAGE_MAP(CCuePointsDlg, CDialog)
  ON_BN_CLICKED(1050, OnNew)
  ON_BN_CLICKED(1046, OnEdit)
  ON_BN_CLICKED(1076, OnSave)
  ON_BN_CLICKED(1052, OnDelete)
  ON_BN_CLICKED(1105, OnUp)
  ON_BN_CLICKED(1104, OnDown)
  ON_BN_CLICKED(1087, OnSetCurrent)
  ON_BN_CLICKED(1084, OnPlayCue)
  ON_BN_CLICKED(1066, OnToStart)
  ON_BN_CLICKED(1065, OnToEnd)
  ON_BN_CLICKED(1063, OnForward)
  ON_BN_CLICKED(1064, OnBack)
  ON_BN_CLICKED(1005, OnStop)
  ON_BN_CLICKED(1012, OnPlay)
  ON_EN_CHANGE(1106, OnOffsetChanged)
  ON_EN_CHANGE(1088, OnOffsetChanged)
  ON_EN_CHANGE(1089, OnOffsetChanged)
  ON_CONTROL(CBN_SETFOCUS, 1077, OnNameFocus)
  ON_NOTIFY(NM_CLICK, 1073, OnListClick)
  ON_NOTIFY(NM_DBLCLK, 1073, OnListDoubleClick)
  ON_WM_HSCROLL()
  ON_WM_TIMER()
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CCuePointsDlg::CCuePointsDlg(tQHDb* db, tStorage* storage, CWnd* parent)
    : CDialog(IDD_CUE_POINTS, parent), m_pDb(db), m_pStorage(storage) {}

CCuePointsDlg::~CCuePointsDlg() {
  for (HBRUSH brush : {m_active, m_idle})
    if (brush != nullptr) DeleteObject(brush);
}

void CCuePointsDlg::Guarded(const std::function<void()>& work) {
  if (!RunRecorderGuarded(work)) EndDialog(IDCANCEL);
}

CListCtrl* CCuePointsDlg::List() { return static_cast<CListCtrl*>(GetDlgItem(kList)); }

BOOL CCuePointsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Guarded([&] {
    m_active = CreateSolidBrush(RGB(0, 255, 20));
    m_idle = CreateSolidBrush(RGB(255, 255, 0));
    List()->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    List()->InsertColumn(0, LoadText(IDS_COL_CUE_NAME), LVCFMT_LEFT, 136);
    List()->InsertColumn(1, LoadText(IDS_COL_CUE_OFFSET), LVCFMT_LEFT, 84);
    List()->InsertColumn(2, LoadText(IDS_COL_CUE_NUMBER), LVCFMT_RIGHT, 70);
    GetDlgItem(kName)->SendMessage(CB_LIMITTEXT, 32);
    std::unique_ptr<tSong> song = LoadSongById(m_pDb, m_pStorage, m_songId);
    if (song) {
      SetDlgItemText(kSong, song->SongName + " - " + song->SongArtist);
      if (song->ReadMediaInfo() != 1) m_songEnd = std::max<LONG>(0, song->SongLengthMS);
      m_playerOpen = m_player.Open(*song, this);
      if (m_playerOpen && m_songEnd == 0) m_songEnd = m_player.GetDuration();
    }
    SetDlgItemText(kLength, FormatCueOffset(m_songEnd));
    static_cast<CSpinButtonCtrl*>(GetDlgItem(kMinutesSpin))->SetRange32(0, 9999);
    static_cast<CSpinButtonCtrl*>(GetDlgItem(kSecondsSpin))->SetRange32(0, 59);
    static_cast<CSpinButtonCtrl*>(GetDlgItem(kMillisSpin))->SetRange32(0, 999);
    static_cast<CSliderCtrl*>(GetDlgItem(kSlider))->SetRange(0, static_cast<int>(m_songEnd / 1000), TRUE);
    ShowOffset(0);
    m_unsaved = false;
    Reload();
    Help(IDS_CUE_HELP_LIST);
    SetTimer(kPositionTimer, kPositionMilliseconds);
    OnTimer(kPositionTimer);
  });
  return TRUE;
}

void CCuePointsDlg::Help(UINT text) { SetDlgItemText(kHelp, LoadText(text)); }

void CCuePointsDlg::Reload(const CString& select) {
  m_points = LoadCuePoints(*m_pDb, m_songId);
  CListCtrl* list = List();
  list->DeleteAllItems();
  auto* names = static_cast<CComboBox*>(GetDlgItem(kName));
  CString typed;
  names->GetWindowText(typed);
  names->ResetContent();
  m_selected = -1;
  for (const tCuePoint& point : m_points) {
    int row = list->InsertItem(list->GetItemCount(), point.name);
    list->SetItemText(row, 1, point.offset);
    CString number;
    number.Format("%d", point.number);
    list->SetItemText(row, 2, number);
    names->AddString(point.name);
    if (!select.IsEmpty() && point.name == select) m_selected = row;
  }
  names->SetWindowText(typed);
  if (m_selected >= 0) {
    list->SetItemState(m_selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list->EnsureVisible(m_selected, FALSE);
  }
}

void CCuePointsDlg::ShowOffset(LONG milliseconds) {
  m_showing = true;
  m_offset = milliseconds;
  CString part;
  part.Format("%02ld", static_cast<long>(milliseconds / 60000));
  SetDlgItemText(kMinutes, part);
  part.Format("%02ld", static_cast<long>(milliseconds / 1000 % 60));
  SetDlgItemText(kSeconds, part);
  part.Format("%03ld", static_cast<long>(milliseconds % 1000));
  SetDlgItemText(kMillis, part);
  m_showing = false;
}

void CCuePointsDlg::OnOffsetChanged() {
  if (!m_showing) m_unsaved = true;
}

bool CCuePointsDlg::SaveEdited() {
  if (m_selected < 0 || m_selected >= static_cast<int>(m_points.size())) {
    m_unsaved = false;
    return true;
  }
  const tCuePoint& point = m_points[m_selected];
  CString minutes, seconds, millis;
  GetDlgItemText(kMinutes, minutes);
  GetDlgItemText(kSeconds, seconds);
  GetDlgItemText(kMillis, millis);
  LONG offset = 0;
  if (!ReadCueOffsetFields(minutes, seconds, millis, m_songEnd, offset) || offset < m_songStart) {
    // A value the song cannot have: the fields show the stored one again.
    LONG stored = 0;
    ParseStoredCueOffset(point.offset, stored);
    ShowOffset(stored);
    m_unsaved = false;
    return false;
  }
  const CString name = point.name;
  if (SaveCueOffset(*m_pDb, m_songId, name, FormatCueOffset(offset)) != 1) {
    RecorderMessage(IDS_CUE_GONE, MB_OK | MB_ICONEXCLAMATION);
    m_unsaved = false;
    Reload();
    return false;
  }
  m_offset = offset;
  m_unsaved = false;
  Reload(name);
  return true;
}

bool CCuePointsDlg::SettleUnsaved() {
  if (!m_unsaved) return true;
  int answer = RecorderMessage(IDS_CUE_NOT_SAVED, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  if (answer == IDYES) SaveEdited();
  m_unsaved = false;
  return true;
}

void CCuePointsDlg::LoadSelected() {
  m_selected = List()->GetNextItem(-1, LVNI_SELECTED);
  if (m_selected < 0 || m_selected >= static_cast<int>(m_points.size())) return;
  LONG offset = 0;
  ParseStoredCueOffset(m_points[m_selected].offset, offset);
  ShowOffset(offset);
  m_unsaved = false;
  Help(IDS_CUE_HELP_OFFSET);
}

void CCuePointsDlg::OnEdit() {
  Guarded([&] {
    if (SettleUnsaved()) LoadSelected();
  });
}

void CCuePointsDlg::OnListDoubleClick(NMHDR*, LRESULT* result) {
  *result = 0;
  OnEdit();
}

void CCuePointsDlg::OnListClick(NMHDR*, LRESULT* result) {
  *result = 0;
  Help(IDS_CUE_HELP_BUTTONS);
}

void CCuePointsDlg::OnNameFocus() { Help(IDS_CUE_HELP_NAME); }

void CCuePointsDlg::OnNew() {
  Guarded([&] {
    if (!SettleUnsaved()) return;
    CString typed;
    GetDlgItem(kName)->GetWindowText(typed);
    const CString name = CleanCueName(typed.Trim());
    if (name.IsEmpty()) {
      RecorderMessage(IDS_REQUIRED, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    const LONG offset = Clamp(Position());
    if (m_pDb->AddCuePoint(m_songId, name, FormatCueOffset(offset)) != 1) {
      RecorderMessage(IDS_CUE_EXISTS, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    GetDlgItem(kName)->SetWindowText("");
    Reload(name);
    ShowOffset(offset);
    m_unsaved = false;
  });
}

void CCuePointsDlg::OnSave() {
  Guarded([&] { SaveEdited(); });
}

void CCuePointsDlg::OnDelete() {
  Guarded([&] {
    if (!SettleUnsaved()) return;
    int row = List()->GetNextItem(-1, LVNI_SELECTED);
    if (row < 0 || row >= static_cast<int>(m_points.size())) return;
    const CString name = m_points[row].name;
    if (AfxMessageBox(LoadFormatted(IDS_CUE_DELETE_ASK, name.GetString()), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
    m_pDb->DeleteCuePoint(m_songId, name);
    Reload();
  });
}

void CCuePointsDlg::Move(int step) {
  int row = List()->GetNextItem(-1, LVNI_SELECTED);
  int neighbour = row + step;
  if (row < 0 || neighbour < 0 || neighbour >= static_cast<int>(m_points.size())) return;
  const CString name = m_points[row].name;
  if (SwapCueNumbers(*m_pDb, m_songId, name, m_points[neighbour].name) != 1) {
    RecorderMessage(IDS_CUE_GONE, MB_OK | MB_ICONEXCLAMATION);
    Reload();
    return;
  }
  Reload(name);
}

void CCuePointsDlg::OnUp() {
  Guarded([&] { Move(-1); });
}

void CCuePointsDlg::OnDown() {
  Guarded([&] { Move(1); });
}

LONG CCuePointsDlg::Position() const { return m_playerOpen ? m_player.GetPosition() : 0; }

LONG CCuePointsDlg::Clamp(LONG milliseconds) const { return std::clamp(milliseconds, m_songStart, m_songEnd); }

void CCuePointsDlg::OnSetCurrent() {
  ShowOffset(Clamp(Position()));
  m_unsaved = true;
}

void CCuePointsDlg::SeekAndPlay(LONG milliseconds) {
  if (!m_playerOpen) return;
  m_player.Halt();
  m_player.Seek(Clamp(milliseconds));
  m_player.Run();
}

void CCuePointsDlg::OnPlayCue() {
  int row = List()->GetNextItem(-1, LVNI_SELECTED);
  if (row < 0 || row >= static_cast<int>(m_points.size())) return;
  LONG offset = 0;
  ParseStoredCueOffset(m_points[row].offset, offset);
  SeekAndPlay(offset);
}

void CCuePointsDlg::OnToStart() { SeekAndPlay(m_songStart); }

void CCuePointsDlg::OnToEnd() {
  if (!m_playerOpen) return;
  m_player.Halt();
  m_player.Seek(m_songEnd);
}

void CCuePointsDlg::OnForward() { SeekAndPlay(Position() + kJumpMilliseconds); }
void CCuePointsDlg::OnBack() { SeekAndPlay(Position() - kJumpMilliseconds); }
void CCuePointsDlg::OnStop() { m_player.Halt(); }
void CCuePointsDlg::OnPlay() { m_player.Run(); }

void CCuePointsDlg::OnHScroll(UINT code, UINT position, CScrollBar* scrollBar) {
  if (scrollBar != nullptr && scrollBar->GetDlgCtrlID() == static_cast<int>(kSlider)) {
    Help(IDS_CUE_HELP_SLIDER);
    // The song moves when the user lets go of the slider, not at every step of a drag.
    if (code == TB_ENDTRACK)
      SeekAndPlay(static_cast<LONG>(static_cast<CSliderCtrl*>(GetDlgItem(kSlider))->GetPos()) * 1000);
  }
  CDialog::OnHScroll(code, position, scrollBar);
}

void CCuePointsDlg::OnTimer(UINT_PTR id) {
  if (id != kPositionTimer) return;
  const CString mode = m_player.GetModeText();
  CString shown;
  GetDlgItemText(kMode, shown);
  if (shown != mode) {
    SetDlgItemText(kMode, mode);
    GetDlgItem(kMode)->Invalidate();
  }
  const LONG position = Position();
  SetDlgItemText(kPosition, FormatCueOffset(position));
  auto* slider = static_cast<CSliderCtrl*>(GetDlgItem(kSlider));
  if (CWnd::GetCapture() != slider) slider->SetPos(static_cast<int>(position / 1000));
}

HBRUSH CCuePointsDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  if (wnd != nullptr && wnd->GetDlgCtrlID() == static_cast<int>(kMode)) {
    dc->SetBkMode(TRANSPARENT);
    CString mode;
    GetDlgItemText(kMode, mode);
    return mode == "playing" || mode == "seeking" ? m_active : m_idle;
  }
  return CDialog::OnCtlColor(dc, wnd, kind);
}

void CCuePointsDlg::OnDestroy() {
  KillTimer(kPositionTimer);
  m_player.Stop();
  m_playerOpen = false;
  CDialog::OnDestroy();
}
