#include "recorder/ExportDlg.h"

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/FileApi.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"
#include "recorder/SongCriteria.h"


namespace {
constexpr UINT kTotalSongs = 1293, kTotalSpace = 1294, kRunningTime = 1198, kFolder = 1303, kBrowse = 1092,
               kLimit = 1304, kExportSongs = 1154, kExportStatus = 1298;
}

BEGIN_MESSAGE_MAP(CExportDlg, CDialog)
  ON_BN_CLICKED(1092, OnBrowse)
  ON_BN_CLICKED(1154, OnExportSongs)
  ON_MESSAGE(WM_EXPORT_STEP, OnExportStep)
END_MESSAGE_MAP()

CExportDlg::CExportDlg(std::vector<tSong*> songs, CWnd* parent) : CDialog(IDD_EXPORT, parent), m_songs(std::move(songs)) {}

BOOL CExportDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(kLimit, "0");
  GetDlgItem(kExportSongs)->EnableWindow(FALSE);
  ShowTotals();
  return TRUE;
}

CString CExportDlg::GetStatusText() {
  CString text;
  GetDlgItemText(kExportStatus, text);
  return text;
}

void CExportDlg::ShowTotals() {
  CString text;
  text.Format("%d", static_cast<int>(m_songs.size()));
  SetDlgItemText(kTotalSongs, text);
  long long milliseconds = 0;
  unsigned long long bytes = 0;
  int position = 0;
  for (tSong* song : m_songs) {
    text.Format("Getting info for song %d of %d", ++position, static_cast<int>(m_songs.size()));
    SetDlgItemText(kExportStatus, text);
    song->ReadMediaInfo();
    milliseconds += song->SongLengthMS;
    LONG size = song->GetMediaFileSize();
    if (size > 0) bytes += static_cast<unsigned long long>(size);
  }
  long long seconds = milliseconds / 1000;
  text.Format("%I64d:%02I64d:%02I64d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  SetDlgItemText(kRunningTime, text);
  text.Format("%.0f MB", static_cast<double>((bytes + 1048575) / 1048576));
  SetDlgItemText(kTotalSpace, text);
}

void CExportDlg::OnBrowse() {
  BROWSEINFO info{};
  char name[MAX_PATH] = {};
  info.hwndOwner = m_hWnd;
  info.pszDisplayName = name;
  info.lpszTitle = "Choose an Export Folder";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolder(&info);
  if (chosen == nullptr) return;
  char path[MAX_PATH] = {};
  if (SHGetPathFromIDList(chosen, path)) {
    m_folder = path;
    SetDlgItemText(kFolder, m_folder);
    GetDlgItem(kExportSongs)->EnableWindow(TRUE);
  }
  ILFree(chosen);
}

void CExportDlg::OnExportSongs() {
  CString limitText;
  GetDlgItemText(kLimit, limitText);
  long limit = qh_atol(limitText);
  if (limit < 0 || limit > 9999) {
    AfxMessageBox(LoadFormatted(IDS_BAD_EXPORT_LIMIT, 0, 9999), MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(GetDlgItem(kLimit));
    return;
  }
  m_limitMb = static_cast<int>(limit);
  m_next = 0;
  m_started = true;
  m_folderBytes = 0;
  if (m_limitMb > 0) {
    m_folderNumber = 1;
    CString folder;
    folder.Format("%s\\Export%03d", m_folder.GetString(), m_folderNumber);
    CreateDirectory(folder, nullptr);
  }
  PostMessage(WM_EXPORT_STEP);
}

bool CExportDlg::ExportOne(tSong& song) {
  CString folder = m_folder;
  if (m_limitMb > 0) {
    LONG size = song.GetMediaFileSize();
    unsigned long long songBytes = size > 0 ? static_cast<unsigned long long>(size) : 0;
    if (m_folderBytes + songBytes > static_cast<unsigned long long>(m_limitMb) * 1048576ull) {
      ++m_folderNumber;
      m_folderBytes = 0;
      CString next;
      next.Format("%s\\Export%03d", m_folder.GetString(), m_folderNumber);
      CreateDirectory(next, nullptr);
    }
    m_folderBytes += songBytes;
    folder.Format("%s\\Export%03d", m_folder.GetString(), m_folderNumber);
  }
  // The name keeps only letters and digits, so a song name can never lead outside the chosen folder.
  CString base = folder + "\\" + ExportFileName(song.SongName);
  if (song.SongCompression == 'M') return song.ExportMp3Copy(base) == 0;
  return CopyFile(song.GetMediaFileName(), base + ".mp3", TRUE) != FALSE;
}

LRESULT CExportDlg::OnExportStep(WPARAM, LPARAM) {
  if (!m_started) return 0;
  if (m_next >= m_songs.size()) {
    SetDlgItemText(kExportStatus, LoadFormatted(IDS_EXPORT_DONE, static_cast<long>(m_songs.size())));
    GetDlgItem(kExportSongs)->EnableWindow(FALSE);
    return 0;
  }
  tSong& song = *m_songs[m_next];
  SetDlgItemText(kExportStatus, LoadFormatted(IDS_EXPORTING_SONG, static_cast<int>(m_next + 1),
                                              static_cast<int>(m_songs.size()), song.SongName.GetString()));
  ExportOne(song);
  ++m_next;
  PostMessage(WM_EXPORT_STEP);
  return 0;
}
