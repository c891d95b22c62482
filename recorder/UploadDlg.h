// "Perform Remote Server Upload": checks the remote jukebox's version, then sends, song by song, the
// song's document and its MP3 file over one kept-open connection. Every request waits for its reply,
// and the next request goes out from the handler of that reply. While a connect, a send or a reply
// waits, the dialog keeps answering (painting, moving, Close); Close then ends the wait, drops the
// connection, says that the upload was cancelled and closes the dialog. A cancelled run counts as
// unfinished: the song in hand is not counted and the remote record does not move.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "dblib/Song.h"
#include "platform/ui/Dialog.h"
#include "recorder/ActionResponse.h"

class tQHDb;
class tStorage;
class CUploadSocket;

#define WM_UPLOAD_SOCKET 0x81C2
#define WM_UPLOAD_CHECK_VERSION 0x81C3
#define WM_UPLOAD_NEXT_SONG 0x81C4
#define WM_UPLOAD_SONG_AUDIO 0x81C5

class CUploadDlg : public CDialog {
 public:
  CUploadDlg(tQHDb* db, tStorage* storage, const CString& ownVersion, CWnd* parent = nullptr);
  ~CUploadDlg() override;
  BOOL OnInitDialog() override;

  CString m_address;
  UINT m_port = 12130;
  CString m_portText, m_lastUpdateText;
  std::vector<LONG> m_songIds;
  LONG m_songsUploaded = 0;
  LONG m_errors = 0;
  // Closed by the user while the connection or a run was in progress.
  bool m_cancelled = false;
  // How long a reply may take (milliseconds).
  DWORD m_replyTimeLimit = 30000;

  // The path of a song's files on the jukebox: "Song" + the GUID's letters and digits + extension.
  static CString RemoteName(const CString& guid, const char* extension);
  // "4.0.12" -> "4.0"; a text without "." stays whole.
  static CString VersionWithoutBuild(const CString& version);

 protected:
  afx_msg void OnUploadFiles();
  afx_msg LRESULT OnSocket(WPARAM what, LPARAM);
  afx_msg LRESULT OnCheckVersion(WPARAM, LPARAM);
  afx_msg LRESULT OnNextSong(WPARAM, LPARAM);
  afx_msg LRESULT OnSongAudio(WPARAM, LPARAM);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnDestroy();
  void OnCancel() override;
  DECLARE_MESSAGE_MAP()

 private:
  // Runs one call of the connection; its waits give the dialog its turns.
  int Request(const std::function<int()>& call);
  // A turn during a wait: what the windows need, except this dialog's own upload steps (they follow
  // the request in hand); false once the user asked to stop.
  bool WaitTurn();
  // Ends a run the user cancelled and closes the dialog.
  void EndCancelled();
  void CountError();
  // A positive send result counts its bytes (the reply drives the next step); anything else is an
  // error, and the run goes on with the next song.
  void CountSent(int result);
  void ShowStatistics();
  static CString SendFailureText(int result);
  // The version check ended without a version: the connection goes, the version box says so in red,
  // the status gives the reason and the error counts.
  void VersionCheckFailed(const CString& reason);
  // Marks a version check still under way as failed (nothing once the version is known).
  void VersionUnknown();
  // Ends the run (or the check) on a failure the status line names; the error counts.
  void Stopped(const CString& reason);
  void Status(const CString& text);
  void ReleaseConnection();

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  CString m_ownVersion;
  tSong m_song;
  size_t m_index = 0;
  double m_bytesUploaded = 0;
  long m_startTime = 0;
  std::unique_ptr<CUploadSocket> m_socket;
  DWORD m_transId = 1, m_actionId = 1;
  tActionResponse m_response;
  int m_versionState = 0;
  bool m_running = false;
  bool m_inRequest = false;
  bool m_cancelRequested = false;
  HBRUSH m_red = nullptr, m_green = nullptr, m_yellow = nullptr;
};

// The Upload button's run: the setup dialog, the songs recorded since the last upload, the upload, and
// the remote record moved forward after a run without errors that uploaded something.
void RunUpload(tQHDb* db, tStorage* storage, const CString& ownVersion, CWnd* parent);
