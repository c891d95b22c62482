// The Media Control Interface subset for CD audio: command strings ("open E: type cdaudio alias cdplay
// shareable", "status cdplay mode", ...), the command messages MCI_SYSINFO, MCI_SET and MCI_STATUS on a
// device id, and error texts. The "cdaudio" device reads the CD of a drive letter through platform/cd
// (an image or a drive, see platform/cd/CdSource.h) and plays it digitally to the sound device.
//
// Positions carry the disc's 150-frame lead-in as the platform's CD driver gives them (track 1 of an
// audio CD starts at 00:02:00), and the length of the last track is reported one frame short of the
// lead-out, as that driver does; the CDDB disc id code adds the frame back.
#pragma once

#include "platform/mm/MmSystem.h"

using MCIERROR = DWORD;
using MCIDEVICEID = UINT;

#define MCIERR_BASE 256u
#define MCIERR_INVALID_DEVICE_ID (MCIERR_BASE + 1)
#define MCIERR_UNRECOGNIZED_KEYWORD (MCIERR_BASE + 3)
#define MCIERR_UNRECOGNIZED_COMMAND (MCIERR_BASE + 5)
#define MCIERR_HARDWARE (MCIERR_BASE + 6)
#define MCIERR_INVALID_DEVICE_NAME (MCIERR_BASE + 7)
#define MCIERR_MISSING_COMMAND_STRING (MCIERR_BASE + 11)
#define MCIERR_BAD_INTEGER (MCIERR_BASE + 14)
#define MCIERR_MISSING_PARAMETER (MCIERR_BASE + 17)
#define MCIERR_UNSUPPORTED_FUNCTION (MCIERR_BASE + 18)
#define MCIERR_DEVICE_NOT_READY (MCIERR_BASE + 20)
#define MCIERR_OUTOFRANGE (MCIERR_BASE + 26)
#define MCIERR_DUPLICATE_ALIAS (MCIERR_BASE + 33)
#define MCIERR_MISSING_DEVICE_NAME (MCIERR_BASE + 36)
#define MCIERR_PARAM_OVERFLOW (MCIERR_BASE + 12)

#define MCI_OPEN 0x0803u
#define MCI_CLOSE 0x0804u
#define MCI_SET 0x080Du
#define MCI_SYSINFO 0x0810u
#define MCI_STATUS 0x0814u

#define MCI_WAIT 0x00000002u
#define MCI_TRACK 0x00000010u
#define MCI_STATUS_ITEM 0x00000100u
#define MCI_SET_TIME_FORMAT 0x00000400u
#define MCI_SYSINFO_QUANTITY 0x00000100u

#define MCI_STATUS_LENGTH 0x00000001u
#define MCI_STATUS_POSITION 0x00000002u
#define MCI_STATUS_NUMBER_OF_TRACKS 0x00000003u
#define MCI_STATUS_MODE 0x00000004u
#define MCI_STATUS_MEDIA_PRESENT 0x00000005u
#define MCI_STATUS_TIME_FORMAT 0x00000006u
#define MCI_STATUS_READY 0x00000007u
#define MCI_STATUS_CURRENT_TRACK 0x00000008u
#define MCI_CDA_STATUS_TYPE_TRACK 0x00004001u
#define MCI_CDA_TRACK_AUDIO 1088u
#define MCI_CDA_TRACK_OTHER 1089u

#define MCI_FORMAT_MILLISECONDS 0u
#define MCI_FORMAT_MSF 2u
#define MCI_FORMAT_TMSF 10u

#define MCI_DEVTYPE_CD_AUDIO 516u

#define MCI_MODE_NOT_READY 524u
#define MCI_MODE_STOP 525u
#define MCI_MODE_PLAY 526u
#define MCI_MODE_SEEK 528u
#define MCI_MODE_PAUSE 529u
#define MCI_MODE_OPEN 530u

constexpr DWORD MCI_MAKE_MSF(int minutes, int seconds, int frames) {
  return static_cast<DWORD>(minutes & 0xFF) | (static_cast<DWORD>(seconds & 0xFF) << 8) |
         (static_cast<DWORD>(frames & 0xFF) << 16);
}
constexpr BYTE MCI_MSF_MINUTE(DWORD msf) { return static_cast<BYTE>(msf & 0xFF); }
constexpr BYTE MCI_MSF_SECOND(DWORD msf) { return static_cast<BYTE>((msf >> 8) & 0xFF); }
constexpr BYTE MCI_MSF_FRAME(DWORD msf) { return static_cast<BYTE>((msf >> 16) & 0xFF); }

struct MCI_SYSINFO_PARMS {
  DWORD_PTR dwCallback = 0;
  LPSTR lpstrReturn = nullptr;
  DWORD dwRetSize = 0;
  DWORD dwNumber = 0;
  UINT wDeviceType = 0;
};

struct MCI_SET_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwTimeFormat = 0;
  DWORD dwAudio = 0;
};

struct MCI_STATUS_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD_PTR dwReturn = 0;
  DWORD dwItem = 0;
  DWORD dwTrack = 0;
};

// Runs a command string; the reply (if any) goes to `returnText` (cut to its size, zero-terminated).
// `callback` is not used: the commands the system sends carry no "notify".
MCIERROR mciSendString(LPCSTR command, LPSTR returnText, UINT returnSize, HWND callback);
MCIERROR mciSendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params);
BOOL mciGetErrorString(MCIERROR error, LPSTR text, UINT size);
// The id of an open device by alias, 0 when none is open under it.
MCIDEVICEID mciGetDeviceID(LPCSTR alias);
