// Window DCs through a provider like the window manager's: a window at an offset on a shared surface,
// with part of it hidden.
#include <gtest/gtest.h>

#include "platform/ui/gdi/AfxGdi.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace {

using qh::gdi::DcArea;
using qh::gdi::DrawTarget;
using qh::gdi::Region;
using qh::gdi::Surface;

class OneWindowProvider : public qh::gdi::WindowSurfaceProvider {
 public:
  // The window sits at (10, 20) on a 100 x 100 surface, 40 x 30 large, its client area inset by 2;
  // a sibling covers its client area's right half.
  HWND window = reinterpret_cast<HWND>(0x1234);
  Surface surface{100, 100, 0x000000};
  int released = 0;
  int updates = 0;

  bool Target(HWND w, DcArea area, DrawTarget& out) override {
    if (w != window) return false;
    out.surface = &surface;
    if (area == DcArea::Window) {
      out.origin = POINT{10, 20};
      out.visible = Region(RECT{0, 0, 40, 30});
    } else {
      out.origin = POINT{12, 22};
      out.visible = Region::Combine(Region(RECT{0, 0, 36, 26}), Region(RECT{18, 0, 36, 26}), qh::gdi::RegionOp::Diff);
    }
    return true;
  }
  void Released(HWND) override { ++released; }
  void UpdateNow(HWND) override { ++updates; }
  bool WindowArea(HWND w, Surface*& s, RECT& area) override {
    if (w != window) return false;
    s = &surface;
    area = RECT{10, 20, 50, 50};
    return true;
  }
};

class WindowDcTest : public ::testing::Test {
 protected:
  // The window manager's provider (installed once at start) comes back afterwards: leaving none behind
  // would break every later window test of the same run.
  void SetUp() override {
    previous_ = qh::gdi::GetWindowSurfaceProvider();
    qh::gdi::SetWindowSurfaceProvider(&provider_);
  }
  void TearDown() override { qh::gdi::SetWindowSurfaceProvider(previous_); }
  OneWindowProvider provider_;
  qh::gdi::WindowSurfaceProvider* previous_ = nullptr;
};

TEST_F(WindowDcTest, ClientDcDrawsAtTheWindowsPlaceAndOnlyWhereVisible) {
  {
    CClientDC dc(provider_.window);
    ASSERT_NE(dc.GetSafeHdc(), nullptr);
    dc.FillSolidRect(0, 0, 100, 100, RGB(255, 0, 0));
  }
  EXPECT_EQ(provider_.released, 1);
  EXPECT_EQ(provider_.surface.at(12, 22), 0xFF0000u) << "client (0,0)";
  EXPECT_EQ(provider_.surface.at(29, 47), 0xFF0000u) << "last visible client pixel";
  EXPECT_EQ(provider_.surface.at(30, 22), 0u) << "hidden by the sibling";
  EXPECT_EQ(provider_.surface.at(11, 21), 0u) << "the frame is not client area";
  EXPECT_EQ(provider_.surface.at(60, 60), 0u) << "outside the window";
}

TEST_F(WindowDcTest, PaintLimitAndWindowDc) {
  const Region update(RECT{0, 0, 4, 4});
  HDC paint = qh::gdi::OpenWindowDC(provider_.window, DcArea::Client, &update);
  ASSERT_NE(paint, nullptr);
  PatBlt(paint, 0, 0, 30, 30, WHITENESS);
  qh::gdi::CloseWindowDC(paint);
  EXPECT_EQ(provider_.surface.at(15, 25), 0xFFFFFFu);
  EXPECT_EQ(provider_.surface.at(16, 26), 0u) << "outside the update region";

  CWindowDC frame(provider_.window);
  frame.SetPixel(0, 0, RGB(0, 0, 255));
  EXPECT_EQ(provider_.surface.at(10, 20), 0x0000FFu);
}

TEST_F(WindowDcTest, SnapshotCropsTheWindowAfterBringingItUpToDate) {
  provider_.surface.set(10, 20, 0x010203);
  provider_.surface.set(49, 49, 0x040506);
  auto picture = qh::gdi::SnapshotWindow(provider_.window);
  ASSERT_TRUE(picture);
  EXPECT_EQ(provider_.updates, 1);
  EXPECT_EQ(picture->width(), 40);
  EXPECT_EQ(picture->height(), 30);
  EXPECT_EQ(picture->at(0, 0), 0x010203u);
  EXPECT_EQ(picture->at(39, 29), 0x040506u);
  EXPECT_FALSE(qh::gdi::SnapshotWindow(reinterpret_cast<HWND>(0x999)));
}

TEST_F(WindowDcTest, UnknownWindowGivesNoDc) {
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x999)), nullptr);
  qh::gdi::SetWindowSurfaceProvider(nullptr);
  EXPECT_EQ(GetDC(provider_.window), nullptr);
}

// A fixture run in the middle of other window tests hands the provider back as it found it.
class FixtureProbe : public WindowDcTest {
 public:
  void Enter() { SetUp(); }
  void Leave() { TearDown(); }
  qh::gdi::WindowSurfaceProvider* Own() { return &provider_; }
  void TestBody() override {}
};

TEST(WindowDcFixture, PutsBackTheProviderItFound) {
  qh::gdi::WindowSurfaceProvider* const original = qh::gdi::GetWindowSurfaceProvider();
  OneWindowProvider outer;
  qh::gdi::SetWindowSurfaceProvider(&outer);
  {
    FixtureProbe probe;
    probe.Enter();
    EXPECT_EQ(qh::gdi::GetWindowSurfaceProvider(), probe.Own());
    qh::gdi::SetWindowSurfaceProvider(nullptr);  // as UnknownWindowGivesNoDc does
    probe.Leave();
  }
  EXPECT_EQ(qh::gdi::GetWindowSurfaceProvider(), &outer);
  qh::gdi::SetWindowSurfaceProvider(original);
}

}  // namespace
