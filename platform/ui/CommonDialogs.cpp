// The file dialog and the folder browser, answered headless by the installed answerer.
#include "platform/ui/CommonDialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/OnScreenChoosers.h"
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

std::string CFileDialog::Title() const {
  if (m_ofn.lpstrTitle && *m_ofn.lpstrTitle) return m_ofn.lpstrTitle;
  return m_bOpenFileDialog ? "Open" : "Save As";
}

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
  HWND owner = qh::ui::ModalOwner(m_ofn.hwndOwner ? m_ofn.hwndOwner : (m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr));
  if (!CreateFromTemplate(ContainerTemplate(*this), owner, false)) {
    t_lastError = CDERR_FINDRESFAILURE;
    return IDCANCEL;
  }
  qh::ui::FileDialogRequest request;
  request.open = m_bOpenFileDialog != FALSE;
  request.title = Title();
  request.filters = FilterPairs(m_ofn.lpstrFilter);
  request.filterIndex = static_cast<int>(m_ofn.nFilterIndex);
  request.initialDir = m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "";
  request.fileName = m_ofn.lpstrFile ? m_ofn.lpstrFile : "";
  request.flags = m_ofn.Flags;
  INT_PTR result = IDCANCEL;
  if (!answerer && qh::ui::OnScreenChoosers()) {
    if (m_hWnd) DestroyWindow();
    return RunOnScreen(owner);
  }
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
  if (!answerer && qh::ui::OnScreenChoosers()) {
    std::string folder = StripTrailingSeparator(qh::ui::RunFolderChooser(info->hwndOwner, request.title));
    if (folder.empty()) return nullptr;
    if (info->pszDisplayName) std::snprintf(info->pszDisplayName, MAX_PATH, "%s", NameOf(folder).c_str());
    return new QhItemIdList{folder};
  }
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

// ---- The file dialog on a display ---------------------------------------------------------------------
// The dialog's own controls above the program's extension (its template's controls, moved below them).
namespace {
constexpr int kChooserHeight = 172;
thread_local std::vector<qh::ui::ChooserEntry> t_chooserEntries;

std::string CurrentPatterns(HWND dialog, const std::vector<std::pair<std::string, std::string>>& filters) {
  if (filters.empty()) return "*.*";
  LRESULT index = ::SendMessage(::GetDlgItem(dialog, qh::ui::kChooserTypes), CB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<size_t>(index) >= filters.size()) index = 0;
  return filters[static_cast<size_t>(index)].second;
}
}  // namespace

INT_PTR CFileDialog::RunOnScreen(HWND owner) {
  using namespace qh::ui;
  DialogTemplate box = ContainerTemplate(*this);
  const bool multiple = (m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0;
  box.caption = Title();
  box.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  box.x = box.y = 0;
  for (DialogItemTemplate& item : box.items) item.y += kChooserHeight;
  const int extension = box.cy;
  box.cx = std::max(280, box.cx);
  box.cy = kChooserHeight + extension;
  const DWORD child = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  const std::vector<DialogItemTemplate> own = {
      {"Static", "Look &in:", 0xFFFF, WS_CHILD | WS_VISIBLE, 0, 7, 8, 40, 10},
      {"Edit", "", kChooserFolderEdit, child | WS_BORDER | ES_AUTOHSCROLL, 0, 50, 6, 223, 13},
      {"ListBox", "", kChooserList,
       static_cast<DWORD>(child | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | (multiple ? LBS_EXTENDEDSEL : 0)), 0, 7, 23, 266, 108},
      {"Static", "File &name:", 0xFFFF, WS_CHILD | WS_VISIBLE, 0, 7, 139, 42, 10},
      {"Edit", "", kChooserNameEdit, child | WS_BORDER | ES_AUTOHSCROLL, 0, 50, 137, 170, 13},
      {"Static", "Files of &type:", 0xFFFF, WS_CHILD | WS_VISIBLE, 0, 7, 155, 42, 10},
      {"ComboBox", "", kChooserTypes, child | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 50, 153, 170, 80},
      {"Button", m_bOpenFileDialog ? "&Open" : "&Save", IDOK, child | BS_DEFPUSHBUTTON, 0, 226, 137, 47, 14},
      {"Button", "Cancel", IDCANCEL, child | BS_PUSHBUTTON, 0, 226, 153, 47, 14},
  };
  box.items.insert(box.items.begin(), own.begin(), own.end());
  onScreen_ = true;
  if (!CreateFromTemplate(box, owner, true)) {
    onScreen_ = false;
    t_lastError = CDERR_FINDRESFAILURE;
    return IDCANCEL;
  }
  const auto filters = FilterPairs(m_ofn.lpstrFilter);
  for (const auto& [description, pattern] : filters)
    SendDlgItemMessage(kChooserTypes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(description.c_str()));
  const DWORD filterIndex = m_ofn.nFilterIndex >= 1 && m_ofn.nFilterIndex <= filters.size() ? m_ofn.nFilterIndex : 1;
  SendDlgItemMessage(kChooserTypes, CB_SETCURSEL, filterIndex - 1, 0);
  std::string start = m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "";
  if (start.empty()) {
    char current[MAX_PATH] = {};
    GetCurrentDirectory(sizeof current, current);
    start = current;
  }
  if (m_ofn.lpstrFile && *m_ofn.lpstrFile) SetDlgItemText(kChooserNameEdit, NameOf(m_ofn.lpstrFile).c_str());
  ShowFolder(start);
  {
    ModalDisabler disabler(m_hWnd);
    ShowWindow(SW_SHOW);
    ::SetActiveWindow(m_hWnd);
    RunDialogAnswerer(*this);
    if (ContinueModal()) RunModalLoop();
  }
  if (m_hWnd) DestroyWindow();
  onScreen_ = false;
  if (owner && ::IsWindow(owner)) ::SetActiveWindow(owner);
  return m_nModalResult == IDOK ? IDOK : IDCANCEL;
}

void CFileDialog::ShowFolder(const std::string& folder) {
  using namespace qh::ui;
  onScreenFolder_ = ChooserFolderOf(folder);
  t_chooserEntries = ListChooserFolder(onScreenFolder_, CurrentPatterns(m_hWnd, FilterPairs(m_ofn.lpstrFilter)));
  FillChooserList(::GetDlgItem(m_hWnd, kChooserList), t_chooserEntries);
  SetDlgItemText(kChooserFolderEdit, onScreenFolder_.c_str());
}

// OK, or a double click in the list: a folder opens; files are taken (the list's selection, or the name
// typed), checked like an answer and stored.
void CFileDialog::AcceptOnScreen(bool fromList) {
  using namespace qh::ui;
  HWND list = ::GetDlgItem(m_hWnd, kChooserList);
  char text[MAX_PATH] = {};
  GetDlgItemText(kChooserFolderEdit, text, sizeof text);
  if (std::string(text) != onScreenFolder_) {  // a folder typed into "Look in"
    ShowFolder(text);
    return;
  }
  std::vector<std::string> paths;
  if (fromList) {
    const ChooserEntry* entry = ChooserEntryAt(t_chooserEntries, list, static_cast<int>(::SendMessage(list, LB_GETCURSEL, 0, 0)));
    if (!entry) return;
    if (entry->folder) {
      const std::string target = entry->target;  // the list is made anew
      ShowFolder(target);
      return;
    }
    paths.push_back(entry->target);
  } else {
    GetDlgItemText(kChooserNameEdit, text, sizeof text);
    std::string typed = text;
    if (typed.empty()) {
      const auto count = ::SendMessage(list, LB_GETSELCOUNT, 0, 0);
      std::vector<int> selected(static_cast<size_t>(std::max<LRESULT>(count, 0)));
      if (count > 0) ::SendMessage(list, LB_GETSELITEMS, selected.size(), reinterpret_cast<LPARAM>(selected.data()));
      else selected.push_back(static_cast<int>(::SendMessage(list, LB_GETCURSEL, 0, 0)));
      for (int index : selected)
        if (const ChooserEntry* entry = ChooserEntryAt(t_chooserEntries, list, index); entry && !entry->folder)
          paths.push_back(entry->target);
    } else {
      const std::string path = ChooserPathOf(onScreenFolder_, typed);
      const DWORD attributes = ::GetFileAttributes(path.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetDlgItemText(kChooserNameEdit, "");
        ShowFolder(StripTrailingSeparator(path));
        return;
      }
      paths.push_back(path);
    }
  }
  if (paths.empty()) return;
  std::string problem;
  if (!Validate(paths, &problem)) {
    ::MessageBox(m_hWnd, problem.c_str(), Title().c_str(), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  m_ofn.nFilterIndex = static_cast<DWORD>(SendDlgItemMessage(kChooserTypes, CB_GETCURSEL, 0, 0) + 1);
  if (!StoreResult(paths)) {
    EndDialog(IDCANCEL);
    return;
  }
  if (OnFileNameOK()) return;
  EndDialog(IDOK);
}

BOOL CFileDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  using namespace qh::ui;
  if (onScreen_) {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDOK) {
      AcceptOnScreen(false);
      return TRUE;
    }
    if (id == kChooserList && code == LBN_DBLCLK) {
      AcceptOnScreen(true);
      return TRUE;
    }
    if (id == kChooserList && code == LBN_SELCHANGE) {
      HWND list = ::GetDlgItem(m_hWnd, kChooserList);
      const ChooserEntry* entry = ChooserEntryAt(t_chooserEntries, list, static_cast<int>(::SendMessage(list, LB_GETCURSEL, 0, 0)));
      if (entry && !entry->folder && ::SendMessage(list, LB_GETSELCOUNT, 0, 0) <= 1)
        SetDlgItemText(kChooserNameEdit, NameOf(entry->target).c_str());
      else if (::SendMessage(list, LB_GETSELCOUNT, 0, 0) > 1)
        SetDlgItemText(kChooserNameEdit, "");
      return TRUE;
    }
    if (id == kChooserTypes && code == CBN_SELCHANGE) {
      ShowFolder(onScreenFolder_);
      return TRUE;
    }
  }
  return CDialog::OnCommand(wParam, lParam);
}
