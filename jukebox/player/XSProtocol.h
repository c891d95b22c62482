// What the network audio box understands: its two ports, the control commands, the reply tags and
// their values, and the song formats it can play. Pure functions and one stateful reply reader; the
// box engine (XSBoxEngine.h) drives the connections.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class tSong;

inline constexpr WORD kXSControlPort = 12302;
inline constexpr WORD kXSAudioPort = 2020;
// Audio blocks are at most this many bytes (not 32768).
inline constexpr DWORD kXSBlockSize = 32767;
// The box reports "BYTE" without the bytes of its start-up buffer; a report other than 0 gets them added.
inline constexpr DWORD kXSStartupBufferBytes = 60000;
// Control commands wait for the control connection in a queue of at most this many.
inline constexpr int kXSMaxPendingCommands = 10;

// Control commands: ASCII texts ending in a carriage return.
inline constexpr char kXSCommandHello[] = "c=46&L=volume.ack&L=getconfig.ack\r";
inline constexpr char kXSCommandPlay[] = "c=1\r";
inline constexpr char kXSCommandStop[] = "c=2\r";
inline constexpr char kXSCommandPause[] = "c=39\r";
inline constexpr char kXSCommandStartStream[] = "c=66\r";
inline constexpr char kXSCommandNextStream[] = "c=46&c=66\r";
// "v=<level>\r", level 0 to 20.
CString XSVolumeCommand(int level);

// The device string of a box zone is "__XS:" and the box's host. Sets `boxAddress` to the host (empty
// when the text is no box device) and returns the device name the zone shows: "Exstreamer @ " + host.
// Any host after the prefix counts, however short ("__XS:1.2.3.4" too).
CString XSParseDeviceName(const CString& device, CString& boxAddress);

// Volume percent -> box level (percent / 5, 0 below 1) and a reported level -> percent (clamped 0..20).
int XSLevelFromVolume(int volumePercent);
int XSVolumeFromLevel(const CString& reportedLevel);
// A "BYTE" report -> bytes played of the current song (0 stays 0, else the start-up buffer is added;
// a report near the 32-bit limit stops at it instead of wrapping to a small count).
DWORD XSBytesPlayedFromReport(const CString& reported);
// The same from the box's own count, and that count as the report gives it.
DWORD XSBytesPlayedFromCount(DWORD count);
DWORD XSReportedCount(const CString& reported);

// Position from bytes played: 0 while the bit rate or the data size is not known yet.
LONGLONG XSPositionMs(DWORD bytesPlayed, LONG bitRate);
int XSPositionPercent(DWORD bytesPlayed, DWORD dataSize);
// "mm:ss", each at least two digits ("12:34" for 754900 ms).
CString FormatDuration(LONGLONG milliseconds);

// How the box takes a song of this compression code: the file-type text and the bit rate to use.
// False for the codes it cannot play (PCM " " and "V", ADPCM "A"); the texts are set in any case as
// far as the code gives them. Unknown codes are sent unchanged and leave both outputs alone.
bool XSSongFormat(const tSong& song, CString& fileType, LONG& bitRate);

// A text of the players' string table (resources/jukebox/player-strings.txt), or "Message <id>" when
// the program was built without it.
CString XSMessageText(UINT id);

// Reads the box's replies: pairs of an opening tag, a value and the matching closing tag. A pair split
// across two reads is put together again; an unfinished tail is kept for the next read only up to
// kMaxCarry bytes, so a box that never closes a tag cannot make it grow.
class CXSReplyReader {
 public:
  static constexpr size_t kMaxCarry = 4096;
  using Pair = std::pair<CString, CString>;

  // The complete pairs in this read, in order. Bytes after a 0 byte in a read are ignored.
  std::vector<Pair> Feed(const char* data, int count);
  void Reset() { m_carry.clear(); }
  size_t CarriedBytes() const { return m_carry.size(); }

 private:
  std::string m_carry;
};
