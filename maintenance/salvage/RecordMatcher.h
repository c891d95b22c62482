// Which table of the system's schema a row read from a bare page can belong to. A row carries no table
// name, only its values: a table admits a row when the counts of columns agree and every value is one
// its column can hold (storage class, text length, number range, required). The rows of the engine's
// list of tables and of the database objects' catalogue have shapes of their own and are told apart,
// since the new file brings its own.
#pragma once

#include <string>
#include <vector>

#include "maintenance/salvage/PageFile.h"

namespace qh::maint {

class CRecordMatcher {
 public:
  CRecordMatcher();

  // The number of tables of the system's schema (indexes below refer to kSongDbTables).
  int TableCount() const;
  bool Admits(int table, const RawRow& row) const;
  // The tables that admit the row, in the schema's order.
  std::vector<int> Candidates(const RawRow& row) const;
  // A row of the engine's list of tables or of the catalogue.
  bool IsInternal(const RawRow& row) const;
  // The columns of each unique key of the table (from the schema's unique indexes).
  const std::vector<std::vector<int>>& UniqueKeys(int table) const { return m_uniqueKeys[table]; }
  // The table's index in the schema, or -1 (names compare without case).
  int TableIndex(const std::string& name) const;
  int ColumnIndex(int table, const std::string& column) const;

 private:
  std::vector<std::vector<std::vector<int>>> m_uniqueKeys;
};

// An entry of the engine's list of tables found on a bare page: a table's name and its first page.
struct SchemaRoot {
  std::string name;
  long long rootPage = 0;
};
// The row as an entry of the list of tables of type "table", when it is one.
bool AsTableEntry(const RawRow& row, SchemaRoot* root);

}  // namespace qh::maint
