// Pages read without the storage engine: rows decoded from leaves written by hand, every kind of damage
// a page can carry costing only what it touches, and real libraries with bytes overwritten at random
// read without a step outside the file.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "maintenance/salvage/PageFile.h"
#include "maintenance/salvage/RecordMatcher.h"
#include "maintenance/salvage/PageSalvage.h"
#include "platform/core/testing/TestSandbox.h"

using namespace qh::maint;

namespace {

constexpr std::uint32_t kPage = 1024;

std::string Varint(std::uint64_t value) {
  std::string groups;
  do {
    groups.insert(groups.begin(), static_cast<char>(value & 0x7F));
    value >>= 7;
  } while (value != 0);
  for (std::size_t k = 0; k + 1 < groups.size(); ++k) groups[k] = static_cast<char>(groups[k] | 0x80);
  return groups;
}

// A record of texts (nullptr: NULL) and small integers, as the engine writes it.
struct Value {
  const char* text;
  long long number;
};
std::string Record(const std::vector<Value>& values) {
  std::string types, body;
  for (const Value& value : values) {
    if (value.text) {
      types += Varint(13 + 2 * std::strlen(value.text));
      body += value.text;
    } else {
      types += Varint(4);
      for (int shift = 24; shift >= 0; shift -= 8) body += static_cast<char>((value.number >> shift) & 0xFF);
    }
  }
  return Varint(types.size() + 1) + types + body;
}

void Put16(std::string& page, std::size_t at, std::uint32_t value) {
  page[at] = static_cast<char>(value >> 8);
  page[at + 1] = static_cast<char>(value);
}
void Put32(std::string& page, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) page[at + k] = static_cast<char>(value >> (24 - 8 * k));
}

// A leaf page holding `cells` (each a whole cell) from the end of the page down.
std::string LeafPage(const std::vector<std::string>& cells) {
  std::string page(kPage, '\0');
  page[0] = static_cast<char>(kTableLeafPage);
  Put16(page, 3, static_cast<std::uint32_t>(cells.size()));
  std::size_t end = kPage;
  for (std::size_t k = 0; k < cells.size(); ++k) {
    end -= cells[k].size();
    page.replace(end, cells[k].size(), cells[k]);
    Put16(page, 8 + 2 * k, static_cast<std::uint32_t>(end));
  }
  Put16(page, 5, static_cast<std::uint32_t>(end));
  return page;
}

std::string Cell(long long rowid, const std::string& payload) { return Varint(payload.size()) + Varint(rowid) + payload; }

// The engine's split of a long row on a page of kPage bytes: what stays on the leaf.
std::size_t LocalPart(std::size_t total) {
  const std::size_t usable = kPage, most = usable - 35, least = (usable - 12) * 32 / 255 - 23;
  if (total <= most) return total;
  std::size_t spill = least + (total - least) % (usable - 4);
  return spill <= most ? spill : least;
}

// Page 1 garbage; page 2 three parameter rows; page 3 one row whose text fills overflow pages 4 and 5.
struct SmallFile {
  std::string bytes;
  std::string longText = std::string(2500, 'x');
  std::size_t overflowPointerAt = 0;
  std::size_t cellAt(int page, int cell) const {
    std::size_t base = static_cast<std::size_t>(page - 1) * kPage;
    return base + ((static_cast<std::uint8_t>(bytes[base + 8 + 2 * cell]) << 8) | static_cast<std::uint8_t>(bytes[base + 9 + 2 * cell]));
  }
  SmallFile() {
    bytes.assign(kPage, '\xA5');
    bytes += LeafPage({Cell(1, Record({{"DatabaseVersion", 0}, {"04.00", 0}})),
                       Cell(2, Record({{"VersionJukebox", 0}, {"YES", 0}})), Cell(3, Record({{"Extra", 0}, {nullptr, 7}}))});
    std::string payload = Record({{"Long", 0}, {longText.c_str(), 0}});
    std::size_t local = LocalPart(payload.size());
    std::string head = Varint(payload.size()) + Varint(9);
    std::string cell = head + payload.substr(0, local) + std::string(4, '\0');
    std::string leaf = LeafPage({cell});
    std::size_t cellStart = kPage - cell.size();
    overflowPointerAt = 2 * kPage + cellStart + head.size() + local;
    bytes += leaf;
    Put32(bytes, overflowPointerAt, 4);
    std::string rest = payload.substr(local);
    for (std::uint32_t page = 4; page <= 5; ++page) {
      std::string overflow(kPage, '\0');
      Put32(overflow, 0, page == 4 ? 5 : 0);
      std::string part = rest.substr(0, kPage - 4);
      rest.erase(0, part.size());
      overflow.replace(4, part.size(), part);
      bytes += overflow;
    }
  }
};

struct LeafCounts {
  std::size_t page2;
  int damaged2;
  std::size_t page3;
};
LeafCounts Read(const std::string& bytes) {
  CPageFile pages(bytes, kPage);
  LeafCounts counts{0, 0, 0};
  std::vector<RawRow> rows;
  if (pages.LeafRows(2, &rows, &counts.damaged2)) counts.page2 = rows.size();
  rows.clear();
  if (pages.LeafRows(3, &rows)) counts.page3 = rows.size();
  return counts;
}

TEST(PageFileTest, ReadsTheRowsOfLeavesAndFollowsOverflowPages) {
  SmallFile file;
  CPageFile pages(file.bytes, kPage);
  ASSERT_EQ(pages.PageCount(), 5u);
  std::vector<RawRow> rows;
  ASSERT_TRUE(pages.LeafRows(2, &rows));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].rowid, 1);
  EXPECT_EQ(rows[0].values[0].bytes, "DatabaseVersion");
  EXPECT_EQ(rows[0].values[1].bytes, "04.00");
  EXPECT_EQ(rows[2].values[1].kind, RawValue::kInteger);
  EXPECT_EQ(rows[2].values[1].integer, 7);
  rows.clear();
  ASSERT_TRUE(pages.LeafRows(3, &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].rowid, 9);
  EXPECT_EQ(rows[0].values[1].bytes, file.longText);
  EXPECT_FALSE(pages.LeafRows(1, &rows));
  EXPECT_FALSE(pages.LeafRows(4, &rows));
  EXPECT_FALSE(pages.LeafRows(6, &rows));
  std::uint32_t reserved = 7;
  EXPECT_EQ(DetectPageSize(file.bytes, &reserved), kPage);
  EXPECT_EQ(reserved, 0u);
}

// Each damage costs the cell or page it touches and nothing else; none reads outside the file.
TEST(PageFileTest, DamageCostsOnlyWhatItTouches) {
  struct Case {
    const char* what;
    std::function<void(SmallFile&)> damage;
    LeafCounts expected;
  };
  const Case cases[] = {
      {"nothing", [](SmallFile&) {}, {3, 0, 1}},
      {"cell count past the page", [](SmallFile& f) { Put16(f.bytes, kPage + 3, 0xFFFF); }, {0, 0, 1}},
      {"cell pointer past the page", [](SmallFile& f) { Put16(f.bytes, kPage + 8, 0xFFF0); }, {2, 1, 1}},
      {"cell pointer into the pointer array", [](SmallFile& f) { Put16(f.bytes, kPage + 10, 2); }, {2, 1, 1}},
      {"row length far past the page", [](SmallFile& f) { f.bytes.replace(f.cellAt(2, 0), 1, "\xFF"); }, {2, 1, 1}},
      {"record header longer than the row",
       [](SmallFile& f) { f.bytes[f.cellAt(2, 1) + 2] = 0x7F; }, {2, 1, 1}},
      {"reserved serial type", [](SmallFile& f) { f.bytes[f.cellAt(2, 2) + 3] = 10; }, {2, 1, 1}},
      {"varint running off the page's end",
       [](SmallFile& f) {
         Put16(f.bytes, kPage + 12, kPage - 1);
         f.bytes[2 * kPage - 1] = '\xFF';
       },
       {2, 1, 1}},
      {"overflow chain in a loop", [](SmallFile& f) { Put32(f.bytes, 3 * kPage, 4); }, {3, 0, 0}},
      {"overflow page 0", [](SmallFile& f) { Put32(f.bytes, f.overflowPointerAt, 0); }, {3, 0, 0}},
      {"overflow page past the file", [](SmallFile& f) { Put32(f.bytes, f.overflowPointerAt, 4000000); }, {3, 0, 0}},
      {"overflow into the first page", [](SmallFile& f) { Put32(f.bytes, f.overflowPointerAt, 1); }, {3, 0, 0}},
      {"file cut inside the last overflow page", [](SmallFile& f) { f.bytes.resize(4 * kPage + 100); }, {3, 0, 0}},
      {"page kind zero", [](SmallFile& f) { f.bytes[kPage] = 0; }, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SmallFile file;
    c.damage(file);
    LeafCounts counts = Read(file.bytes);
    EXPECT_EQ(counts.page2, c.expected.page2);
    EXPECT_EQ(counts.damaged2, c.expected.damaged2);
    EXPECT_EQ(counts.page3, c.expected.page3);
    long untold = 0;
    for (const PlacedRow& placed : PlaceRows(CPageFile(file.bytes, kPage), &untold))
      EXPECT_TRUE(CRecordMatcher().Admits(placed.table, placed.row));
  }
}

// Interior pages whose children point back up or out of the file end the walk.
TEST(PageFileTest, TreesThatLoopOrPointOutsideEndTheWalk) {
  SmallFile file;
  std::string interior(kPage, '\0');
  interior[0] = static_cast<char>(kTableInteriorPage);
  Put16(interior, 3, 3);
  Put32(interior, 8, 6);  // itself, as the right-most child
  const std::uint32_t children[] = {2, 900000, 6};
  for (int k = 0; k < 3; ++k) {
    std::size_t at = 200 + 16 * k;
    Put16(interior, 12 + 2 * k, static_cast<std::uint32_t>(at));
    Put32(interior, at, children[k]);
    interior[at + 4] = 1;
  }
  file.bytes += interior;
  // The list of tables names page 6 as the parameters' first page.
  file.bytes += LeafPage({Cell(1, Record({{"table", 0}, {"QuavParms", 0}, {"QuavParms", 0}, {nullptr, 6}, {"CREATE TABLE", 0}}))});
  CPageFile pages(file.bytes, kPage);
  std::vector<std::uint32_t> found;
  ASSERT_TRUE(pages.InteriorChildren(6, &found));
  EXPECT_EQ(found, (std::vector<std::uint32_t>{2, 6, 6}));
  long untold = 0;
  std::vector<PlacedRow> placed = PlaceRows(pages, &untold);
  // The third parameter row holds a number where a text belongs: no table takes it.
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(untold, 1);
  for (const PlacedRow& row : placed) EXPECT_EQ(CRecordMatcher().TableIndex("QuavParms"), row.table);
}

// Real libraries with bytes overwritten at random, under every page size: whatever is read is admitted
// by the table it is given to, and nothing is read outside the file.
TEST(PageFileTest, RandomDamageToARealLibraryIsReadSafely) {
  qh::testing::TestSandbox sandbox;
  std::vector<qh::maint::testing::LibrarySong> songs;
  for (long id = 1; id <= 60; ++id) songs.push_back({id, "Song " + std::to_string(id), "Artist", 'R', 0, "", "Rock"});
  qh::maint::testing::BuildCurrentLibrary("C:\\library.qhd", songs);
  const std::string sound = qh::testing::ReadHostFile(sandbox.HostPath("C/library.qhd"));
  ASSERT_GT(sound.size(), 4096u);
  const CRecordMatcher matcher;
  std::mt19937 random(29);
  for (int round = 0; round < 40; ++round) {
    std::string bytes = sound;
    int writes = 1 + static_cast<int>(random() % 400);
    for (int k = 0; k < writes; ++k) {
      std::size_t at = random() % bytes.size();
      // Runs of 0xFF and 0x00 make lengths and page numbers as wild as they get.
      char value = static_cast<char>(k % 3 == 0 ? 0xFF : k % 3 == 1 ? 0x00 : random());
      std::size_t run = 1 + random() % 8;
      for (std::size_t j = 0; j < run && at + j < bytes.size(); ++j) bytes[at + j] = value;
    }
    if (round % 4 == 0) bytes.resize(random() % bytes.size());
    std::uint32_t reserved = 0;
    std::uint32_t size = DetectPageSize(bytes, &reserved);
    for (std::uint32_t pageSize : {size, 512u, 65536u}) {
      if (pageSize == 0) continue;
      long untold = 0;
      for (const PlacedRow& placed : PlaceRows(CPageFile(bytes, pageSize, reserved), &untold))
        ASSERT_TRUE(matcher.Admits(placed.table, placed.row)) << "round " << round;
    }
  }
}

}  // namespace
