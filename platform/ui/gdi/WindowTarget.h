// How device contexts reach a window's pixels. The window manager owns the windows and their surfaces;
// it registers a provider here, and GetDC, GetWindowDC and its own BeginPaint ask that provider where a
// window's drawing lands.
#pragma once

#include "platform/core/WinTypes.h"
#include "platform/ui/gdi/Region.h"
#include "platform/ui/gdi/Surface.h"

namespace qh::gdi {

enum class DcArea { Client, Window };

// Where a window DC draws: device point (0, 0) is surface point `origin`, and only the pixels of
// `visible` (in device coordinates, i.e. relative to origin) may change. The surface stays owned by the
// window manager and must outlive every DC opened on it.
struct DrawTarget {
  Surface* surface = nullptr;
  POINT origin;
  Region visible;
};

class WindowSurfaceProvider {
 public:
  virtual ~WindowSurfaceProvider() = default;
  // Fills `out` for the window's client area or whole window; false for an unknown window.
  virtual bool Target(HWND window, DcArea area, DrawTarget& out) = 0;
  // A window DC was released: what it drew may now be presented.
  virtual void Released(HWND window) {}
  // Bring the window and its children up to date (pending painting done) before a snapshot reads it.
  virtual void UpdateNow(HWND window) {}
  // The window's rectangle on its surface (whole window), for snapshots; false for an unknown window.
  virtual bool WindowArea(HWND window, Surface*& surface, RECT& area) = 0;
};

// Installs the provider (null removes it). The window manager calls this once at start.
void SetWindowSurfaceProvider(WindowSurfaceProvider* provider);
WindowSurfaceProvider* GetWindowSurfaceProvider();

// Opens a DC on a window through the provider, with its drawing limited to `limit` as well (device
// coordinates; null = no further limit). BeginPaint uses it with the update region. Returns null when the
// provider does not know the window. Close it with CloseWindowDC (or ReleaseDC).
HDC OpenWindowDC(HWND window, DcArea area, const Region* limit);
void CloseWindowDC(HDC dc);

// The region object behind a region handle (null for a bad handle). The window manager keeps a window's
// region (SetWindowRgn) as such a handle and hit-tests it with Region::contains in window coordinates.
const Region* RegionFromHandle(HRGN region);
Region* MutableRegionFromHandle(HRGN region);
// The surface behind a bitmap handle (null for a bad handle), for static controls and image lists that
// draw bitmaps themselves.
const Surface* SurfaceFromBitmap(HBITMAP bitmap);
bool IsMonochromeBitmap(HBITMAP bitmap);

}  // namespace qh::gdi
