// The file dialog and the folder browser, answered headless by the installed answerer.
#include "platform/ui/CommonDialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/Gdi.h"

struct QhItemIdList {
  std::string path;
};

namespace {

constexpr int kMaxTurns = 50;  // an answerer that keeps giving refused names gets a cancel
std::mutex g_answererLock;
qh::ui::FileDialogAnswerer g_fileAnswerer;
qh::ui::FolderAnswerer g_folderAnswerer;
thread_local DWORD t_lastError = 0;

std::vector<std::pair<std::string, std::string>> FilterPairs(LPCSTR filter) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const char* p = filter; p && *p;) {
    std::string description = p;
    p += description.size() + 1;
    if (!*p) break;
    std::string pattern = p;
    p += pattern.size() + 1;
    pairs.emplace_back(description, pattern);
  }
  return pairs;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StripTrailingSeparator(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

qh::ui::DialogTemplate ContainerTemplate(const CFileDialog& dialog) {
  qh::ui::DialogTemplate container;
  container.style = WS_POPUP;
  if (!(dialog.m_ofn.Flags & OFN_ENABLETEMPLATE) || !dialog.m_ofn.lpTemplateName) return container;
  LPCSTR name = dialog.m_ofn.lpTemplateName;
  UINT id = IS_INTRESOURCE(name) ? static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name))
                                 : static_cast<UINT>(std::strtoul(name, nullptr, 10));
  if (auto found = qh::ui::FindDialogTemplate(id)) {
    container = *found;
    // The extra controls live in a hidden window of the dialog's own, whatever their template says.
    container.style = (container.style & ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE)) | WS_POPUP;
  } else {
    std::fprintf(stderr, "file dialog template %u is not registered\n", id);
  }
  return container;
}

}  // namespace

void qh::ui::SetFileDialogAnswerer(FileDialogAnswerer answerer) {
  std::lock_guard<std::mutex> guard(g_answererLock);
  g_fileAnswerer = std::move(answerer);
}

void qh::ui::SetFolderAnswerer(FolderAnswerer answerer) {
  std::lock_guard<std::mutex> guard(g_answererLock);
  g_folderAnswerer = std::move(answerer);
}

DWORD CommDlgExtendedError() { return t_lastError; }

// ---- CFileDialog -------------------------------------------------------------------------------------
CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defaultExt, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parent)
    : CDialog(0U, parent), m_bOpenFileDialog(openFileDialog), defaultExt_(defaultExt ? defaultExt : "") {
  m_ofn.Flags = flags | OFN_EXPLORER;
  m_ofn.lpstrFile = fileBuffer_;
  m_ofn.nMaxFile = sizeof fileBuffer_;
  m_ofn.nFilterIndex = 1;
  if (fileName) std::snprintf(fileBuffer_, sizeof fileBuffer_, "%s", fileName);
  if (!defaultExt_.empty()) m_ofn.lpstrDefExt = defaultExt_.c_str();
  if (filter) {
    filter_ = filter;
    for (char& c : filter_)
      if (c == '|') c = '\0';
    filter_.push_back('\0');
    m_ofn.lpstrFilter = filter_.c_str();
  }
}

BOOL CFileDialog::OnFileNameOK() { return FALSE; }

bool CFileDialog::Validate(const std::vector<std::string>& paths, std::string* problem) const {
  if (paths.empty()) {
    *problem = "No file was chosen.";
    return false;
  }
  if (paths.size() > 1 && !(m_ofn.Flags & OFN_ALLOWMULTISELECT)) {
    *problem = "Only one file can be chosen.";
    return false;
  }
  for (const std::string& path : paths) {
    if (paths.size() > 1 && FolderOf(path) != FolderOf(paths.front())) {
      *problem = "The chosen files must be in one folder.";
      return false;
    }
    DWORD attributes = ::GetFileAttributes(path.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if ((m_ofn.Flags & OFN_FILEMUSTEXIST) && !exists) {
      *problem = path + "\r\nFile not found.\r\nPlease verify the correct file name was given.";
      return false;
    }
    DWORD folder = ::GetFileAttributes(FolderOf(path).c_str());
    if ((m_ofn.Flags & OFN_PATHMUSTEXIST) && !FolderOf(path).empty() &&
        (folder == INVALID_FILE_ATTRIBUTES || !(folder & FILE_ATTRIBUTE_DIRECTORY))) {
      *problem = path + "\r\nPath does not exist.\r\nPlease verify the correct path was given.";
      return false;
    }
  }
  return true;
}

bool CFileDialog::StoreResult(const std::vector<std::string>& paths) {
  std::string stored;
  if (paths.size() == 1) {
    stored = paths.front();
    stored.push_back('\0');
  } else {
    stored = FolderOf(paths.front());
    stored.push_back('\0');
    for (const std::string& path : paths) {
      stored += NameOf(path);
      stored.push_back('\0');
    }
  }
  stored.push_back('\0');
  if (!m_ofn.lpstrFile || stored.size() > m_ofn.nMaxFile) {
    t_lastError = FNERR_BUFFERTOOSMALL;
    return false;
  }
  std::memcpy(m_ofn.lpstrFile, stored.data(), stored.size());
  const std::string& first = paths.front();
  m_ofn.nFileOffset = static_cast<WORD>(paths.size() == 1 ? first.size() - NameOf(first).size() : FolderOf(first).size() + 1);
  auto dot = first.rfind('.');
  m_ofn.nFileExtension = static_cast<WORD>(paths.size() == 1 && dot != std::string::npos && dot > m_ofn.nFileOffset ? dot + 1 : 0);
  return true;
}

INT_PTR CFileDialog::DoModal() {
  t_lastError = 0;
  qh::ui::FileDialogAnswerer answerer;
  {
    std::lock_guard<std::mutex> guard(g_answererLock);
    answerer = g_fileAnswerer;
  }
  HWND owner = m_ofn.hwndOwner ? m_ofn.hwndOwner : (m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
  if (!owner)
    if (CWnd* main = AfxGetMainWnd()) owner = main->m_hWnd;
  if (!CreateFromTemplate(ContainerTemplate(*this), owner, false)) {
    t_lastError = CDERR_FINDRESFAILURE;
    return IDCANCEL;
  }
  qh::ui::FileDialogRequest request;
  request.open = m_bOpenFileDialog != FALSE;
  request.title = m_ofn.lpstrTitle ? m_ofn.lpstrTitle : (m_bOpenFileDialog ? "Open" : "Save As");
  request.filters = FilterPairs(m_ofn.lpstrFilter);
  request.filterIndex = static_cast<int>(m_ofn.nFilterIndex);
  request.initialDir = m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "";
  request.fileName = m_ofn.lpstrFile ? m_ofn.lpstrFile : "";
  request.flags = m_ofn.Flags;
  INT_PTR result = IDCANCEL;
  if (!answerer) std::fprintf(stderr, "file dialog \"%s\" cancelled (no one to answer)\n", request.title.c_str());
  for (; answerer && request.turn < kMaxTurns; ++request.turn) {
    qh::ui::FileDialogAnswer answer = answerer(request, *this);
    if (answer.cancel) break;
    std::string problem;
    if (!Validate(answer.paths, &problem)) {
      ::MessageBox(m_hWnd, problem.c_str(), request.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
      continue;
    }
    if (answer.filterIndex > 0) m_ofn.nFilterIndex = static_cast<DWORD>(answer.filterIndex);
    if (!StoreResult(answer.paths)) break;
    if (OnFileNameOK()) continue;
    result = IDOK;
    break;
  }
  if (m_hWnd) DestroyWindow();
  return result;
}

std::vector<std::string> CFileDialog::Chosen() const {
  std::vector<std::string> paths;
  if (!m_ofn.lpstrFile || !*m_ofn.lpstrFile) return paths;
  std::string first = m_ofn.lpstrFile;
  const char* next = m_ofn.lpstrFile + first.size() + 1;
  if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || !*next) {
    paths.push_back(first);
    return paths;
  }
  for (; *next; next += std::strlen(next) + 1) paths.push_back(first + "\\" + next);
  return paths;
}

CString CFileDialog::GetPathName() const {
  std::vector<std::string> paths = Chosen();
  return paths.empty() ? CString() : CString(paths.front());
}
CString CFileDialog::GetFileName() const { return CString(NameOf(GetPathName().str())); }
CString CFileDialog::GetFileExt() const {
  std::string name = NameOf(GetPathName().str());
  auto dot = name.rfind('.');
  return dot == std::string::npos ? CString() : CString(name.substr(dot + 1));
}
CString CFileDialog::GetFileTitle() const {
  std::string name = NameOf(GetPathName().str());
  auto dot = name.rfind('.');
  return CString(dot == std::string::npos ? name : name.substr(0, dot));
}
CString CFileDialog::GetFolderPath() const { return CString(FolderOf(GetPathName().str())); }

POSITION CFileDialog::GetStartPosition() const {
  return Chosen().empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<std::intptr_t>(1));
}

CString CFileDialog::GetNextPathName(POSITION& position) const {
  std::vector<std::string> paths = Chosen();
  auto index = static_cast<std::size_t>(reinterpret_cast<std::intptr_t>(position)) - 1;
  if (index >= paths.size()) {
    position = nullptr;
    return CString();
  }
  position = index + 1 < paths.size() ? reinterpret_cast<POSITION>(static_cast<std::intptr_t>(index + 2)) : nullptr;
  return CString(paths[index]);
}

// ---- Folder browser ----------------------------------------------------------------------------------
LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO info) {
  if (!info) return nullptr;
  qh::ui::FolderAnswerer answerer;
  {
    std::lock_guard<std::mutex> guard(g_answererLock);
    answerer = g_folderAnswerer;
  }
  qh::ui::FolderRequest request;
  request.owner = info->hwndOwner;
  request.title = info->lpszTitle ? info->lpszTitle : "";
  request.flags = info->ulFlags;
  if (!answerer) {
    std::fprintf(stderr, "folder browser \"%s\" cancelled (no one to answer)\n", request.title.c_str());
    return nullptr;
  }
  for (int turn = 0; turn < kMaxTurns; ++turn) {
    std::string folder = StripTrailingSeparator(answerer(request));
    if (folder.empty()) return nullptr;
    DWORD attributes = ::GetFileAttributes(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (info->pszDisplayName) std::snprintf(info->pszDisplayName, MAX_PATH, "%s", NameOf(folder).c_str());
    return new QhItemIdList{folder};
  }
  return nullptr;
}

BOOL SHGetPathFromIDList(LPCITEMIDLIST list, LPSTR path) {
  if (!list || !path) return FALSE;
  if (list->path.size() >= MAX_PATH) return FALSE;
  std::memcpy(path, list->path.c_str(), list->path.size() + 1);
  return TRUE;
}

void ILFree(LPITEMIDLIST list) { delete list; }
