// Numbers the jukebox's application and main window share: private messages, string-table ids and
// command ids.
#pragma once

#include "platform/ui/AfxWin.h"

namespace jukebox {

// Private messages of the main window.
inline constexpr UINT kMsgQuitRequest = 0x464;
inline constexpr UINT kMsgImport = 0x465;
inline constexpr UINT kMsgRipCd = 0x466;
inline constexpr UINT kMsgOptions = 0x467;
inline constexpr UINT kMsgServerNotice = 0x468;
inline constexpr UINT kMsgConnectionNotice = 0x469;
inline constexpr UINT kMsgOutboundNotice = 0x46A;
inline constexpr UINT kMsgCommandQueued = 0x46B;
inline constexpr UINT kMsgActionFinished = 0x46C;
inline constexpr UINT kMsgPlayerShutDown = 0x4C8;
// To every zone window before the compress-on-exit dialog.
inline constexpr UINT kMsgBeforeCompress = 0x46F;
// A stop signal (SIGTERM, SIGINT) came; wParam is its number.
inline constexpr UINT kMsgStopRequest = 0x470;

// Main window command ids.
inline constexpr UINT kCmdFirstZone = 100;
inline constexpr UINT kCmdQuit = 109;
inline constexpr UINT kCmdImport = 110;
inline constexpr UINT kCmdRipCd = 111;
inline constexpr UINT kCmdOptions = 112;
inline constexpr UINT kCmdMaximise = 201;
inline constexpr UINT kCmdMinimise = 202;
inline constexpr UINT kCmdAudioMatrix = 203;
inline constexpr UINT kResizeGripId = 200;

// Zone window command ids.
inline constexpr UINT kZoneArtist = 100;
inline constexpr UINT kZoneStop = 101;
inline constexpr UINT kZonePlayPause = 102;
inline constexpr UINT kZoneGenre = 103;
inline constexpr UINT kZonePlaylist = 104;
inline constexpr UINT kZoneSearch = 105;
inline constexpr UINT kZoneRewind = 107;
inline constexpr UINT kZonePause = 109;
inline constexpr UINT kZoneShuffle = 111;
inline constexpr UINT kZoneRepeat = 112;
inline constexpr UINT kZoneListMove = 115;
inline constexpr UINT kZoneVolumeUp = 121;
inline constexpr UINT kZoneVolumeDown = 122;
inline constexpr UINT kZonePlaySelected = 123;
inline constexpr UINT kZoneNext = 124;
inline constexpr UINT kZoneAlbum = 125;
inline constexpr UINT kZoneMute = 126;

// Main window timers.
inline constexpr UINT_PTR kTimerMergeCheck = 1;
inline constexpr UINT_PTR kTimerFirstZone = 2;
inline constexpr UINT_PTR kTimerStartupActions = 3;
inline constexpr UINT_PTR kTimerShutdownFallback = 4;

// Dialogs and the import chooser.
inline constexpr UINT kDlgImportChoice = 234;
inline constexpr UINT kDlgOpenExtension = 166;
inline constexpr UINT kIdImportButton = 1098;
inline constexpr UINT kIdIndexButton = 1099;
inline constexpr UINT kIdDeleteSource = 1046;

// The line that frames the start-up and shut-down entries of the log (57 asterisks).
inline constexpr const char* kLogFrameLine = "*********************************************************";

// The application icon.
inline constexpr UINT kAppIcon = 130;

// String-table ids.
enum StringId : UINT {
  IDS_APP_TITLE = 57344,
  IDS_WINDOW_TITLE = 61204,
  IDS_NO_TIMER = 61206,
  IDS_NO_DB_FOLDER = 61214,
  IDS_OUT_OF_MEMORY = 61217,
  IDS_UNEXPECTED = 61218,
  IDS_QUIT_QUESTION = 61227,
  IDS_RESTART_NOTE = 61228,
  IDS_FATAL = 61230,
  IDS_IMPORT_TITLE = 61237,
  IDS_NO_WINSOCK = 61292,
  IDS_STORAGE_INIT = 61305,
  IDS_DB_INIT = 61309,
  IDS_OLD_BROWSER = 61311,
  IDS_OLD_ENGINE = 61313,
  IDS_OTHER_PROGRAM = 61324,
  IDS_MUTEX_NAME = 61325,
  IDS_IMPORT_DONE = 61327,
  IDS_STARTING = 61332,
  IDS_DB_EXCEPTION = 61344,
  IDS_NO_VERSION = 61345,
  IDS_DB_NOT_FOUND = 61346,
  IDS_DB_IN_USE = 61347,
  IDS_DB_CORRUPT = 61348,
  IDS_DUPLICATE_SERIALS = 61349,
  IDS_SONG_INIT = 61359,
  IDS_OPTIONS_CAPTION = 61379,
  IDS_MUSIC_FOLDER = 61393,
  IDS_INDEX_DONE = 61396,
  IDS_SCAN_ERROR = 61397,
  IDS_WAV_NOT_PCM = 61398,
  IDS_DB_UPDATE = 61399,
  IDS_WAV_COPY = 61401,
  IDS_NO_SPACE = 61402,
  IDS_NO_VOLUME_FOLDER = 61403,
  IDS_NO_FILE_STATUS = 61404,
  IDS_SCREEN_TOO_SMALL = 61407,
  IDS_UPLOAD_SCAN = 61417,
  IDS_UPLOAD_XML = 61418,
  IDS_COPY_FAILED = 61420,
  IDS_UPLOAD_ADDED = 61421,
  IDS_UPLOAD_CHECK = 61422,
  IDS_UPLOAD_DONE = 61423,
  IDS_UPLOAD_DUPLICATE = 61424,
};

// A string of the program's table formatted with printf arguments.
CString LoadText(UINT id);
template <typename... Args>
CString FormatText(UINT id, Args... args) {
  CString text;
  text.Format(LoadText(id).GetString(), args...);
  return text;
}

}  // namespace jukebox
