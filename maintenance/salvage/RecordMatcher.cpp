#include "maintenance/salvage/RecordMatcher.h"

#include <cctype>

#include "maintenance/schema/SongDbSchema.h"

namespace qh::maint {

namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(a[k])) != std::tolower(static_cast<unsigned char>(b[k]))) return false;
  return true;
}

// Characters as the engine's length() counts them: bytes that do not continue a UTF-8 sequence.
long Characters(const std::string& bytes) {
  long count = 0;
  for (char ch : bytes)
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++count;
  return count;
}

bool IntegerIn(const RawValue& value, long long low, long long high) {
  return value.kind == RawValue::kInteger && value.integer >= low && value.integer <= high;
}

bool FieldAdmits(const SchemaField& field, const RawValue& value) {
  if (value.kind == RawValue::kNull) return !field.required;
  switch (field.type) {
    case kSchemaText: {
      if (value.kind != RawValue::kText) return false;
      long length = Characters(value.bytes);
      if (length == 0) return field.allowZeroLength;
      // Fixed-length texts are padded to their size whenever they are written.
      return field.attributes == kSchemaFixed ? length == field.size : length <= field.size;
    }
    case kSchemaLong: return IntegerIn(value, -2147483648LL, 2147483647LL);
    case kSchemaInteger: return IntegerIn(value, -32768, 32767);
    case kSchemaBoolean: return IntegerIn(value, -1, 1);
    case kSchemaDouble:
    case kSchemaDate: return value.kind == RawValue::kInteger || value.kind == RawValue::kReal;
    default: return false;
  }
}

bool IsText(const RawValue& value) { return value.kind == RawValue::kText; }
bool IsInteger(const RawValue& value) { return value.kind == RawValue::kInteger; }
bool IsNullOr(const RawValue& value, bool (*kind)(const RawValue&)) { return value.kind == RawValue::kNull || kind(value); }

std::string Trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  std::size_t last = text.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

CRecordMatcher::CRecordMatcher() : m_uniqueKeys(kSongDbTableCount) {
  // "CREATE UNIQUE INDEX <name> ON <table>( <column>, <column>);"
  for (int index = 0; std::string(kSongDbStatements[index]) != kSongDbStatementEnd; ++index) {
    std::string statement = kSongDbStatements[index];
    if (statement.rfind("CREATE UNIQUE", 0) != 0) continue;
    std::size_t on = statement.find(" ON ");
    std::size_t open = statement.find('(', on);
    std::size_t close = statement.find(')', open);
    if (on == std::string::npos || open == std::string::npos || close == std::string::npos) continue;
    int table = TableIndex(Trimmed(statement.substr(on + 4, open - on - 4)));
    if (table < 0) continue;
    std::vector<int> key;
    std::string columns = statement.substr(open + 1, close - open - 1);
    for (std::size_t start = 0; start <= columns.size();) {
      std::size_t comma = columns.find(',', start);
      if (comma == std::string::npos) comma = columns.size();
      key.push_back(ColumnIndex(table, Trimmed(columns.substr(start, comma - start))));
      start = comma + 1;
    }
    m_uniqueKeys[table].push_back(key);
  }
}

int CRecordMatcher::TableCount() const { return kSongDbTableCount; }

int CRecordMatcher::TableIndex(const std::string& name) const {
  for (int table = 0; table < kSongDbTableCount; ++table)
    if (EqualNoCase(kSongDbTables[table].name, name)) return table;
  return -1;
}

int CRecordMatcher::ColumnIndex(int table, const std::string& column) const {
  const auto& fields = kSongDbTables[table].fields;
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (EqualNoCase(fields[k].name, column)) return static_cast<int>(k);
  return -1;
}

bool CRecordMatcher::Admits(int table, const RawRow& row) const {
  const auto& fields = kSongDbTables[table].fields;
  if (row.values.size() != fields.size()) return false;
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (!FieldAdmits(fields[k], row.values[k])) return false;
  return true;
}

std::vector<int> CRecordMatcher::Candidates(const RawRow& row) const {
  std::vector<int> tables;
  for (int table = 0; table < kSongDbTableCount; ++table)
    if (Admits(table, row)) tables.push_back(table);
  return tables;
}

bool CRecordMatcher::IsInternal(const RawRow& row) const {
  const std::vector<RawValue>& v = row.values;
  switch (v.size()) {
    case 5: {  // the engine's list: type, name, table, first page, definition
      SchemaRoot root;
      return AsTableEntry(row, &root) ||
             (IsText(v[0]) && IsText(v[1]) && IsText(v[2]) && IsInteger(v[3]) && IsNullOr(v[4], IsText) &&
              (v[0].bytes == "index" || v[0].bytes == "trigger" || v[0].bytes == "view"));
    }
    case 12:  // field catalogue: table, ordinal, name, type, size, attributes, required, zero length, collating, ...
      return IsText(v[0]) && IsInteger(v[1]) && IsText(v[2]) && IsInteger(v[3]) && IsInteger(v[4]);
    case 7:  // index catalogue: table, name, engine's name, primary, unique, required, ignore nulls
      return IsText(v[0]) && IsText(v[1]) && IsText(v[2]) && IsInteger(v[3]) && IsInteger(v[4]) && IsInteger(v[5]) &&
             IsInteger(v[6]);
    case 2:  // stored queries: name, statement (longer than any parameter value)
      return IsText(v[0]) && IsText(v[1]) && Characters(v[1].bytes) > 20;
    default: return false;
  }
}

bool AsTableEntry(const RawRow& row, SchemaRoot* root) {
  const std::vector<RawValue>& v = row.values;
  if (v.size() != 5 || !IsText(v[0]) || v[0].bytes != "table" || !IsText(v[1]) || !IsText(v[2]) || !IsInteger(v[3]) ||
      !IsNullOr(v[4], IsText))
    return false;
  root->name = v[1].bytes;
  root->rootPage = v[3].integer;
  return true;
}

}  // namespace qh::maint
