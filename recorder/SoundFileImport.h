// The recorder's two ways of bringing existing sound files into the library. Importing copies each
// chosen file into managed storage under the new song's file name; indexing walks a folder tree and adds
// every WAV and MP3 file where it lies, as an unmanaged song. Every per-file failure is shown in its
// own message box and counted, and the run goes on; a song never stays in the library without its file
// (a row whose copy failed is removed again, genres with it).
#pragma once

#include <sys/types.h>

#include <set>
#include <utility>
#include <vector>

#include "platform/core/CString.h"

class tQHDb;
class tSong;
class tStorage;
class CRecorderDlg;

struct tImportCounts {
  unsigned mp3 = 0;
  unsigned wav = 0;
  unsigned failed = 0;
};

// The values of the import-or-index dialog that every song of one run gets (each only when not empty).
struct tImportDefaults {
  CString artist, album, genre;
};

class CSoundFileImporter {
 public:
  CSoundFileImporter(tQHDb* db, tStorage* storage, tImportDefaults defaults = {});

  // Copies the files in order. False when the run ended early because no storage volume had room or a
  // volume's folder was unknown (the message was shown; no final report follows).
  bool ImportFiles(const std::vector<CString>& paths, bool deleteSource);
  // Indexes every MP3 and WAV file of the folder and, recursively, of its sub-folders. A folder reached
  // a second time (a link back up the tree) is not walked again.
  void IndexFolder(const CString& folder);

  const tImportCounts& Counts() const { return m_counts; }

 private:
  enum class Outcome { kDone, kFailed, kStop };
  Outcome ImportOne(tSong& song, const CString& path, bool deleteSource);
  // The volume for a file of `size` bytes; false (after the message) when there is none.
  bool ChooseVolume(ULONGLONG size, DWORD& serial);
  bool StoreCopy(tSong& song, const CString& path, bool isMp3);
  bool IndexFile(const CString& path, bool isMp3);
  void ApplyDefaults(tSong& song) const;
  void Walk(const CString& folder);

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  tImportDefaults m_defaults;
  tImportCounts m_counts;
  std::set<std::pair<dev_t, ino_t>> m_visited;
};

// The main dialog's Import button: the import-or-index dialog, then the file chooser and the import, or
// the folder browser and the indexing, each with its final report.
void RunImportSoundFiles(CRecorderDlg& main);
