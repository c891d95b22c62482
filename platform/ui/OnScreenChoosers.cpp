#include "platform/ui/OnScreenChoosers.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/core/Cp1252.h"
#include "platform/core/Drives.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/MessageBox.h"

namespace qh::ui {
namespace {

std::atomic<bool> g_forced{false};

std::string Parent(const std::string& folder) {
  if (folder.size() <= 3) return "";  // "C:\" goes up to the drive list
  const auto slash = folder.find_last_of('\\');
  if (slash == std::string::npos) return "";
  return slash <= 2 ? folder.substr(0, 3) : folder.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

bool Matches(const std::string& patterns, const std::string& name) {
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string pattern = patterns.substr(start, end - start);
    pattern.erase(0, pattern.find_first_not_of(' '));
    if (!pattern.empty() && qh::MatchesWildcard(pattern, name)) return true;
    start = end + 1;
  }
  return false;
}

bool NoCaseLess(const ChooserEntry& a, const ChooserEntry& b) {
  return Cp1252CompareNoCase(a.text.data(), a.text.size(), b.text.data(), b.text.size()) < 0;
}

}  // namespace

std::string ChooserFolderOf(const std::string& folder) {
  if (folder.empty()) return "";
  const std::optional<qh::ResolvedPath> resolved = qh::ResolvePath(folder.c_str());
  if (!resolved || resolved->driveLetter == 0) return "";
  return resolved->windowsPath;
}

std::string ChooserPathOf(const std::string& folder, const std::string& typed) {
  const bool full = (typed.size() > 1 && typed[1] == ':') || (!typed.empty() && (typed[0] == '\\' || typed[0] == '/'));
  const std::string path = full || folder.empty() ? typed : Join(folder, typed);
  const std::optional<qh::ResolvedPath> resolved = qh::ResolvePath(path.c_str());
  return resolved && resolved->driveLetter != 0 ? resolved->windowsPath : path;
}

bool OnScreenChoosers() { return g_forced.load() || DisplayActive(); }

namespace testing {
void SetOnScreenChoosers(bool on) { g_forced.store(on); }
}  // namespace testing

std::vector<ChooserEntry> ListChooserFolder(const std::string& folder, const std::string& patterns) {
  std::vector<ChooserEntry> entries, folders, files;
  if (!folder.empty()) {
    entries.push_back({"[..]", Parent(folder), true});
    WIN32_FIND_DATA data;
    HANDLE find = FindFirstFile(Join(folder, "*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          folders.push_back({"[" + name + "]", Join(folder, name), true});
        else if (Matches(patterns, name))
          files.push_back({name, Join(folder, name), false});
      } while (FindNextFile(find, &data));
      FindClose(find);
    }
  }
  std::sort(folders.begin(), folders.end(), NoCaseLess);
  std::sort(files.begin(), files.end(), NoCaseLess);
  entries.insert(entries.end(), folders.begin(), folders.end());
  entries.insert(entries.end(), files.begin(), files.end());
  for (const qh::Drive& drive : qh::DriveTable::All())
    if (drive.IsMounted()) entries.push_back({std::string("[-") + drive.letter + "-]", drive.Root(), true});
  return entries;
}

void FillChooserList(HWND list, const std::vector<ChooserEntry>& entries) {
  ::SendMessage(list, LB_RESETCONTENT, 0, 0);
  for (const ChooserEntry& entry : entries)
    ::SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
}

const ChooserEntry* ChooserEntryAt(const std::vector<ChooserEntry>& entries, HWND list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) return nullptr;
  char text[MAX_PATH + 8] = {};
  if (::SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)) < 0) return nullptr;
  for (const ChooserEntry& entry : entries)
    if (entry.text == text) return &entry;
  return nullptr;
}

namespace {

// The folder browser: the folder's path on top, its sub-folders below; OK takes the path shown.
class FolderChooser : public CDialog {
 public:
  std::string Run(HWND owner, const std::string& title) {
    owner = ModalOwner(owner);
    DialogTemplate box;
    box.caption = title.empty() ? "Browse for Folder" : title;
    box.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    box.cx = 220;
    box.cy = 190;
    box.items = {
        {"Edit", "", kChooserFolderEdit, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 7, 7, 206, 13},
        {"ListBox", "", kChooserList, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 7, 24, 206, 140},
        {"Button", "OK", IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 106, 170, 50, 14},
        {"Button", "Cancel", IDCANCEL, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 163, 170, 50, 14},
    };
    if (!CreateFromTemplate(box, owner, true)) return "";
    char current[MAX_PATH] = {};
    GetCurrentDirectory(sizeof current, current);
    Show(ChooserFolderOf(current));
    {
      ModalDisabler disabler(m_hWnd);
      ShowWindow(SW_SHOW);
      ::SetActiveWindow(m_hWnd);
      RunDialogAnswerer(*this);
      if (ContinueModal()) RunModalLoop();
    }
    if (m_hWnd) DestroyWindow();
    if (owner && ::IsWindow(owner)) ::SetActiveWindow(owner);
    return m_nModalResult == IDOK ? chosen_ : "";
  }

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    HWND list = ::GetDlgItem(m_hWnd, kChooserList);
    if (id == kChooserList && code == LBN_DBLCLK) {
      if (const ChooserEntry* entry =
              ChooserEntryAt(entries_, list, static_cast<int>(::SendMessage(list, LB_GETCURSEL, 0, 0)))) {
        const std::string target = entry->target;  // the list is made anew
        Show(target);
      }
      return TRUE;
    }
    if (id == IDOK) {
      char typed[MAX_PATH] = {};
      GetDlgItemText(kChooserFolderEdit, typed, sizeof typed);
      const std::string path = typed;
      const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributes(path.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::MessageBox(m_hWnd, ("\"" + path + "\" is no folder.").c_str(), "Browse for Folder", MB_OK | MB_ICONEXCLAMATION);
        return TRUE;
      }
      if (path != folder_) {  // a typed path is opened first, then chosen with OK
        Show(ChooserFolderOf(path));
        return TRUE;
      }
      chosen_ = path;
      EndDialog(IDOK);
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }

 private:
  void Show(const std::string& folder) {
    folder_ = folder;
    std::vector<ChooserEntry> all = ListChooserFolder(folder, "");
    entries_.clear();
    for (ChooserEntry& entry : all)
      if (entry.folder) entries_.push_back(entry);
    FillChooserList(::GetDlgItem(m_hWnd, kChooserList), entries_);
    SetDlgItemText(kChooserFolderEdit, folder.c_str());
  }

  std::string folder_;
  std::string chosen_;
  std::vector<ChooserEntry> entries_;
};

}  // namespace

std::string RunFolderChooser(HWND owner, const std::string& title) {
  FolderChooser chooser;
  return chooser.Run(owner, title);
}

}  // namespace qh::ui
