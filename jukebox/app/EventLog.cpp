// The event log and message boxes: every part of the jukebox reports through LogEvent (log and box,
// each by its own switch) or WriteErrorLog (log only). The log file is written by the log writer
// Quillmark, created through COM by its program id. Started from a terminal, the program also traces
// every entry to standard error.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "logwriter/ITSLLogWriter.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/Variant.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"

namespace {

VARIANT BstrVariant(const CString& text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = AnsiToBstr(text.GetString());
  return value;
}

void Trace(const CString& severity, const CString& source, const CString& text) {
  std::fprintf(stderr, "Tonebarn %s %s: %s\n", severity.GetString(), source.GetString(), text.GetString());
}

}  // namespace

UINT CJukeboxApp::IconForSeverity(const CString& severity) {
  if (severity.CompareNoCase("S") == 0) return MB_ICONHAND;
  if (severity.CompareNoCase("E") == 0) return MB_ICONEXCLAMATION;
  if (severity.CompareNoCase("W") == 0) return MB_ICONQUESTION;
  return MB_ICONASTERISK;
}

int CJukeboxApp::LogEvent(const CString& severity, const CString& source, const CString& text) {
  if (m_errorLog) WriteLogLine(severity, source, text);
  else if (m_traceToStderr) Trace(severity, source, text);
  if (m_errorMessageBox) ::MessageBox(nullptr, text.GetString(), "Quaverhouse", MB_OK | IconForSeverity(severity));
  return TRUE;
}

void CJukeboxApp::WriteErrorLog(const CString& severity, const CString& source, const CString& text) {
  WriteLogLine(severity, source, text);
}

BOOL CJukeboxApp::WriteLogLine(const CString& severity, const CString& source, const CString& text) {
  if (m_traceToStderr) Trace(severity, source, text);
  if (!m_logWriter) return FALSE;
  VARIANT level = BstrVariant(severity), component = BstrVariant(source), message = BstrVariant(text);
  const HRESULT result = m_logWriter->WriteString(level, component, message);
  VariantClear(&level);
  VariantClear(&component);
  VariantClear(&message);
  return SUCCEEDED(result) ? TRUE : FALSE;
}

BOOL CJukeboxApp::OpenErrorLog() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(kLogWriterProgId, &clsid))) return FALSE;
  ITSLLogWriter* writer = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_ITSLLogWriter, reinterpret_cast<void**>(&writer))) ||
      !writer)
    return FALSE;
  m_logWriter = writer;

  CString folder = GetProfileString("Jukebox", "ErrorLogPath", "");
  const DWORD attributes = folder.IsEmpty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributes(folder.GetString());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    folder = m_startDirectory + "\\Logs";
  VARIANT folderValue = BstrVariant(folder);
  m_logWriter->SetLogFolder(folderValue);
  VariantClear(&folderValue);

  WriteStartupLines();
  return TRUE;
}

void CJukeboxApp::WriteStartupLines() {
  WriteLogLine("I", "Main", jukebox::kLogFrameLine);
  WriteLogLine("I", "Main", jukebox::FormatText(jukebox::IDS_STARTING, m_longVersion.GetString()));
  CString built;
  built.Format("Built on %s at %s", __DATE__, __TIME__);
  WriteLogLine("I", "Main", built);
  WriteLogLine("I", "Main", m_copyright);
}
