// The audio matrix driven with the mouse: sound cards dragged between sources, refused drops with their
// reasons, Reset and Send To All, and the sets handed back only after an OK that changed something.
#include "jukebox/app/dialogs/AudioMatrixDlg.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"
#include "platform/ui/Input.h"

namespace media_dialogs_test {
namespace {

class AudioMatrixDlgTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    streams = {{"Bar", false, {0}}, {"Patio", false, {1}}, {"Lounge", false, {2}}, {"Garden", true, {}}};
  }
  // Runs the dialog with `script` and returns its result.
  INT_PTR Run(std::function<void(CAudioMatrixDlg&, CTreeCtrl&)> script) {
    OnDialog(CAudioMatrixDlg::IDD, [&](CDialog& dialog) {
      auto& matrix = static_cast<CAudioMatrixDlg&>(dialog);
      script(matrix, *static_cast<CTreeCtrl*>(dialog.GetDlgItem(CAudioMatrixDlg::kTree)));
    });
    dialog = std::make_unique<CAudioMatrixDlg>(streams);
    return dialog->DoModal();
  }
  static HTREEITEM Find(CTreeCtrl& tree, const char* text) {
    for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root)) {
      if (tree.GetItemText(root).str() == text) return root;
      for (HTREEITEM child = tree.GetChildItem(root); child; child = tree.GetNextSiblingItem(child))
        if (tree.GetItemText(child).str() == text) return child;
    }
    ADD_FAILURE() << "no item " << text;
    return nullptr;
  }
  static std::vector<std::string> Outline(CTreeCtrl& tree) {
    std::vector<std::string> lines;
    for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root)) {
      lines.push_back(tree.GetItemText(root).str());
      for (HTREEITEM child = tree.GetChildItem(root); child; child = tree.GetNextSiblingItem(child))
        lines.push_back("  " + tree.GetItemText(child).str());
    }
    return lines;
  }
  static CPoint Centre(CTreeCtrl& tree, HTREEITEM item) {
    RECT rect{};
    EXPECT_TRUE(tree.GetItemRect(item, &rect, TRUE));
    return CPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  }
  static void ClickItem(CTreeCtrl& tree, HTREEITEM item) {
    const CPoint at = Centre(tree, item);
    qh::ui::InjectMouseAt(tree.m_hWnd, WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
    qh::ui::InjectMouseAt(tree.m_hWnd, WM_LBUTTONUP, at.x, at.y, 0);
    Settle();
  }
  // Presses on the item, moves the pointer in steps onto the target and lets go there.
  static void Drag(CTreeCtrl& tree, HTREEITEM item, HTREEITEM target) {
    const CPoint from = Centre(tree, item), to = Centre(tree, target);
    qh::ui::InjectMouseAt(tree.m_hWnd, WM_LBUTTONDOWN, from.x, from.y, MK_LBUTTON);
    Settle();
    for (int step = 1; step <= 4; ++step) {
      qh::ui::InjectMouseAt(tree.m_hWnd, WM_MOUSEMOVE, from.x + (to.x - from.x) * step / 4,
                            from.y + (to.y - from.y) * step / 4 + (step == 1 ? 6 : 0), MK_LBUTTON);
      Settle();
    }
    qh::ui::InjectMouseAt(tree.m_hWnd, WM_LBUTTONUP, to.x, to.y, 0);
    Settle();
  }

  std::vector<AudioMatrixStream> streams;
  std::unique_ptr<CAudioMatrixDlg> dialog;
};

TEST_F(AudioMatrixDlgTest, ShowsEachLocalSourceWithItsSoundCardsAndBoxesApart) {
  streams[0].set = {0, 2};
  streams[2].set = {};
  ASSERT_EQ(Run([](CAudioMatrixDlg&, CTreeCtrl& tree) {
              EXPECT_EQ(Outline(tree), (std::vector<std::string>{"Source 1", "  Bar [Stream 1]", "  Lounge [Stream 3]",
                                                                 "Source 2", "  Patio [Stream 2]", "Source 3",
                                                                 "EXSTREAMER SOURCE"}));
              Click(*tree.GetParent(), IDOK);
            }),
            IDOK);
  EXPECT_FALSE(dialog->m_bResult);  // nothing changed: the players are left alone
}

TEST_F(AudioMatrixDlgTest, ASoundCardDraggedToAnotherSourceMovesThere) {
  ASSERT_EQ(Run([](CAudioMatrixDlg&, CTreeCtrl& tree) {
              Drag(tree, Find(tree, "Patio [Stream 2]"), Find(tree, "Source 1"));
              EXPECT_EQ(Outline(tree), (std::vector<std::string>{"Source 1", "  Bar [Stream 1]", "  Patio [Stream 2]",
                                                                 "Source 2", "Source 3", "  Lounge [Stream 3]",
                                                                 "EXSTREAMER SOURCE"}));
              EXPECT_EQ(tree.GetItemText(tree.GetSelectedItem()).str(), "Patio [Stream 2]");
              Click(*tree.GetParent(), IDOK);
            }),
            IDOK);
  EXPECT_TRUE(boxTexts.empty());
  ASSERT_TRUE(dialog->m_bResult);
  EXPECT_EQ(dialog->m_sets, (std::vector<StreamSet>{{0, 1}, {}, {2}, {}}));
}

struct RefusedDrop {
  const char* dragged;
  const char* target;
  const char* message;
};

class AudioMatrixRefusalTest : public AudioMatrixDlgTest, public ::testing::WithParamInterface<RefusedDrop> {};

TEST_P(AudioMatrixRefusalTest, ARefusedDropSaysWhyAndMovesNothing) {
  std::vector<std::string> before;
  ASSERT_EQ(Run([&before](CAudioMatrixDlg&, CTreeCtrl& tree) {
              before = Outline(tree);
              Drag(tree, Find(tree, GetParam().dragged), Find(tree, GetParam().target));
              EXPECT_EQ(Outline(tree), before);
              Click(*tree.GetParent(), IDOK);
            }),
            IDOK);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{GetParam().message}));
  EXPECT_FALSE(dialog->m_bResult);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, AudioMatrixRefusalTest,
    ::testing::Values(RefusedDrop{"Patio [Stream 2]", "Bar [Stream 1]", "You can only drop a source onto a sound card"},
                      RefusedDrop{"Patio [Stream 2]", "EXSTREAMER SOURCE",
                                  "You can only drop a source onto a non-Exstreamer sound card"},
                      RefusedDrop{"Patio [Stream 2]", "Source 2", "An item can't be dropped onto its parent"}));

TEST_F(AudioMatrixDlgTest, ASourceCannotBeDragged) {
  ASSERT_EQ(Run([](CAudioMatrixDlg&, CTreeCtrl& tree) {
              const auto before = Outline(tree);
              Drag(tree, Find(tree, "Source 1"), Find(tree, "Source 3"));
              EXPECT_EQ(Outline(tree), before);
              Click(*tree.GetParent(), IDCANCEL);
            }),
            IDCANCEL);
  EXPECT_TRUE(boxTexts.empty());
}

TEST_F(AudioMatrixDlgTest, SendToAllFeedsEveryLocalCardFromTheChosenSource) {
  ASSERT_EQ(Run([](CAudioMatrixDlg&, CTreeCtrl& tree) {
              Click(*tree.GetParent(), CAudioMatrixDlg::kSendToAll);  // nothing selected: nothing happens
              ClickItem(tree, Find(tree, "Bar [Stream 1]"));
              Click(*tree.GetParent(), CAudioMatrixDlg::kSendToAll);
              ClickItem(tree, Find(tree, "EXSTREAMER SOURCE"));
              Click(*tree.GetParent(), CAudioMatrixDlg::kSendToAll);
              ClickItem(tree, Find(tree, "Source 2"));
              Click(*tree.GetParent(), CAudioMatrixDlg::kSendToAll);
              Click(*tree.GetParent(), IDOK);
            }),
            IDOK);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Please select a source audio stream first",
                                                "Please select a non-Exstreamer source audio stream first"}));
  ASSERT_TRUE(dialog->m_bResult);
  EXPECT_EQ(dialog->m_sets, (std::vector<StreamSet>{{}, {0, 1, 2}, {}, {}}));
}

TEST_F(AudioMatrixDlgTest, ResetGivesEverySourceItsOwnCard) {
  streams[0].set = {0, 1, 2};
  streams[1].set = {};
  streams[2].set = {};
  ASSERT_EQ(Run([](CAudioMatrixDlg&, CTreeCtrl& tree) {
              Click(*tree.GetParent(), CAudioMatrixDlg::kReset);
              Click(*tree.GetParent(), IDOK);
            }),
            IDOK);
  ASSERT_TRUE(dialog->m_bResult);
  EXPECT_EQ(dialog->m_sets, (std::vector<StreamSet>{{0}, {1}, {2}, {}}));
}

TEST_F(AudioMatrixDlgTest, CancelHandsNothingBack) {
  ASSERT_EQ(Run([](CAudioMatrixDlg&, CTreeCtrl& tree) {
              Click(*tree.GetParent(), CAudioMatrixDlg::kReset);
              Click(*tree.GetParent(), IDCANCEL);
            }),
            IDCANCEL);
  EXPECT_FALSE(dialog->m_bResult);
}

}  // namespace
}  // namespace media_dialogs_test
