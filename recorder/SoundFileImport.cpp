#include "recorder/SoundFileImport.h"

#include <sys/stat.h>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "dblib/TextUtil.h"
#include "platform/core/File.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/ui/MessageBox.h"
#include "recorder/ImportDlg.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderGuard.h"
#include "recorder/capture/MyOpen.h"

namespace {

constexpr UINT kImportTitle = 61276, kNoSpace = 61359, kImportDone = 61362, kNoStatus = 61363, kNoFolder = 61364,
               kMp3CopyFailed = 61365, kNotAdded = 61366, kScanFailed = 61367, kWavCopyFailed = 61368,
               kMusicFolder = 61374, kIndexDone = 61375, kSongInit = 61376, kNotPcm = 61377;
constexpr DWORD kChooserBufferBytes = 0x5000;

void Warn(const CString& text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }

// Keeps the window answering between files of a long run.
void PumpWaitingMessages() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

}  // namespace

CSoundFileImporter::CSoundFileImporter(tQHDb* db, tStorage* storage, tImportDefaults defaults)
    : m_pDb(db), m_pStorage(storage), m_defaults(std::move(defaults)) {}

void CSoundFileImporter::ApplyDefaults(tSong& song) const {
  if (!m_defaults.artist.IsEmpty()) song.SetSongArtist(m_defaults.artist);
  if (!m_defaults.album.IsEmpty()) song.SetSongAlbumName(m_defaults.album);
  if (!m_defaults.genre.IsEmpty()) song.AddGenre(m_defaults.genre, TRUE);
}

// ---- Import ----

bool CSoundFileImporter::ImportFiles(const std::vector<CString>& paths, bool deleteSource) {
  tSong song;
  song.Attach(m_pDb, m_pStorage);
  for (const CString& path : paths) {
    song.Clear();
    const Outcome outcome = ImportOne(song, path, deleteSource);
    if (outcome == Outcome::kStop) return false;
    if (outcome == Outcome::kFailed) ++m_counts.failed;
    PumpWaitingMessages();
  }
  return true;
}

bool CSoundFileImporter::ChooseVolume(ULONGLONG size, DWORD& serial) {
  const auto needed = static_cast<ULONGLONG>(static_cast<double>(size) * 1.1);
  double total = 0;
  m_pStorage->GetFreeSpace(total);
  serial = m_pStorage->FindVolumeWithFreeBytes(static_cast<DWORD>(needed & 0xFFFFFFFFu), static_cast<DWORD>(needed >> 32));
  if (serial == 0) {
    Warn(LoadText(kNoSpace));
    return false;
  }
  if (m_pStorage->GetRootPath(serial).IsEmpty()) {
    Warn(LoadFormatted(kNoFolder, static_cast<unsigned>(serial)));
    return false;
  }
  return true;
}

CSoundFileImporter::Outcome CSoundFileImporter::ImportOne(tSong& song, const CString& path, bool deleteSource) {
  CString folder, title, extension;
  SplitText(path, folder, title, extension);
  CFileStatus status;
  if (!CFile::GetStatus(path, status)) {
    Warn(LoadFormatted(kNoStatus, path.GetString()));
    return Outcome::kFailed;
  }
  const COleDateTime modified(status.m_mtime.GetTime());
  song.SetSongRecordDate(modified);
  song.SetSongDate(modified);
  song.SetSongName(title);
  DWORD serial = 0;
  if (!ChooseVolume(status.m_size, serial)) return Outcome::kStop;

  const bool isMp3 = extension.CompareNoCase("MP3") == 0;
  const int scan = isMp3 ? song.ScanMp3File(path, TRUE) : song.ScanWavFile(path, TRUE);
  if (scan != 0) {
    Warn(LoadFormatted(kScanFailed, scan, path.GetString()));
    return Outcome::kFailed;
  }
  if (isMp3) song.SetSongCompression('R');
  song.SetSongPath("");
  song.SetSongVolser(serial);
  ApplyDefaults(song);
  if (!StoreCopy(song, path, isMp3)) return Outcome::kFailed;
  if (deleteSource) DeleteFile(path);
  (isMp3 ? m_counts.mp3 : m_counts.wav) += 1;
  return Outcome::kDone;
}

bool CSoundFileImporter::StoreCopy(tSong& song, const CString& path, bool isMp3) {
  const LONG added = song.Add();
  if (added <= 0) {
    Warn(LoadFormatted(kNotAdded, static_cast<long>(added), path.GetString()));
    return false;
  }
  const CString target = song.GetMediaFileName();
  if (!target.IsEmpty() && CopyFile(path, target, TRUE)) return true;
  const DWORD error = target.IsEmpty() ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND) : GetLastError();
  // No row without its file. Only the row goes: a file already at the target name is not this song's.
  m_pDb->DeleteSong(song.SongID);
  Warn(isMp3 ? LoadFormatted(kMp3CopyFailed, static_cast<int>(error), path.GetString())
             : LoadFormatted(kWavCopyFailed, static_cast<unsigned>(error), path.GetString()));
  return false;
}

// ---- Index ----

void CSoundFileImporter::IndexFolder(const CString& folder) {
  m_visited.clear();
  Walk(folder);
}

void CSoundFileImporter::Walk(const CString& folder) {
  struct stat info{};
  const std::string host = qh::HostPathOf(folder.GetString());
  if (!host.empty() && stat(host.c_str(), &info) == 0 && !m_visited.insert({info.st_dev, info.st_ino}).second)
    return;
  auto each = [&](const char* pattern, auto&& action) {
    CString search;
    search.Format(pattern, folder.GetString());
    WIN32_FIND_DATA data;
    HANDLE find = FindFirstFile(search, &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do action(data);
    while (FindNextFile(find, &data));
    FindClose(find);
  };
  auto indexFiles = [&](const char* pattern, bool isMp3) {
    each(pattern, [&](const WIN32_FIND_DATA& file) {
      if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
      const bool indexed = IndexFile(folder + "\\" + file.cFileName, isMp3);
      if (!indexed) ++m_counts.failed;
      else (isMp3 ? m_counts.mp3 : m_counts.wav) += 1;
      PumpWaitingMessages();
    });
  };
  indexFiles("%s\\*.mp3", true);
  indexFiles("%s\\*.wav", false);
  std::vector<CString> subFolders;
  each("%s\\*.*", [&](const WIN32_FIND_DATA& entry) {
    const CString name = entry.cFileName;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
      subFolders.push_back(folder + "\\" + name);
  });
  for (const CString& sub : subFolders) Walk(sub);
}

bool CSoundFileImporter::IndexFile(const CString& path, bool isMp3) {
  tSong song;
  if (const int attached = song.Attach(m_pDb, m_pStorage); attached != 0) {
    Warn(LoadFormatted(kSongInit, attached));
    return false;
  }
  const int scan = isMp3 ? song.ScanMp3File(path, TRUE) : song.ScanWavFile(path, TRUE);
  if (scan != 0) {
    Warn(LoadFormatted(kScanFailed, scan, path.GetString()));
    return false;
  }
  if (!isMp3) {
    if (song.SongCompression != ' ') {
      Warn(LoadFormatted(kNotPcm, path.GetString()));
      return false;
    }
    song.SetSongCompression('V');
  }
  ApplyDefaults(song);
  if (song.ExistsByPath()) return false;
  const LONG added = song.Add();
  if (added > 0) return true;
  Warn(LoadFormatted(kNotAdded, static_cast<long>(added), path.GetString()));
  return false;
}

// ---- The Import button ----

namespace {

void ImportChosenFiles(CRecorderDlg& main, const tImportDefaults& defaults) {
  CRecorderApp* app = GetRecorderApp();
  CMyOpen chooser(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                  "Audio files (*.WAV, *.MP3)|*.wav;*.mp3|All Files (*.*)|*.*||", &main);
  const CString title = LoadText(kImportTitle);
  chooser.m_ofn.lpstrTitle = title.GetString();
  std::vector<char> names(kChooserBufferBytes, '\0');
  chooser.m_ofn.lpstrFile = names.data();
  chooser.m_ofn.nMaxFile = kChooserBufferBytes;
  chooser.m_bDeleteSource = app->GetProfileInt("Recorder", "DeleteOnImport", 0) != 0;
  if (chooser.DoModal() != IDOK) return;

  std::vector<CString> paths;
  for (POSITION position = chooser.GetStartPosition(); position != nullptr;)
    paths.push_back(chooser.GetNextPathName(position));
  bool finished = false;
  CSoundFileImporter importer(main.GetSongDatabase(), main.GetStorage(), defaults);
  {
    CRecorderWaitCursor wait;
    app->WriteProfileInt("Recorder", "DeleteOnImport", chooser.m_bDeleteSource ? 1 : 0);
    finished = importer.ImportFiles(paths, chooser.m_bDeleteSource != FALSE);
  }
  if (!finished) return;
  const tImportCounts& counts = importer.Counts();
  AfxMessageBox(LoadFormatted(kImportDone, counts.mp3, counts.wav, counts.failed), MB_OK | MB_ICONINFORMATION);
}

void IndexChosenFolder(CRecorderDlg& main, const tImportDefaults& defaults) {
  BROWSEINFO info{};
  info.hwndOwner = main.m_hWnd;
  const CString title = LoadText(kMusicFolder);
  info.lpszTitle = title.GetString();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolder(&info);
  if (chosen == nullptr) return;
  char folder[MAX_PATH] = {};
  const BOOL found = SHGetPathFromIDList(chosen, folder);
  ILFree(chosen);
  if (!found) return;
  CSoundFileImporter indexer(main.GetSongDatabase(), main.GetStorage(), defaults);
  {
    CRecorderWaitCursor wait;
    indexer.IndexFolder(folder);
  }
  const tImportCounts& counts = indexer.Counts();
  AfxMessageBox(LoadFormatted(kIndexDone, counts.mp3, counts.wav, counts.failed), MB_OK | MB_ICONINFORMATION);
}

}  // namespace

void RunImportSoundFiles(CRecorderDlg& main) {
  CImportDlg choice(main.GetSongDatabase(), &main);
  if (choice.DoModal() != IDOK) return;
  const tImportDefaults defaults{choice.m_artist, choice.m_album, choice.m_genre};
  if (choice.m_mode == CImportDlg::kImport) ImportChosenFiles(main, defaults);
  else if (choice.m_mode == CImportDlg::kIndex) IndexChosenFolder(main, defaults);
}
