// What the players, the zone windows and the remote control ask of the jukebox application object.
// The application (CJukeboxApp) implements it; tests install a double of their own. Everything here is
// called on the user-interface thread unless a member says otherwise.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/DateTime.h"
#include "platform/core/WinTypes.h"

class CDialog;
class CWnd;
class tQHDb;
class tQHFRDb;
class tStorage;

class CJukeboxServices {
 public:
  virtual ~CJukeboxServices() = default;

  // Logs through the log writer when ErrorLog is on and shows a message box when ErrorMessageBox is on
  // (icon by severity: "S" stop, "E" exclamation, "W" question, others information); returns 1.
  virtual int LogEvent(const CString& severity, const CString& source, const CString& text) = 0;
  // Hands the entry to the log writer when one was created at start-up; never shows a box.
  virtual void WriteErrorLog(const CString& severity, const CString& source, const CString& text) = 0;

  // Owned by the application for the whole run; callers keep the pointers without owning them.
  virtual tQHDb* GetSongDatabase() = 0;
  virtual tStorage* GetStorageManager() = 0;
  virtual tQHFRDb* GetAlbumDatabase() = 0;  // none when the album file did not open

  virtual CString GetSongDbPath() const = 0;
  virtual CString GetRandomPicPath() const = 0;   // may be empty
  virtual CString GetStartDirectory() const = 0;  // holds the logo image
  virtual COleDateTime GetStartTime() const = 0;
  virtual CString GetVersionText() const = 0;     // "%d.%d.%d" of the file version
  virtual CString GetLegalText() const = 0;       // LegalCopyright of the version block
  virtual BOOL IsTVOutput() const = 0;            // profile value "TVOutput" of section "Jukebox"

  virtual int GetVolumeRampTime() const = 0;
  // Stores the value only when 100 <= milliseconds <= 30000; returns the previous value.
  virtual int SetVolumeRampTime(int milliseconds) = 0;

  // The configured device string of a zone, empty when the index is not a configured one.
  virtual CString GetZoneDevice(int index) const = 0;

  virtual bool LockSong(LONG songId) = 0;  // false when already locked
  virtual void UnlockSong(LONG songId) = 0;
  virtual bool IsSongLocked(LONG songId) const = 0;
  virtual bool IsSongPlaying(LONG songId) const = 0;  // some zone's current song

  // The chooser a zone window runs modally (nullptr when it ends); remote actions go to it meanwhile.
  virtual void SetModalDialog(CDialog* dialog) = 0;
  virtual void ShowZone(int zoneIndex) = 0;
  virtual CWnd* GetMasterWindow() = 0;  // receives 0x46C, 0x4C8, 0x465..0x467
};

// The running application's services; nullptr before start-up has installed them.
CJukeboxServices* JukeboxServices();
// Installs the services (the application at start-up, a test its double); returns the previous ones.
CJukeboxServices* SetJukeboxServices(CJukeboxServices* services);
