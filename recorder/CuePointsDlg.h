// CCuePointsDlg, "Set Cue Points": the named cue points of one song (name, number, offset), added at
// the playing position, moved, renumbered, deleted and fine-tuned while the song plays.
#pragma once

#include <vector>

#include "platform/ui/Dialog.h"
#include "recorder/CueListStore.h"
#include "recorder/SongPicks.h"

class tQHDb;
class tStorage;
class CListCtrl;

class CCuePointsDlg : public CDialog {
 public:
  CCuePointsDlg(tQHDb* db, tStorage* storage, CWnd* parent = nullptr);
  ~CCuePointsDlg() override;
  void SetSong(LONG songId) { m_songId = songId; }
  LONG GetSongEnd() const { return m_songEnd; }

  BOOL OnInitDialog() override;

 protected:
  afx_msg void OnNew();
  afx_msg void OnEdit();
  afx_msg void OnSave();
  afx_msg void OnDelete();
  afx_msg void OnUp();
  afx_msg void OnDown();
  afx_msg void OnSetCurrent();
  afx_msg void OnPlayCue();
  afx_msg void OnToStart();
  afx_msg void OnToEnd();
  afx_msg void OnForward();
  afx_msg void OnBack();
  afx_msg void OnStop();
  afx_msg void OnPlay();
  afx_msg void OnOffsetChanged();
  afx_msg void OnNameFocus();
  afx_msg void OnListClick(NMHDR*, LRESULT* result);
  afx_msg void OnListDoubleClick(NMHDR*, LRESULT* result);
  afx_msg void OnHScroll(UINT code, UINT position, CScrollBar* scrollBar);
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void Guarded(const std::function<void()>& work);
  CListCtrl* List();
  // Fills the list from the table; the row of `select` (a name) is selected when it is there.
  void Reload(const CString& select = CString());
  // Asks whether an edited offset is to be saved first: false when the user cancels.
  bool SettleUnsaved();
  bool SaveEdited();
  void LoadSelected();
  void ShowOffset(LONG milliseconds);
  void Move(int step);
  void SeekAndPlay(LONG milliseconds);
  LONG Position() const;
  LONG Clamp(LONG milliseconds) const;
  void Help(UINT text);

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  LONG m_songId = 0;
  LONG m_songStart = 0, m_songEnd = 0;
  LONG m_offset = 0;
  int m_selected = -1;
  bool m_unsaved = false;
  bool m_showing = false;  // the offset fields are being filled by the dialog, not typed
  std::vector<tCuePoint> m_points;
  CSongPreview m_player;
  bool m_playerOpen = false;
  HBRUSH m_active = nullptr, m_idle = nullptr;
};
