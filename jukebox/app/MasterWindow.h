// The jukebox's main window: a borderless skinned frame around the zone windows, with zone buttons,
// caption buttons and the keyboard map. It runs the program's timers (first zone, daily upload merge,
// start-up actions, shut-down fallback), the import and upload-merge commands and the orderly shut-down.
#pragma once

#include <array>
#include <memory>

#include "jukebox/app/RemotePort.h"
#include "jukebox/app/SkinButton.h"
#include "jukebox/app/UploadMerge.h"
#include "platform/core/Collections.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/gdi/AfxGdi.h"

class tQHDb;
class tStorage;
class tSong;

class CMasterWindow : public CWnd {
 public:
  static constexpr int kMaxZones = 8;

  CMasterWindow();
  ~CMasterWindow() override;

  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // ---- Zone operations ----
  void SetZoneList(int count, const CStringArray& devices, const CStringArray& descriptions);
  void SelectZone(int zone);
  BOOL PostToCurrentZone(UINT message, WPARAM wParam, LPARAM lParam);
  void EnableZoneButton(int zone, BOOL enable);
  void GetZoneRect(LPRECT rect) const;
  int GetCurrentZone() const { return m_currentZone; }
  // Makes `zone` the current index without showing it (the channel keys of the remote control do, then
  // select it: a zone whose button is disabled stays current but hidden).
  void SetCurrentZone(int zone) { m_currentZone = zone; }
  int GetZoneCount() const { return m_zoneCount; }
  CSkinButton& GetZoneButton(int zone) { return m_zoneButtons[static_cast<size_t>(zone)]; }
  // The text shown in the bottom bar (the last timer failure, or what the build lacks).
  void SetStatusText(const CString& text);
  const CString& GetStatusText() const { return m_statusText; }

  // ---- Commands ----
  LRESULT OnImport(WPARAM wParam = 0, LPARAM lParam = 0);
  void ImportFiles();
  void IndexFolder();
  void IndexFiles(const CString& folder);
  bool IndexMp3File(const CString& path);
  bool IndexWavFile(const CString& path);
  bool RegisterUploadedFile(const CString& mp3Path, const CString& xmlPath, CString& name, CString& artist);
  void MergeUploads();
  LRESULT OnRipCD(WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT OnOptions(WPARAM wParam = 0, LPARAM lParam = 0);
  void OnAudioMatrix();
  void NoteUploadReceived() { ++m_nUploadsReceived; }

  // ---- Shut-down ----
  LRESULT OnShutdownRequest(WPARAM wParam = 0, LPARAM lParam = 0);
  void ShutdownServer();
  void StopServer();
  // The control port, when the program has one.
  CRemotePort* GetRemotePort() const { return m_remotePort.get(); }
  BOOL IsShuttingDown() const { return m_shuttingDown != 0; }

  // Counters of the last indexing run.
  UINT m_nIndexFolders = 0;
  UINT m_nIndexedMp3 = 0;
  UINT m_nIndexedWav = 0;
  UINT m_nIndexErrors = 0;
  int m_bMergeBusy = 0;
  int m_nUploadsReceived = 0;
  // What the last merge found and merged (its summary).
  LONG m_lastMergeFound = 0;
  LONG m_lastMergeMerged = 0;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT create);
  afx_msg void OnDestroy();
  afx_msg void OnPaint();
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnSize(UINT kind, int cx, int cy);
  afx_msg LRESULT OnNcHitTest(CPoint point);
  afx_msg void OnActivate(UINT state, CWnd* other, BOOL minimized);
  afx_msg void OnClose();
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg LRESULT OnQuitMessage(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnStopSignal(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnImportMessage(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnRipMessage(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnOptionsMessage(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnServerStopped(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnServerNotify(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnHandlerNotify(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnClientThreadStatus(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnQueueCommand(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnActionFinished(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  struct Piece {
    CStatic control;
    UINT bitmapId = 0;
    UINT controlId = 0xFFFF;
    RECT rect{};
    CBitmap bitmap;
  };

  void CreateControls();
  void CreateNormalControls();
  void CreateTvControls();
  void LayoutControls();
  void LayoutNormal(const RECT& client);
  void LayoutTv();
  void CreatePiece(Piece& piece, UINT bitmapId, UINT controlId = 0xFFFF);
  void MoveZoneWindows();
  void ApplyShape(const RECT& client);
  void TileAcross(CDC& dc, CBitmap& bitmap, const RECT& rect);
  void TileDown(CDC& dc, CBitmap& bitmap, const RECT& rect);
  void DrawTitle(CDC& dc);
  bool HandleKey(UINT key);
  void PostZoneCommand(UINT id);
  void RunUploadMergeCheck();
  void ReportTimerFailure();
  LRESULT ForwardToPort(UINT message, WPARAM wParam, LPARAM lParam);
  void LogCommandFailure(const CString& text, const CString& severity = "E");
  bool ImportOneFile(const CString& path, tSong& song, bool deleteSource, UINT& mp3Count, UINT& wavCount,
                     UINT& errors, bool& stop);
  UploadOutcome RegisterUpload(const CString& mp3Path, const CString& xmlPath, CString& name, CString& artist);
  bool ChooseVolume(const CString& path, ULONGLONG fileSize, DWORD& serial, CString& root);

  int m_zoneCount = 0;
  int m_currentZone = 0;
  CStringArray m_zoneDescriptions;
  CStringArray m_zoneDevices;
  CStringArray m_zoneExtras;
  std::array<CSkinButton, kMaxZones> m_zoneButtons;
  CSkinButton m_quitButton;
  CSkinButton m_maximiseButton;
  CSkinButton m_minimiseButton;
  CSkinButton m_matrixButton;
  std::array<Piece, 13> m_pieces;
  int m_pieceCount = 0;
  int m_tvOutput = 0;
  WORD m_serverPort = 0;
  BYTE m_shuttingDown = 0;
  int m_playersToWaitFor = 0;
  int m_playersStopped = 0;
  tStorage* m_storage = nullptr;
  tQHDb* m_songDb = nullptr;
  int m_active = 0;
  CFont m_titleFont;
  CString m_statusText;
  CString m_strMessage;
  CBitmap m_titleBitmap, m_leftBitmap, m_rightBitmap, m_bottomBitmap, m_badgeBitmap;
  RECT m_titleRect{}, m_leftRect{}, m_rightRect{}, m_bottomRect{}, m_badgeRect{}, m_gripRect{};
  RECT m_zoneRect{};
  BYTE m_buttonDown = 0;
  BYTE m_resizing = 0;
  CPoint m_pressPoint;
  RECT m_pressWindowRect{};
  bool m_quitQuestionOpen = false;
  bool m_timerStarted = false;
  std::unique_ptr<CRemotePort> m_remotePort;
};
