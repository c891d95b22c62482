#include <gtest/gtest.h>

#include <vector>

#include "dblib/DaoErrorReport.h"
#include "platform/dao/DaoException.h"
#include "platform/ui/MessageBox.h"

namespace {

const std::string kHeading =
    "A database error has occurred. Please write down this message before calling Tech Support.\n";

CDaoException* MakeException(std::initializer_list<long> codes) {
  auto* e = new CDaoException();
  for (long code : codes) e->AddError(code, CString("Description of ") + CString(std::to_string(code)), "DAO.Database");
  return e;
}

class DaoErrorReportTest : public ::testing::Test {
 protected:
  // Records each box; answers with its default button as a user pressing Enter would.
  qh::ui::ScopedMessageBoxAnswerer answerer{[this](const qh::ui::MessageBoxRequest& box) {
    shown.push_back(box.text);
    types.push_back(box.type);
    return box.defaultButton;
  }};
  std::vector<std::string> shown;
  std::vector<UINT> types;
};

TEST_F(DaoErrorReportTest, ListsEveryErrorUnderTheHeading) {
  CDaoException* e = MakeException({3022, 3314});
  EXPECT_EQ(kHeading + "Dao error: [3022] [DAO.Database]\n[Description of 3022]\n" +
                "Dao error: [3314] [DAO.Database]\n[Description of 3314]\n",
            ComposeDaoExceptionMessage(e).str());
  e->Delete();
}

struct OwnTextCase {
  long code;
  const char* text;
};
class DaoErrorOwnTextTest : public DaoErrorReportTest, public ::testing::WithParamInterface<OwnTextCase> {};

TEST_P(DaoErrorOwnTextTest, AnErrorWithItsOwnTextReplacesTheWholeMessage) {
  ReportDaoException(MakeException({3021, GetParam().code, 3022}));
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(GetParam().text, shown[0]);
  EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), types[0]);
}

const char kDamaged[] = "The database may be corrupted. Please run the 'Repair' option of the Quaverhouse Administrator.";
INSTANTIATE_TEST_SUITE_P(
    Codes, DaoErrorOwnTextTest,
    ::testing::Values(
        OwnTextCase{3024,
                    "The database file (Quaverhouse.qhd) was not found. Please restore a backup copy of the database "
                    "or use the Quaverhouse Administrator to create a new one."},
        OwnTextCase{3045,
                    "The database is being used by another program. Please exit the other program before continuing."},
        OwnTextCase{3197, kDamaged}, OwnTextCase{3343, kDamaged}, OwnTextCase{3049, kDamaged}));

TEST_F(DaoErrorReportTest, EmptyErrorListShowsTheHeadingAlone) {
  ReportDaoException(new CDaoException());
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(kHeading, shown[0]);
}

TEST_F(DaoErrorReportTest, NoExceptionShowsNothing) {
  ReportDaoException(nullptr);
  EXPECT_TRUE(shown.empty());
}

}  // namespace
