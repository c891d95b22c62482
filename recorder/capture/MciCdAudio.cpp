#include "recorder/capture/MciCdAudio.h"

#include "platform/cd/CdSource.h"

const char* CMciCdAudio::Alias(int which) {
  if (which == 0) return "cdplay";
  if (which == 1) return "waverec";
  return nullptr;
}

void CMciCdAudio::LogMciError(MCIERROR error, const CString& command) {
  m_lastErrorCode = error;
  char text[129];
  if (mciGetErrorString(error, text, sizeof text)) m_lastErrorText.Format("%s CMD: %s", text, command.GetString());
  else m_lastErrorText.Format("%u CMD: %s", static_cast<unsigned>(error), command.GetString());
}

int CMciCdAudio::Send(const CString& command, CString* reply) {
  char buffer[81] = {};
  MCIERROR error = mciSendString(command, buffer, sizeof buffer, nullptr);
  if (error != 0) {
    LogMciError(error, command);
    return 0;
  }
  if (reply != nullptr) *reply = buffer;
  return 1;
}

int CMciCdAudio::Open(char driveLetter) {
  CString command;
  command.Format("open %c: type %s alias %s shareable", driveLetter, "cdaudio", "cdplay");
  return Send(command);
}

// A `which` other than 0 or 1 names no alias: the command is empty, and MCI refuses it.
int CMciCdAudio::Close(int which) {
  CString command;
  if (Alias(which)) command.Format("close %s", Alias(which));
  return Send(command);
}

int CMciCdAudio::SetDoor(BOOL closed) {
  CString command;
  command.Format(closed ? "set %s door closed" : "set %s door open", "cdplay");
  return Send(command);
}

int CMciCdAudio::Play(int which) {
  CString command;
  if (Alias(which)) command.Format("play %s", Alias(which));
  return Send(command);
}

int CMciCdAudio::Stop(int which) {
  CString command;
  if (Alias(which)) command.Format("stop %s", Alias(which));
  return Send(command);
}

int CMciCdAudio::Seek(const CString& position, int which) {
  CString command;
  if (Alias(which)) command.Format("seek %s to %s", Alias(which), position.GetString());
  return Send(command);
}

int CMciCdAudio::SetTimeFormat(int which, const CString& format) {
  CString command;
  if (Alias(which)) command.Format("set %s time format %s", Alias(which), format.GetString());
  return Send(command);
}

int CMciCdAudio::GetPosition(CString& position, int which) {
  CString command;
  if (Alias(which)) command.Format("status %s position", Alias(which));
  return Send(command, &position);
}

int CMciCdAudio::GetStatus(const CString& item, CString& reply, int which) {
  CString command;
  if (Alias(which)) command.Format("status %s %s", Alias(which), item.GetString());
  return Send(command, &reply);
}

int CMciCdAudio::GetIdentity(CString& identity) {
  CString command;
  command.Format("info %s identity", "cdplay");
  return Send(command, &identity);
}

int CMciCdAudio::GetUpc(CString& upc) {
  CString command;
  command.Format("info %s upc", "cdplay");
  return Send(command, &upc);
}

MCIDEVICEID CMciCdAudio::GetDeviceID() const { return mciGetDeviceID("cdplay"); }

void CMciCdAudio::CountCdDevices() {
  DWORD count = 0;
  MCI_SYSINFO_PARMS info;
  info.lpstrReturn = reinterpret_cast<LPSTR>(&count);
  info.dwRetSize = sizeof count;
  info.wDeviceType = MCI_DEVTYPE_CD_AUDIO;
  if (mciSendCommand(0, MCI_SYSINFO, MCI_SYSINFO_QUANTITY, reinterpret_cast<DWORD_PTR>(&info)) == 0) {
    m_cdDeviceCount = count;
  }
}

// The CD drives are the drive table's CD-ROM drives, plus the drive letter platform/cd gives a CD
// source when the table has none (an audio CD is never mounted).
void CMciCdAudio::FindCdDrives() {
  std::string letters = qh::cd::CdDriveLetters();
  m_cdDriveLetters = letters.c_str();
  m_cdDriveCount = static_cast<int>(letters.size());
}

void CMciCdAudio::Refresh() {
  CountCdDevices();
  FindCdDrives();
}
