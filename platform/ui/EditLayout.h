// The rows a multi-line edit shows. Each line of its text ("\r\n" or "\n" ends one) is a row; an edit
// that wraps breaks a line too wide for its view at the last blank that fits, leaving the blanks at the
// end of the row, and breaks a word wider than the view where the view ends. Text offsets, line
// numbers (EM_LINEINDEX, EM_LINEFROMCHAR), the scroll bar and the caret keys all count these rows.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qh::ui {

struct EditRow {
  std::size_t start = 0;   // offset of the row's first character
  std::size_t length = 0;  // characters shown: without the line break and the blanks a wrap leaves at the end
};

// The width in pixels of a piece of a row, measured from the row's start (tabs expand from there).
using MeasureRow = std::function<int(std::string_view)>;

// The rows of `text`; with no `measure` or a width below one pixel, every line is one row.
std::vector<EditRow> LayOutRows(std::string_view text, int width, const MeasureRow& measure);

// The row that shows `offset` (a wrapped row's end is the next row's start).
int RowOf(const std::vector<EditRow>& rows, std::size_t offset);

}  // namespace qh::ui
