#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/ComRegistryKeys.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/Variant.h"
#include "platform/core/testing/TestSandbox.h"

TEST(Bstr, EveryByteOfCodePage1252SurvivesTheTripThroughUtf16) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  BSTR wide = AnsiToBstr(all.c_str());
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(SysStringLen(wide), 255u);
  EXPECT_EQ(SysStringByteLen(wide), 510u);
  EXPECT_EQ(wide[0x80 - 1], u'\u20AC');  // the euro sign
  EXPECT_EQ(wide[0x81 - 1], u'\u0081');  // an unassigned byte keeps its control character
  EXPECT_EQ(BstrToAnsi(wide).str(), all);
  SysFreeString(wide);
}

TEST(Bstr, NullAndUnrepresentableTexts) {
  EXPECT_EQ(BstrToAnsi(nullptr), "");
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  const char16_t text[] = u"A\u4E2D\U0001F600z";  // a CJK character and a surrogate pair
  BSTR wide = SysAllocString(text);
  EXPECT_EQ(SysStringLen(wide), 5u);
  EXPECT_EQ(BstrToAnsi(wide), "A??z");
  SysFreeString(wide);
}

TEST(Variant, CopyOwnsItsOwnTextAndClearFreesIt) {
  ScopedVariant source("Main");
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &source.get()), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, source.get().bstrVal);
  EXPECT_EQ(BstrToAnsi(copy.bstrVal), "Main");
  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(copy.vt, VT_EMPTY);
  ScopedVariant number(LONG{-5});
  EXPECT_EQ(number.get().vt, VT_I4);
  EXPECT_EQ(number.get().lVal, -5);
}

TEST(ComRuntime, GuidTextHasThePlatformForm) {
  const GUID guid = {0x1D3C037F, 0x5E8F, 0x49FC, {0x9E, 0x4F, 0xA0, 0x1B, 0xE6, 0xD1, 0xC2, 0x1D}};
  EXPECT_EQ(ComGuidText(guid), "{1D3C037F-5E8F-49FC-9E4F-A01BE6D1C21D}");
  GUID back;
  ASSERT_TRUE(ComGuidFromText("{1d3c037f-5e8f-49fc-9e4f-a01be6d1c21d}", &back));
  EXPECT_TRUE(back == guid);
  EXPECT_FALSE(ComGuidFromText("1D3C037F-5E8F-49FC-9E4F-A01BE6D1C21D", &back));
  EXPECT_FALSE(ComGuidFromText("{1D3C037F-5E8F-49FC-9E4F-A01BE6D1C21}", &back));
}

TEST(ComRuntime, CreationNeedsInitialisationAndARegisteredClass) {
  qh::testing::TestSandbox sandbox;
  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  IUnknown* object = reinterpret_cast<IUnknown*>(0x1);
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
            CO_E_NOTINITIALIZED);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID("Nobody.Nothing.1", &clsid), CO_E_CLASSSTRING);

  // A registration whose module is missing.
  ASSERT_TRUE(ComWriteClassesRootText("CLSID\\{12345678-1234-1234-0102-030405060708}\\InprocServer32", "",
                                      sandbox.HostPath("C/missing.so")));
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
            CO_E_DLLNOTFOUND);
  EXPECT_EQ(ComRegisterServerModule(sandbox.HostPath("C/missing.so").c_str(), false), CO_E_DLLNOTFOUND);
  CoUninitialize();
  CoUninitialize();
}
