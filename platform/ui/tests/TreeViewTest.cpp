// The tree view: walks, expanding with notices the parent may refuse, selection, the drop-target
// highlight, hit testing, the drag start and line scrolling.
#include <gtest/gtest.h>

#include <functional>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/Input.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;
using qh::ui::InjectKey;
using qh::ui::InjectMouseAt;

namespace {

class TreeHost : public CWnd {
 public:
  TreeHost() { CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr); }
  std::vector<UINT> codes;
  std::vector<HTREEITEM> newItems;
  std::function<LRESULT(UINT)> answer;
  int Count(UINT code) const { return static_cast<int>(std::count(codes.begin(), codes.end(), code)); }

 protected:
  BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    codes.push_back(header->code);
    if (header->code >= TVN_KEYDOWN && header->code <= TVN_SELCHANGING)
      newItems.push_back(reinterpret_cast<NMTREEVIEW*>(lParam)->itemNew.hItem);
    else
      newItems.push_back(nullptr);
    *result = answer ? answer(header->code) : 0;
    return TRUE;
  }
};

class TreeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree.Create(WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, CRect(0, 0, 200, 100), &host, 80));
    sources = tree.InsertItem("Sources");
    cards = tree.InsertItem("Sound cards");
    for (int i = 1; i <= 8; ++i) {
      HTREEITEM zone = tree.InsertItem(("Zone " + std::to_string(i)).c_str(), sources);
      tree.SetItemData(zone, static_cast<DWORD_PTR>(i));
    }
    card = tree.InsertItem("Card A", cards);
    host.codes.clear();
    host.newItems.clear();
  }
  // Rows are 16 pixels; depth 0 text starts after one indent (lines at root), depth 1 after two.
  static CPoint RowPoint(int row, int depth) { return CPoint(19 * (depth + 1) + 5, row * 16 + 8); }
  TreeHost host;
  CTreeCtrl tree;
  HTREEITEM sources = nullptr, cards = nullptr, card = nullptr;
};

TEST_F(TreeViewTest, WalksFindParentsChildrenAndSiblings) {
  EXPECT_EQ(tree.GetCount(), 11u);
  EXPECT_EQ(tree.GetRootItem(), sources);
  EXPECT_EQ(tree.GetNextSiblingItem(sources), cards);
  EXPECT_EQ(tree.GetPrevSiblingItem(cards), sources);
  HTREEITEM first = tree.GetChildItem(sources);
  EXPECT_EQ(tree.GetItemText(first), CString("Zone 1"));
  EXPECT_EQ(tree.GetParentItem(first), sources);
  EXPECT_EQ(tree.GetParentItem(sources), nullptr);
  int count = 0;
  for (HTREEITEM zone = first; zone; zone = tree.GetNextSiblingItem(zone)) ++count;
  EXPECT_EQ(count, 8);
  EXPECT_TRUE(tree.ItemHasChildren(sources));
  EXPECT_FALSE(tree.ItemHasChildren(card));
  EXPECT_EQ(tree.GetItemData(tree.GetNextSiblingItem(first)), 2u);
}

TEST_F(TreeViewTest, ExpandingAsksAndTellsAndCanBeRefused) {
  EXPECT_EQ(tree.GetNextVisibleItem(sources), cards);  // collapsed: its children are not on show
  host.answer = [](UINT code) -> LRESULT { return code == TVN_ITEMEXPANDING; };
  EXPECT_FALSE(tree.Expand(sources, TVE_EXPAND));
  EXPECT_EQ(tree.GetItemState(sources, TVIS_EXPANDED), 0u);
  host.answer = nullptr;
  EXPECT_TRUE(tree.Expand(sources, TVE_EXPAND));
  EXPECT_EQ(host.Count(TVN_ITEMEXPANDED), 1);
  EXPECT_EQ(tree.GetNextVisibleItem(sources), tree.GetChildItem(sources));
  // A click on the button collapses it again.
  InjectMouseAt(tree, WM_LBUTTONDOWN, 19 + 8 - 19, 8);
  PumpPending();
  EXPECT_EQ(tree.GetItemState(sources, TVIS_EXPANDED), 0u);
}

TEST_F(TreeViewTest, SelectionByMouseAndKeysWithChangeNotices) {
  tree.Expand(sources, TVE_EXPAND);
  CPoint second = RowPoint(2, 1);
  InjectMouseAt(tree, WM_LBUTTONDOWN, second.x, second.y);
  InjectMouseAt(tree, WM_LBUTTONUP, second.x, second.y);
  PumpPending();
  HTREEITEM zone2 = tree.GetNextSiblingItem(tree.GetChildItem(sources));
  EXPECT_EQ(tree.GetSelectedItem(), zone2);
  EXPECT_EQ(host.Count(TVN_SELCHANGED), 1);
  InjectKey(VK_DOWN, true);
  PumpPending();
  EXPECT_EQ(tree.GetItemText(tree.GetSelectedItem()), CString("Zone 3"));
  host.answer = [](UINT code) -> LRESULT { return code == TVN_SELCHANGING; };
  InjectKey(VK_DOWN, true);
  PumpPending();
  EXPECT_EQ(tree.GetItemText(tree.GetSelectedItem()), CString("Zone 3"));  // refused
}

TEST_F(TreeViewTest, HitTestAndTheDropTargetHighlight) {
  UINT flags = 0;
  EXPECT_EQ(tree.HitTest(RowPoint(1, 0), &flags), cards);
  EXPECT_TRUE(flags & TVHT_ONITEMLABEL);
  EXPECT_EQ(tree.HitTest(CPoint(5, 90), &flags), nullptr);
  EXPECT_EQ(flags, static_cast<UINT>(TVHT_NOWHERE));
  tree.SelectDropTarget(cards);
  EXPECT_EQ(tree.GetDropHilightItem(), cards);
  EXPECT_EQ(tree.GetItemState(cards, TVIS_DROPHILITED), static_cast<UINT>(TVIS_DROPHILITED));
  tree.SelectDropTarget(nullptr);
  EXPECT_EQ(tree.GetDropHilightItem(), nullptr);
  EXPECT_EQ(tree.GetItemState(cards, TVIS_DROPHILITED), 0u);
}

TEST_F(TreeViewTest, DraggingAnItemStartsWithBeginDrag) {
  tree.Expand(cards, TVE_EXPAND);
  CPoint start = RowPoint(2, 1);  // Card A
  InjectMouseAt(tree, WM_LBUTTONDOWN, start.x, start.y);
  InjectMouseAt(tree, WM_MOUSEMOVE, start.x + 20, start.y - 20, MK_LBUTTON);
  PumpPending();
  ASSERT_EQ(host.Count(TVN_BEGINDRAG), 1);
  EXPECT_EQ(host.newItems[std::find(host.codes.begin(), host.codes.end(), TVN_BEGINDRAG) - host.codes.begin()], card);
  std::unique_ptr<CImageList> image(tree.CreateDragImage(card));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetImageCount(), 1);
  EXPECT_TRUE(image->BeginDrag(0, CPoint(0, 0)));
  EXPECT_TRUE(CImageList::DragEnter(&tree, CPoint(10, 10)));
  EXPECT_TRUE(CImageList::DragMove(CPoint(30, 40)));
  qh::ui::DragImageState drag;
  ASSERT_TRUE(qh::ui::CurrentDragImage(&drag));
  EXPECT_EQ(drag.position.y, 40);
  CImageList::DragLeave(&tree);
  CImageList::EndDrag();
  EXPECT_FALSE(qh::ui::CurrentDragImage(nullptr));
  InjectMouseAt(tree, WM_LBUTTONUP, start.x + 20, start.y - 20);
  PumpPending();
}

TEST_F(TreeViewTest, LineScrollingMovesTheFirstVisibleItemUntilTheEnd) {
  tree.Expand(sources, TVE_EXPAND);  // 10 rows on show, 6 fit
  EXPECT_EQ(tree.GetFirstVisibleItem(), sources);
  EXPECT_EQ(GetScrollPos(tree, SB_VERT), 0);
  tree.SendMessage(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(GetScrollPos(tree, SB_VERT), 1);
  EXPECT_EQ(tree.GetFirstVisibleItem(), tree.GetChildItem(sources));
  for (int i = 0; i < 20; ++i) tree.SendMessage(WM_VSCROLL, SB_LINEDOWN);
  int end = GetScrollPos(tree, SB_VERT);
  EXPECT_EQ(end, 10 - 6);
  tree.SendMessage(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(GetScrollPos(tree, SB_VERT), end);  // nothing more to scroll: the position tells
  tree.SendMessage(WM_VSCROLL, SB_LINEUP);
  EXPECT_EQ(GetScrollPos(tree, SB_VERT), end - 1);
}

TEST_F(TreeViewTest, DeletingTellsTheParentForEveryItem) {
  tree.SelectItem(card);
  EXPECT_TRUE(tree.DeleteItem(cards));
  EXPECT_EQ(host.Count(TVN_DELETEITEM), 2);
  EXPECT_EQ(tree.GetSelectedItem(), nullptr);
  EXPECT_EQ(tree.GetCount(), 9u);
  EXPECT_TRUE(tree.DeleteAllItems());
  EXPECT_EQ(tree.GetCount(), 0u);
  EXPECT_EQ(tree.GetRootItem(), nullptr);
}

}  // namespace
