// The row source behind a recordset: a forward-only walk of an SQLite statement, a snapshot of
// every row's values, or a dynaset of row keys whose values are read when a row becomes current.
// It keeps the current position, the edit buffer of AddNew/Edit and writes rows back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dao/DaoConnection.h"
#include "platform/dao/OleVariant.h"

namespace qh::dao {

class Cursor {
 public:
  enum class Mode { ForwardOnly, Snapshot, Dynaset };
  using Column = ResultColumn;

  Cursor(std::shared_ptr<Connection> connection, std::shared_ptr<const PreparedText> text,
         const std::vector<COleVariant>& params, Mode mode, bool readOnly, bool appendOnly);
  ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  // The database was closed under the cursor.
  void Invalidate();
  bool Valid() const { return m_connection != nullptr; }

  Mode GetMode() const { return m_mode; }
  const std::vector<Column>& Columns() const { return *m_columns; }
  bool Updatable() const { return m_updatable; }
  bool Appendable() const { return m_updatable || m_appendOnly; }
  bool Scrollable() const { return m_mode != Mode::ForwardOnly; }
  Connection& GetConnection() const { return *m_connection; }
  const std::string& BaseTable() const { return m_table; }

  bool IsBOF() const;
  bool IsEOF() const;
  bool IsDeleted() const { return m_deletedHole; }
  void MoveFirst();
  void MoveNext();
  void MovePrev();
  void MoveLast();
  void Move(long rows);
  long Count() const;
  long Position() const;
  void SetPosition(long position);

  // A value of the current row, or of the edit buffer while editing.
  COleVariant Value(int column);

  short EditMode() const { return m_editMode; }
  void AddNew();
  void Edit();
  void SetValue(int column, const COleVariant& value);
  void Update();
  void CancelUpdate();
  void Delete();

  long CachedRows() const;

 private:
  long RowTotal() const;
  void RequireCurrent() const;
  void RequireScroll() const;
  void Moved();
  void LoadCurrent();
  void StepForward();
  bool OpenKeyed(const std::vector<COleVariant>& params);
  void MaterialiseRows(sqlite3_stmt* statement);
  COleVariant StoredValue(std::size_t row, int column) const;

  std::shared_ptr<Connection> m_connection;
  std::shared_ptr<const PreparedText> m_text;
  Mode m_mode;
  bool m_updatable = false;
  bool m_appendOnly = false;
  std::shared_ptr<const ResultColumns> m_columns;
  std::string m_table;      // base table of an updatable cursor
  std::string m_quotedTable;
  std::string m_fetchSql;   // reads one row of a dynaset by its key

  // Forward-only: the statement being stepped.
  Connection::Statement m_statement;
  bool m_hasRow = false;
  long m_passed = 0;

  // Snapshot: each row's cells, encoded (see StoredValue). Dynaset: the keys.
  std::vector<std::string> m_rows;
  std::vector<long long> m_keys;
  long m_position = 0;
  bool m_deletedHole = false;

  // The current row of a dynaset, read when it became current.
  std::vector<COleVariant> m_current;
  bool m_currentLoaded = false;

  short m_editMode = 0;
  std::vector<COleVariant> m_buffer;
  std::vector<bool> m_dirty;
};

}  // namespace qh::dao
