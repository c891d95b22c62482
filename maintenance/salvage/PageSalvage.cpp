#include "maintenance/salvage/PageSalvage.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "dblib/DefaultGenres.h"
#include "maintenance/salvage/RecordMatcher.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoException.h"

namespace qh::maint {

namespace {

constexpr const char* kSource = "DAO.Workspace";
constexpr int kInternal = -2;

// A value as a key for comparing across rows: texts without case, whole reals as the integers they are.
std::string KeyOf(const RawValue& value) {
  std::string key(1, ' ');
  switch (value.kind) {
    case RawValue::kNull: return std::string();
    case RawValue::kInteger:
      key[0] = 'i';
      key.append(std::to_string(value.integer));
      break;
    case RawValue::kReal:
      if (value.real == std::floor(value.real) && std::fabs(value.real) < 9e15) {
        key[0] = 'i';
        key.append(std::to_string(static_cast<long long>(value.real)));
      } else {
        key[0] = 'r';
        key.append(std::to_string(value.real));
      }
      break;
    case RawValue::kText:
      key[0] = 't';
      for (char ch : value.bytes) key += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      break;
    case RawValue::kBlob:
      key[0] = 'b';
      key.append(value.bytes);
      break;
  }
  return key;
}

// Columns whose values name a row of another table: what tells apart tables of one shape.
struct Reference {
  const char* table;
  const char* column;
  const char* target;
  const char* targetColumn;
};
constexpr Reference kReferences[] = {
    {"SongGenre", "SongID", "Songs", "SongID"},          {"SongGenre", "SongGenre", "SongType", "SongTypeCode"},
    {"PlaylistDetail", "SongID", "Songs", "SongID"},     {"PlaylistDetail", "PlaylistName", "Playlist", "PlaylistName"},
    {"CueList", "SongID", "Songs", "SongID"},            {"DJSequence", "CurrentSong", "Songs", "SongID"},
    {"DJSequence", "NextSong", "Songs", "SongID"},
};

class CRowPlacer {
 public:
  CRowPlacer(const CPageFile& pages, long* untold) : m_pages(pages), m_untold(untold) {}

  std::vector<PlacedRow> Place() {
    ReadLeaves();
    WalkTrees();
    for (auto& [page, rows] : m_leaves) {
      auto owner = m_owner.find(page);
      if (owner == m_owner.end()) PlaceByShape(rows);
      else if (owner->second >= 0) PlaceAll(owner->second, rows);
    }
    ResolveUntold();
    return std::move(m_placed);
  }

 private:
  void ReadLeaves() {
    for (std::uint32_t number = 1; number <= m_pages.PageCount(); ++number) {
      std::vector<RawRow> rows;
      if (m_pages.LeafRows(number, &rows) && !rows.empty()) m_leaves[number] = std::move(rows);
    }
  }

  // The list of tables' own leaves name each table's first page; the tree below it holds its rows.
  void WalkTrees() {
    std::vector<std::set<std::uint32_t>> roots(m_matcher.TableCount());
    std::set<std::uint32_t> internalRoots;
    for (const auto& [page, rows] : m_leaves)
      for (const RawRow& row : rows) {
        SchemaRoot root;
        if (!AsTableEntry(row, &root) || root.rootPage < 1 || root.rootPage > m_pages.PageCount()) continue;
        int table = m_matcher.TableIndex(root.name);
        if (table >= 0) roots[table].insert(static_cast<std::uint32_t>(root.rootPage));
        else internalRoots.insert(static_cast<std::uint32_t>(root.rootPage));
      }
    m_whole.assign(m_matcher.TableCount(), false);
    for (std::uint32_t root : internalRoots) Walk(root, kInternal);
    for (int table = 0; table < m_matcher.TableCount(); ++table) {
      bool intact = roots[table].size() == 1;
      for (std::uint32_t root : roots[table]) intact = Walk(root, table) && intact;
      m_whole[table] = intact;
    }
  }

  // Marks the leaves under `root` as the table's; true when every page reached was a table page seen once.
  bool Walk(std::uint32_t root, int table) {
    bool intact = true;
    std::vector<std::uint32_t> pending{root};
    while (!pending.empty()) {
      std::uint32_t page = pending.back();
      pending.pop_back();
      if (!m_visited.insert(page).second) {
        intact = false;
        continue;
      }
      std::uint8_t kind = m_pages.PageKind(page);
      std::vector<std::uint32_t> children;
      if (kind == kTableLeafPage) m_owner[page] = table;
      else if (m_pages.InteriorChildren(page, &children)) pending.insert(pending.end(), children.begin(), children.end());
      else intact = false;
    }
    return intact;
  }

  void Put(int table, RawRow& row) {
    if (!m_rowids[table].insert(row.rowid).second) return;
    // Only the columns references name are kept as keys: a large library's every value would not fit.
    for (const Reference& reference : kReferences) {
      if (m_matcher.TableIndex(reference.target) != table) continue;
      int column = m_matcher.ColumnIndex(table, reference.targetColumn);
      if (column >= 0 && column < static_cast<int>(row.values.size()))
        m_values[{table, column}].insert(KeyOf(row.values[column]));
    }
    m_placed.push_back({table, std::move(row)});
  }

  void PlaceAll(int table, std::vector<RawRow>& rows) {
    for (RawRow& row : rows) {
      if (m_matcher.Admits(table, row)) Put(table, row);
      else ++*m_untold;
    }
  }

  // A leaf outside every tree found. All its rows belong to one table: the tables that admit every row
  // of the page, less those whose whole tree was found (this page was freed from them).
  void PlaceByShape(std::vector<RawRow>& rows) {
    std::vector<int> common;
    bool first = true;
    for (const RawRow& row : rows) {
      if (m_matcher.IsInternal(row)) continue;
      std::vector<int> candidates = m_matcher.Candidates(row);
      if (candidates.empty()) continue;
      if (first) common = candidates;
      else common.erase(std::remove_if(common.begin(), common.end(),
                                       [&](int t) { return std::find(candidates.begin(), candidates.end(), t) == candidates.end(); }),
                        common.end());
      first = false;
    }
    if (first) return;  // no row of the system's tables on it
    common.erase(std::remove_if(common.begin(), common.end(), [&](int t) { return m_whole[t]; }), common.end());
    if (common.size() == 1) return PlaceAll(common[0], rows);
    bool freed = std::all_of(rows.begin(), rows.end(), [&](const RawRow& row) {
      std::vector<int> candidates = m_matcher.Candidates(row);
      return std::all_of(candidates.begin(), candidates.end(), [&](int t) { return m_whole[t]; });
    });
    if (freed) return;
    if (common.empty()) {
      // Rows of several shapes on one page: each row that only one table admits goes there.
      for (RawRow& row : rows) {
        std::vector<int> candidates = m_matcher.Candidates(row);
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(), [&](int t) { return m_whole[t]; }),
                         candidates.end());
        if (candidates.size() == 1) Put(candidates[0], row);
        else if (!candidates.empty()) ++*m_untold;
      }
      return;
    }
    m_undecided.push_back({common, &rows});
  }

  // Pages more than one table admits, decided once every other page is placed: a table whose unique key
  // repeats on the page is out, and of the rest the one whose references all name rows found wins.
  void ResolveUntold() {
    for (int k = 0; k < kDefaultGenreCount; ++k) {
      RawValue code;
      code.kind = RawValue::kText;
      code.bytes = kDefaultGenres[k];
      m_values[{m_matcher.TableIndex("SongType"), 0}].insert(KeyOf(code));
    }
    for (auto& [candidates, rows] : m_undecided) {
      std::vector<int> left;
      for (int table : candidates)
        if (!RepeatsUniqueKey(table, *rows)) left.push_back(table);
      std::vector<int> supported, open;
      for (int table : left) {
        int verdict = ReferencesVerdict(table, *rows);
        if (verdict > 0) supported.push_back(table);
        if (verdict >= 0) open.push_back(table);
      }
      if (supported.size() == 1) PlaceAll(supported[0], *rows);
      else if (open.size() == 1) PlaceAll(open[0], *rows);
      else *m_untold += static_cast<long>(rows->size());
    }
  }

  bool RepeatsUniqueKey(int table, const std::vector<RawRow>& rows) const {
    for (const std::vector<int>& key : m_matcher.UniqueKeys(table)) {
      std::set<std::string> seen;
      for (const RawRow& row : rows) {
        std::string composite;
        bool hasNull = false;
        for (int column : key) {
          if (column < 0 || column >= static_cast<int>(row.values.size())) return false;
          hasNull = hasNull || row.values[column].kind == RawValue::kNull;
          composite += KeyOf(row.values[column]) + '\x1f';
        }
        if (!hasNull && !seen.insert(composite).second) return true;
      }
    }
    return false;
  }

  // 1: the table has references and every one names a row found; -1: one names nothing found; 0: none.
  int ReferencesVerdict(int table, const std::vector<RawRow>& rows) const {
    int verdict = 0;
    for (const Reference& reference : kReferences) {
      if (m_matcher.TableIndex(reference.table) != table) continue;
      int column = m_matcher.ColumnIndex(table, reference.column);
      int target = m_matcher.TableIndex(reference.target);
      auto known = m_values.find({target, m_matcher.ColumnIndex(target, reference.targetColumn)});
      for (const RawRow& row : rows) {
        if (column < 0 || column >= static_cast<int>(row.values.size()) || row.values[column].kind == RawValue::kNull) continue;
        if (known == m_values.end() || !known->second.count(KeyOf(row.values[column]))) return -1;
        verdict = 1;
      }
    }
    return verdict;
  }

  const CPageFile& m_pages;
  long* m_untold;
  CRecordMatcher m_matcher;
  std::map<std::uint32_t, std::vector<RawRow>> m_leaves;
  std::map<std::uint32_t, int> m_owner;
  std::set<std::uint32_t> m_visited;
  std::vector<bool> m_whole;
  std::vector<PlacedRow> m_placed;
  std::map<int, std::set<long long>> m_rowids;
  std::map<std::pair<int, int>, std::set<std::string>> m_values;
  std::vector<std::pair<std::vector<int>, std::vector<RawRow>*>> m_undecided;
};

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

struct TargetFile {
  sqlite3* db = nullptr;
  explicit TargetFile(const std::string& hostPath) {
    if (sqlite3_open_v2(hostPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      Fail("Cannot open the salvaged database '" + hostPath + "'.");
    sqlite3_extended_result_codes(db, 1);
    // The indexes and triggers of the new file name the library's text order and functions.
    qh::dao::RegisterJetFunctions(db);
  }
  ~TargetFile() { sqlite3_close_v2(db); }
  TargetFile(const TargetFile&) = delete;
  TargetFile& operator=(const TargetFile&) = delete;

  [[noreturn]] void Fail(const std::string& what) const {
    ThrowDaoError(kDaoErrCorrupt, CString(what.c_str()), kSource, db ? sqlite3_errmsg(db) : nullptr);
  }
  void Exec(const char* sql) const {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(std::string("Cannot write the salvaged database: ") + sql);
  }
  sqlite3_stmt* InsertInto(int table) const {
    std::string columns, params;
    for (const SchemaField& field : kSongDbTables[table].fields) {
      columns += ", " + Quoted(field.name);
      params += ", ?";
    }
    std::string sql = "INSERT OR REPLACE INTO " + Quoted(kSongDbTables[table].name) + " (rowid" + columns + ") VALUES (?" + params + ")";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) Fail("Cannot write the salvaged database: " + sql);
    return statement;
  }
};

void Bind(sqlite3_stmt* statement, int index, const RawValue& value) {
  switch (value.kind) {
    case RawValue::kNull: sqlite3_bind_null(statement, index); break;
    case RawValue::kInteger: sqlite3_bind_int64(statement, index, value.integer); break;
    case RawValue::kReal: sqlite3_bind_double(statement, index, value.real); break;
    case RawValue::kText:
      sqlite3_bind_text(statement, index, value.bytes.data(), static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
      break;
    case RawValue::kBlob:
      sqlite3_bind_blob(statement, index, value.bytes.data(), static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
      break;
  }
}

}  // namespace

long PageSalvageResult::Saved() const {
  long saved = 0;
  for (const Table& table : tables) saved += table.saved;
  return saved;
}

std::vector<PlacedRow> PlaceRows(const CPageFile& pages, long* untold) { return CRowPlacer(pages, untold).Place(); }

PageSalvageResult SalvagePages(const std::string& damagedHostPath, const std::string& targetHostPath) {
  std::ifstream in(damagedHostPath, std::ios::binary);
  if (!in) ThrowDaoError(3024, CString("Could not find file '") + damagedHostPath.c_str() + "'.", kSource);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  PageSalvageResult result;
  for (const SchemaTable& table : kSongDbTables) result.tables.push_back({table.name, 0});
  std::uint32_t reserved = 0;
  result.pageSize = DetectPageSize(bytes, &reserved);
  if (result.pageSize == 0) return result;
  CPageFile pages(bytes, result.pageSize, reserved);
  std::vector<PlacedRow> placed = PlaceRows(pages, &result.untold);

  TargetFile target(targetHostPath);
  std::vector<sqlite3_stmt*> inserts(kSongDbTableCount, nullptr);
  target.Exec("BEGIN");
  try {
    for (const PlacedRow& placedRow : placed) {
      sqlite3_stmt*& insert = inserts[placedRow.table];
      if (!insert) insert = target.InsertInto(placedRow.table);
      sqlite3_bind_int64(insert, 1, placedRow.row.rowid);
      for (std::size_t column = 0; column < placedRow.row.values.size(); ++column)
        Bind(insert, static_cast<int>(column) + 2, placedRow.row.values[column]);
      // A value its column refuses (a check, a required field) loses that row only.
      if (sqlite3_step(insert) == SQLITE_DONE) ++result.tables[placedRow.table].saved;
      else ++result.refused;
      sqlite3_reset(insert);
      sqlite3_clear_bindings(insert);
    }
    for (sqlite3_stmt* insert : inserts) sqlite3_finalize(insert);
    inserts.clear();
    target.Exec("COMMIT");
  } catch (...) {
    for (sqlite3_stmt* insert : inserts) sqlite3_finalize(insert);
    sqlite3_exec(target.db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return result;
}

}  // namespace qh::maint
