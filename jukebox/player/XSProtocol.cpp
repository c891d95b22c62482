#include "jukebox/player/XSProtocol.h"

#include <cstring>
#include <limits>

#include "dblib/Song.h"
#include "platform/core/CrtNumbers.h"

namespace {

constexpr char kDevicePrefix[] = "__XS:";
constexpr int kDevicePrefixLength = 5;

}  // namespace

CString XSVolumeCommand(int level) { return "v=" + CString(std::to_string(level)) + "\r"; }

CString XSParseDeviceName(const CString& device, CString& boxAddress) {
  boxAddress.Empty();
  if (device.GetLength() <= kDevicePrefixLength || device.Left(kDevicePrefixLength) != kDevicePrefix) return device;
  boxAddress = device.Mid(kDevicePrefixLength);
  return "Exstreamer @ " + boxAddress;
}

int XSLevelFromVolume(int volumePercent) { return volumePercent < 1 ? 0 : volumePercent / 5; }

int XSVolumeFromLevel(const CString& reportedLevel) {
  LONG level = qh_atol(reportedLevel);
  if (level < 0) level = 0;
  if (level > 20) level = 20;
  return static_cast<int>(level) * 5;
}

DWORD XSReportedCount(const CString& reported) { return qh_strtoul(reported, nullptr, 10); }

DWORD XSBytesPlayedFromReport(const CString& reported) { return XSBytesPlayedFromCount(XSReportedCount(reported)); }

DWORD XSBytesPlayedFromCount(DWORD bytes) {
  if (bytes == 0) return 0;
  const DWORD limit = std::numeric_limits<DWORD>::max();
  return bytes > limit - kXSStartupBufferBytes ? limit : bytes + kXSStartupBufferBytes;
}

LONGLONG XSPositionMs(DWORD bytesPlayed, LONG bitRate) {
  if (bitRate <= 0) return 0;
  return static_cast<LONGLONG>(static_cast<double>(bytesPlayed) / (bitRate * 0.125) * 1000.0);
}

int XSPositionPercent(DWORD bytesPlayed, DWORD dataSize) {
  if (dataSize == 0) return 0;
  return static_cast<int>(static_cast<double>(bytesPlayed) / dataSize * 100.0);
}

CString FormatDuration(LONGLONG milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  CString text;
  text.Format("%02lld:%02lld", milliseconds / 60000, (milliseconds % 60000) / 1000);
  return text;
}

bool XSSongFormat(const tSong& song, CString& fileType, LONG& bitRate) {
  switch (song.SongCompression) {
    case 'R':
      bitRate = song.BitRate;
      fileType = "MP3 " + CString(std::to_string(bitRate / 1000)) + "kbs";
      return true;
    case '3':
      bitRate = song.BitRate;
      fileType = "UNMANAGED MP3 " + CString(std::to_string(bitRate / 1000)) + "kbs";
      return true;
    case 'M':
      bitRate = static_cast<LONG>(song.WaveFormat.nAvgBytesPerSec * 8);
      fileType = "RIFF-MP3 " + CString(std::to_string(bitRate / 1000)) + "kbs";
      return true;
    case ' ':
      bitRate = static_cast<LONG>(song.WaveFormat.nSamplesPerSec);
      fileType = "PCM " + CString(std::to_string(song.WaveFormat.nSamplesPerSec)) + " Hz";
      return false;
    case 'V':
      bitRate = static_cast<LONG>(song.WaveFormat.nSamplesPerSec);
      fileType = "UNMANAGED PCM " + CString(std::to_string(song.WaveFormat.nSamplesPerSec)) + " Hz";
      return false;
    case 'A':
      fileType = "ADPCM";
      return false;
    default:
      return true;
  }
}

CString XSMessageText(UINT id) {
  CString text;
  if (!text.LoadString(id)) text.Format("Message %u", id);
  return text;
}

std::vector<CXSReplyReader::Pair> CXSReplyReader::Feed(const char* data, int count) {
  std::vector<Pair> pairs;
  if (data != nullptr && count > 0) {
    size_t length = strnlen(data, static_cast<size_t>(count));
    m_carry.append(data, length);
  }
  const std::string& text = m_carry;
  size_t position = 0;
  size_t keepFrom = std::string::npos;  // where an unfinished pair starts
  for (;;) {
    size_t open = text.find('<', position);
    if (open == std::string::npos) break;
    size_t openEnd = text.find('>', open + 1);
    if (openEnd == std::string::npos) {
      keepFrom = open;
      break;
    }
    std::string name = text.substr(open + 1, openEnd - open - 1);
    bool finished = false;
    for (;;) {
      size_t close = text.find('<', openEnd + 1);
      size_t closeEnd = close == std::string::npos ? std::string::npos : text.find('>', close + 1);
      if (closeEnd == std::string::npos) {
        keepFrom = open;
        finished = true;
        break;
      }
      std::string value = text.substr(openEnd + 1, close - openEnd - 1);
      std::string closing = text.substr(close + 1, closeEnd - close - 1);
      if (closing.empty() || closing[0] != '/') {
        // Not a closing tag: it opens the next pair.
        open = close;
        openEnd = closeEnd;
        name = closing;
        continue;
      }
      if (closing.compare(1, std::string::npos, name) == 0) pairs.emplace_back(CString(name), CString(value));
      position = closeEnd + 1;
      break;
    }
    if (finished) break;
  }
  if (keepFrom == std::string::npos || text.size() - keepFrom > kMaxCarry)
    m_carry.clear();
  else
    m_carry.erase(0, keepFrom);
  return pairs;
}
