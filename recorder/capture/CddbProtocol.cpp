#include "recorder/capture/CddbProtocol.h"

#include <string>

#include "platform/core/Cp1252.h"

namespace {

constexpr int kMaxTracks = 99;

bool McStatus(MCIDEVICEID device, DWORD item, DWORD track, DWORD_PTR* value, CString& error) {
  MCI_STATUS_PARMS status;
  status.dwItem = item;
  status.dwTrack = track;
  DWORD flags = MCI_STATUS_ITEM | (track != 0 ? MCI_TRACK : 0);
  MCIERROR result = mciSendCommand(device, MCI_STATUS, flags, reinterpret_cast<DWORD_PTR>(&status));
  if (result != 0) {
    char text[129];
    if (mciGetErrorString(result, text, sizeof text)) error = text;
    else error.Format("%u", static_cast<unsigned>(result));
    return false;
  }
  *value = status.dwReturn;
  return true;
}

bool SetTimeFormat(MCIDEVICEID device, DWORD format, CString& error) {
  MCI_SET_PARMS set;
  set.dwTimeFormat = format;
  MCIERROR result = mciSendCommand(device, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set));
  if (result == 0) return true;
  char text[129];
  if (mciGetErrorString(result, text, sizeof text)) error = text;
  else error.Format("%u", static_cast<unsigned>(result));
  return false;
}

int DigitSum(int value) {
  int sum = 0;
  for (; value > 0; value /= 10) sum += value % 10;
  return sum;
}

// The line of `text` from `start` up to its first CR or LF.
CString LineAt(const CString& text, int start) {
  if (start < 0 || start > text.GetLength()) return CString();
  int end = start;
  while (end < text.GetLength() && text[end] != '\r' && text[end] != '\n') ++end;
  return text.Mid(start, end - start);
}

int NextLineStart(const CString& text, int start) {
  int lf = text.Find('\n', start);
  return lf < 0 ? -1 : lf + 1;
}

// The value of `key` ("TTITLE3"), matched whole at the start of a line; repeated lines are joined.
bool FindValue(const CString& reply, const CString& key, CString& value) {
  CString prefix = key + "=";
  bool found = false;
  value.Empty();
  for (int start = 0; start >= 0 && start < reply.GetLength(); start = NextLineStart(reply, start)) {
    if (reply.Mid(start, prefix.GetLength()) != prefix) continue;
    value += LineAt(reply, start + prefix.GetLength());
    found = true;
  }
  return found;
}

// Well-formed UTF-8 (Latin-1 text with accents almost never is).
bool IsUtf8(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
    if (extra == 9 || (extra > 0 && c < 0xC2) || i + extra >= bytes.size() + (extra == 0 ? 1 : 0)) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 2) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

DWORD CddbDiscIdOf(const CddbToc& toc) {
  int checksum = 0;
  for (int t = 0; t < toc.totalTracks; ++t) checksum += DigitSum(toc.entries[t].minutes * 60 + toc.entries[t].seconds);
  const CddbToc::Entry& leadOut = toc.entries[toc.totalTracks];
  const CddbToc::Entry& first = toc.entries[0];
  int length = (leadOut.minutes * 60 + leadOut.seconds) - (first.minutes * 60 + first.seconds);
  return (static_cast<DWORD>(checksum % 255) << 24) | (static_cast<DWORD>(length) << 8) |
         static_cast<DWORD>(toc.totalTracks);
}

bool ReadCddbToc(MCIDEVICEID device, CddbToc& toc, CString& mciError) {
  toc = CddbToc();
  bool ok = SetTimeFormat(device, MCI_FORMAT_MSF, mciError);
  DWORD_PTR value = 0;
  if (McStatus(device, MCI_STATUS_NUMBER_OF_TRACKS, 0, &value, mciError)) {
    toc.totalTracks = static_cast<int>(std::min<DWORD_PTR>(value, kMaxTracks));
  } else {
    ok = false;
  }
  int readTracks = 0;
  for (int t = 1; t <= toc.totalTracks; ++t) {
    if (McStatus(device, MCI_CDA_STATUS_TYPE_TRACK, static_cast<DWORD>(t), &value, mciError) &&
        value == MCI_CDA_TRACK_AUDIO) {
      toc.audioTracks.push_back(t);
    }
    if (!McStatus(device, MCI_STATUS_POSITION, static_cast<DWORD>(t), &value, mciError)) {
      ok = false;
      break;
    }
    CddbToc::Entry& entry = toc.entries[t - 1];
    entry.minutes = MCI_MSF_MINUTE(static_cast<DWORD>(value));
    entry.seconds = MCI_MSF_SECOND(static_cast<DWORD>(value));
    entry.frames = MCI_MSF_FRAME(static_cast<DWORD>(value));
    toc.offsets.AppendFormat("+%d", (entry.minutes * 60 + entry.seconds) * 75 + entry.frames);
    readTracks = t;
  }
  if (readTracks == toc.totalTracks && toc.totalTracks > 0 &&
      McStatus(device, MCI_STATUS_LENGTH, static_cast<DWORD>(toc.totalTracks), &value, mciError)) {
    const CddbToc::Entry& last = toc.entries[toc.totalTracks - 1];
    int minutes = MCI_MSF_MINUTE(static_cast<DWORD>(value));
    int seconds = MCI_MSF_SECOND(static_cast<DWORD>(value));
    int frames = MCI_MSF_FRAME(static_cast<DWORD>(value));
    // The CD driver reports the last track one frame short of the lead-out.
    int leadOut = ((last.minutes + minutes) * 60 + last.seconds + seconds) * 75 + last.frames + frames + 1;
    CddbToc::Entry& entry = toc.entries[toc.totalTracks];
    entry.minutes = leadOut / 75 / 60;
    entry.seconds = (leadOut / 75) % 60;
    entry.frames = leadOut % 75;
    toc.discId = CddbDiscIdOf(toc);
    toc.lengthSeconds = (entry.minutes * 60 + entry.seconds) - (toc.entries[0].minutes * 60 + toc.entries[0].seconds);
    toc.offsets.AppendFormat("+%d", toc.lengthSeconds);
  } else {
    ok = false;
  }
  if (!SetTimeFormat(device, MCI_FORMAT_TMSF, mciError)) ok = false;
  return ok;
}

bool ParseCddbServer(const CString& setting, CString& host, INTERNET_PORT& port) {
  CString text = setting;
  text.Trim();
  CString portText;
  if (text.Left(1) == "[") {
    const int close = text.Find(']');
    if (close < 2) return false;
    host = text.Mid(1, close - 1);
    const CString rest = text.Mid(close + 1);
    if (!rest.IsEmpty()) {
      if (rest[0] != ':') return false;
      portText = rest.Mid(1);
      if (portText.IsEmpty()) return false;
    }
  } else {
    const int colon = text.Find(':');
    host = colon < 0 ? text : text.Left(colon);
    if (colon >= 0) {
      portText = text.Mid(colon + 1);
      if (portText.IsEmpty() || portText.Find(':') >= 0) return false;
    }
  }
  if (host.IsEmpty()) return false;
  port = INTERNET_DEFAULT_HTTP_PORT;
  if (portText.IsEmpty()) return true;
  long value = 0;
  for (int i = 0; i < portText.GetLength(); ++i) {
    if (portText[i] < '0' || portText[i] > '9' || value > 65535) return false;
    value = value * 10 + (portText[i] - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = static_cast<INTERNET_PORT>(value);
  return true;
}

CString CddbUrlEscape(const CString& text) {
  static const char* hex = "0123456789ABCDEF";
  CString escaped;
  for (int i = 0; i < text.GetLength(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += hex[c >> 4];
      escaped += hex[c & 15];
    }
  }
  return escaped;
}

CString CddbHello(const CString& address) {
  int at = address.Find('@');
  if (at <= 0) return CddbUrlEscape(address);
  return CddbUrlEscape(address.Left(at)) + "+" + CddbUrlEscape(address.Mid(at + 1));
}

CString CddbVersionPath(const CString& hello, const CString& version) {
  CString path;
  path.Format("/~cddb/cddb.cgi?cmd=ver&hello=%s+Quaverhouse+%s&proto=4", hello.GetString(),
              CddbUrlEscape(version).GetString());
  return path;
}

CString CddbQueryPath(const CddbToc& toc, const CString& hello, const CString& version) {
  CString head;
  head.Format("/~cddb/cddb.cgi?cmd=cddb+query+%08x+%d", static_cast<unsigned>(toc.discId), toc.totalTracks);
  CString path;
  path.Format("%s%s&hello=%s+Quaverhouse+%s&proto=4", head.GetString(), toc.offsets.GetString(), hello.GetString(),
              CddbUrlEscape(version).GetString());
  return path;
}

CString CddbReadPath(const CString& category, const CString& discIdText, const CString& hello, const CString& version) {
  CString path;
  path.Format("/~cddb/cddb.cgi?cmd=cddb+read+%s+%s&hello=%s+Quaverhouse+%s&proto=4",
              CddbUrlEscape(category).GetString(), CddbUrlEscape(discIdText).GetString(), hello.GetString(),
              CddbUrlEscape(version).GetString());
  return path;
}

CString CddbReplyText(const std::string& bytes) {
  bool ascii = true;
  for (unsigned char c : bytes) ascii = ascii && c < 0x80;
  if (ascii || !IsUtf8(bytes)) return CString(bytes.c_str(), static_cast<int>(bytes.size()));
  // A character that code page 1252 lacks becomes '?'.
  std::string converted = Utf8ToCp1252(bytes);
  return CString(converted.c_str(), static_cast<int>(converted.size()));
}

int CddbStatus(const CString& reply) {
  if (reply.GetLength() < 3) return 0;
  for (int i = 0; i < 3; ++i) {
    if (reply[i] < '0' || reply[i] > '9') return 0;
  }
  return (reply[0] - '0') * 100 + (reply[1] - '0') * 10 + (reply[2] - '0');
}

bool ParseCddbQuery(const CString& reply, CddbMatch& match) {
  match = CddbMatch();
  int status = CddbStatus(reply);
  CString line;
  if (status == 200) {
    line = LineAt(reply, 4);
  } else if (status == 210 || status == 211) {
    int next = NextLineStart(reply, 0);
    if (next < 0) return false;
    line = LineAt(reply, next);
  } else {
    return false;
  }
  int space = line.Find(' ');
  if (space <= 0) return false;
  match.category = line.Left(space);
  CString rest = line.Mid(space + 1);
  int idEnd = rest.Find(' ');
  if (idEnd <= 0) return false;
  match.discIdText = rest.Left(idEnd);
  match.title = rest.Mid(idEnd + 1);
  int separator = match.title.Find(" / ");
  if (separator >= 0) {
    match.artist = match.title.Left(separator);
    match.album = match.title.Mid(separator + 3);
  } else {
    match.artist = match.title;
    match.album = match.title;
  }
  return true;
}

CString DefaultCddbTitle(int track) {
  CString title;
  title.Format("Track %d", track);
  return title;
}

CddbTitles DefaultCddbTitles(const std::vector<int>& audioTracks) {
  CddbTitles titles;
  for (int track : audioTracks) {
    CString entry;
    entry.Format("%02d - Unknown Song", track);
    titles.listEntries.push_back(entry);
    titles.titles.push_back(DefaultCddbTitle(track));
    titles.extended.push_back(CString());
  }
  return titles;
}

bool ParseCddbRead(const CString& reply, const std::vector<int>& audioTracks, CddbTitles& titles) {
  titles = CddbTitles();
  if (CddbStatus(reply) != 210) return false;
  for (int track : audioTracks) {
    CString key, value, entry, title;
    key.Format("TTITLE%d", track - 1);
    if (FindValue(reply, key, value)) {
      entry.Format("%02d - %s", track, value.GetString());
      title = value;
    } else {
      entry.Format("%02d - Unknown Song", track);
      title = DefaultCddbTitle(track);
    }
    key.Format("EXTT%d", track - 1);
    CString extended;
    FindValue(reply, key, extended);
    titles.listEntries.push_back(entry);
    titles.titles.push_back(title);
    titles.extended.push_back(extended);
  }
  return true;
}
