// The main dialog's "Record New Song...": a storage volume with room, a temporary WAV file recorded by
// the Record New Song dialog, the song's information, and the file moved into managed storage as the
// new song's media file.
#pragma once

#include "platform/core/CString.h"

class CRecorderDlg;
class tSong;

void RecordNewSong(CRecorderDlg& main);

// Adds the song and moves the finished file to its media file name. The library gets the song whole or
// not at all: when the add or the move fails, the row is taken out again, the file is deleted and the
// user is told. The media file's path on success, empty on failure.
CString FileNewSong(tSong& song, const CString& finishedFile);
