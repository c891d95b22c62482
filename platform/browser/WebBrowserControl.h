// The web-browser control: a child window showing one page of ours, driven through the automation
// members the system calls (Navigate, Left, Top, Width, Height, and LocationURL to read back).
#pragma once

#include "platform/core/WinTypes.h"

namespace qh::browser {

// The public class id of the web browser control: 8856F961-340A-11D0-A96B-00C04FD705A2.
extern const GUID CLSID_WebBrowser;
// The window class of the control's windows.
inline constexpr const char* kWebBrowserClass = "QhWebBrowser";

// Dispatch ids of the control's automation interface.
inline constexpr LONG kDispNavigate = 0x68;
inline constexpr LONG kDispLeft = 0xCE;
inline constexpr LONG kDispTop = 0xCF;
inline constexpr LONG kDispWidth = 0xD0;
inline constexpr LONG kDispHeight = 0xD1;
inline constexpr LONG kDispLocationUrl = 0xD3;

// Registers the window class and maps the class id to it; later calls do nothing.
void RegisterWebBrowserControl();

}  // namespace qh::browser
