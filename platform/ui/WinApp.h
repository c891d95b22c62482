// The application object: one CWinApp per program (the "theApp" global), run by AfxWinMain on the
// program's main thread. InitInstance makes the main window; Run pumps messages until WM_QUIT (sent
// when the main window is destroyed); ExitInstance always runs, also after a failed InitInstance.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/Registry.h"
#include "platform/core/Thread.h"
#include "platform/ui/AfxWin.h"

// The string id of the application's title in the program's string table.
#define AFX_IDS_APP_TITLE 0xE000

class CWinApp : public CWinThread {
 public:
  // A null name takes the application title from string AFX_IDS_APP_TITLE, else the program's name.
  explicit CWinApp(LPCSTR appName = nullptr);
  ~CWinApp() override;

  BOOL InitInstance() override;
  // The message loop: returns ExitInstance()'s result once WM_QUIT arrives.
  int Run() override;
  int ExitInstance() override;
  // Called when the queue is empty; count counts the idle calls since the last message. TRUE asks
  // for more idle calls.
  virtual BOOL OnIdle(LONG count);
  // The application's turn before a message is dispatched; the default walks the window chain.
  virtual BOOL PreTranslateMessage(MSG* msg);
  BOOL IsRunningOnThisThread() const;

  // The profile under HKEY_CURRENT_USER\Software\<company>\<m_pszProfileName>.
  void SetRegistryKey(LPCSTR company);
  void SetRegistryKey(UINT companyStringId);
  UINT GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue);
  CString GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue = nullptr);
  BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value);
  BOOL WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value);

  // The wait cursor (nesting: +1 on, -1 off, 0 restore).
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();
  HCURSOR LoadStandardCursor(LPCSTR name) const;
  HCURSOR LoadCursor(UINT id) const;
  HICON LoadIcon(UINT id) const;

  // Set by AfxWinMain before InitInstance.
  LPCSTR m_pszAppName = nullptr;
  LPCSTR m_pszExeName = nullptr;
  LPCSTR m_pszProfileName = nullptr;
  LPCSTR m_pszRegistryKey = nullptr;
  LPSTR m_lpCmdLine = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;
  HINSTANCE m_hInstance = nullptr;
  int m_nWaitCursorCount = 0;

  // Fills the names and the command line (the arguments after the program's, joined by blanks).
  void SetCommandLine(int argc, char** argv);

 private:
  CString appName_;
  CString exeName_;
  CString profileName_;
  CString registryKey_;
  CString commandLine_;
  ProfileStore profile_;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
LPCSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// String `stringId` of the program's string table with "%1" (and "%2") replaced by the texts.
void AfxFormatString1(CString& text, UINT stringId, LPCSTR first);
void AfxFormatString2(CString& text, UINT stringId, LPCSTR first, LPCSTR second);

// The message loop of a user-interface thread other than the application's: a CWinThread whose Run
// returns this pumps messages (with the windows' pre-translation) until WM_QUIT, then returns
// ExitInstance()'s result.
int AfxRunThreadMessageLoop(CWinThread& thread);

// The framework's main: InitInstance, then Run, or ExitInstance alone when InitInstance fails.
// Returns the program's exit code.
int AfxWinMain(int argc, char** argv);
