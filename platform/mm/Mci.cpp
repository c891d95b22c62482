#include "platform/mm/Mci.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/cd/CdSource.h"
#include "platform/mm/CdAudioDevice.h"

namespace {

using qh::mm::CdAudioDevice;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

struct OpenDevice {
  MCIDEVICEID id;
  std::string alias;
  std::shared_ptr<CdAudioDevice> device;
};

// Open devices by lower-case alias; ids are never reused within a run.
class DeviceTable {
 public:
  static DeviceTable& Instance() {
    static DeviceTable table;
    return table;
  }
  MCIERROR Open(char letter, const std::string& alias) {
    std::lock_guard<std::mutex> guard(lock_);
    if (byAlias_.count(Lower(alias))) return MCIERR_DUPLICATE_ALIAS;
    MCIDEVICEID id = nextId_++;
    byAlias_[Lower(alias)] = OpenDevice{id, alias, std::make_shared<CdAudioDevice>(letter)};
    return 0;
  }
  MCIERROR Close(const std::string& alias) {
    std::shared_ptr<CdAudioDevice> closing;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto found = byAlias_.find(Lower(alias));
      if (found == byAlias_.end()) return MCIERR_INVALID_DEVICE_NAME;
      closing = found->second.device;
      byAlias_.erase(found);
    }
    closing->Stop();
    return 0;
  }
  std::shared_ptr<CdAudioDevice> ByAlias(const std::string& alias) {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = byAlias_.find(Lower(alias));
    return found == byAlias_.end() ? nullptr : found->second.device;
  }
  std::shared_ptr<CdAudioDevice> ById(MCIDEVICEID id) {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto& [alias, open] : byAlias_) {
      if (open.id == id) return open.device;
    }
    return nullptr;
  }
  MCIDEVICEID IdOf(const std::string& alias) {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = byAlias_.find(Lower(alias));
    return found == byAlias_.end() ? 0 : found->second.id;
  }

 private:
  std::mutex lock_;
  std::map<std::string, OpenDevice> byAlias_;
  MCIDEVICEID nextId_ = 1;
};

std::vector<std::string> Words(const std::string& command) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Takes "wait" and "notify" out: every command here completes before it returns.
void DropFlags(std::vector<std::string>& words) {
  std::vector<std::string> kept;
  for (const std::string& word : words) {
    std::string lower = Lower(word);
    if (lower != "wait" && lower != "notify") kept.push_back(word);
  }
  words.swap(kept);
}

MCIERROR Reply(const std::string& text, LPSTR out, UINT size) {
  if (out == nullptr || size == 0) return 0;
  if (text.size() + 1 > size) {
    std::memcpy(out, text.data(), size - 1);
    out[size - 1] = '\0';
    return MCIERR_PARAM_OVERFLOW;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  return 0;
}

MCIERROR OpenCommand(const std::vector<std::string>& words) {
  // open <drive>: type cdaudio alias <alias> [shareable]
  if (words.size() < 2) return MCIERR_MISSING_DEVICE_NAME;
  std::string element = words[1];
  std::string type;
  std::string alias;
  for (size_t i = 2; i < words.size(); ++i) {
    std::string keyword = Lower(words[i]);
    if ((keyword == "type" || keyword == "alias") && i + 1 < words.size()) {
      (keyword == "type" ? type : alias) = words[++i];
    } else if (keyword != "shareable") {
      return MCIERR_UNRECOGNIZED_KEYWORD;
    }
  }
  if (Lower(element) == "cdaudio") {
    std::string letters = qh::cd::CdDriveLetters();
    if (letters.empty()) return MCIERR_INVALID_DEVICE_NAME;
    element = std::string(1, letters[0]) + ":";
    type = "cdaudio";
  }
  if (Lower(type) != "cdaudio") return MCIERR_INVALID_DEVICE_NAME;
  if (element.size() != 2 || element[1] != ':') return MCIERR_INVALID_DEVICE_NAME;
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(element[0])));
  if (qh::cd::CdDriveLetters().find(letter) == std::string::npos) return MCIERR_INVALID_DEVICE_NAME;
  return DeviceTable::Instance().Open(letter, alias.empty() ? element : alias);
}

MCIERROR SetCommand(CdAudioDevice& device, const std::vector<std::string>& words) {
  std::string rest;
  for (size_t i = 2; i < words.size(); ++i) rest += (rest.empty() ? "" : " ") + Lower(words[i]);
  if (rest == "door open") return device.SetDoor(true);
  if (rest == "door closed") return device.SetDoor(false);
  if (rest == "time format tmsf") return device.SetTimeFormat(MCI_FORMAT_TMSF);
  if (rest == "time format msf") return device.SetTimeFormat(MCI_FORMAT_MSF);
  if (rest == "time format ms" || rest == "time format milliseconds") return device.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
  if (rest.empty()) return MCIERR_MISSING_PARAMETER;
  return MCIERR_UNRECOGNIZED_KEYWORD;
}

const char* ModeText(DWORD mode) {
  switch (mode) {
    case MCI_MODE_NOT_READY: return "not ready";
    case MCI_MODE_OPEN: return "open";
    case MCI_MODE_PLAY: return "playing";
    case MCI_MODE_PAUSE: return "paused";
    case MCI_MODE_SEEK: return "seeking";
    default: return "stopped";
  }
}

bool TrackNumber(const std::string& text, int* track) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *track = std::stoi(text);
  return true;
}

int32_t ReportedLength(const qh::cd::DiscToc& toc, int track) {
  int32_t frames = toc.TrackFrames(track);
  return track == toc.lastTrack ? frames - 1 : frames;
}

MCIERROR StatusCommand(CdAudioDevice& device, const std::vector<std::string>& words, std::string* reply) {
  std::vector<std::string> item;
  for (size_t i = 2; i < words.size(); ++i) item.push_back(Lower(words[i]));
  if (item.empty()) return MCIERR_MISSING_PARAMETER;
  if (item.size() == 1 && item[0] == "mode") {
    *reply = ModeText(device.Mode());
    return 0;
  }
  if (item.size() == 2 && item[0] == "media" && item[1] == "present") {
    *reply = device.Disc(nullptr) ? "true" : "false";
    return 0;
  }
  if (item.size() == 2 && item[0] == "time" && item[1] == "format") {
    DWORD format = device.TimeFormat();
    *reply = format == MCI_FORMAT_TMSF ? "tmsf" : format == MCI_FORMAT_MSF ? "msf" : "milliseconds";
    return 0;
  }
  MCIERROR error = 0;
  auto disc = device.Disc(&error);
  if (!disc) return error;
  const qh::cd::DiscToc& toc = disc->Toc();
  int track = 0;
  if (item.size() == 1 && item[0] == "position") {
    *reply = device.FormatPosition(device.PositionFrame());
  } else if (item.size() == 2 && item[0] == "current" && item[1] == "track") {
    *reply = std::to_string(device.CurrentTrack());
  } else if (item.size() == 3 && item[0] == "number" && item[1] == "of" && item[2] == "tracks") {
    *reply = std::to_string(toc.tracks.size());
  } else if (item.size() == 1 && item[0] == "length") {
    *reply = device.FormatLength(toc.leadOutFrame - toc.tracks.front().startFrame);
  } else if (item.size() == 3 && item[0] == "length" && item[1] == "track") {
    if (!TrackNumber(item[2], &track)) return MCIERR_BAD_INTEGER;
    if (toc.Track(track) == nullptr) return MCIERR_OUTOFRANGE;
    *reply = device.FormatLength(ReportedLength(toc, track));
  } else if (item.size() == 3 && item[0] == "position" && item[1] == "track") {
    if (!TrackNumber(item[2], &track)) return MCIERR_BAD_INTEGER;
    if (toc.Track(track) == nullptr) return MCIERR_OUTOFRANGE;
    *reply = device.FormatPosition(toc.Track(track)->startFrame);
  } else if (item.size() == 3 && item[0] == "type" && item[1] == "track") {
    if (!TrackNumber(item[2], &track)) return MCIERR_BAD_INTEGER;
    if (toc.Track(track) == nullptr) return MCIERR_OUTOFRANGE;
    *reply = toc.Track(track)->audio ? "audio" : "other";
  } else {
    return MCIERR_UNRECOGNIZED_KEYWORD;
  }
  return 0;
}

MCIERROR PositionArgument(CdAudioDevice& device, const std::string& text, int32_t* frame) {
  MCIERROR error = 0;
  auto disc = device.Disc(&error);
  if (!disc) return error;
  std::string lower = Lower(text);
  if (lower == "start") *frame = disc->Toc().tracks.front().startFrame;
  else if (lower == "end") *frame = disc->Toc().leadOutFrame;
  else if (!device.ParsePosition(text, frame)) return MCIERR_BAD_INTEGER;
  return 0;
}

MCIERROR PlayCommand(CdAudioDevice& device, const std::vector<std::string>& words) {
  int32_t from = -1;
  int32_t to = -1;
  for (size_t i = 2; i < words.size(); ++i) {
    std::string keyword = Lower(words[i]);
    if ((keyword != "from" && keyword != "to") || i + 1 >= words.size()) return MCIERR_UNRECOGNIZED_KEYWORD;
    if (MCIERROR error = PositionArgument(device, words[++i], keyword == "from" ? &from : &to)) return error;
  }
  return device.Play(from, to);
}

MCIERROR DeviceCommand(const std::string& verb, CdAudioDevice& device, const std::vector<std::string>& words,
                       std::string* reply) {
  if (verb == "set") return SetCommand(device, words);
  if (verb == "status") return StatusCommand(device, words, reply);
  if (verb == "play") return PlayCommand(device, words);
  if (verb == "resume") return device.Play(-1, -1);
  if (verb == "stop") return device.Stop();
  if (verb == "pause") return device.Pause();
  if (verb == "seek") {
    if (words.size() != 4 || Lower(words[2]) != "to") return MCIERR_MISSING_PARAMETER;
    int32_t frame = 0;
    if (MCIERROR error = PositionArgument(device, words[3], &frame)) return error;
    return device.Seek(frame);
  }
  if (verb == "info") {
    std::string what = words.size() == 3 ? Lower(words[2]) : std::string();
    if (what == "product") *reply = "CD Audio";
    else if (what == "identity") *reply = device.Identity();
    else if (what == "upc") *reply = device.Upc();
    else return MCIERR_MISSING_PARAMETER;
    if (what != "product" && !device.Disc(nullptr)) return MCIERR_DEVICE_NOT_READY;
    return 0;
  }
  return MCIERR_UNRECOGNIZED_COMMAND;
}

}  // namespace

MCIERROR mciSendString(LPCSTR command, LPSTR returnText, UINT returnSize, HWND) {
  if (returnText != nullptr && returnSize > 0) returnText[0] = '\0';
  if (command == nullptr) return MCIERR_MISSING_COMMAND_STRING;
  std::vector<std::string> words = Words(command);
  DropFlags(words);
  if (words.empty()) return MCIERR_MISSING_COMMAND_STRING;
  std::string verb = Lower(words[0]);
  if (verb == "open") return OpenCommand(words);
  if (words.size() < 2) return MCIERR_MISSING_DEVICE_NAME;
  if (verb == "close") return DeviceTable::Instance().Close(words[1]);
  auto device = DeviceTable::Instance().ByAlias(words[1]);
  if (!device) {
    return (verb == "set" || verb == "status" || verb == "play" || verb == "stop" || verb == "seek" ||
            verb == "info" || verb == "pause" || verb == "resume")
               ? MCIERR_INVALID_DEVICE_NAME
               : MCIERR_UNRECOGNIZED_COMMAND;
  }
  std::string reply;
  MCIERROR error = DeviceCommand(verb, *device, words, &reply);
  if (error != 0) return error;
  return Reply(reply, returnText, returnSize);
}

MCIERROR mciSendCommand(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR params) {
  if (message == MCI_SYSINFO) {
    auto* info = reinterpret_cast<MCI_SYSINFO_PARMS*>(params);
    if (info == nullptr || !(flags & MCI_SYSINFO_QUANTITY) || info->lpstrReturn == nullptr || info->dwRetSize < 4) {
      return MCIERR_MISSING_PARAMETER;
    }
    DWORD count = info->wDeviceType == MCI_DEVTYPE_CD_AUDIO ? static_cast<DWORD>(qh::cd::CdDriveLetters().size()) : 0;
    std::memcpy(info->lpstrReturn, &count, 4);
    return 0;
  }
  auto device = DeviceTable::Instance().ById(id);
  if (!device) return MCIERR_INVALID_DEVICE_ID;
  if (message == MCI_CLOSE) return 0;
  if (message == MCI_SET) {
    auto* set = reinterpret_cast<MCI_SET_PARMS*>(params);
    if (set == nullptr || !(flags & MCI_SET_TIME_FORMAT)) return MCIERR_MISSING_PARAMETER;
    return device->SetTimeFormat(set->dwTimeFormat);
  }
  if (message != MCI_STATUS) return MCIERR_UNSUPPORTED_FUNCTION;
  auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
  if (status == nullptr || !(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
  if (status->dwItem == MCI_STATUS_MODE) {
    status->dwReturn = device->Mode();
    return 0;
  }
  MCIERROR error = 0;
  auto disc = device->Disc(&error);
  if (!disc) return error;
  const qh::cd::DiscToc& toc = disc->Toc();
  const qh::cd::TocTrack* track = nullptr;
  if (flags & MCI_TRACK) {
    track = toc.Track(static_cast<int>(status->dwTrack));
    if (track == nullptr) return MCIERR_OUTOFRANGE;
  }
  switch (status->dwItem) {
    case MCI_STATUS_NUMBER_OF_TRACKS:
      status->dwReturn = toc.tracks.size();
      return 0;
    case MCI_STATUS_CURRENT_TRACK:
      status->dwReturn = static_cast<DWORD_PTR>(device->CurrentTrack());
      return 0;
    case MCI_STATUS_MEDIA_PRESENT:
      status->dwReturn = TRUE;
      return 0;
    case MCI_STATUS_POSITION:
      status->dwReturn = device->PackPosition(track != nullptr ? track->startFrame : device->PositionFrame());
      return 0;
    case MCI_STATUS_LENGTH:
      status->dwReturn = device->PackLength(track != nullptr ? ReportedLength(toc, track->number)
                                                             : toc.leadOutFrame - toc.tracks.front().startFrame);
      return 0;
    case MCI_CDA_STATUS_TYPE_TRACK:
      if (track == nullptr) return MCIERR_MISSING_PARAMETER;
      status->dwReturn = track->audio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER;
      return 0;
    default:
      return MCIERR_UNRECOGNIZED_KEYWORD;
  }
}

MCIDEVICEID mciGetDeviceID(LPCSTR alias) { return alias == nullptr ? 0 : DeviceTable::Instance().IdOf(alias); }

BOOL mciGetErrorString(MCIERROR error, LPSTR text, UINT size) {
  static const std::map<MCIERROR, const char*> texts = {
      {MCIERR_INVALID_DEVICE_ID, "Invalid device ID. Use the ID given to the device when the device was opened."},
      {MCIERR_UNRECOGNIZED_KEYWORD, "The driver cannot recognize the specified command parameter."},
      {MCIERR_UNRECOGNIZED_COMMAND, "The driver cannot recognize the specified command."},
      {MCIERR_HARDWARE, "There is a problem with your media device. Make sure it is working correctly."},
      {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized by MCI."},
      {MCIERR_MISSING_COMMAND_STRING, "No command was specified."},
      {MCIERR_PARAM_OVERFLOW, "The output string was too large to fit in the return buffer."},
      {MCIERR_BAD_INTEGER, "The specified integer is invalid for this command."},
      {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter. Please supply one."},
      {MCIERR_UNSUPPORTED_FUNCTION, "The MCI device you are using does not support the specified command."},
      {MCIERR_DEVICE_NOT_READY, "The device is not ready."},
      {MCIERR_OUTOFRANGE, "The specified parameter is out of range for the specified command."},
      {MCIERR_DUPLICATE_ALIAS, "The specified alias is already being used in this application."},
      {MCIERR_MISSING_DEVICE_NAME, "The specified command requires an alias, file, driver, or device name."},
  };
  if (text == nullptr || size == 0) return FALSE;
  auto found = texts.find(error);
  if (found == texts.end()) {
    text[0] = '\0';
    return FALSE;
  }
  std::snprintf(text, size, "%s", found->second);
  return TRUE;
}
