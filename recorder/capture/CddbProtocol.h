// The CDDB side of disc identification that needs no window: the table of contents read through the
// MCI device, the disc id and the request paths, and the reading of the server's replies.
//
// Replies are read soundly where the server may send anything: only statuses 200, 210 and 211 are
// matches; lines end at CR or LF; every offset is checked against the reply's length; a key is
// matched whole at the start of a line (TTITLE1 never takes TTITLE10's line); a value that the
// protocol continues on further lines with the same key is joined; UTF-8 replies become code page
// 1252 (Latin-1 ones already are). Texts that go into a request (category, disc id, hello, version)
// are URL-escaped.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/inet/WinInet.h"
#include "platform/mm/Mci.h"

// The CDDB server the jukebox and the recorder ask when the setting Recorder\CddbServer is not set; both
// programs keep that one setting.
inline constexpr const char kDefaultCddbServer[] = "gnudb.gnudb.org";

// The table of contents as the disc id and the query need it.
struct CddbToc {
  struct Entry {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
  };
  int totalTracks = 0;
  std::vector<int> audioTracks;  // the real track number of each audio track, in disc order
  Entry entries[100];            // track starts 1..n (index 0..n-1), the lead-out at index n
  DWORD discId = 0;
  CString offsets;               // "+%d" per track start in frames, then "+%d" of the length in seconds
  int lengthSeconds = 0;
};

// Reads the table of contents through MCI on an open CD device (time format MSF, then back to TMSF)
// and computes the disc id. false with the MCI error text when a command failed (what was read before
// stays).
bool ReadCddbToc(MCIDEVICEID device, CddbToc& toc, CString& mciError);
// The disc id of a table of contents whose entries are filled.
DWORD CddbDiscIdOf(const CddbToc& toc);

// The server setting "host", "host:port", "[v6 address]" or "[v6 address]:port" (port 80 when none is
// given): false when the setting is not one of them (no host, a port that is not 1 to 65535, an
// unbracketed address with several colons).
bool ParseCddbServer(const CString& setting, CString& host, INTERNET_PORT& port);

// "%" escapes of everything but letters, digits and "-._~".
CString CddbUrlEscape(const CString& text);
// The hello pair "user+host" from an e-mail address ("user@host"); both parts escaped.
CString CddbHello(const CString& address);
CString CddbVersionPath(const CString& hello, const CString& version);
CString CddbQueryPath(const CddbToc& toc, const CString& hello, const CString& version);
CString CddbReadPath(const CString& category, const CString& discIdText, const CString& hello, const CString& version);

// The reply as this program's text: UTF-8 made code page 1252, anything else kept as bytes.
CString CddbReplyText(const std::string& bytes);
// The number of the reply's first three characters (0 when they are not digits).
int CddbStatus(const CString& reply);

struct CddbMatch {
  CString category;
  CString discIdText;
  CString title;
  CString artist;
  CString album;
};
// The match of a query reply: false when there is none (a failed request, 202, any status other than
// 200, 210, 211, or a match line without its parts).
bool ParseCddbQuery(const CString& reply, CddbMatch& match);

// Names follow the audio: entry i is the disc's track audioTracks[i], named by that track's own
// TTITLE and EXTT (a data track before the audio keeps its own TTITLE); list entries and default names
// carry the disc's track number.
struct CddbTitles {
  std::vector<CString> titles;    // one per audio track
  std::vector<CString> extended;  // EXTT texts, "" when none
  std::vector<CString> listEntries;
};
// The track names of a read reply (status 210) for the disc's audio tracks; false when the reply is
// not one (the caller then uses the default names).
bool ParseCddbRead(const CString& reply, const std::vector<int>& audioTracks, CddbTitles& titles);
// "Track %d" names and "%02d - Unknown Song" entries.
CddbTitles DefaultCddbTitles(const std::vector<int>& audioTracks);
// The default name of one disc track.
CString DefaultCddbTitle(int track);
