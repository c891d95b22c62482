// The file-open dialog and the folder browser. Headless, a test answerer plays the user: it sees the
// request (title, filter pairs, flags, the extra controls of a template) and answers with the chosen
// paths or a cancel. Without an answerer the dialogs are cancelled.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core/Collections.h"
#include "platform/ui/Dialog.h"

// OPENFILENAME flags.
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000
#define OFN_ENABLESIZING 0x00800000
// CommDlgExtendedError values.
#define CDERR_GENERALCODES 0x0000
#define CDERR_FINDRESFAILURE 0x0006
#define FNERR_BUFFERTOOSMALL 0x3003

struct OPENFILENAME {
  DWORD lStructSize = sizeof(OPENFILENAME);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCSTR lpstrFilter = nullptr;  // pairs of zero-terminated texts, ending with an empty one
  LPSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;  // 1-based
  LPSTR lpstrFile = nullptr;
  DWORD nMaxFile = 0;
  LPSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCSTR lpstrInitialDir = nullptr;
  LPCSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  void* lpfnHook = nullptr;
  LPCSTR lpTemplateName = nullptr;
};
using LPOPENFILENAME = OPENFILENAME*;

// The error of the last file dialog of the calling thread (0 for a plain cancel).
DWORD CommDlgExtendedError();

class CFileDialog;

namespace qh::ui {

struct FileDialogRequest {
  bool open = true;
  std::string title;
  std::vector<std::pair<std::string, std::string>> filters;  // (description, pattern)
  int filterIndex = 1;
  std::string initialDir;
  std::string fileName;  // the name the dialog starts with
  DWORD flags = 0;
  int turn = 0;  // how often this dialog asked before (a refused answer asks again)
};
struct FileDialogAnswer {
  bool cancel = false;
  std::vector<std::string> paths;  // full Windows paths; several only with OFN_ALLOWMULTISELECT
  int filterIndex = 0;             // 0 keeps the dialog's
};
// Sees each file dialog; `dialog` gives the extra controls of its template (check boxes and the like)
// to drive by messages before answering.
using FileDialogAnswerer = std::function<FileDialogAnswer(const FileDialogRequest&, CFileDialog& dialog)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

struct FolderRequest {
  HWND owner = nullptr;
  std::string title;
  UINT flags = 0;
};
// Returns the chosen folder, or "" to cancel.
using FolderAnswerer = std::function<std::string(const FolderRequest&)>;
void SetFolderAnswerer(FolderAnswerer answerer);

// Without an answerer the file dialog and the folder browser are real dialogs when a display shows the
// windows (QH_DISPLAY=sdl); headless they cancel. Tests of the on-screen dialogs turn them on here and
// drive them as any dialog (SetDialogAnswerer).
bool OnScreenChoosers();
namespace testing {
void SetOnScreenChoosers(bool on);
}

}  // namespace qh::ui

class CFileDialog : public CDialog {
 public:
  // `filter` is the framework's form: "Audio (*.mp3)|*.mp3|All Files (*.*)|*.*||".
  explicit CFileDialog(BOOL openFileDialog, LPCSTR defaultExt = nullptr, LPCSTR fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
                       CWnd* parent = nullptr);

  // IDOK with the chosen names, IDCANCEL for a cancel or a failure (see CommDlgExtendedError).
  INT_PTR DoModal() override;
  CString GetPathName() const;
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;
  CString GetFolderPath() const;
  // Multiple selection: walks the chosen full paths.
  POSITION GetStartPosition() const;
  CString GetNextPathName(POSITION& position) const;

  // The user pressed Open with these names: TRUE refuses them and keeps the dialog open.
  virtual BOOL OnFileNameOK();
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  OPENFILENAME m_ofn;
  BOOL m_bOpenFileDialog;

 private:
  // On a display (or when a test asks): the dialog itself, with its folder list, name and filter.
  INT_PTR RunOnScreen(HWND owner);
  void ShowFolder(const std::string& folder);
  void AcceptOnScreen(bool fromList);
  // The caption of the dialog and of the boxes it shows: the program's title, else "Open" or "Save As".
  std::string Title() const;
  std::string onScreenFolder_;
  bool onScreen_ = false;
  bool Validate(const std::vector<std::string>& paths, std::string* problem) const;
  bool StoreResult(const std::vector<std::string>& paths);
  std::vector<std::string> Chosen() const;
  std::string filter_;  // the filter in the platform's zero-separated form
  char fileBuffer_[MAX_PATH] = {};
  std::string defaultExt_;
};

// ---- Folder browser ----
struct QhItemIdList;
using LPITEMIDLIST = QhItemIdList*;
using LPCITEMIDLIST = const QhItemIdList*;
using PIDLIST_ABSOLUTE = LPITEMIDLIST;
using BFFCALLBACK = int (*)(HWND, UINT, LPARAM, LPARAM);
#define BIF_RETURNONLYFSDIRS 0x0001
#define BIF_DONTGOBELOWDOMAIN 0x0002
#define BIF_STATUSTEXT 0x0004
#define BIF_EDITBOX 0x0010
#define BIF_NEWDIALOGSTYLE 0x0040
struct BROWSEINFO {
  HWND hwndOwner = nullptr;
  LPCITEMIDLIST pidlRoot = nullptr;
  LPSTR pszDisplayName = nullptr;  // MAX_PATH bytes: the chosen folder's own name
  LPCSTR lpszTitle = nullptr;
  UINT ulFlags = 0;
  BFFCALLBACK lpfn = nullptr;
  LPARAM lParam = 0;
  int iImage = 0;
};
using LPBROWSEINFO = BROWSEINFO*;
// Null when cancelled. Free the result with ILFree.
LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO info);
BOOL SHGetPathFromIDList(LPCITEMIDLIST list, LPSTR path);
void ILFree(LPITEMIDLIST list);
