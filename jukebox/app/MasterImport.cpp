// Importing sound files into the managed song store, and indexing the sound files of a folder tree where
// they are. Every per-file failure is logged and counted; a song row never stays without its file.
#include <sys/stat.h>

#include <set>
#include <utility>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "dblib/TextUtil.h"
#include "jukebox/app/ImportDialogs.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "platform/core/File.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/ui/MessageBox.h"

using namespace jukebox;

namespace {
constexpr DWORD kChooserBufferChars = 0x5000;

// What the MP3 scanner's codes mean to the person importing.
CString Mp3ScanMessage(int code, const CString& path) {
  CString text;
  switch (code) {
    case -1: text.Format("Could not open file [%s]. Check to make sure the file is readable.", path.GetString()); break;
    case -3:
    case -4:
      text.Format("Could not find correct header information in file [%s]. The file may be corrupted.", path.GetString());
      break;
    case -5:
      text.Format("File [%s] has a bitrate which is too low. Please select a file with a higher bitrate.", path.GetString());
      break;
    case -6: text.Format("[%s] is not a valid filename. The file or folder may be corrupted.", path.GetString()); break;
    case -7: text.Format("Could not find volume information for file [%s].", path.GetString()); break;
    default: text = FormatText(IDS_SCAN_ERROR, code, path.GetString()); break;
  }
  return text;
}

}  // namespace

void CMasterWindow::LogCommandFailure(const CString& text, const CString& severity) {
  m_strMessage = text;
  if (CJukeboxApp* app = JukeboxApp()) app->LogEvent(severity, "MasterWindow", m_strMessage);
}

LRESULT CMasterWindow::OnImport(WPARAM, LPARAM) {
  CImportChoiceDlg choice(this);
  const INT_PTR result = choice.DoModal();
  if (result == kIdImportButton)
    ImportFiles();
  else if (result == kIdIndexButton)
    IndexFolder();
  return 0;
}

bool CMasterWindow::ChooseVolume(const CString& path, ULONGLONG fileSize, DWORD& serial, CString& root) {
  const ULONGLONG needed = static_cast<ULONGLONG>(static_cast<double>(fileSize) * 1.1);
  double total = 0;
  m_storage->GetFreeSpace(total);
  serial = m_storage->FindVolumeWithFreeBytes(static_cast<DWORD>(needed & 0xFFFFFFFFu), static_cast<DWORD>(needed >> 32));
  if (serial == 0) {
    LogCommandFailure(FormatText(IDS_NO_SPACE, path.GetString()));
    return false;
  }
  root = m_storage->GetRootPath(serial);
  if (root.IsEmpty()) {
    LogCommandFailure(FormatText(IDS_NO_VOLUME_FOLDER, serial));
    return false;
  }
  return true;
}

void CMasterWindow::ImportFiles() {
  CJukeboxApp* app = JukeboxApp();
  if (!app || !m_songDb || !m_storage) return;
  CMyOpen chooser(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                  "Audio files (*.WAV, *.MP3)|*.wav;*.mp3|All Files (*.*)|*.*||", this);
  const CString title = LoadText(IDS_IMPORT_TITLE);
  chooser.m_ofn.lpstrTitle = title.GetString();
  std::vector<char> buffer(kChooserBufferChars + 1, '\0');
  chooser.m_ofn.lpstrFile = buffer.data();
  chooser.m_ofn.nMaxFile = kChooserBufferChars;
  chooser.m_bDeleteSource = app->GetProfileInt("Recorder", "DeleteOnImport", 0) != 0;
  if (chooser.DoModal() != IDOK) return;

  app->BeginWaitCursor();
  tSong song;
  song.Attach(m_songDb, m_storage);
  app->WriteProfileInt("Recorder", "DeleteOnImport", chooser.m_bDeleteSource ? 1 : 0);
  UINT mp3Count = 0, wavCount = 0, errors = 0;
  POSITION position = chooser.GetStartPosition();
  while (position) {
    const CString path = chooser.GetNextPathName(position);
    bool stop = false;
    ImportOneFile(path, song, chooser.m_bDeleteSource != FALSE, mp3Count, wavCount, errors, stop);
    if (stop) {
      app->EndWaitCursor();
      return;
    }
  }
  app->EndWaitCursor();
  ::MessageBox(m_hWnd, FormatText(IDS_IMPORT_DONE, mp3Count, wavCount, errors).GetString(), "Quaverhouse",
               MB_OK | MB_ICONASTERISK);
}

bool CMasterWindow::ImportOneFile(const CString& path, tSong& song, bool deleteSource, UINT& mp3Count, UINT& wavCount,
                                  UINT& errors, bool& stop) {
  song.Clear();
  CFileStatus status;
  if (!CFile::GetStatus(path.GetString(), status)) {
    ++errors;
    LogCommandFailure(FormatText(IDS_NO_FILE_STATUS, path.GetString()));
    return false;
  }
  CString folder, baseName, extension;
  SplitText(path, folder, baseName, extension);
  const COleDateTime modified(status.m_mtime.GetTime());
  song.SetSongDate(modified);
  song.SetSongRecordDate(modified);
  song.SetSongName(baseName);
  song.SetSongArtist("Unknown");

  DWORD serial = 0;
  CString root;
  if (!ChooseVolume(path, status.m_size, serial, root)) {
    stop = true;
    return false;
  }
  const bool isMp3 = extension.CompareNoCase("MP3") == 0;
  const int scan = isMp3 ? song.ScanMp3File(path, TRUE) : song.ScanWavFile(path, TRUE);
  if (scan != 0) {
    ++errors;
    LogCommandFailure(isMp3 ? Mp3ScanMessage(scan, path) : FormatText(IDS_SCAN_ERROR, scan, path.GetString()));
    return false;
  }
  if (isMp3) song.SetSongCompression('R');
  song.SetSongPath("");
  song.SetSongVolser(serial);
  const LONG added = song.Add();
  if (added <= 0) {
    // Without a row there is no media name to copy to; the source stays where it is.
    ++errors;
    LogCommandFailure(FormatText(IDS_DB_UPDATE, static_cast<LONG>(added), path.GetString()));
    return false;
  }
  const CString target = song.GetMediaFileName();
  if (target.IsEmpty() || !CopyFile(path.GetString(), target.GetString(), TRUE)) {
    const DWORD error = GetLastError();
    ++errors;
    // No row without its file: the row made for this copy goes again.
    m_songDb->DeleteSong(song.SongID);  // the row only: the file at that name is not ours
    LogCommandFailure(isMp3 ? FormatText(IDS_COPY_FAILED, error, path.GetString())
                            : FormatText(IDS_WAV_COPY, error, path.GetString()));
    return false;
  }
  if (deleteSource) DeleteFile(path.GetString());
  (isMp3 ? mp3Count : wavCount) += 1;
  return true;
}

// ---- Indexing ----

void CMasterWindow::IndexFolder() {
  CJukeboxApp* app = JukeboxApp();
  if (!app) return;
  BROWSEINFO info{};
  info.hwndOwner = m_hWnd;
  const CString title = LoadText(IDS_MUSIC_FOLDER);
  info.lpszTitle = title.GetString();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST list = SHBrowseForFolder(&info);
  if (!list) return;
  char folder[MAX_PATH] = {};
  const BOOL found = SHGetPathFromIDList(list, folder);
  ILFree(list);
  if (!found) return;
  m_nIndexFolders = m_nIndexedMp3 = m_nIndexedWav = m_nIndexErrors = 0;
  app->BeginWaitCursor();
  IndexFiles(folder);
  app->EndWaitCursor();
  ::MessageBox(m_hWnd,
               FormatText(IDS_INDEX_DONE, m_nIndexFolders, m_nIndexedMp3, m_nIndexedWav, m_nIndexErrors).GetString(),
               "Quaverhouse", MB_OK | MB_ICONASTERISK);
}

namespace {

// The folders one indexing run has walked, by device and inode, so a link back up the tree ends the walk.
std::set<std::pair<dev_t, ino_t>>* g_visitedFolders = nullptr;

bool FirstVisit(const CString& folder) {
  struct stat info{};
  const std::string host = qh::HostPathOf(folder.GetString());
  if (host.empty() || stat(host.c_str(), &info) != 0) return true;
  return g_visitedFolders->insert({info.st_dev, info.st_ino}).second;
}

}  // namespace

void CMasterWindow::IndexFiles(const CString& folder) {
  std::set<std::pair<dev_t, ino_t>> visited;
  const bool outermost = g_visitedFolders == nullptr;
  if (outermost) g_visitedFolders = &visited;
  if (!FirstVisit(folder)) {
    if (outermost) g_visitedFolders = nullptr;
    return;
  }
  WIN32_FIND_DATA data;
  auto each = [&](const char* pattern, auto&& action) {
    CString search;
    search.Format(pattern, folder.GetString());
    HANDLE find = FindFirstFile(search.GetString(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do action(data);
    while (FindNextFile(find, &data));
    FindClose(find);
  };
  each("%s\\*.mp3", [&](const WIN32_FIND_DATA& file) {
    if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    (IndexMp3File(folder + "\\" + file.cFileName) ? m_nIndexedMp3 : m_nIndexErrors) += 1;
  });
  each("%s\\*.wav", [&](const WIN32_FIND_DATA& file) {
    if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    (IndexWavFile(folder + "\\" + file.cFileName) ? m_nIndexedWav : m_nIndexErrors) += 1;
  });
  std::vector<CString> subFolders;
  each("%s\\*.*", [&](const WIN32_FIND_DATA& file) {
    const CString name = file.cFileName;
    if (!(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") return;
    subFolders.push_back(folder + "\\" + name);
  });
  for (const CString& sub : subFolders) {
    ++m_nIndexFolders;
    IndexFiles(sub);
  }
  if (outermost) g_visitedFolders = nullptr;
}

bool CMasterWindow::IndexMp3File(const CString& path) {
  tSong song;
  if (const int attached = song.Attach(m_songDb, m_storage); attached != 0) {
    LogCommandFailure(FormatText(IDS_SONG_INIT, attached));
    return false;
  }
  if (const int scan = song.ScanMp3File(path, TRUE); scan != 0) {
    LogCommandFailure(FormatText(IDS_SCAN_ERROR, scan, path.GetString()));
    return false;
  }
  if (song.ExistsByPath()) return false;
  const LONG added = song.Add();
  if (added > 0) return true;
  if (added < 0) LogCommandFailure(FormatText(IDS_DB_UPDATE, static_cast<LONG>(added), path.GetString()));
  return false;
}

bool CMasterWindow::IndexWavFile(const CString& path) {
  tSong song;
  if (const int attached = song.Attach(m_songDb, m_storage); attached != 0) {
    LogCommandFailure(FormatText(IDS_SONG_INIT, attached));
    return false;
  }
  if (const int scan = song.ScanWavFile(path, TRUE); scan != 0) {
    LogCommandFailure(FormatText(IDS_SCAN_ERROR, scan, path.GetString()));
    return false;
  }
  if (song.SongCompression != ' ') {
    LogCommandFailure(FormatText(IDS_WAV_NOT_PCM, path.GetString()));
    return false;
  }
  song.SetSongCompression('V');
  if (song.ExistsByPath()) return false;
  const LONG added = song.Add();
  if (added > 0) return true;
  if (added < 0) LogCommandFailure(FormatText(IDS_DB_UPDATE, static_cast<LONG>(added), path.GetString()));
  return false;
}
