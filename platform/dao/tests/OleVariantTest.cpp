// Typed values: Null apart from Empty, Boolean true as -1, 16-bit Integer, Long, Double, Date, Text,
// and the conversions the database objects make when a value is written to a column.
#include <gtest/gtest.h>

#include "platform/core/DateTime.h"
#include "platform/dao/tests/DaoTestSupport.h"

namespace qh::dao::testing {
namespace {

TEST(OleVariant, ConstructorsGiveThePlatformTypes) {
  EXPECT_EQ(COleVariant().vt, VT_EMPTY);
  EXPECT_EQ(COleVariant::Null().vt, VT_NULL);
  EXPECT_NE(COleVariant(), COleVariant::Null());
  COleVariant integer(static_cast<SHORT>(-2));
  EXPECT_EQ(integer.vt, VT_I2);
  EXPECT_EQ(V_I2(&integer), -2);
  EXPECT_EQ(COleVariant(static_cast<LONG>(70000)).vt, VT_I4);
  EXPECT_EQ(COleVariant(5L).lVal, 5);
  EXPECT_EQ(COleVariant(static_cast<BYTE>(200)).vt, VT_UI1);
  EXPECT_EQ(COleVariant(2.5).vt, VT_R8);
  COleVariant yes(static_cast<SHORT>(1), VT_BOOL);
  EXPECT_EQ(yes.vt, VT_BOOL);
  EXPECT_EQ(V_BOOL(&yes), VARIANT_TRUE);
  EXPECT_EQ(V_BOOL(&yes), -1);
  COleVariant text("Caf\xE9");
  EXPECT_EQ(text.vt, VT_BSTR);
  EXPECT_STREQ(V_BSTRT(&text), "Caf\xE9");
  COleDateTime date(2004, 2, 29, 12, 0, 0);
  COleVariant when(date);
  EXPECT_EQ(when.vt, VT_DATE);
  EXPECT_DOUBLE_EQ(V_DATE(&when), date.m_dt);
  COleDateTime null;
  null.SetStatus(COleDateTime::null);
  EXPECT_EQ(COleVariant(null).vt, VT_NULL);
  COleDateTime invalid;
  invalid.SetDate(2004, 2, 30);
  EXPECT_EQ(COleVariant(invalid).vt, VT_NULL);
}

TEST(OleVariant, TextSurvivesCopiesAndMoves) {
  COleVariant original("Abba");
  COleVariant copy = original;
  COleVariant moved = std::move(original);
  COleVariant& alias = copy;
  copy = alias;  // assigning a value to itself keeps the text
  EXPECT_STREQ(copy.bstrVal, "Abba");
  EXPECT_STREQ(moved.bstrVal, "Abba");
  EXPECT_EQ(original.vt, VT_EMPTY);
  EXPECT_EQ(copy, moved);
}

struct Conversion {
  COleVariant from;
  VARTYPE to;
  long error;        // 0: converts
  const char* text;  // ToText of the result
};

void PrintTo(const Conversion& conversion, std::ostream* out) {
  *out << (conversion.from.vt == VT_NULL ? std::string("Null") : std::string(conversion.from.ToText().str())) << " to vt "
       << conversion.to;
}

class OleVariantChangeType : public ::testing::TestWithParam<Conversion> {};

TEST_P(OleVariantChangeType, ConvertsOrRaises) {
  COleVariant value = GetParam().from;
  long error = DaoErrorOf([&] { value.ChangeType(GetParam().to); });
  EXPECT_EQ(error, GetParam().error);
  if (error == 0) {
    VARTYPE expected = GetParam().from.vt == VT_NULL ? static_cast<VARTYPE>(VT_NULL) : GetParam().to;
    EXPECT_EQ(value.vt, expected);
    EXPECT_EQ(value.ToText(), GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, OleVariantChangeType,
    ::testing::Values(Conversion{COleVariant(" 42 "), VT_I4, 0, "42"}, Conversion{COleVariant("abc"), VT_I4, kDaoErrConversion, ""},
                      Conversion{COleVariant(static_cast<LONG>(40000)), VT_I2, kDaoErrNumericOverflow, ""},
                      Conversion{COleVariant(2.5), VT_I2, 0, "2"}, Conversion{COleVariant(3.5), VT_I4, 0, "4"},
                      Conversion{COleVariant(-1.0), VT_UI1, kDaoErrNumericOverflow, ""},
                      Conversion{COleVariant(static_cast<LONG>(7)), VT_BOOL, 0, "True"},
                      Conversion{COleVariant("false"), VT_BOOL, 0, "False"},
                      Conversion{COleVariant(static_cast<LONG>(12)), VT_BSTR, 0, "12"},
                      Conversion{COleVariant("1/31/2004 10:20:30"), VT_DATE, 0, "1/31/2004 10:20:30 AM"},
                      Conversion{COleVariant("not a date"), VT_DATE, kDaoErrConversion, ""},
                      Conversion{COleVariant::Null(), VT_I4, 0, ""}),
    [](const ::testing::TestParamInfo<Conversion>& info) {
      std::string from = info.param.from.vt == VT_NULL ? std::string("Null") : std::string(info.param.from.ToText().str());
      return CaseName(from + " to vt " + std::to_string(info.param.to), info.index);
    });

}  // namespace
}  // namespace qh::dao::testing
