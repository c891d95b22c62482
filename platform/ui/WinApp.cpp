// The application object and the framework's main.
#include "platform/ui/WinApp.h"

#include <string>

#include "platform/core/StringTable.h"
#include "platform/ui/MessageBox.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(LPCSTR appName) {
  g_app = this;
  if (appName) {
    appName_ = appName;
    m_pszAppName = appName_;
  }
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

void CWinApp::SetCommandLine(int argc, char** argv) {
  std::string program = argc > 0 && argv[0] ? argv[0] : "";
  auto slash = program.find_last_of("/\\");
  std::string base = slash == std::string::npos ? program : program.substr(slash + 1);
  auto dot = base.rfind('.');
  exeName_ = dot == std::string::npos ? base : base.substr(0, dot);
  m_pszExeName = exeName_;
  if (!m_pszAppName) {
    char title[256];
    if (::LoadString(nullptr, AFX_IDS_APP_TITLE, title, sizeof title) > 0)
      appName_ = title;
    else
      appName_ = exeName_;
    m_pszAppName = appName_;
  }
  if (!m_pszProfileName) {
    profileName_ = m_pszAppName;
    m_pszProfileName = profileName_;
  }
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i] ? argv[i] : "";
  }
  commandLine_ = line;
  m_lpCmdLine = commandLine_.GetBuffer();
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }
BOOL CWinApp::OnIdle(LONG) { return FALSE; }
BOOL CWinApp::PreTranslateMessage(MSG* msg) { return qh::ui::WalkPreTranslateTree(msg); }
BOOL CWinApp::IsRunningOnThisThread() const { return m_nThreadID == 0 || m_nThreadID == GetCurrentThreadId(); }

int CWinApp::Run() {
  for (;;) {
    LONG idleCount = 0;
    MSG probe;
    while (!::PeekMessage(&probe, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(idleCount++)) {
    }
    int exitCode = 0;
    if (!qh::ui::PumpMessage(&exitCode)) {
      ExitInstance();
      return exitCode;
    }
  }
}

void CWinApp::SetRegistryKey(LPCSTR company) {
  registryKey_ = company ? company : "";
  m_pszRegistryKey = registryKey_;
  if (!m_pszProfileName) {
    profileName_ = m_pszAppName ? m_pszAppName : "";
    m_pszProfileName = profileName_;
  }
  profile_.SetProfileName(m_pszProfileName);
  profile_.SetRegistryKey(m_pszRegistryKey);
}

void CWinApp::SetRegistryKey(UINT companyStringId) {
  char text[256] = {};
  ::LoadString(nullptr, companyStringId, text, sizeof text);
  SetRegistryKey(text);
}

UINT CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) {
  return profile_.GetProfileInt(section, entry, defaultValue);
}
CString CWinApp::GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue) {
  return profile_.GetProfileString(section, entry, defaultValue);
}
BOOL CWinApp::WriteProfileInt(LPCSTR section, LPCSTR entry, int value) {
  return profile_.WriteProfileInt(section, entry, value);
}
BOOL CWinApp::WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value) {
  return profile_.WriteProfileString(section, entry, value);
}

void CWinApp::BeginWaitCursor() {
  if (m_nWaitCursorCount++ == 0) ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}
void CWinApp::EndWaitCursor() {
  if (m_nWaitCursorCount > 0 && --m_nWaitCursorCount == 0) ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
}
void CWinApp::RestoreWaitCursor() {
  if (m_nWaitCursorCount > 0) ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}
HCURSOR CWinApp::LoadStandardCursor(LPCSTR name) const { return ::LoadCursor(nullptr, name); }
HCURSOR CWinApp::LoadCursor(UINT id) const {
  return ::LoadCursor(m_hInstance, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id)));
}
// Icons have no pixels in this layer; each id is a distinct handle so windows can keep and return it.
HICON CWinApp::LoadIcon(UINT id) const {
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x20000000u | id));
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() {
  CWinThread* thread = AfxGetThread();
  if (!thread) thread = g_app;
  return thread ? thread->m_pMainWnd : nullptr;
}

LPCSTR AfxGetAppName() { return g_app && g_app->m_pszAppName ? g_app->m_pszAppName : ""; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : nullptr; }
HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

static void ReplaceAll(std::string& text, const std::string& what, const char* with) {
  std::string replacement = with ? with : "";
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + replacement.size()))
    text.replace(at, what.size(), replacement);
}

void AfxFormatString1(CString& text, UINT stringId, LPCSTR first) { AfxFormatString2(text, stringId, first, nullptr); }

void AfxFormatString2(CString& text, UINT stringId, LPCSTR first, LPCSTR second) {
  CString pattern;
  pattern.LoadString(stringId);
  std::string result = pattern.str();
  ReplaceAll(result, "%1", first);
  if (second) ReplaceAll(result, "%2", second);
  text = CString(result);
}

int AfxRunThreadMessageLoop(CWinThread& thread) {
  MSG msg;
  ::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts to the thread
  while (qh::ui::PumpMessage()) {
  }
  return thread.ExitInstance();
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  app->SetCommandLine(argc, argv);
  app->m_nThreadID = GetCurrentThreadId();
  if (!app->InitInstance()) {
    if (app->m_pMainWnd && ::IsWindow(app->m_pMainWnd->m_hWnd)) app->m_pMainWnd->DestroyWindow();
    return app->ExitInstance();
  }
  return app->Run();
}
