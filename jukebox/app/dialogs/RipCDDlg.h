// "Rip from audio CD" (dialog 189): identifies the disc in the drive (the embedded album database,
// then a CDDB server), lets the user pick tracks, artist, album and genre, and rips the picked tracks
// into temporary WAV files through the CD-extraction control. The caller stores the files as songs
// after an OK end and deletes the reported files otherwise.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Dialog.h"
#include "recorder/capture/ACD.h"
#include "recorder/capture/CddbClient.h"
#include "recorder/capture/MciCdAudio.h"
#include "recorder/capture/RippedSongs.h"

class tQHDb;
class tQHFRDb;
class tStorage;

#define WM_RIP_NEXT_TRACK 0x466

class CRipCDDlg : public CDialog, public ICddbView {
 public:
  static constexpr UINT IDD = 189;
  static constexpr int kTracks = 1050, kArtist = 1042, kAlbum = 1043, kGenre = 1011, kSelectAll = 1052,
                       kClearAll = 1053, kRip = 1054, kTrackProgress = 1055, kTotalProgress = 1056,
                       kExtraction = 1057, kStatus = 1058, kVersion = 1059;
  static constexpr UINT kVersionBitmap = 222;
  static constexpr UINT_PTR kTimer = 1;
  static constexpr const char* kHelloAddress = "rip@quaverhouse.example";

  CRipCDDlg(tQHDb* songDb, tStorage* storage, tQHFRDb* albumDb, CWnd* parent = nullptr);
  ~CRipCDDlg() override;
  BOOL OnInitDialog() override;

  // The mode text's class: 0 unknown, 1 no usable CD, 2 paused, 3 playing, 4 seeking, 5 stopped.
  static int ModeClass(const CString& mode);

  // From the caller.
  CString m_workFolder;
  CString m_cddbServer;
  std::vector<CString> m_genres;
  CString m_version = "4.0.0";

  // For the caller after IDOK (the files also after IDCANCEL, to be deleted).
  std::vector<CString> m_rippedFiles;
  std::vector<unsigned> m_rippedTracks;   // the disc's own track number of each file
  std::vector<unsigned> m_rippedEntries;  // the list entry of each file (its names), 1-based
  std::vector<CString> m_titles;
  std::vector<CString> m_extended;
  CString m_artist, m_album, m_genre;
  DWORD m_discId = 0;
  CString m_category;
  CString m_upc;

  // The ripped tracks with the names of their list entries, for storing.
  RippedDisc Ripped() const;

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
  afx_msg void OnSelectAll();
  afx_msg void OnClearAll();
  afx_msg void OnSelectionChange();
  afx_msg void OnVersion();
  afx_msg void OnRip();
  afx_msg LRESULT OnConnected(WPARAM, LPARAM connection);
  afx_msg LRESULT OnReply(WPARAM, LPARAM result);
  afx_msg LRESULT OnNextTrack(WPARAM, LPARAM);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  bool OpenDrive();
  // A disc seen for the first time: its identity, UPC and table of contents, then its names.
  void IdentifyDisc(const CString& identity);
  void ShowExistingSongs();
  void ForgetDisc();
  bool PrepareExtraction();
  void ReportExtractionError(int code);
  void EndWith(int result);
  void StopDrive();
  void MciError();
  void KeepResults();
  CListBox* Tracks() { return static_cast<CListBox*>(GetDlgItem(kTracks)); }
  CComboBox* Genres() { return static_cast<CComboBox*>(GetDlgItem(kGenre)); }

  tQHDb* m_songDb;
  tStorage* m_storage;
  tQHFRDb* m_albumDb;
  CMciCdAudio m_mci;
  CACD m_extraction;
  std::unique_ptr<CCddbClient> m_cddb;
  char m_driveLetter = 0;
  int m_driveIndex = 0;
  CString m_lastIdentity;
  bool m_inTimer = false;
  bool m_noMatch = false;
  bool m_ripping = false;
  int m_nextTrack = 0;
  int m_rippedCount = 0;
  int m_selectedCount = 0;
  LONG m_progress = 1000;
  HBITMAP m_versionBitmap = nullptr;
};
