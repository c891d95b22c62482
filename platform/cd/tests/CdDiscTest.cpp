// Tables of contents and disc ids of generated images, checked against libcdio's cd-info and
// libdiscid.
#include <discid/discid.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "platform/cd/CdDisc.h"
#include "platform/cd/CdSource.h"
#include "platform/cd/DiscId.h"
#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"

namespace qh::cd {
namespace {

using testing::ImageTrack;

struct DiscCase {
  const char* name;
  std::vector<ImageTrack> tracks;
};

std::vector<DiscCase> Discs() {
  return {
      {"three_audio", {{true, 3.3, 440}, {true, 2.0, 660}, {true, 4.1, 880}}},
      {"data_first", {{false, 4.0, 0}, {true, 3.3, 440}, {true, 2.0, 660}}},
      {"one_track", {{true, 5.5, 330}}},
  };
}

// cd-info's track list: "  2: 00:06:00  000300 audio ..." and the lead-out "170: ...".
struct ReferenceTrack {
  int number;
  int32_t lsn;
  std::string type;
};

std::vector<ReferenceTrack> CdInfoTracks(const std::string& cuePath) {
  std::string out = testing::RunCommand("cd-info --no-header --no-device-info --no-analyze --no-cddb --cue-file '" +
                                        cuePath + "'");
  std::vector<ReferenceTrack> tracks;
  std::regex line(R"(^\s*(\d+): \d\d:\d\d:\d\d\s+(\d+) (\w+))");
  std::istringstream in(out);
  for (std::string text; std::getline(in, text);) {
    std::smatch match;
    if (std::regex_search(text, match, line)) {
      tracks.push_back({std::stoi(match[1]), std::stoi(match[2]), match[3]});
    }
  }
  return tracks;
}

uint32_t LibDiscIdFreedb(const DiscToc& toc) {
  DiscId* disc = discid_new();
  int offsets[100] = {0};
  offsets[0] = toc.leadOutFrame;
  for (const TocTrack& track : toc.tracks) offsets[track.number] = track.startFrame;
  EXPECT_EQ(discid_put(disc, toc.firstTrack, toc.lastTrack, offsets), 1);
  uint32_t id = static_cast<uint32_t>(std::strtoul(discid_get_freedb_id(disc), nullptr, 16));
  discid_free(disc);
  return id;
}

class CdDiscTest : public ::testing::TestWithParam<DiscCase> {
 protected:
  qh::testing::TestSandbox sandbox_;
};

TEST_P(CdDiscTest, TableOfContentsAgreesWithCdInfo) {
  testing::CdImage image = testing::MakeCdImage(sandbox_.Root(), GetParam().name, GetParam().tracks);
  std::string error;
  auto disc = CdDisc::Open(image.cuePath, &error);
  ASSERT_TRUE(disc) << error;
  EXPECT_TRUE(disc->IsImage());
  std::vector<ReferenceTrack> reference = CdInfoTracks(image.cuePath);
  ASSERT_EQ(reference.size(), GetParam().tracks.size() + 1);
  const DiscToc& toc = disc->Toc();
  ASSERT_EQ(toc.tracks.size(), GetParam().tracks.size());
  for (size_t i = 0; i < toc.tracks.size(); ++i) {
    EXPECT_EQ(toc.tracks[i].number, reference[i].number);
    EXPECT_EQ(toc.tracks[i].startFrame, reference[i].lsn + kLeadInFrames);
    EXPECT_EQ(toc.tracks[i].audio, reference[i].type == "audio");
    EXPECT_EQ(toc.TrackFrames(toc.tracks[i].number), image.trackLengths[i]);
  }
  EXPECT_EQ(reference.back().number, 170);
  EXPECT_EQ(toc.leadOutFrame, reference.back().lsn + kLeadInFrames);
}

TEST_P(CdDiscTest, DiscIdAgreesWithLibDiscId) {
  testing::CdImage image = testing::MakeCdImage(sandbox_.Root(), GetParam().name, GetParam().tracks);
  auto disc = CdDisc::Open(image.cuePath, nullptr);
  ASSERT_TRUE(disc);
  EXPECT_EQ(CddbDiscId(disc->Toc()), LibDiscIdFreedb(disc->Toc()));
  EXPECT_EQ(CddbDiscId(disc->Toc()) & 0xFF, GetParam().tracks.size());
}

INSTANTIATE_TEST_SUITE_P(Images, CdDiscTest, ::testing::ValuesIn(Discs()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiscIdTest, KnownTableGivesThePublishedFormula) {
  // Track starts at 2 s and 185 s, lead-out at 400 s: digit sums 2 + 14, length 398 s, 2 tracks.
  DiscToc toc;
  toc.firstTrack = 1;
  toc.lastTrack = 2;
  toc.tracks = {{1, 150, true}, {2, 185 * 75 + 10, true}};
  toc.leadOutFrame = 400 * 75 + 3;
  EXPECT_EQ(CddbDiscId(toc), (16u << 24) | (398u << 8) | 2u);
  EXPECT_EQ(CddbDiscId(toc), LibDiscIdFreedb(toc));
}

TEST(CdSourceTest, CdDrivesComeFromTheTableAndQhCdromNamesTheirDisc) {
  qh::testing::TestSandbox sandbox;
  setenv("QH_CDROM", "/nowhere/disc.cue", 1);
  EXPECT_EQ(CdDriveLetters(), "D");  // no CD drive in the table: the first free letter from D:
  sandbox.AddDrive('D', 0x1111, "DATA");
  sandbox.AddDrive('F', 0x2222, "CD1", DRIVE_CDROM);
  sandbox.AddDrive('G', 0x3333, "CD2", DRIVE_CDROM);
  EXPECT_EQ(CdDriveLetters(), "FG");
  EXPECT_EQ(CdSourceForDrive('f'), "/nowhere/disc.cue");
  EXPECT_EQ(CdSourceForDrive('D'), "");
  unsetenv("QH_CDROM");
}

TEST(CdDiscTest, MissingImageAndEmptySourceAreRefusedWithAReason) {
  std::string error;
  EXPECT_FALSE(CdDisc::Open("/nowhere/disc.cue", &error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(CdDisc::Open("", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qh::cd
