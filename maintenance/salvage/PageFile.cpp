#include "maintenance/salvage/PageFile.h"

#include <cstring>
#include <unordered_set>

namespace qh::maint {

namespace {

// The storage engine's own limit on a row's length; anything longer is garbage.
constexpr std::uint64_t kMaxPayload = 1000000000;
constexpr std::uint32_t kMinUsable = 480;

std::uint32_t BigEndian(std::string_view data, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < width; ++k) value = (value << 8) | static_cast<std::uint8_t>(data[at + k]);
  return value;
}

// Length in bytes of a value of serial type `type`; false for the two reserved types.
bool SerialLength(std::uint64_t type, std::uint64_t* length) {
  static const std::uint8_t kIntegerLengths[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
  if (type == 10 || type == 11) return false;
  *length = type < 10 ? kIntegerLengths[type] : (type - 12 - (type & 1)) / 2;
  return true;
}

RawValue ValueOf(std::uint64_t type, std::string_view body) {
  RawValue value;
  if (type == 0) return value;
  if (type == 8 || type == 9) {
    value.kind = RawValue::kInteger;
    value.integer = type == 9 ? 1 : 0;
  } else if (type == 7) {
    std::uint64_t bits = 0;
    for (char ch : body) bits = (bits << 8) | static_cast<std::uint8_t>(ch);
    value.kind = RawValue::kReal;
    std::memcpy(&value.real, &bits, sizeof bits);
  } else if (type < 7) {
    // Big-endian two's complement of 1 to 8 bytes: the first byte carries the sign.
    std::uint64_t bits = static_cast<std::uint8_t>(body[0]) & 0x80 ? ~std::uint64_t{0} : 0;
    for (char ch : body) bits = (bits << 8) | static_cast<std::uint8_t>(ch);
    value.kind = RawValue::kInteger;
    value.integer = static_cast<long long>(bits);
  } else {
    value.kind = type & 1 ? RawValue::kText : RawValue::kBlob;
    value.bytes.assign(body);
  }
  return value;
}

bool SaneHeader(std::string_view file, std::uint32_t* pageSize, std::uint32_t* reserved) {
  static const char kMagic[] = "SQLite format 3";
  if (file.size() < 100 || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0) return false;
  std::uint32_t size = BigEndian(file, 16, 2);
  if (size == 1) size = 65536;
  if (size < 512 || size > 65536 || (size & (size - 1)) != 0 || file.size() < size) return false;
  std::uint32_t spare = static_cast<std::uint8_t>(file[20]);
  if (size - spare < kMinUsable) return false;
  *pageSize = size;
  *reserved = spare;
  return true;
}

}  // namespace

bool ReadVarint(std::string_view data, std::size_t* at, std::uint64_t* value) {
  std::uint64_t result = 0;
  for (int k = 0; k < 9; ++k) {
    if (*at >= data.size()) return false;
    std::uint8_t byte = static_cast<std::uint8_t>(data[(*at)++]);
    if (k == 8) {
      *value = (result << 8) | byte;
      return true;
    }
    result = (result << 7) | (byte & 0x7F);
    if ((byte & 0x80) == 0) {
      *value = result;
      return true;
    }
  }
  return false;
}

bool DecodeRecord(std::string_view payload, std::vector<RawValue>* values) {
  values->clear();
  std::size_t at = 0;
  std::uint64_t headerSize = 0;
  if (!ReadVarint(payload, &at, &headerSize) || headerSize < at || headerSize > payload.size()) return false;
  std::string_view header = payload.substr(0, static_cast<std::size_t>(headerSize));
  std::uint64_t body = headerSize;
  while (at < header.size()) {
    std::uint64_t type = 0, length = 0;
    if (!ReadVarint(header, &at, &type) || !SerialLength(type, &length)) return false;
    if (length > payload.size() - body) return false;
    values->push_back(ValueOf(type, payload.substr(static_cast<std::size_t>(body), static_cast<std::size_t>(length))));
    body += length;
  }
  return body == payload.size() && !values->empty();
}

CPageFile::CPageFile(std::string_view bytes, std::uint32_t pageSize, std::uint32_t reserved)
    : m_bytes(bytes),
      m_pageSize(pageSize),
      m_usable(pageSize > reserved ? pageSize - reserved : 0),
      m_pageCount(pageSize == 0 || m_usable < kMinUsable ? 0 : static_cast<std::uint32_t>(bytes.size() / pageSize)) {}

std::string_view CPageFile::Page(std::uint32_t number) const {
  if (number == 0 || number > m_pageCount) return {};
  return m_bytes.substr(static_cast<std::size_t>(number - 1) * m_pageSize, m_usable);
}

std::uint8_t CPageFile::PageKind(std::uint32_t number) const {
  std::string_view page = Page(number);
  return page.empty() ? 0 : static_cast<std::uint8_t>(page[HeaderOffset(number)]);
}

bool CPageFile::CellOffsets(std::uint32_t number, std::uint32_t headerSize, std::vector<std::uint32_t>* offsets) const {
  std::string_view page = Page(number);
  std::uint32_t header = HeaderOffset(number);
  if (page.empty() || header + headerSize > page.size()) return false;
  std::uint32_t cells = BigEndian(page, header + 3, 2);
  std::uint32_t array = header + headerSize;
  if (array + 2 * cells > page.size()) return false;
  offsets->clear();
  for (std::uint32_t k = 0; k < cells; ++k) {
    std::uint32_t offset = BigEndian(page, array + 2 * k, 2);
    if (offset >= array + 2 * cells && offset < page.size()) offsets->push_back(offset);
  }
  return true;
}

bool CPageFile::LeafRows(std::uint32_t number, std::vector<RawRow>* rows, int* damagedCells) const {
  if (PageKind(number) != kTableLeafPage) return false;
  std::vector<std::uint32_t> offsets;
  if (!CellOffsets(number, 8, &offsets)) return false;
  std::uint32_t cells = BigEndian(Page(number), HeaderOffset(number) + 3, 2);
  int damaged = static_cast<int>(cells - offsets.size());
  for (std::uint32_t offset : offsets) {
    RawRow row;
    if (DecodeCell(number, offset, &row)) rows->push_back(std::move(row));
    else ++damaged;
  }
  if (damagedCells) *damagedCells = damaged;
  return true;
}

bool CPageFile::DecodeCell(std::uint32_t number, std::uint32_t offset, RawRow* row) const {
  std::string_view page = Page(number);
  std::size_t at = offset;
  std::uint64_t total = 0, rowid = 0;
  if (!ReadVarint(page, &at, &total) || !ReadVarint(page, &at, &rowid) || total == 0 || total > kMaxPayload) return false;
  row->rowid = static_cast<long long>(rowid);
  // How much of the row stays on the page is fixed by the format for a given usable size.
  const std::uint64_t usable = m_usable;
  const std::uint64_t most = usable - 35;
  const std::uint64_t least = ((usable - 12) * 32 / 255) - 23;
  std::uint64_t local = total;
  if (total > most) {
    std::uint64_t spill = least + ((total - least) % (usable - 4));
    local = spill <= most ? spill : least;
  }
  std::string payload;
  if (!GatherPayload(page, static_cast<std::uint32_t>(at), total, static_cast<std::uint32_t>(local), &payload)) return false;
  return DecodeRecord(payload, &row->values);
}

bool CPageFile::GatherPayload(std::string_view page, std::uint32_t at, std::uint64_t total, std::uint32_t local,
                              std::string* payload) const {
  const bool overflows = total > local;
  if (static_cast<std::uint64_t>(at) + local + (overflows ? 4 : 0) > page.size()) return false;
  payload->assign(page.substr(at, local));
  if (!overflows) return true;
  const std::uint64_t perPage = m_usable - 4;
  std::uint64_t remaining = total - local;
  // A chain can be no longer than the pages the file has; a longer claim is garbage.
  if (remaining > perPage * m_pageCount) return false;
  payload->reserve(static_cast<std::size_t>(total));
  std::uint32_t next = BigEndian(page, at + local, 4);
  std::unordered_set<std::uint32_t> seen;
  while (remaining > 0) {
    std::string_view overflow = next >= 2 ? Page(next) : std::string_view();
    if (overflow.empty() || !seen.insert(next).second) return false;
    std::uint64_t take = remaining < perPage ? remaining : perPage;
    payload->append(overflow.substr(4, static_cast<std::size_t>(take)));
    remaining -= take;
    next = BigEndian(overflow, 0, 4);
  }
  return true;
}

bool CPageFile::InteriorChildren(std::uint32_t number, std::vector<std::uint32_t>* children) const {
  if (PageKind(number) != kTableInteriorPage) return false;
  std::vector<std::uint32_t> offsets;
  if (!CellOffsets(number, 12, &offsets)) return false;
  std::string_view page = Page(number);
  children->clear();
  auto add = [&](std::uint32_t child) {
    if (child >= 1 && child <= m_pageCount) children->push_back(child);
  };
  for (std::uint32_t offset : offsets)
    if (offset + 4 <= page.size()) add(BigEndian(page, offset, 4));
  add(BigEndian(page, HeaderOffset(number) + 8, 4));
  return true;
}

std::uint32_t DetectPageSize(std::string_view file, std::uint32_t* reserved) {
  std::uint32_t size = 0;
  *reserved = 0;
  if (SaneHeader(file, &size, reserved)) return size;
  std::uint32_t best = 0;
  std::size_t bestRows = 0;
  for (std::uint32_t candidate = 512; candidate <= 65536; candidate *= 2) {
    CPageFile pages(file, candidate);
    std::size_t rows = 0;
    std::vector<RawRow> found;
    for (std::uint32_t number = 1; number <= pages.PageCount(); ++number) {
      found.clear();
      if (pages.LeafRows(number, &found)) rows += found.size();
    }
    if (rows > bestRows) {
      bestRows = rows;
      best = candidate;
    }
  }
  return best;
}

}  // namespace qh::maint
