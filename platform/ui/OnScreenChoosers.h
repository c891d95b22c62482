// The file dialog's and the folder browser's on-screen form: a folder list the user walks (sub-folders
// in brackets, "[..]" up, "[-D-]" for the drives), a name and, for files, a filter. Used when a display
// shows the windows and no answerer is installed (CommonDialogs.h).
#pragma once

#include <string>
#include <vector>

#include "platform/ui/AfxWin.h"
#include "platform/ui/Dialog.h"

namespace qh::ui {

inline constexpr UINT kChooserFolderEdit = 0x4A1;
inline constexpr UINT kChooserList = 0x4A2;
inline constexpr UINT kChooserNameEdit = 0x4A3;
inline constexpr UINT kChooserTypes = 0x4A4;

// One line of the list: its text and where it leads.
struct ChooserEntry {
  std::string text;    // "[..]", "[name]", "[-D-]" or a file name
  std::string target;  // the folder it opens ("" for the drive list), or the file's full path
  bool folder = false;
};

// The folder as a chooser shows it in "Look in": its drive form ("D:\\Music") for a folder of the system
// or of the host that a drive of the drive table holds; "" (the drive list) when no drive holds it.
std::string ChooserFolderOf(const std::string& folder);
// The full name of a name typed below the folder shown, in drive form where a drive holds it: a full
// name (drive form, or a host path from the root) stands for itself, any other is joined to the folder.
std::string ChooserPathOf(const std::string& folder, const std::string& typed);

// The lines for a folder (a path of the system; "" lists the drives): up, sub-folders, then files that
// match one of `patterns` (";"-separated; none when empty), each group sorted without case, then the drives.
std::vector<ChooserEntry> ListChooserFolder(const std::string& folder, const std::string& patterns);
// Fills the list box with the lines.
void FillChooserList(HWND list, const std::vector<ChooserEntry>& entries);
// The line of the list box at index (its text looked up again in `entries`).
const ChooserEntry* ChooserEntryAt(const std::vector<ChooserEntry>& entries, HWND list, int index);

// The on-screen folder browser; the chosen folder, or "" when cancelled.
std::string RunFolderChooser(HWND owner, const std::string& title);

}  // namespace qh::ui
