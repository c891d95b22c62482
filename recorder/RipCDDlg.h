// CRipCDDlg: "Rip Tracks from CD" (dialog 134). The user listens to the disc (normal, intro or scan
// play), checks the names the disc identification gave (album database, CDDB or default names), picks
// tracks and rips them one after the other into temporary WAV files through the CD-extraction control.
// The caller turns the ripped files into songs after an OK end and deletes them otherwise.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/AfxGdi.h"
#include "recorder/capture/ACD.h"
#include "recorder/capture/CddbClient.h"
#include "recorder/capture/MciCdAudio.h"
#include "recorder/capture/RippedSongs.h"

class tQHDb;
class tQHFRDb;
class tStorage;

#define IDD_RIP_CD 134
#define WM_RIP_TRACK 0x466

class CRipCDDlg : public CDialog, public ICddbView {
 public:
  static constexpr int kTracks = 1162, kGenre = 1187, kArtist = 1014, kAlbum = 1032, kSelectAll = 1163,
                       kClearAll = 1164, kIdentifiedIncorrectly = 1300, kUseFreeDb = 1175, kCddbHello = 1172,
                       kCddbStatus = 1173, kCopyType = 1210, kRip = 1092, kPlay = 1012, kStop = 1015, kEject = 1016,
                       kPosition = 1110, kModeNormal = 1131, kModeIntro = 1132, kModeScan = 1133, kSeconds = 1134,
                       kSecondsSpin = 1135, kCurrentTrack = 1165, kTotalTracks = 1166, kTrackPosition = 1167,
                       kTrackLength = 1171, kCurrentLabel = 1169, kTotalLabel = 1170, kStatus = 1079,
                       kTrackProgress = 1159, kRipProgress = 1161, kExtraction = 1253;
  static constexpr int kMainStatus = 1119;  // the main dialog's status line
  static constexpr UINT_PTR kTimer = 1;
  static constexpr const char* kHelloAddress = "rip@quaverhouse.example";
  enum PlayMode { kNormal = 0, kIntro = 1, kScan = 2 };

  CRipCDDlg(tQHDb* songDb, tStorage* storage, tQHFRDb* albumDb, CWnd* parent = nullptr);
  ~CRipCDDlg() override;

  void Setup(char driveLetter, CWnd* mainDialog, const CString& tempFolder);
  bool HasRippedTracks() const { return m_ripped; }
  // The ripped tracks with the names of their list entries, for storing.
  RippedDisc Ripped() const;
  BOOL OnInitDialog() override;
  void OnCancel() override;

  // The mode text's class: 0 no disc (init, not ready, anything unknown), 1 open, 2 paused, 3 playing,
  // 4 seeking, 5 stopped.
  static int ModeClass(const CString& mode);

  // Settings copied in and out by the caller.
  BOOL m_useCddb = TRUE;
  int m_copyType = 0;
  CString m_cddbServer;
  CString m_version = "4.0";

  // Results: the temporary files in ripping order with the list entry (1-based, for the names) and the
  // disc's own track number of each; the names in track-list order; the disc's album, artist, genre, id.
  std::vector<CString> m_rippedFiles;
  std::vector<int> m_rippedEntries;
  std::vector<int> m_rippedTracks;
  std::vector<CString> m_titles;
  std::vector<CString> m_extended;
  CString m_artist, m_album, m_genre;
  DWORD m_discId = 0;

  // ICddbView.
  HWND CddbWindow() override { return m_hWnd; }
  void SetCddbStatus(const CString& text) override;
  void ShowCddbWarning(const CString& text) override;
  void ClearTrackList() override;
  void AddTrackListEntry(const CString& entry) override;
  void SetAlbumArtist(const CString& album, const CString& artist) override;
  void SelectGenre(const CString& genre) override;
  int ChooseAlbum(const std::vector<CString>& lines) override;
  void CancelForCddb() override;

 protected:
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnHScroll(UINT code, UINT position, CScrollBar* scrollBar);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnDestroy();
  afx_msg LRESULT OnRipTrack(WPARAM, LPARAM);
  afx_msg LRESULT OnCddbConnected(WPARAM, LPARAM connection);
  afx_msg LRESULT OnCddbReply(WPARAM, LPARAM result);
  afx_msg void OnEject();
  afx_msg void OnPlayButton();
  afx_msg void OnStopButton();
  afx_msg void OnModeNormal();
  afx_msg void OnModeIntro();
  afx_msg void OnModeScan();
  afx_msg void OnSecondsChange(NMHDR* header, LRESULT* result);
  afx_msg void OnRip();
  afx_msg void OnSelectAll();
  afx_msg void OnClearAll();
  afx_msg void OnTrackSelChange();
  afx_msg void OnUseFreeDb();
  afx_msg void OnCddbHello();
  afx_msg void OnCopyTypeChange();
  afx_msg void OnIdentifiedIncorrectly();
  DECLARE_MESSAGE_MAP()

 private:
  bool StartDrive();
  void MakeFontsAndBrushes();
  void SetupControls();
  void IdentifyDisc(bool showExisting);
  void ShowIdle();
  void ShowDiscPresent(const CString& mode);
  void UpdateCurrentTrack();
  void UpdateLength();
  void PlayTrack(int track);
  void PlayStep();
  void SetPlayMode(int mode);
  void ShowRipCount();
  bool StartExtraction();
  void ReportExtractionError(int code);
  void DropUnfinishedTrack();
  void EndRipWith(int code);
  void KeepResults();
  void StopAll();
  void MciError(const CString& text);
  int EntryOfTrack(int track) const;
  int TrackOfEntry(int entry) const;
  int AudioTrackCount() const;
  // Runs a handler's work under the recorder's handlers; after a failure playback and extraction stop and
  // the dialog ends with `endResult`.
  void Guarded(const std::function<void()>& work, int endResult = IDCANCEL);
  void EnableControls(std::initializer_list<int> ids, bool enable);
  CListBox* Tracks() { return static_cast<CListBox*>(GetDlgItem(kTracks)); }
  CComboBox* Genres() { return static_cast<CComboBox*>(GetDlgItem(kGenre)); }

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  tQHFRDb* m_albumDb;
  char m_driveLetter = 'D';
  CWnd* m_mainDialog = nullptr;
  CString m_tempFolder;
  CMciCdAudio m_mci;
  MCIDEVICEID m_device = 0;
  int m_driveIndex = 0;
  CString m_previousMode;
  int m_currentTrack = 0;
  int m_playMode = kNormal;
  int m_seconds = 10;
  int m_ticks = 0;
  bool m_seeking = false;
  bool m_playing = false;
  int m_nextEntry = 0;
  LONG m_progress = 1000;
  bool m_ripped = false;
  bool m_extracting = false;
  bool m_ripping = false;
  bool m_deviceOpen = false;
  CACD m_extraction;
  std::unique_ptr<CCddbClient> m_cddb;
  CFont m_bigFont, m_mediumFont, m_smallFont;
  HBRUSH m_black = nullptr, m_red = nullptr, m_darkRed = nullptr, m_green = nullptr, m_yellow = nullptr,
         m_white = nullptr;
};
