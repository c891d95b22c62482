// Image lists: rows of equal-sized images with optional transparency masks, drawn into a DC, and the
// drag image that follows the pointer during a drag.
#pragma once

#include "platform/core/WinTypes.h"

struct QhImageList;
using HIMAGELIST = QhImageList*;

#define ILC_MASK 0x0001
#define ILC_COLOR 0x0000
#define ILC_COLOR4 0x0004
#define ILC_COLOR8 0x0008
#define ILC_COLOR16 0x0010
#define ILC_COLOR24 0x0018
#define ILC_COLOR32 0x0020
#define ILD_NORMAL 0x0000
#define ILD_TRANSPARENT 0x0001
#define ILD_FOCUS 0x0002
#define ILD_SELECTED 0x0004
#define ILD_MASK 0x0010
#define CLR_NONE 0xFFFFFFFFu
#define CLR_DEFAULT 0xFF000000u

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// Adds the images of a bitmap strip (its width / cx of them); the mask (monochrome, white =
// transparent) may be null. Returns the index of the first one, or -1.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// The pixels of colour `maskColor` become transparent.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor);
BOOL ImageList_Remove(HIMAGELIST list, int index);  // -1 removes all
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);

// The drag image: one per program, shown over the window `lock` (client coordinates).
BOOL ImageList_BeginDrag(HIMAGELIST list, int index, int hotspotX, int hotspotY);
BOOL ImageList_DragEnter(HWND lock, int x, int y);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragShowNolock(BOOL show);
BOOL ImageList_DragLeave(HWND lock);
void ImageList_EndDrag();

namespace qh::ui {
// Where the drag image is, for tests: false when no drag runs.
struct DragImageState {
  HWND lock = nullptr;
  POINT position;
  bool shown = false;
  int index = -1;
};
bool CurrentDragImage(DragImageState* out);
}  // namespace qh::ui
