// The recorder's CD drives are those the CD layer extracts from: the table's CD-ROM drives, or the
// drive it offers for a configured disc source.
#include <cstdlib>

#include "recorder/RecorderDevices.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class RecorderDevicesTest : public RecorderTest {
 protected:
  void TearDown() override {
    unsetenv("QH_CDROM");
    RecorderTest::TearDown();
  }
};

TEST_F(RecorderDevicesTest, CdDrivesOfTheTableOrOfAConfiguredDiscSource) {
  setenv("QH_CDROM", sandbox->HostPath("disc.cue").c_str(), 1);
  EXPECT_EQ("D", FindCdDriveLetters().str()) << "the first free letter from D: holds the configured disc";
  sandbox->AddDrive('E', 0xCD000001, "DISC", DRIVE_CDROM);
  sandbox->AddDrive('G', 0xCD000002, "DISC2", DRIVE_CDROM);
  EXPECT_EQ("EG", FindCdDriveLetters().str());
}

}  // namespace
}  // namespace qh::recorder::testing
