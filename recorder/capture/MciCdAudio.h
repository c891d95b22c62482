// The CD drives of the machine and the MCI "cdaudio" device of one of them, driven by command strings
// on the alias "cdplay" (or "waverec" with which = 1). No operation shows a message or throws: each
// returns 1 or 0, and a failure leaves "<MCI text> CMD: <command>" in the last error text.
#pragma once

#include "platform/core/CString.h"
#include "platform/mm/Mci.h"

class CMciCdAudio {
 public:
  CMciCdAudio() = default;

  int Open(char driveLetter);
  int Close(int which);
  int SetDoor(BOOL closed);
  int Play(int which);
  int Stop(int which);
  int Seek(const CString& position, int which);
  int SetTimeFormat(int which, const CString& format);
  int GetPosition(CString& position, int which);
  int GetStatus(const CString& item, CString& reply, int which);
  int GetIdentity(CString& identity);
  // The UPC (media catalogue number) of the disc, "info cdplay upc".
  int GetUpc(CString& upc);

  MCIDEVICEID GetDeviceID() const;
  void CountCdDevices();
  void FindCdDrives();
  void Refresh();
  int GetCdDriveCount() const { return m_cdDriveCount; }
  CString GetCdDriveLetters() const { return m_cdDriveLetters; }
  CString GetErrorText() const { return m_lastErrorText; }
  DWORD GetErrorCode() const { return m_lastErrorCode; }
  UINT GetCdDeviceCount() const { return m_cdDeviceCount; }

  void LogMciError(MCIERROR error, const CString& command);

 private:
  int Send(const CString& command, CString* reply = nullptr);
  static const char* Alias(int which);

  UINT m_cdDeviceCount = 0;
  int m_cdDriveCount = 0;
  CString m_cdDriveLetters;
  CString m_lastErrorText;
  DWORD m_lastErrorCode = 0;
};
