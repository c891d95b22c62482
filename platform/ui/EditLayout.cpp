// Breaking a multi-line edit's lines into rows that fit its view.
#include "platform/ui/EditLayout.h"

#include <algorithm>

namespace qh::ui {
namespace {

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

// The most characters from `from` that fit in `width` (at least one, so every row moves on). Each
// character is at least a pixel wide, so no piece longer than the width is measured.
std::size_t FittingLength(std::string_view line, std::size_t from, int width, const MeasureRow& measure) {
  std::size_t low = 1, high = std::min(line.size() - from, static_cast<std::size_t>(width));
  while (low < high) {
    const std::size_t middle = (low + high + 1) / 2;
    if (measure(line.substr(from, middle)) <= width)
      low = middle;
    else
      high = middle - 1;
  }
  return low;
}

// Appends the rows of one line (no line break in it) that starts at `offset` in the text.
void WrapLine(std::string_view line, std::size_t offset, int width, const MeasureRow& measure, std::vector<EditRow>& rows) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t rest = line.size() - from;
    if (rest <= static_cast<std::size_t>(width) && measure(line.substr(from)) <= width) {
      rows.push_back({offset + from, rest});
      return;
    }
    const std::size_t fit = FittingLength(line, from, width, measure);
    std::size_t end = from + fit;  // the first character that does not fit
    std::size_t next = end;
    if (end < line.size() && !IsBlank(line[end])) {
      // Back to the last blank that fits; a word as wide as the row is broken where the row ends.
      std::size_t blank = end;
      while (blank > from && !IsBlank(line[blank - 1])) --blank;
      if (blank > from) end = next = blank;
    }
    while (end > from && IsBlank(line[end - 1])) --end;  // the blanks before the break are not shown
    while (next < line.size() && IsBlank(line[next])) ++next;  // nor those after it: they end the row
    if (end == from) end = next;  // a row of nothing but blanks still shows them
    rows.push_back({offset + from, end - from});
    if (next >= line.size()) return;
    from = next;
  }
}

}  // namespace

std::vector<EditRow> LayOutRows(std::string_view text, int width, const MeasureRow& measure) {
  std::vector<EditRow> rows;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::size_t shown = end;
    if (!last && shown > start && text[shown - 1] == '\r') --shown;
    if (measure && width >= 1 && shown > start)
      WrapLine(text.substr(start, shown - start), start, width, measure, rows);
    else
      rows.push_back({start, shown - start});
    if (last) return rows;
    start = end + 1;
  }
}

int RowOf(const std::vector<EditRow>& rows, std::size_t offset) {
  auto after = std::upper_bound(rows.begin(), rows.end(), offset,
                                [](std::size_t at, const EditRow& row) { return at < row.start; });
  return std::max(0, static_cast<int>(after - rows.begin()) - 1);
}

}  // namespace qh::ui
