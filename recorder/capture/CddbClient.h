// Disc identification for the rip dialogs: the embedded album database first, then a CDDB server over
// HTTP (WinInet, asynchronous), then default names. Everything runs on the dialog's thread: WinInet's
// status callback only posts WM_CDDB_CONNECTED (0x467) and WM_CDDB_REPLY (0x468) to the dialog, whose
// handlers call OnLookupCd and OnHttpReply. The dialog supplies its controls through ICddbView.
//
// One request at a time: a request asked for while another is in flight is refused (IsRequestInFlight
// lets the dialog disable its version button). The reply ends with a read of 0 bytes, is at most
// kMaxReplyBytes long, and only a 200 status is read.
#pragma once

#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/inet/WinInet.h"
#include "platform/mm/Mci.h"
#include "recorder/capture/CddbProtocol.h"

class tQHDb;
class tQHFRDb;
class tStorage;

#define WM_CDDB_CONNECTED 0x467
#define WM_CDDB_REPLY 0x468

class ICddbView {
 public:
  virtual ~ICddbView() = default;
  virtual HWND CddbWindow() = 0;
  virtual void SetCddbStatus(const CString& text) = 0;
  virtual void ShowCddbWarning(const CString& text) = 0;
  virtual void ClearTrackList() = 0;
  virtual void AddTrackListEntry(const CString& entry) = 0;
  virtual void SetAlbumArtist(const CString& album, const CString& artist) = 0;
  // Selects the genre entry equal to `genre`, the first entry when none is.
  virtual void SelectGenre(const CString& genre) = 0;
  // The album choice dialog: the chosen line's index, or -1 when cancelled.
  virtual int ChooseAlbum(const std::vector<CString>& lines) = 0;
  // A request could not be sent: the dialog stops playback and ends with IDCANCEL.
  virtual void CancelForCddb() = 0;
};

class CCddbClient {
 public:
  enum RequestKind { kNone = 0, kVersion = 1, kQuery = 2, kRead = 3 };
  static constexpr size_t kMaxReplyBytes = 1024 * 1024;

  CCddbClient(ICddbView& view, bool useCddb, const CString& server, const CString& helloAddress,
              const CString& version, tQHFRDb* albumDb);
  ~CCddbClient();
  CCddbClient(const CCddbClient&) = delete;
  CCddbClient& operator=(const CCddbClient&) = delete;

  // The Internet set-up of the dialog's start; CDDB goes off (with a warning) on any failure.
  void Setup();
  // Reads the table of contents, computes the disc id, fills default names when CDDB is off; the
  // audio track count. MCI failures go to `mciError` (the dialog's status line).
  int QueryCddb(MCIDEVICEID device, CString& mciError);
  void OnLookupCd(LPARAM connection);
  void OnHttpReply(LPARAM result);
  void OnCddbHello();
  bool SendCddbRequest(const CString& path);
  int LookupEmbeddedAlbum();
  void SetDefaultTitles();
  // Lines "%02d: %s (%s)" of the songs already stored with this disc id.
  int FindExistingSongs(tQHDb* songDb, tStorage* storage, std::vector<CString>& lines) const;
  void SetActive(bool active) { m_active = active; }
  // Closes the Internet session (ending any request); the dialog calls it on WM_DESTROY. The view is
  // not used afterwards.
  void Shutdown();

  bool IsActive() const { return m_active; }
  bool IsRequestInFlight() const { return m_request != nullptr; }
  DWORD DiscId() const { return m_toc.discId; }
  const CddbToc& Toc() const { return m_toc; }
  const CString& QueryPath() const { return m_requestPath; }
  // The real track number of each list entry: a data track before the audio shifts them.
  const std::vector<int>& AudioTrackNumbers() const { return m_toc.audioTracks; }
  const std::vector<CString>& Titles() const { return m_titles; }
  const std::vector<CString>& ExtendedData() const { return m_extended; }
  const CString& Album() const { return m_album; }
  const CString& Artist() const { return m_artist; }
  const CString& Genre() const { return m_genre; }

 private:
  void ParseCddbReply(bool failed);
  void ReadNextBlock();
  void FinishRequest(bool failed);
  void ApplyTitles(const CddbTitles& titles);
  void Disable(const CString& warning);

  ICddbView& m_view;
  bool m_active;
  CString m_server;
  CString m_hello;
  CString m_version;
  tQHFRDb* m_albumDb;
  HWND m_window = nullptr;  // the dialog the status callback posts to, kept for Shutdown
  HINTERNET m_session = nullptr;
  HINTERNET m_connection = nullptr;
  HINTERNET m_request = nullptr;
  CString m_requestPath;
  std::string m_reply;
  char m_readBuffer[1025] = {};
  DWORD m_bytesRead = 0;
  bool m_firstBlockPending = false;
  bool m_replyComplete = false;
  RequestKind m_kind = kNone;
  CddbToc m_toc;
  std::vector<CString> m_titles;
  std::vector<CString> m_extended;
  CString m_album, m_artist, m_genre;
  bool m_embeddedTried = false;
  bool m_queryWaiting = false;
  bool m_querySent = false;
};
