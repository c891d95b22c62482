#include "recorder/capture/CddbClient.h"

#include <atomic>
#include <map>

#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "platform/ui/WinUser.h"

namespace {

// The dialog the status callback posts to: only one rip dialog exists at a time.
std::atomic<HWND> g_cddbWindow{nullptr};

void CddbStatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD) {
  if (status != INTERNET_STATUS_REQUEST_COMPLETE || information == nullptr) return;
  auto* result = static_cast<INTERNET_ASYNC_RESULT*>(information);
  HWND window = g_cddbWindow.load();
  if (window == nullptr) return;
  PostMessage(window, context == 0 ? WM_CDDB_CONNECTED : WM_CDDB_REPLY, 0, static_cast<LPARAM>(result->dwResult));
}

}  // namespace

CCddbClient::CCddbClient(ICddbView& view, bool useCddb, const CString& server, const CString& helloAddress,
                         const CString& version, tQHFRDb* albumDb)
    : m_view(view), m_active(useCddb), m_server(server), m_hello(CddbHello(helloAddress)), m_version(version),
      m_albumDb(albumDb) {}

CCddbClient::~CCddbClient() { Shutdown(); }

void CCddbClient::Shutdown() {
  HWND mine = m_window;
  if (mine != nullptr) g_cddbWindow.compare_exchange_strong(mine, nullptr);
  if (m_session != nullptr) InternetCloseHandle(m_session);
  m_session = m_connection = m_request = nullptr;
}

void CCddbClient::Disable(const CString& warning) {
  m_active = false;
  m_view.ShowCddbWarning(warning);
}

void CCddbClient::Setup() {
  if (!m_active) return;
  m_window = m_view.CddbWindow();
  g_cddbWindow = m_window;
  CString agent;
  agent.Format("Quaverhouse/%s", m_version.GetString());
  m_session = InternetOpen(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
  if (m_session == nullptr) {
    Disable("Error opening internet connection. Will not try to talk to FreeDB database.");
    return;
  }
  DWORD timeout = 6000;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_CONTROL_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_DATA_SEND_TIMEOUT}) {
    if (!InternetSetOption(m_session, option, &timeout, sizeof timeout)) {
      Disable("An error occurred setting an option for Internet communication. Will not try to talk to FreeDB "
              "database.");
      return;
    }
  }
  if (InternetSetStatusCallback(m_session, CddbStatusCallback) == INTERNET_INVALID_STATUS_CALLBACK) {
    Disable("Error registering internet callback function. Will not try to talk to FreeDB database.");
    return;
  }
  CString host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  if (!ParseCddbServer(m_server, host, port)) {
    CString text;
    text.Format("The FreeDB server setting \"%s\" is not a host name or host:port. Will not try to talk to FreeDB "
                "database.",
                m_server.GetString());
    Disable(text);
    return;
  }
  CString connecting;
  connecting.Format("Connecting to FreeDB Server: %s", m_server.GetString());
  m_view.SetCddbStatus(connecting);
  HINTERNET connection = InternetConnect(m_session, host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (connection != nullptr) {
    m_connection = connection;
    PostMessage(m_view.CddbWindow(), WM_CDDB_CONNECTED, 0, reinterpret_cast<LPARAM>(connection));
    return;
  }
  DWORD error = GetLastError();
  if (error == static_cast<DWORD>(ERROR_IO_PENDING)) return;
  CString text;
  text.Format("Error %d creating internet connection. Will not try to talk to FreeDB database.", static_cast<int>(error));
  Disable(text);
}

int CCddbClient::QueryCddb(MCIDEVICEID device, CString& mciError) {
  m_view.ClearTrackList();
  m_titles.clear();
  m_extended.clear();
  ReadCddbToc(device, m_toc, mciError);
  m_embeddedTried = false;
  m_querySent = false;
  m_queryWaiting = false;
  if (!m_active) {
    ApplyTitles(DefaultCddbTitles(m_toc.audioTracks));
  }
  m_requestPath = CddbQueryPath(m_toc, m_hello, m_version);
  return static_cast<int>(m_toc.audioTracks.size());
}

void CCddbClient::OnLookupCd(LPARAM connection) {
  if (connection != 0 && m_connection == nullptr) m_connection = reinterpret_cast<HINTERNET>(connection);
  if (LookupEmbeddedAlbum()) return;
  if (!m_active || m_connection == nullptr || m_toc.totalTracks == 0) return;
  // One query per disc: the connection's completion and the dialog's own call both ask, and a second
  // answer would rebuild the track list under the user's selection (or under a running rip).
  if (m_querySent) return;
  m_querySent = true;
  if (IsRequestInFlight()) {
    m_queryWaiting = true;  // sent when the request in flight has been read
    return;
  }
  m_kind = kQuery;
  SendCddbRequest(m_requestPath);
}

void CCddbClient::OnCddbHello() {
  if (!m_active || m_connection == nullptr || IsRequestInFlight()) return;
  m_kind = kVersion;
  SendCddbRequest(CddbVersionPath(m_hello, m_version));
}

bool CCddbClient::SendCddbRequest(const CString& path) {
  if (IsRequestInFlight()) return false;
  m_request = HttpOpenRequest(m_connection, "GET", path, nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD, 1);
  if (m_request == nullptr) {
    m_view.ShowCddbWarning("Error sending HTTP request to FreeDB server.");
    m_view.CancelForCddb();
    return false;
  }
  m_firstBlockPending = true;
  m_replyComplete = false;
  if (HttpSendRequest(m_request, nullptr, 0, nullptr, 0)) {
    PostMessage(m_view.CddbWindow(), WM_CDDB_REPLY, 0, 1);
    return true;
  }
  DWORD error = GetLastError();
  if (error == static_cast<DWORD>(ERROR_IO_PENDING)) return true;
  InternetCloseHandle(m_request);
  m_request = nullptr;
  CString text;
  text.Format("Error %d creating internet connection. Will not try to talk to FreeDB database.", static_cast<int>(error));
  m_view.ShowCddbWarning(text);
  m_view.CancelForCddb();
  return false;
}

void CCddbClient::ReadNextBlock() {
  m_bytesRead = 0;
  if (InternetReadFile(m_request, m_readBuffer, 1024, &m_bytesRead)) {
    PostMessage(m_view.CddbWindow(), WM_CDDB_REPLY, 0, 1);
    return;
  }
  if (GetLastError() != static_cast<DWORD>(ERROR_IO_PENDING)) FinishRequest(true);
}

void CCddbClient::FinishRequest(bool failed) {
  if (m_request != nullptr) InternetCloseHandle(m_request);
  m_request = nullptr;
  ParseCddbReply(failed);
  if (m_queryWaiting && !IsRequestInFlight()) {
    m_queryWaiting = false;
    m_kind = kQuery;
    SendCddbRequest(m_requestPath);
  }
}

void CCddbClient::OnHttpReply(LPARAM result) {
  if (m_request == nullptr) return;  // a completion of a request already closed
  if (m_firstBlockPending) {
    m_reply.clear();
    m_firstBlockPending = false;
    if (!result) return FinishRequest(true);
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfo(m_request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status != 200) {
      return FinishRequest(true);
    }
    return ReadNextBlock();
  }
  if (!result) return FinishRequest(true);
  DWORD got = std::min<DWORD>(m_bytesRead, 1024);
  m_readBuffer[got] = '\0';
  if (got == 0) {
    // Only a read of nothing ends the reply: a short read is just what had arrived.
    m_replyComplete = true;
    return FinishRequest(false);
  }
  m_reply.append(m_readBuffer, got);
  if (m_reply.size() > kMaxReplyBytes) return FinishRequest(true);
  ReadNextBlock();
}

void CCddbClient::ApplyTitles(const CddbTitles& titles) {
  m_view.ClearTrackList();
  m_titles = titles.titles;
  m_extended = titles.extended;
  for (const CString& entry : titles.listEntries) m_view.AddTrackListEntry(entry);
}

void CCddbClient::ParseCddbReply(bool failed) {
  CString reply = CddbReplyText(m_reply);
  RequestKind kind = m_kind;
  m_kind = kNone;
  if (kind == kVersion) {
    m_view.SetCddbStatus(failed ? CString("Error retreiving version from FreeDB server.") : reply);
    return;
  }
  if (kind == kQuery) {
    m_album.Empty();
    m_artist.Empty();
    m_genre.Empty();
    m_view.SelectGenre(CString());
    CddbMatch match;
    if (failed || !ParseCddbQuery(reply, match)) {
      m_view.SetCddbStatus("Could not get CD information from FreeDB database");
      SetDefaultTitles();
      return;
    }
    m_genre = match.category;
    m_artist = match.artist;
    m_album = match.album;
    m_kind = kRead;
    if (!SendCddbRequest(CddbReadPath(match.category, match.discIdText, m_hello, m_version))) return;
    CString reading;
    reading.Format("Reading track information for %s...", match.title.GetString());
    m_view.SetCddbStatus(reading);
    m_view.SetAlbumArtist(m_album, m_artist);
    m_view.SelectGenre(m_genre);
    return;
  }
  if (kind == kRead) {
    m_view.ClearTrackList();
    CddbTitles titles;
    if (failed || !ParseCddbRead(reply, m_toc.audioTracks, titles)) {
      m_view.SetCddbStatus("Could not get CD information from FreeDB database");
      SetDefaultTitles();
      return;
    }
    ApplyTitles(titles);
    m_view.SetCddbStatus("FreeDB Query Complete.");
  }
}

void CCddbClient::SetDefaultTitles() {
  ApplyTitles(DefaultCddbTitles(m_toc.audioTracks));
  m_view.SetAlbumArtist(CString(), CString());
}

int CCddbClient::LookupEmbeddedAlbum() {
  // One look per disc: the album choice is asked for once, and what it gave is never overwritten.
  if (m_embeddedTried) return 0;
  m_embeddedTried = true;
  if (m_albumDb == nullptr || !m_albumDb->IsOpen()) return 0;
  if (m_albumDb->CountDiscID(m_toc.discId) < 1) return 0;
  BYTE albumNumber = 1;
  if (m_albumDb->CountDiscID(m_toc.discId) > 1 && m_albumDb->OpenAlbumInfo(m_toc.discId) > 0) {
    std::vector<CString> lines;
    BYTE number = 0;
    CString title, artist, genre;
    SHORT year = 0;
    COleDateTime date;
    while (m_albumDb->NextAlbumInfo(number, title, artist, genre, year, date) > 0) {
      CString line;
      line.Format("%03d - %s (%s)", number, title.GetString(), artist.GetString());
      lines.push_back(line);
    }
    m_albumDb->CloseAlbumInfo();
    int chosen = m_view.ChooseAlbum(lines);
    if (chosen >= 0 && chosen < static_cast<int>(lines.size())) {
      albumNumber = static_cast<BYTE>(std::atoi(lines[static_cast<size_t>(chosen)].Left(3)));
    }
  }
  CString album, artist, genre;
  SHORT year = 0;
  COleDateTime date;
  if (m_albumDb->GetAlbumInfo(m_toc.discId, albumNumber, album, artist, genre, year, date) <= 0) return 0;
  m_album = album;
  m_artist = artist;
  m_genre = genre;
  m_view.SetAlbumArtist(album, artist);
  m_view.SelectGenre(genre);
  if (m_albumDb->OpenTrackInfo(m_toc.discId, albumNumber) > 0) {
    // The album rows number the disc's tracks: each audio track takes its own row's title.
    std::map<int, CString> byTrack;
    BYTE track = 0;
    CString title;
    while (m_albumDb->NextTrackInfo(track, title) > 0) byTrack[track] = title;
    m_albumDb->CloseTrackInfo();
    CddbTitles titles;
    for (int audio : m_toc.audioTracks) {
      auto found = byTrack.find(audio);
      const CString name = found != byTrack.end() ? found->second : DefaultCddbTitle(audio);
      titles.titles.push_back(name);
      titles.extended.push_back(CString());
      titles.listEntries.push_back(name);
    }
    ApplyTitles(titles);
  }
  m_view.SetCddbStatus("Embedded FreeDB Query Complete.");
  return 1;
}

int CCddbClient::FindExistingSongs(tQHDb* songDb, tStorage* storage, std::vector<CString>& lines) const {
  if (m_toc.discId == 0 || songDb == nullptr) return 0;
  tSong song;
  song.Attach(songDb, storage);
  CString clause;
  clause.Format("Where A.SongCDDB = %ld Order By A.SongCdTrack, A.SongName ", static_cast<LONG>(m_toc.discId));
  if (songDb->OpenSongList(clause) <= 0) return 0;
  int count = 0;
  while (songDb->NextSong(&song) > 0) {
    CString line;
    line.Format("%02d: %s (%s)", static_cast<int>(song.SongCdTrack), song.SongName.GetString(),
                song.SongArtist.GetString());
    lines.push_back(line);
    ++count;
  }
  songDb->CloseSongList();
  return count;
}
