// Dialogs: templates (registered by the program from its resources), CDialog modal and modeless,
// the dialog keyboard (Tab, Enter to the default button, Escape to IDCANCEL), and data exchange.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/core/DateTime.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/DataExchange.h"

namespace qh::ui {

// Positions and sizes are in dialog units, as resource templates give them.
struct DialogItemTemplate {
  std::string className;  // "Button", "Static", "Edit", "ListBox", or a registered class
  std::string text;
  UINT id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
};
struct DialogTemplate {
  std::string caption;
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::vector<DialogItemTemplate> items;
};

// The program's dialog templates by id.
void RegisterDialogTemplate(UINT id, DialogTemplate dialogTemplate);
std::optional<DialogTemplate> FindDialogTemplate(UINT id);
// Reads templates in the readable resource form and registers them; false (with a message naming
// the line) on the first malformed line, with nothing of that template registered:
//   DIALOG <id> "<caption>" <x> <y> <cx> <cy> [STYLE <hex>] [EXSTYLE <hex>]
//     CONTROL <id> <class> "<text>" <style hex> <x> <y> <cx> <cy> [EXSTYLE <hex>]
//   END
// Lines starting with '#' are comments. Texts use \" and \\ escapes, and \n for a line break.
bool LoadDialogTemplates(const std::string& text, std::string* error = nullptr);
// The same from a file (a host path), and from every "*.dlg" file of a folder (a program's
// resources/<program>/dialogs). False, with the file and line in `error`, at the first bad file.
bool LoadDialogTemplateFile(const std::string& path, std::string* error = nullptr);
bool LoadDialogTemplateFolder(const std::string& folder, std::string* error = nullptr);
// Dialog units to pixels (the dialog font is 8 points: 6 x 13 pixel base units).
RECT DialogUnitsToPixels(int x, int y, int cx, int cy);

// Sees each modal dialog once its controls exist and WM_INITDIALOG ran, before its modal loop: a test
// drives it by messages (posted clicks, keys, timers) or ends it with EndDialog.
using DialogAnswerer = std::function<void(CWnd& dialog)>;
void SetDialogAnswerer(DialogAnswerer answerer);
// Hands a modal window that is about to run its loop to the answerer, if one is installed.
void RunDialogAnswerer(CWnd& dialog);
// The window a modal window belongs to: the top-level window of `parent`, else the main window, else
// the active window; a window waiting for a modal window of its own hands on to that one (nested
// dialogs). It is disabled while the modal window runs and active again when it ends.
HWND ModalOwner(HWND parent);

}  // namespace qh::ui

class CDialog : public CWnd {
 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  explicit CDialog(LPCSTR templateName, CWnd* parent = nullptr);

  // Runs the dialog modally; returns EndDialog's result, or -1 when the dialog could not be made.
  virtual INT_PTR DoModal();
  // Makes the dialog modeless; it lives until DestroyWindow.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  BOOL CreateIndirect(const qh::ui::DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
  void EndDialog(int result);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  BOOL PreTranslateMessage(MSG* msg) override;

  // The default button (DM_GETDEFID); IDOK unless changed.
  void SetDefID(UINT id);
  DWORD GetDefID() const;
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void GotoDlgCtrl(CWnd* control);

  UINT m_nIDHelp = 0;
  UINT m_nTemplateId = 0;
  CWnd* m_pParentWnd = nullptr;

 protected:
  // Makes the dialog's window and controls and runs WM_INITDIALOG. `owner` is the owner of a popup
  // dialog or the parent of a child one (property pages).
  BOOL CreateFromTemplate(const qh::ui::DialogTemplate& dialogTemplate, HWND owner, bool modal);
  void CenterOnOwner(HWND owner);
  bool HandleDialogKey(MSG* msg);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  afx_msg void OnOkCommand() { OnOK(); }
  afx_msg void OnCancelCommand() { OnCancel(); }
  afx_msg void OnClose();
  DECLARE_MESSAGE_MAP()

 private:
  UINT defaultId_ = IDOK;
  bool modal_ = false;
};

// ---- Data exchange ----
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);  // also DWORD, the same type here
void DDX_Text(CDataExchange* dx, int id, long& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// The index of the checked button of the radio group that starts at `id` (-1 when none).
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);
void DDX_LBString(CDataExchange* dx, int id, CString& value);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
// Saving takes the combo's text; loading selects the first item that starts with the value.
void DDX_CBString(CDataExchange* dx, int id, CString& value);
void DDX_CBStringExact(CDataExchange* dx, int id, CString& value);
// The date of a date-time picker; a picker that shows no date gives a null date.
void DDX_DateTimeCtrl(CDataExchange* dx, int id, COleDateTime& value);
void DDX_DateTimeCtrl(CDataExchange* dx, int id, CTime& value);
void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue);
void DDV_MinMaxLong(CDataExchange* dx, long value, long minValue, long maxValue);
void DDV_MinMaxDWord(CDataExchange* dx, DWORD value, DWORD minValue, DWORD maxValue);
