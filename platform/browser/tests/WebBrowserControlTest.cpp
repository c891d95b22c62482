#include "platform/browser/WebBrowserControl.h"

#include <gtest/gtest.h>

#include "platform/browser/tests/BrowserTestSupport.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/ActiveX.h"
#include "platform/ui/gdi/Snapshot.h"

namespace qh::browser {
namespace {

class WebBrowserControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterWebBrowserControl();
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = DefWindowProc;
    windowClass.lpszClassName = "BrowserTestParent";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClass(&windowClass);
    parent_ = CreateWindowEx(0, "BrowserTestParent", "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 260, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_);
    CWnd* parent = CWnd::FromHandle(parent_);
    ASSERT_TRUE(browser_.CreateControl(CLSID_WebBrowser, "Browser", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10),
                                       parent, 114));
  }
  void TearDown() override {
    browser_.DestroyWindow();
    DestroyWindow(parent_);
  }
  void Place(int left, int top, int width, int height) {
    browser_.InvokeHelper(kDispLeft, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_I4), left);
    browser_.InvokeHelper(kDispTop, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_I4), top);
    browser_.InvokeHelper(kDispHeight, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_I4), height);
    browser_.InvokeHelper(kDispWidth, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_I4), width);
  }
  void Navigate(const char* url) {
    VARIANT empty;
    static const BYTE kParams[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
    browser_.InvokeHelper(kDispNavigate, DISPATCH_METHOD, VT_EMPTY, nullptr, kParams, url, &empty, &empty, &empty,
                          &empty);
  }
  gdi::Pixel ParentPixel(int x, int y) {
    auto picture = gdi::SnapshotWindow(parent_);
    EXPECT_TRUE(picture);
    return picture ? picture->at(x, y) : 0;
  }

  qh::testing::TestSandbox sandbox_;
  HWND parent_ = nullptr;
  CWnd browser_;
};

bool Near(gdi::Pixel p, int r, int g, int b) {
  auto close = [](int a, int e) { return a > e - 40 && a < e + 40; };
  return close(static_cast<int>((p >> 16) & 0xFF), r) && close(static_cast<int>((p >> 8) & 0xFF), g) &&
         close(static_cast<int>(p & 0xFF), b);
}

TEST_F(WebBrowserControlTest, PropertiesPlaceTheControlInItsParent) {
  Place(20, 30, 200, 150);
  CRect rect;
  browser_.GetWindowRect(&rect);
  CPoint origin = rect.TopLeft();
  ::ScreenToClient(parent_, &origin);
  EXPECT_EQ(origin, CPoint(20, 30));
  EXPECT_EQ(rect.Width(), 200);
  EXPECT_EQ(rect.Height(), 150);
}

TEST_F(WebBrowserControlTest, CoverPagePictureIsDrawnWhereThePagePlacesIt) {
  ASSERT_TRUE(test::MakePicture(sandbox_.HostPath("C/Covers/Cover0000000001.jpg"), "0xFF0000", 400, 300));
  test::WriteText(sandbox_.HostPath("C/Temp/Cover.htm"),
                  "<html><body scroll=\"no\" bgcolor=\"#ffffff\"><center>\r\n<img style=\"position:absolute; "
                  "left:0px; top:25px; width:200px; height:150px\" src=\"file:///C:/Covers/Cover0000000001.jpg\" "
                  "height=\"150\" width=\"200\" alt=\"Album cover\">\r\n</center></body></html>\r\n");
  Place(50, 40, 200, 200);
  Navigate("C:\\Temp\\Cover.htm");
  CString location;
  browser_.InvokeHelper(kDispLocationUrl, DISPATCH_PROPERTYGET, VT_BSTR, &location, nullptr);
  EXPECT_EQ(location, "C:\\Temp\\Cover.htm");
  EXPECT_TRUE(Near(ParentPixel(50 + 100, 40 + 25 + 75), 0xFF, 0, 0));   // the cover's middle
  EXPECT_TRUE(Near(ParentPixel(50 + 100, 40 + 10), 0xFF, 0xFF, 0xFF));        // white page above it
  EXPECT_TRUE(Near(ParentPixel(50 + 100, 40 + 25 + 150 + 10), 0xFF, 0xFF, 0xFF));  // and below it
  EXPECT_TRUE(Near(ParentPixel(20, 20), 0, 0, 0));                              // the parent outside
}

TEST_F(WebBrowserControlTest, LogoPageShowsTheBackgroundPictureCentredAtTheBottom) {
  ASSERT_TRUE(test::MakePicture(sandbox_.HostPath("C/Start/qhlogo3.gif"), "0x0000FF", 60, 40));
  test::WriteText(sandbox_.HostPath("C/Temp/Cover.htm"),
                  "<html><body scroll=\"no\" style=\"background-image: url('File://C:\\Start\\qhlogo3.gif'); "
                  "background-repeat: no-repeat; background-position-x: center; background-position-y: bottom\">"
                  "<center><b><font size=\"1\" color=\"red\">Quaverhouse Jukebox Version 4.0.0</font></b><br>"
                  "</center></body></html>");
  Place(0, 0, 200, 200);
  Navigate("C:\\Temp\\Cover.htm");
  EXPECT_TRUE(Near(ParentPixel(100, 180), 0, 0, 0xFF));  // logo: x 70..130, y 160..200
  EXPECT_TRUE(Near(ParentPixel(20, 180), 0xFF, 0xFF, 0xFF));
  // The red version line is drawn near the top, centred.
  auto picture = gdi::SnapshotWindow(parent_);
  ASSERT_TRUE(picture);
  int red = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 200; ++x) red += Near(picture->at(x, y), 0xFF, 0, 0) ? 1 : 0;
  EXPECT_GT(red, 10);
}

TEST_F(WebBrowserControlTest, AMissingPageOrPictureIsShownQuietly) {
  Place(0, 0, 200, 100);
  EXPECT_NO_THROW(Navigate("C:\\Temp\\Nothing.htm"));
  test::WriteText(sandbox_.HostPath("C/Temp/Cover.htm"),
                  "<body><img style=\"position:absolute; left:10px; top:10px; width:50px; height:50px\" "
                  "src=\"file:///C:/Covers/none.jpg\" alt=\"gone\"></body>");
  EXPECT_NO_THROW(Navigate("C:\\Temp\\Cover.htm"));
  EXPECT_TRUE(Near(ParentPixel(35, 35), 0xFF, 0xFF, 0xFF));
}

TEST_F(WebBrowserControlTest, UnknownMembersAndPlainWindowsRaiseDispatchExceptions) {
  try {
    browser_.InvokeHelper(0x7777, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_scError, DISP_E_MEMBERNOTFOUND);
    e->Delete();
  }
  CWnd plain;
  plain.Attach(parent_);
  try {
    plain.InvokeHelper(kDispLeft, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_I4), 1);
    ADD_FAILURE() << "no exception";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_scError, E_NOINTERFACE);
    e->Delete();
  }
  plain.Detach();
  CWnd unknown;
  const GUID nobody = {0x12345678, 0x1, 0x2, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_FALSE(unknown.CreateControl(nobody, "x", WS_CHILD, CRect(0, 0, 1, 1), CWnd::FromHandle(parent_), 1));
}

}  // namespace
}  // namespace qh::browser
