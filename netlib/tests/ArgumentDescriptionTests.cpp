#include <gtest/gtest.h>

#include "netlib/ArgumentDescription.h"

namespace {

TEST(DataTypes, TableOfNamesTextsAndDisplayNames) {
  struct Row {
    LONG type;
    const char* name;
    const char* text;
    const char* display;
  };
  const Row rows[] = {{0, "ui1", "UI1", "INTEGER (UI1)"}, {2, "ui4", "UI4", "INTEGER (UI4)"},
                      {6, "int", "INT", "INTEGER"},        {7, "r4", "R4", "NUMBER (R4)"},
                      {9, "number", "NUMBER", "NUMBER"},   {10, "float", "FLOAT", "NUMBER"},
                      {12, "string", "STRING", "STRING"},  {18, "boolean", "BOOLEAN", "BOOLEAN"},
                      {22, "uuid", "UUID", "UUID"},        {23, "", "", "*NONE*"},
                      {24, "", "", "*ILLEGAL*"},           {-1, "", "", "*ILLEGAL*"}};
  for (const Row& row : rows) {
    EXPECT_STREQ(GetDataTypeName(row.type), row.name) << row.type;
    EXPECT_STREQ(GetDataTypeText(row.type), row.text) << row.type;
    EXPECT_STREQ(GetDataTypeDisplayName(row.type), row.display) << row.type;
  }
}

TEST(DataTypes, DataTypeTextIsReadInAnyCase) {
  EXPECT_EQ(DataTypeFromText("string"), ARGTYPE_STRING);
  EXPECT_EQ(DataTypeFromText("DateTimeTz"), ARGTYPE_DATETIMETZ);
  EXPECT_EQ(DataTypeFromText("i4"), ARGTYPE_I4);
  EXPECT_EQ(DataTypeFromText("integer"), ARGTYPE_NONE);
  EXPECT_EQ(DataTypeFromText(""), ARGTYPE_NONE);
}

TEST(ArgumentDescription, TypeOfNameIgnoresCase) {
  CArgumentDescription argument;
  EXPECT_EQ(argument.TypeOfName("NUMBER"), ARGTYPE_NUMBER);
  EXPECT_EQ(argument.TypeOfName("fLoAt"), ARGTYPE_FLOAT);
  EXPECT_EQ(argument.TypeOfName("UI4"), ARGTYPE_UI4);
  EXPECT_EQ(argument.TypeOfName("ui4"), ARGTYPE_UI4);
  EXPECT_EQ(argument.TypeOfName("word"), ARGTYPE_NONE);
  EXPECT_STREQ(argument.DisplayTypeName(), "*NONE*");
}

TEST(ArgumentDescription, RangesFollowTheTypeFamily) {
  CArgumentDescription ui1;
  ui1.SetInfo("Level", "", 1, true, ARGTYPE_UI1);
  ui1.SetMinimumText("300");
  EXPECT_EQ(ui1.GetMinimum().GetType(), ARGTYPE_UI1);
  EXPECT_EQ(ui1.GetMinimum().GetUI1(), 300 & 0xFF);
  ui1.SetMaximum(-5);  // signed form on an unsigned type: ignored
  EXPECT_EQ(ui1.GetMaximum().GetType(), ARGTYPE_NONE);

  CArgumentDescription r4;
  r4.SetInfo("Gain", "", 1, true, ARGTYPE_R4);
  r4.SetMaximumText("2.5");
  EXPECT_EQ(r4.GetMaximum().GetType(), ARGTYPE_R4);
  EXPECT_FLOAT_EQ(r4.GetMaximum().GetR4(), 2.5f);

  CArgumentDescription integer;
  integer.SetInfo("Count", "", 1, true, ARGTYPE_INT);
  integer.SetMaximumText("2.5");
  EXPECT_EQ(integer.GetMaximum().GetType(), ARGTYPE_INT);
  EXPECT_EQ(integer.GetMaximum().GetInt(), 2);

  CArgumentDescription none;
  none.SetMinimumText("3");
  EXPECT_EQ(none.GetMinimum().GetType(), ARGTYPE_NONE);
}

TEST(ArgumentDescription, AllowedValuesOnlyForStrings) {
  CArgumentDescription number;
  number.SetInfo("N", "", 1, true, ARGTYPE_I4);
  number.AddAllowedValue("1");
  EXPECT_TRUE(number.GetAllowedValues().empty());
  CArgumentDescription text;
  text.SetInfo("Mode", "", 1, true, ARGTYPE_STRING);
  text.AddAllowedValue("SHUF");
  text.AddAllowedValue("RPT");
  ASSERT_EQ(text.GetAllowedValues().size(), 2u);
  EXPECT_STREQ(text.GetAllowedValues().front(), "SHUF");
  EXPECT_STREQ(GetDataTypeDisplayName(text), "STRING");
}

}  // namespace
