// The new-playlist dialog driven by typed keys, from its template in resources/jukebox/dialogs.
#include "jukebox/zones/NewPlaylistDlg.h"

#include <gtest/gtest.h>

#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/ui/MessageBox.h"

namespace jukebox::zone_testing {
namespace {

class NewPlaylistDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(qh::ui::LoadDialogTemplateFolder(SourcePath("resources/jukebox/dialogs"), &error)) << error;
    qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& box) {
      boxes.push_back(box.text);
      return IDOK;
    });
  }
  void TearDown() override {
    qh::ui::SetMessageBoxAnswerer(nullptr);
    qh::ui::SetDialogAnswerer(nullptr);
  }
  // Runs the dialog; the user types `text` into the name field and then presses the keys.
  INT_PTR Run(const char* text, std::vector<UINT> keys) {
    qh::ui::SetDialogAnswerer([&, text, keys](CWnd& dialog) {
      okEnabledAtStart = ::IsWindowEnabled(::GetDlgItem(dialog.GetSafeHwnd(), IDOK)) != FALSE;
      ::SetFocus(::GetDlgItem(dialog.GetSafeHwnd(), IDC_PLAYLIST_NAME));
      qh::ui::InjectText(text);
      for (UINT key : keys) {
        qh::ui::InjectKey(key, true);
        qh::ui::InjectKey(key, false);
      }
    });
    return dialog.DoModal();
  }

  CNewPlaylistDlg dialog;
  std::vector<std::string> boxes;
  bool okEnabledAtStart = true;
};

TEST_F(NewPlaylistDlgTest, TypedNameIsAcceptedWithEnter) {
  EXPECT_EQ(Run("Friday Night", {VK_RETURN}), IDOK);
  EXPECT_FALSE(okEnabledAtStart);
  EXPECT_EQ(dialog.m_name, "Friday Night");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(NewPlaylistDlgTest, OnlySpacesAreANameToo) {
  EXPECT_EQ(Run("   ", {VK_RETURN}), IDOK);
  EXPECT_EQ(dialog.m_name, "   ");
}

TEST_F(NewPlaylistDlgTest, AnEmptiedFieldDisablesOkAgain) {
  // Enter on a disabled OK does nothing; Escape then cancels.
  EXPECT_EQ(Run("ab", {VK_BACK, VK_BACK, VK_RETURN, VK_ESCAPE}), IDCANCEL);
  EXPECT_EQ(dialog.m_name, "");
}

TEST_F(NewPlaylistDlgTest, EachRefusedCharacterKeepsTheDialogOpen) {
  for (const char* name : {"a<b", "a>b", "a&b", "a'b", "a\"b", "a|b", "a?b", "a*b"}) {
    boxes.clear();
    CNewPlaylistDlg fresh;
    qh::ui::SetDialogAnswerer([&](CWnd& shown) {
      ::SetFocus(::GetDlgItem(shown.GetSafeHwnd(), IDC_PLAYLIST_NAME));
      qh::ui::InjectText(name);
      qh::ui::InjectKey(VK_RETURN, true);
      qh::ui::InjectKey(VK_RETURN, false);
      qh::ui::InjectKey(VK_ESCAPE, true);
      qh::ui::InjectKey(VK_ESCAPE, false);
    });
    EXPECT_EQ(fresh.DoModal(), IDCANCEL) << name;
    ASSERT_EQ(boxes.size(), 1u) << name;
    EXPECT_EQ(boxes[0], "The following characters are not allowed: < > & ' \" * | ?");
    EXPECT_EQ(fresh.m_name, "") << name;
  }
  EXPECT_FALSE(CNewPlaylistDlg::HasInvalidChars("Rock and Roll (1975)"));
}

TEST_F(NewPlaylistDlgTest, TheFieldHoldsThirtyCharacters) {
  EXPECT_EQ(Run("123456789012345678901234567890XYZ", {VK_RETURN}), IDOK);
  EXPECT_EQ(dialog.m_name, "123456789012345678901234567890");
}

}  // namespace
}  // namespace jukebox::zone_testing
