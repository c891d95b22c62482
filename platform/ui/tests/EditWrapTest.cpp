// Multi-line edits without horizontal scrolling wrap their lines at word boundaries: the rows, the line
// messages, the scroll bar, the caret keys and the picture all follow the wrapped rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/AfxControls.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/EditLayout.h"
#include "platform/ui/Input.h"
#include "platform/ui/OwnScrollBar.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

namespace qh::ui::test {
namespace {

// Every character ten pixels wide: rows are easy to reckon by hand.
int TenEach(std::string_view piece) { return static_cast<int>(piece.size()) * 10; }

std::vector<std::pair<std::size_t, std::size_t>> Spans(const std::vector<EditRow>& rows) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  for (const EditRow& row : rows) out.emplace_back(row.start, row.length);
  return out;
}

TEST(EditRows, LinesBreakAtTheLastBlankThatFitsAndLongWordsWhereTheRowEnds) {
  using Spans_ = std::vector<std::pair<std::size_t, std::size_t>>;
  struct Case {
    const char* text;
    int width;
    Spans_ rows;
  } cases[] = {
      {"", 100, {{0, 0}}},
      {"short", 100, {{0, 5}}},
      {"alpha beta gamma", 100, {{0, 10}, {11, 5}}},  // "alpha beta" is just 100 pixels
      {"alpha beta gamma", 99, {{0, 5}, {6, 4}, {11, 5}}},
      {"alpha beta gamma", 120, {{0, 10}, {11, 5}}},
      {"one  two", 40, {{0, 3}, {5, 3}}},             // the blanks at a break show on no row
      {"abcdefghijklmnop", 50, {{0, 5}, {5, 5}, {10, 5}, {15, 1}}},
      {"a\r\nb c d", 30, {{0, 1}, {3, 3}, {7, 1}}},
      {"first line\r\n\r\nx", 200, {{0, 10}, {12, 0}, {14, 1}}},
      {"ends with a break\r\n", 1000, {{0, 17}, {19, 0}}},
      {"no ES_ wrap\nat all", 0, {{0, 11}, {12, 6}}},
      {"word    ", 40, {{0, 4}}},                       // trailing blanks end the row
      {"   lead", 20, {{0, 3}, {3, 2}, {5, 2}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Spans(LayOutRows(c.text, c.width, TenEach)), c.rows) << "'" << c.text << "' in " << c.width;
  // Without a measure every line is one row, however long.
  EXPECT_EQ(Spans(LayOutRows(std::string(500, 'x') + "\ny", 50, nullptr)), (Spans_{{0, 500}, {501, 1}}));

  const std::vector<EditRow> rows = LayOutRows("alpha beta gamma", 100, TenEach);
  EXPECT_EQ(RowOf(rows, 0), 0);
  EXPECT_EQ(RowOf(rows, 10), 0);  // after "beta"
  EXPECT_EQ(RowOf(rows, 11), 1);  // a wrapped row's end is the next row's start
  EXPECT_EQ(RowOf(rows, 16), 1);  // the text's end
}

class WrappingEdit : public ::testing::Test {
 protected:
  static constexpr const char* kLogLine =
      "**ERROR! Could not find disk volume information for 2 of the songs in the database. Database conversion FAILED.";

  void SetUp() override { MoveWindow(parent.hwnd(), 0, 0, 600, 400, TRUE); }
  CWnd* Parent() { return CWnd::FromHandle(parent.hwnd()); }
  static void Key(HWND control, UINT key) {
    SetFocus(control);
    InjectKey(key, true);
    InjectKey(key, false);
    PumpPending();
  }
  static std::string Row(HWND edit, int row) {
    char line[512] = {};
    *reinterpret_cast<WORD*>(line) = sizeof line;
    const auto length = SendMessage(edit, EM_GETLINE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(line));
    return std::string(line, static_cast<std::size_t>(length));
  }
  static int Caret(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end);
  }
  // The width of `text` in the edits' font.
  static int Width(const std::string& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return static_cast<int>(size.cx);
  }
  static bool Dark(COLORREF color) { return GetRValue(color) < 128 && GetGValue(color) < 128 && GetBValue(color) < 128; }
  // The dark pixels of `lines`, each drawn whole on a row of its own by an edit that does not wrap.
  int InkOfWholeLines(const std::vector<std::string>& lines) {
    CEdit wide;
    EXPECT_TRUE(wide.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL,
                            CRect(0, 200, 580, 200 + 16 * static_cast<int>(lines.size()) + 2), Parent(), 1099));
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    wide.SetWindowText(text.c_str());
    PumpPending();
    auto picture = qh::gdi::SnapshotWindow(wide.GetSafeHwnd());
    return picture ? InkIn(*picture, 0, 0, picture->width(), picture->height()) : 0;
  }
  static int InkIn(const qh::gdi::Surface& picture, int left, int top, int right, int bottom) {
    int ink = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) ink += Dark(qh::gdi::ColorFromPixel(picture.at(x, y))) ? 1 : 0;
    return ink;
  }

  RecordingWindow parent{nullptr, WS_POPUP | WS_VISIBLE};
};

TEST_F(WrappingEdit, ALongLineWrapsAtWordsToTheWidthAndTheLineMessagesCountRows) {
  CEdit log, scrolling;
  ASSERT_TRUE(log.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                         CRect(10, 10, 230, 170), Parent(), 1000));
  ASSERT_TRUE(scrolling.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL,
                               CRect(250, 10, 470, 170), Parent(), 1001));
  const std::string text = std::string("Song Database Path: C:\\Quaverhouse\r\n\r\n") + kLogLine + "\r\n\r\n";
  log.SetWindowText(text.c_str());
  scrolling.SetWindowText(text.c_str());
  const HWND edit = log.GetSafeHwnd();
  RECT client;
  GetClientRect(edit, &client);
  const int room = static_cast<int>(client.right) - 4;

  // An edit that scrolls sideways keeps its lines whole.
  EXPECT_EQ(scrolling.SendMessage(EM_GETLINECOUNT), 5);
  EXPECT_EQ(Row(scrolling.GetSafeHwnd(), 2), kLogLine);

  const int count = static_cast<int>(log.SendMessage(EM_GETLINECOUNT));
  ASSERT_GT(count, 5) << "the long line takes several rows";
  const std::size_t lineStart = text.find(kLogLine), lineEnd = lineStart + std::string(kLogLine).size();
  std::string joined;  // the long line's rows, a blank between each two
  for (int row = 0; row < count; ++row) {
    const std::string shown = Row(edit, row);
    const auto start = static_cast<std::size_t>(log.SendMessage(EM_LINEINDEX, static_cast<WPARAM>(row)));
    EXPECT_EQ(text.compare(start, shown.size(), shown), 0) << "row " << row << " shows the text from its start";
    EXPECT_EQ(log.SendMessage(EM_LINEFROMCHAR, start), row);
    EXPECT_EQ(log.SendMessage(EM_LINELENGTH, start), static_cast<LRESULT>(shown.size()));
    EXPECT_LE(Width(shown), room) << "row " << row << " '" << shown << "' fits";
    const std::size_t after = start + shown.size();
    ASSERT_LE(after, text.size());
    EXPECT_TRUE(after == text.size() || text[after] == ' ' || text[after] == '\r') << "row " << row << " ends at a word's end";
    if (after < text.size() && text[after] == ' ') {
      // The next word would not have fitted on this row.
      const std::size_t next = text.find_first_of(" \r", after + 1);
      EXPECT_GT(Width(text.substr(start, next - start)), room) << "row " << row << " is as full as it can be";
    }
    if (start >= lineStart && start < lineEnd) joined += (joined.empty() ? "" : " ") + shown;
    if (after == lineEnd) {
      EXPECT_EQ(shown.substr(shown.size() - 7), "FAILED.") << "the line's last row";
    }
  }
  EXPECT_EQ(joined, kLogLine) << "no word lost or cut";
  EXPECT_EQ(log.SendMessage(EM_LINEINDEX, static_cast<WPARAM>(count)), -1);

  // A wider edit needs fewer rows.
  log.MoveWindow(10, 10, 520, 160);
  EXPECT_LT(log.SendMessage(EM_GETLINECOUNT), count);
  EXPECT_GE(log.SendMessage(EM_GETLINECOUNT), 5);
}

TEST_F(WrappingEdit, ThePictureShowsEveryWordWithinTheWidthAndTheBarFollowsTheRows) {
  CEdit log;
  // Six rows high: the line's rows fit, so the picture holds all the text's ink.
  ASSERT_TRUE(log.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, CRect(0, 0, 200, 96), Parent(), 1000));
  const HWND edit = log.GetSafeHwnd();
  log.SetWindowText(kLogLine);
  PumpPending();
  ASSERT_LE(log.SendMessage(EM_GETLINECOUNT), 6);
  EXPECT_FALSE(OwnBarShown(edit, SB_VERT, WS_VSCROLL)) << "the rows fit: no bar";
  auto picture = qh::gdi::SnapshotWindow(edit);
  ASSERT_TRUE(picture);
  // Each row drawn whole on its own (the rows hold every word: the test above).
  std::vector<std::string> rows;
  for (int row = 0; row < log.SendMessage(EM_GETLINECOUNT); ++row) rows.push_back(Row(edit, row));
  const int expected = InkOfWholeLines(rows);
  const int shown = InkIn(*picture, 0, 0, 200, 96);
  EXPECT_GT(shown, expected * 90 / 100) << "every row is drawn whole (" << expected << " dark pixels)";
  EXPECT_LT(shown, expected * 110 / 100);
  EXPECT_EQ(InkIn(*picture, 200 - 2, 0, 200, 96), 0) << "nothing runs to the right edge";

  // Three times the text: more rows than fit; the bar shows, the rows wrap beside it and reach it
  // nowhere, and the bar's range is the rows.
  const std::string three = std::string(kLogLine) + "\r\n" + kLogLine + "\r\n" + kLogLine;
  log.SetWindowText(three.c_str());
  PumpPending();
  const int count = static_cast<int>(log.SendMessage(EM_GETLINECOUNT));
  ASSERT_GT(count, 6);
  ASSERT_TRUE(OwnBarShown(edit, SB_VERT, WS_VSCROLL));
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(edit, SB_VERT, &info);
  EXPECT_EQ(info.nMax, count - 1);
  EXPECT_EQ(info.nPage, 6u);
  for (int row = 0; row < count; ++row) EXPECT_LE(Width(Row(edit, row)), 200 - kOwnBarWidth - 3) << "row " << row;
  picture = qh::gdi::SnapshotWindow(edit);
  ASSERT_TRUE(picture);
  EXPECT_EQ(InkIn(*picture, 200 - kOwnBarWidth - 1, 0, 200 - kOwnBarWidth, 96), 0) << "no text under the bar's edge";
  // The wheel stops with the last row at the bottom, which shows the line's last words.
  SendMessage(edit, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-20 * WHEEL_DELTA)), 0);
  PumpPending();
  EXPECT_EQ(log.SendMessage(EM_GETFIRSTVISIBLELINE), count - 6);
  const std::string last = Row(edit, count - 1);
  ASSERT_GE(last.size(), 7u);
  EXPECT_EQ(last.substr(last.size() - 7), "FAILED.");
  picture = qh::gdi::SnapshotWindow(edit);
  ASSERT_TRUE(picture);
  const int lastRow = InkIn(*picture, 0, 5 * 16, 200 - kOwnBarWidth, 96);
  const int lastWords = InkOfWholeLines({last});
  EXPECT_GT(lastRow, lastWords * 90 / 100) << "the last row shows its words whole";
  EXPECT_LT(lastRow, lastWords * 110 / 100);
}

TEST_F(WrappingEdit, CaretKeysMoveAlongTheWrappedRows) {
  CEdit log;
  ASSERT_TRUE(log.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL, CRect(0, 0, 200, 48), Parent(), 1000));
  const HWND edit = log.GetSafeHwnd();
  const std::string text = std::string(kLogLine) + "\r\n" + kLogLine;
  log.SetWindowText(text.c_str());
  const int count = static_cast<int>(log.SendMessage(EM_GETLINECOUNT));
  ASSERT_GT(count, 6);
  auto rowStart = [&](int row) { return static_cast<int>(log.SendMessage(EM_LINEINDEX, static_cast<WPARAM>(row))); };
  auto caretRow = [&] { return static_cast<int>(log.SendMessage(EM_LINEFROMCHAR, static_cast<WPARAM>(-1))); };
  SetFocus(edit);
  log.SetSel(3, 3);  // inside the first row
  struct Step {
    UINT key;
    int row;     // the caret's row after the key
    int column;  // -1: anywhere in the row; -2: at the row's end
    int first;   // the first row shown
  } steps[] = {
      {VK_DOWN, 1, -1, 0}, {VK_HOME, 1, 0, 0}, {VK_END, 1, -2, 0},   {VK_DOWN, 2, -1, 0},
      {VK_DOWN, 3, -1, 1}, {VK_NEXT, 6, -1, 4}, {VK_PRIOR, 3, -1, 3}, {VK_UP, 2, -1, 2},
  };
  for (const Step& step : steps) {
    Key(edit, step.key);
    EXPECT_EQ(caretRow(), step.row) << "key " << step.key;
    if (step.column == 0) {
      EXPECT_EQ(Caret(edit), rowStart(step.row)) << "key " << step.key;
    }
    if (step.column == -2) {
      EXPECT_EQ(Caret(edit), rowStart(step.row) + log.SendMessage(EM_LINELENGTH, static_cast<WPARAM>(rowStart(step.row))))
          << "key " << step.key;
    }
    EXPECT_EQ(log.SendMessage(EM_GETFIRSTVISIBLELINE), step.first) << "key " << step.key;
  }
  // Down keeps the caret about as far from the left as it was.
  log.SetSel(rowStart(1) + 4, rowStart(1) + 4);
  const std::string before = text.substr(static_cast<std::size_t>(rowStart(1)), 4);
  Key(edit, VK_DOWN);
  ASSERT_EQ(caretRow(), 2);
  const std::string now = text.substr(static_cast<std::size_t>(rowStart(2)), static_cast<std::size_t>(Caret(edit) - rowStart(2)));
  EXPECT_LE(std::abs(Width(now) - Width(before)), 8) << "'" << before << "' above '" << now << "'";
  // Typing at a row's end goes into the text there and the rows follow.
  log.SetSel(0, 0);
  Key(edit, VK_END);
  const int end = Caret(edit);
  log.ReplaceSel("X");
  CString changed;
  log.GetWindowText(changed);
  EXPECT_EQ(std::string(changed.GetString()).substr(static_cast<std::size_t>(end), 1), "X");
}

}  // namespace
}  // namespace qh::ui::test
