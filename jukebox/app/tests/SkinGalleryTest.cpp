// The shipped skin artwork on real skin buttons in each of their looks; the picture is written to
// <build>/snapshots/skin-buttons.png for people to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "jukebox/app/SkinButton.h"
#include "jukebox/app/SkinListBox.h"
#include "jukebox/app/tests/SkinTestSupport.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"

namespace {

using jukebox::test::PumpPending;

constexpr COLORREF kPanel = RGB(98, 98, 128);

// A plain panel to put the buttons on.
class Gallery : public CWnd {
 public:
  Gallery() { CreateEx(0, AfxRegisterWndClass(0), "Skin buttons", WS_POPUP | WS_VISIBLE, 0, 0, 600, 236, nullptr, nullptr); }
  ~Gallery() override { DestroyWindow(); }

 protected:
  afx_msg void OnPaint() {
    CPaintDC dc(this);
    RECT all;
    GetClientRect(&all);
    dc.FillSolidRect(&all, kPanel);
  }
  // Below its lines the song list shows the zone panel's grey, as a zone window colours it.
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
    if (kind == CTLCOLOR_LISTBOX) return listBackground_;
    return CWnd::OnCtlColor(dc, wnd, kind);
  }
  DECLARE_MESSAGE_MAP()

 private:
  CBrush listBackground_{RGB(162, 162, 162)};
};

BEGIN_MESSAGE_MAP(Gallery, CWnd)
  ON_WM_PAINT()
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

struct Placed {
  UINT id, up, down, hover, disabled;
  RECT rect;
  enum Look { Normal, Hover, Latched, Disabled } look;
  enum Shape { Plain, Chooser, Round } shape;
};

class SkinGalleryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qh::gdi::ClearBitmapFolders();
    qh::gdi::AddBitmapFolder(std::string(QH_TEST_SOURCE_DIR) + "/resources/jukebox/bitmaps");
  }
  void TearDown() override { qh::gdi::ClearBitmapFolders(); }

  CSkinButton& Place(const Placed& p) {
    buttons_.push_back(std::make_unique<CSkinButton>());
    CSkinButton& b = *buttons_.back();
    CRgn shape;
    if (p.shape == Placed::Chooser) {
      const POINT cut[] = {{4, 0}, {72, 0}, {76, 4}, {76, 20}, {72, 24}, {4, 24}, {0, 20}, {0, 4}};
      shape.CreatePolygonRgn(cut, 8, ALTERNATE);
    } else if (p.shape == Placed::Round) {
      shape.CreateEllipticRgn(0, 0, 26, 26);
    }
    if (shape.GetSafeHandle()) b.SetBitmapIdsAndShape(p.up, p.down, p.hover, p.disabled, &shape);
    else b.SetBitmapIds(p.up, p.down, p.hover, p.disabled);
    EXPECT_TRUE(b.Create(AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, p.rect, &gallery_, p.id));
    if (p.look == Placed::Latched) b.SetState(1);
    if (p.look == Placed::Disabled) b.EnableWindow(FALSE);
    return b;
  }

  Gallery gallery_;
  std::vector<std::unique_ptr<CSkinButton>> buttons_;
};

TEST_F(SkinGalleryTest, ShippedArtworkShowsEveryLook) {
  const std::vector<Placed> transport = {
      {108, 424, 425, 518, 519, {10, 10, 67, 50}, Placed::Latched, Placed::Plain},
      {109, 427, 426, 521, 524, {67, 10, 124, 50}, Placed::Normal, Placed::Plain},
      {101, 428, 429, 520, 430, {124, 10, 181, 50}, Placed::Hover, Placed::Plain},
      {107, 419, 420, 516, 421, {181, 10, 238, 50}, Placed::Normal, Placed::Plain},
      {124, 416, 417, 517, 418, {238, 10, 295, 50}, Placed::Disabled, Placed::Plain},
  };
  const std::vector<Placed> choosers = {
      {104, 508, 507, 505, 506, {10, 62, 86, 100}, Placed::Normal, Placed::Chooser},
      {103, 504, 503, 501, 502, {10, 92, 86, 130}, Placed::Latched, Placed::Chooser},
      {100, 496, 495, 493, 494, {10, 122, 86, 160}, Placed::Normal, Placed::Chooser},
      {125, 492, 491, 489, 490, {10, 152, 86, 190}, Placed::Disabled, Placed::Chooser},
      {105, 500, 499, 497, 498, {10, 182, 86, 220}, Placed::Normal, Placed::Chooser},
  };
  const std::vector<Placed> panel = {
      {111, 512, 511, 510, 509, {104, 70, 130, 96}, Placed::Latched, Placed::Round},
      {112, 512, 511, 510, 509, {104, 102, 130, 128}, Placed::Normal, Placed::Round},
      {600, 480, 479, 481, 482, {146, 70, 207, 100}, Placed::Normal, Placed::Plain},
      {601, 487, 486, 488, 482, {211, 70, 272, 100}, Placed::Latched, Placed::Plain},
      {602, 484, 483, 485, 482, {146, 104, 207, 134}, Placed::Normal, Placed::Plain},
      {603, 477, 476, 478, 482, {211, 104, 272, 134}, Placed::Disabled, Placed::Plain},
      {203, 687, 688, 688, 687, {290, 76, 338, 88}, Placed::Normal, Placed::Plain},
      {109, 451, 450, 449, 451, {366, 10, 382, 26}, Placed::Normal, Placed::Plain},
      {202, 448, 447, 446, 448, {330, 10, 346, 26}, Placed::Normal, Placed::Plain},
      {201, 445, 444, 443, 445, {348, 10, 364, 26}, Placed::Normal, Placed::Plain},
  };
  const UINT zoneFaces[8][3] = {{454, 453, 452}, {457, 456, 455}, {458, 459, 459}, {462, 461, 460},
                                {465, 464, 463}, {468, 467, 466}, {471, 470, 469}, {474, 473, 472}};
  CSkinButton* hovered = nullptr;
  for (const auto* group : {&transport, &choosers, &panel})
    for (const Placed& p : *group) {
      CSkinButton& b = Place(p);
      if (p.look == Placed::Hover) hovered = &b;
    }
  for (int zone = 0; zone < 8; ++zone) {
    const LONG left = 96 + (zone % 4) * 72, top = 150 + (zone / 4) * 24;
    Place({static_cast<UINT>(100 + zone), zoneFaces[zone][0], zoneFaces[zone][1], zoneFaces[zone][2], 475,
           {left, top, left + 60, top + 16}, zone == 0 ? Placed::Latched : zone < 3 ? Placed::Normal : Placed::Disabled,
           Placed::Plain});
  }
  CSkinListBox songs;
  ASSERT_TRUE(songs.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                               LBS_NOINTEGRALHEIGHT,
                           CRect(396, 10, 590, 226), &gallery_, 110));
  for (const char* line : {"01: Blue (Red)", "02: Rock & Roll (The Band)", "03: Night Train (Lanterns)",
                           "04: Paper Moon (Ada & the Owls)", "05: Slow Dance (Marigold)", "06: Northbound (Kite)",
                           "07: Harbour Lights (Seven Stones)", "08: Tin Roof (The Wrens)"})
    songs.AddString(line);
  songs.SetCurSel(2);
  ASSERT_NE(hovered, nullptr);
  qh::ui::InjectMouseAt(*hovered, WM_MOUSEMOVE, 20, 20);
  PumpPending();

  auto picture = qh::gdi::SnapshotWindow(gallery_);
  ASSERT_TRUE(picture);
  const qh::gdi::Pixel panelPixel = qh::gdi::PixelFromColor(kPanel);
  EXPECT_EQ(picture->at(104, 70), panelPixel) << "a round button's corner shows the panel";
  EXPECT_NE(picture->at(117, 83), panelPixel) << "its middle shows the button";
  EXPECT_EQ(picture->at(10, 62), panelPixel) << "a chooser's cut corner shows the panel";
  EXPECT_NE(picture->at(48, 72), panelPixel);
  EXPECT_EQ(picture->at(48, 92 + 26), panelPixel) << "below its 24-pixel shape a chooser shows the panel";
  // Orange marks a latched face; the hovered face is lighter than the normal one next to it.
  auto orangeIn = [&](const RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (picture->at(x, y) == 0xFF8000u) ++n;
    return n;
  };
  EXPECT_GT(orangeIn(transport[0].rect), 0);
  EXPECT_GT(orangeIn(RECT{396, 10 + 2 * 16, 590, 10 + 3 * 16}), 0) << "the selected song line";
  EXPECT_EQ(orangeIn(transport[1].rect), 0);
  EXPECT_GT(qh::gdi::ColorFromPixel(picture->at(130, 45)) & 0xFF, qh::gdi::ColorFromPixel(picture->at(73, 45)) & 0xFF);

  const std::string folder = std::string(QH_TEST_BINARY_DIR) + "/snapshots";
  std::filesystem::create_directories(folder);
  std::string error;
  EXPECT_TRUE(qh::gdi::WritePng(*picture, folder + "/skin-buttons.png", &error)) << error;
}

}  // namespace
