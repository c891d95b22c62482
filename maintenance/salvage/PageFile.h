// The pages of a database file whose first page may be gone, read without the storage engine: table
// b-tree pages and the rows on their leaves, decoded from the bytes alone. Nothing read from the file is
// trusted: every offset, length and page number is checked against the page and the file before use,
// and an overflow chain ends after as many pages as its row can fill, so a loop or a wild pointer costs
// that row only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qh::maint {

// One column of a row as it was stored.
struct RawValue {
  enum Kind { kNull, kInteger, kReal, kText, kBlob };
  Kind kind = kNull;
  long long integer = 0;
  double real = 0;
  std::string bytes;  // text or blob
};

struct RawRow {
  long long rowid = 0;
  std::vector<RawValue> values;
};

// Kinds of b-tree page by their first header byte.
inline constexpr std::uint8_t kTableInteriorPage = 0x05;
inline constexpr std::uint8_t kTableLeafPage = 0x0D;

class CPageFile {
 public:
  // A view of `bytes` (not copied: it must outlive the object) cut into pages of `pageSize`, of which
  // the last `reserved` bytes of each are not part of the b-tree.
  CPageFile(std::string_view bytes, std::uint32_t pageSize, std::uint32_t reserved = 0);

  std::uint32_t PageSize() const { return m_pageSize; }
  std::uint32_t PageCount() const { return m_pageCount; }
  // The header byte of page `number` (1-based); 0 for a page that does not exist.
  std::uint8_t PageKind(std::uint32_t number) const;
  // The rows of a table leaf page. Cells that cannot be decoded whole are counted in `damagedCells`
  // (may be null); false when the page is not a table leaf or its header does not fit the page.
  bool LeafRows(std::uint32_t number, std::vector<RawRow>* rows, int* damagedCells = nullptr) const;
  // The child page numbers of a table interior page that lie inside the file; false when the page is
  // not a table interior page or its header does not fit.
  bool InteriorChildren(std::uint32_t number, std::vector<std::uint32_t>* children) const;

 private:
  std::string_view Page(std::uint32_t number) const;
  std::uint32_t HeaderOffset(std::uint32_t number) const { return number == 1 ? 100 : 0; }
  // The cell offsets of a b-tree page whose header of `headerSize` bytes and pointer array fit; each
  // offset lies past the array and inside the usable part.
  bool CellOffsets(std::uint32_t number, std::uint32_t headerSize, std::vector<std::uint32_t>* offsets) const;
  bool DecodeCell(std::uint32_t number, std::uint32_t offset, RawRow* row) const;
  // The payload of `total` bytes whose first `local` bytes are at `at` in the page, followed through its
  // overflow chain starting at `firstOverflow`.
  bool GatherPayload(std::string_view page, std::uint32_t at, std::uint64_t total, std::uint32_t local,
                     std::string* payload) const;

  std::string_view m_bytes;
  std::uint32_t m_pageSize;
  std::uint32_t m_usable;
  std::uint32_t m_pageCount;
};

// A SQLite varint at `at` within `data`; false when it runs past the end. `at` moves past it.
bool ReadVarint(std::string_view data, std::size_t* at, std::uint64_t* value);

// Decodes a record (header of serial types, then the values); false unless it is exactly whole.
bool DecodeRecord(std::string_view payload, std::vector<RawValue>* values);

// The page size of a file whose header may be destroyed: the header's when it is sane, else the usual
// size under which the most table leaf rows decode. 0 when no size fits. `reserved` receives the
// header's reserved bytes per page (0 without a sane header).
std::uint32_t DetectPageSize(std::string_view file, std::uint32_t* reserved);

}  // namespace qh::maint
