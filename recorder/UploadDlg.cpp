#include "recorder/UploadDlg.h"

#include <ctime>

#include "dblib/QHDb.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/MessageBox.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderIds.h"
#include "recorder/UploadSetupDlg.h"
#include "recorder/UploadSocket.h"

namespace {
constexpr UINT kAddress = 1289, kPort = 1290, kLastUpdate = 1291, kVersion = 1292, kCount = 1293, kUploaded = 1294,
               kMegabytes = 1295, kElapsed = 1296, kErrors = 1297, kStatus = 1298, kBar = 1299, kUploadButton = 1092;
constexpr SHORT kRemoteKey = 0;
// Messages one turn of a wait handles at most, so the wait still ends on time under a flood.
constexpr int kTurnMessages = 64;

const char kVersionCheckHead[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><action><actionName>SvcQryVersion</actionName>";
const char kVersionCheckArguments[] =
    "<argument><name>SvcPgmName</name><seq>1</seq><direction>out</direction><hostvar>strPgmName</hostvar></argument>"
    "<argument><name>SvcPgmVersion</name><seq>2</seq><direction>out</direction><hostvar>strPgmVersion</hostvar>"
    "</argument></action>";

long Now() { return static_cast<long>(std::time(nullptr)); }
}  // namespace

BEGIN_MESSAGE_MAP(CUploadDlg, CDialog)
  ON_BN_CLICKED(1092, OnUploadFiles)
  ON_MESSAGE(WM_UPLOAD_SOCKET, OnSocket)
  ON_MESSAGE(WM_UPLOAD_CHECK_VERSION, OnCheckVersion)
  ON_MESSAGE(WM_UPLOAD_NEXT_SONG, OnNextSong)
  ON_MESSAGE(WM_UPLOAD_SONG_AUDIO, OnSongAudio)
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CUploadDlg::CUploadDlg(tQHDb* db, tStorage* storage, const CString& ownVersion, CWnd* parent)
    : CDialog(IDD_UPLOAD, parent), m_pDb(db), m_pStorage(storage), m_ownVersion(ownVersion) {}

CUploadDlg::~CUploadDlg() {
  ReleaseConnection();
  for (HBRUSH brush : {m_red, m_green, m_yellow})
    if (brush != nullptr) DeleteObject(brush);
}

CString CUploadDlg::RemoteName(const CString& guid, const char* extension) {
  return "Song" + KeepAlphanumeric(guid) + extension;
}

CString CUploadDlg::VersionWithoutBuild(const CString& version) {
  int dot = version.ReverseFind('.');
  return dot < 0 ? version : version.Left(dot);
}

BOOL CUploadDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_red = CreateSolidBrush(RGB(220, 96, 96));
  m_green = CreateSolidBrush(RGB(127, 220, 127));
  m_yellow = CreateSolidBrush(RGB(220, 220, 64));
  m_versionState = 0;
  SetDlgItemText(kAddress, m_address);
  SetDlgItemText(kPort, m_portText);
  SetDlgItemText(kLastUpdate, m_lastUpdateText);
  CString count;
  count.Format("%ld", static_cast<long>(m_songIds.size()));
  SetDlgItemText(kCount, count);
  auto* bar = static_cast<CProgressCtrl*>(GetDlgItem(kBar));
  bar->SetRange32(0, static_cast<int>(m_songIds.size()));
  bar->SetPos(0);
  bar->SetStep(1);
  PostMessage(WM_UPLOAD_CHECK_VERSION);
  return TRUE;
}

void CUploadDlg::Status(const CString& text) { SetDlgItemText(kStatus, text); }

void CUploadDlg::CountError() {
  ++m_errors;
  CString text;
  text.Format("%ld", static_cast<long>(m_errors));
  SetDlgItemText(kErrors, text);
}

void CUploadDlg::ReleaseConnection() { m_socket.reset(); }

int CUploadDlg::Request(const std::function<int()>& call) {
  m_inRequest = true;
  const int result = call();
  m_inRequest = false;
  return result;
}

bool CUploadDlg::WaitTurn() {
  MSG message;
  for (int handled = 0; handled < kTurnMessages; ++handled) {
    if (!PeekMessage(&message, nullptr, 0, WM_UPLOAD_SOCKET - 1, PM_REMOVE) &&
        !PeekMessage(&message, nullptr, WM_UPLOAD_SONG_AUDIO + 1, 0xFFFFFFFF, PM_REMOVE))
      break;
    if (message.message == WM_QUIT) {
      // The program is ending: the quit goes back for the loop that owns it, and the wait stops.
      PostQuitMessage(static_cast<int>(message.wParam));
      m_cancelRequested = true;
      break;
    }
    if (!qh::ui::PreTranslateThroughFramework(&message)) {
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  return !m_cancelRequested;
}

void CUploadDlg::OnCancel() {
  // A waiting request ends first (at the next turn); its handler then closes the dialog.
  if (m_inRequest) {
    m_cancelRequested = true;
    return;
  }
  if (m_running) {
    EndCancelled();
    return;
  }
  CDialog::OnCancel();
}

void CUploadDlg::EndCancelled() {
  m_cancelled = true;
  m_running = false;
  ReleaseConnection();
  CString text;
  text.Format("Upload cancelled - %ld of %ld songs uploaded", static_cast<long>(m_songsUploaded),
              static_cast<long>(m_songIds.size()));
  Status(text);
  GetDlgItem(kUploadButton)->EnableWindow(FALSE);
  EndDialog(IDCANCEL);
}

LRESULT CUploadDlg::OnCheckVersion(WPARAM, LPARAM) {
  m_socket = std::make_unique<CUploadSocket>();
  m_socket->SetReplyTimeLimit(m_replyTimeLimit);
  m_socket->SetWaitTurn([this] { return WaitTurn(); });
  const int connected = Request(
      [&] { return m_socket->ConnectTo("Remote Server", m_address, m_port, GetSafeHwnd(), WM_UPLOAD_SOCKET, FALSE); });
  if (m_cancelRequested) {
    EndCancelled();
    return 0;
  }
  if (connected != 0) {
    VersionCheckFailed(CUploadSocket::ConnectFailureText(connected, m_socket->GetLastError()));
    return 0;
  }
  Status("Checking Server version...");
  m_song.Attach(m_pDb, m_pStorage);
  CString body;
  body.Format("%s<transID>%lu</transID><actionID>%lu</actionID>%s", kVersionCheckHead,
              static_cast<unsigned long>(m_transId), static_cast<unsigned long>(m_actionId), kVersionCheckArguments);
  ++m_transId;
  ++m_actionId;
  const int sent = Request([&] { return m_socket->SendPost(body, "/control", "POST"); });
  if (m_cancelRequested) {
    EndCancelled();
    return 0;
  }
  // No reply can come to a request that did not go out: the check ends here, with the send's text.
  if (sent != CUploadSocket::kOk) VersionCheckFailed(SendFailureText(sent));
  return 0;
}

CString CUploadDlg::SendFailureText(int result) {
  CString text;
  text.Format("Error code %ld when writing to server", static_cast<long>(result));
  return text;
}

void CUploadDlg::VersionCheckFailed(const CString& reason) {
  ReleaseConnection();
  VersionUnknown();
  Status(reason);
  CountError();
}

void CUploadDlg::VersionUnknown() {
  if (m_versionState != 0) return;
  m_versionState = -1;
  SetDlgItemText(kVersion, "*COMMUNCATIONS ERROR*");
  Invalidate();
}

void CUploadDlg::Stopped(const CString& reason) {
  m_running = false;
  CountError();
  Status(reason);
  GetDlgItem(kUploadButton)->EnableWindow(FALSE);
  VersionUnknown();
}

LRESULT CUploadDlg::OnSocket(WPARAM what, LPARAM connection) {
  // A notice of a connection already given up (a failed version check) has been answered.
  if (!m_socket || reinterpret_cast<CUploadSocket*>(connection) != m_socket.get()) return 0;
  if (what == 1) {
    Stopped("Error - Communications socket to server closed unexpectedly");
    ReleaseConnection();
    return 0;
  }
  CString reply;
  if (!m_socket->GetResponse(reply)) return 0;
  if (m_response.Parse(reply) != 0) {
    Stopped("Error - Could not understand server response");
    return 0;
  }
  if (m_response.actionReturnCode != 0) {
    CString text;
    text.Format("Communcations Error: Code %ld\r\nText: %s", static_cast<long>(m_response.actionReturnCode),
                m_response.actionReturnMsg.GetString());
    m_running = false;
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    CountError();
    // A refused version check leaves no status that still says it is checking.
    if (m_versionState == 0) {
      VersionUnknown();
      Status(text);
    }
    return 0;
  }
  CString value;
  if (m_response.actionName == "SvcQryVersion") {
    // A version reply without the version cannot settle the check.
    if (!m_response.FindArgument("SvcPgmVersion", value)) {
      if (m_versionState == 0) Stopped("Error - Could not understand server response");
      return 0;
    }
    SetDlgItemText(kVersion, value);
    if (VersionWithoutBuild(value) != m_ownVersion) {
      m_versionState = -1;
      Status("Incorrect version. Ensure that identical software versions are installed.");
    } else {
      m_versionState = 1;
      GetDlgItem(kUploadButton)->EnableWindow(!m_songIds.empty());
      Status(m_songIds.empty() ? "There are no songs to upload" : "Click the UPLOAD FILES button to start the upload");
    }
    Invalidate();
    return 0;
  }
  if (m_response.actionName == "UploadAudioFiles" && m_response.FindArgument("UploadFileName", value)) {
    CString ending = value.Right(4);
    if (ending.CompareNoCase(".XML") == 0) {
      PostMessage(WM_UPLOAD_SONG_AUDIO);
    } else if (ending.CompareNoCase(".MP3") == 0) {
      ++m_songsUploaded;
      ++m_index;
      static_cast<CProgressCtrl*>(GetDlgItem(kBar))->StepIt();
      PostMessage(WM_UPLOAD_NEXT_SONG);
    } else {
      // A stored file that is neither of the song's: the run stops, and says so.
      Stopped("Error - Could not understand server response");
    }
    ShowStatistics();
    return 0;
  }
  // A run waits for the answer to its song: any other reply would leave it waiting for ever.
  if (m_running) Stopped("Error - Could not understand server response");
  return 0;
}

void CUploadDlg::ShowStatistics() {
  CString text;
  text.Format("%ld", static_cast<long>(m_errors));
  SetDlgItemText(kErrors, text);
  text.Format("%ld of %ld", static_cast<long>(m_songsUploaded), static_cast<long>(m_songIds.size()));
  SetDlgItemText(kUploaded, text);
  text.Format("%ld", static_cast<long>(m_bytesUploaded / 1048576.0));
  SetDlgItemText(kMegabytes, text);
  long elapsed = Now() - m_startTime;
  text.Format("%ld Hrs, %ld Mins, %ld Secs", elapsed / 3600, (elapsed / 60) % 60, elapsed % 60);
  SetDlgItemText(kElapsed, text);
}

void CUploadDlg::OnUploadFiles() {
  m_startTime = Now();
  m_index = 0;
  m_running = true;
  PostMessage(WM_UPLOAD_NEXT_SONG);
  GetDlgItem(kUploadButton)->EnableWindow(FALSE);
}

void CUploadDlg::CountSent(int result) {
  if (result > 0) {
    m_bytesUploaded += result;
    return;
  }
  Status(SendFailureText(result));
  CountError();
  ++m_index;
  if (m_socket && m_socket->IsConnected()) {
    PostMessage(WM_UPLOAD_NEXT_SONG);
    return;
  }
  // Without a connection the run cannot go on (a connection given up says so in its own notice).
  m_running = false;
}

LRESULT CUploadDlg::OnNextSong(WPARAM, LPARAM) {
  if (m_index >= m_songIds.size()) {
    m_running = false;
    Status("Uploads completed");
    GetDlgItem(kUploadButton)->EnableWindow(FALSE);
    return 0;
  }
  LONG songId = m_songIds[m_index];
  m_song.Clear();
  if (songId < 1 || m_song.LoadById(songId) <= 0) {
    ++m_index;
    PostMessage(WM_UPLOAD_NEXT_SONG);
    return 0;
  }
  CString text;
  text.Format("Uploading Song %ld - %s (%s)", static_cast<long>(songId), m_song.SongName.GetString(),
              m_song.SongArtist.GetString());
  Status(text);
  CString document;
  if (m_song.WriteSongXml(document) != 0) document.Empty();
  int result = 0;
  if (m_socket && !document.IsEmpty())
    result = Request([&] { return m_socket->SendPutText(document, RemoteName(m_song.SongGUID, ".xml"), "text/xml"); });
  if (m_cancelRequested) {
    EndCancelled();
    return 0;
  }
  CountSent(result);
  return 0;
}

LRESULT CUploadDlg::OnSongAudio(WPARAM, LPARAM) {
  int result = 0;
  if (m_socket)
    result = Request([&] {
      return m_socket->SendPutFile(m_song.GetMediaFileName(), RemoteName(m_song.SongGUID, ".mp3"),
                                   "application/octet-stream");
    });
  if (m_cancelRequested) {
    EndCancelled();
    return 0;
  }
  CountSent(result);
  return 0;
}

HBRUSH CUploadDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  if (wnd != nullptr && wnd->GetDlgCtrlID() == static_cast<int>(kVersion) && m_red != nullptr) {
    dc->SetBkMode(TRANSPARENT);
    return m_versionState < 0 ? m_red : m_versionState > 0 ? m_green : m_yellow;
  }
  return CDialog::OnCtlColor(dc, wnd, kind);
}

void CUploadDlg::OnDestroy() {
  // A request still on the stack keeps its connection until it returns; the flag ends its wait.
  if (m_inRequest)
    m_cancelRequested = true;
  else
    ReleaseConnection();
  CDialog::OnDestroy();
}

void RunUpload(tQHDb* db, tStorage* storage, const CString& ownVersion, CWnd* parent) {
  CString description = "Remote Server", address, filter;
  SHORT port = 12130;
  COleDateTime lastSync, nextSync;
  lastSync.SetStatus(COleDateTime::invalid);
  bool haveRow = db->LoadRemoteServer(kRemoteKey, description, address, port, lastSync, nextSync, filter) == 1;
  bool validLast = haveRow && lastSync.GetStatus() == COleDateTime::valid;
  CUploadSetupDlg setup(parent);
  setup.m_address = address;
  setup.m_port = port > 0 ? static_cast<UINT>(port) : 12130;
  setup.m_lastUpdate = validLast ? lastSync.Format("%#c") : CString("*NONE*");
  if (setup.DoModal() != IDOK) return;
  CString where = validLast ? "Where A.SongCompression In ('3', 'R') And A.SongRecordDate > #" +
                                  lastSync.Format("%m/%d/%Y %X") + "# Order By A.SongID "
                            : CString("Where A.SongCompression In ('3', 'R') Order By A.SongID ");
  CUploadDlg upload(db, storage, ownVersion, parent);
  if (db->OpenSongList(where)) {
    tSong song;
    while (db->NextSong(&song) > 0) upload.m_songIds.push_back(song.SongID);
    db->CloseSongList();
  }
  upload.m_address = setup.m_address;
  upload.m_port = setup.m_port;
  upload.m_portText.Format("%hd", static_cast<SHORT>(setup.m_port));
  upload.m_lastUpdateText = setup.m_lastUpdate;
  upload.DoModal();
  if (upload.m_errors == 0 && upload.m_songsUploaded > 0 && !upload.m_cancelled)
    db->SaveRemoteServer(kRemoteKey, description, setup.m_address, static_cast<SHORT>(setup.m_port),
                         COleDateTime::GetCurrentTime(), nextSync, filter);
}
