#include "platform/dao/DaoCursor.h"

#include <cstring>
#include <limits>

#include "platform/core/Cp1252.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoException.h"

namespace qh::dao {
namespace {

const char kSource[] = "DAO.Recordset";

[[noreturn]] void NoCurrentRecord() { ThrowDaoError(kDaoErrNoCurrentRecord, "No current record.", kSource); }
[[noreturn]] void InvalidOperation() { ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation.", kSource); }
[[noreturn]] void ReadOnly() { ThrowDaoError(kDaoErrReadOnly, "Cannot update. Database or object is read-only.", kSource); }

// Cells of a stored row: a tag byte, then 8 bytes of a number or a 4-byte length and the text.
enum : char { kNull = 'N', kInteger = 'I', kReal = 'R', kText = 'T' };

void AppendCell(std::string& row, sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: row += kNull; break;
    case SQLITE_INTEGER: {
      long long value = sqlite3_column_int64(statement, column);
      row += kInteger;
      row.append(reinterpret_cast<const char*>(&value), sizeof value);
      break;
    }
    case SQLITE_FLOAT: {
      double value = sqlite3_column_double(statement, column);
      row += kReal;
      row.append(reinterpret_cast<const char*>(&value), sizeof value);
      break;
    }
    default: {
      const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      std::string_view utf8(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
      std::string bytes = Utf8ToCp1252(utf8);
      auto length = static_cast<std::uint32_t>(bytes.size());
      row += kText;
      row.append(reinterpret_cast<const char*>(&length), sizeof length);
      row += bytes;
      break;
    }
  }
}

// A stored real as a whole number, saturated at the ends of the 64-bit range.
long long WholeOf(double real) {
  if (!(real > -9.2e18)) return real != real ? 0 : std::numeric_limits<long long>::min();
  if (real >= 9.2e18) return std::numeric_limits<long long>::max();
  return static_cast<long long>(real);
}

COleVariant Typed(char tag, long long integer, double real, std::string_view text, short daoType) {
  if (tag == kNull) return COleVariant::Null();
  if (tag == kText) return COleVariant(CString(text));
  double number = tag == kInteger ? static_cast<double>(integer) : real;
  if (tag == kReal) integer = WholeOf(real);
  switch (daoType) {
    case dbBoolean: return COleVariant::FromBool(number != 0.0);
    case dbByte: return COleVariant(static_cast<BYTE>(integer));
    case dbInteger: return COleVariant(static_cast<SHORT>(integer));
    case dbLong: return COleVariant(static_cast<LONG>(integer));
    case dbSingle: return COleVariant(static_cast<float>(number));
    case dbCurrency:
    case dbDouble: return COleVariant(number);
    case dbDate: return COleVariant::FromDate(number);
    default: break;
  }
  if (tag == kInteger && integer >= -2147483648LL && integer <= 2147483647LL) return COleVariant(static_cast<LONG>(integer));
  return COleVariant(number);
}

}  // namespace

Cursor::Cursor(std::shared_ptr<Connection> connection, std::shared_ptr<const PreparedText> text,
               const std::vector<COleVariant>& params, Mode mode, bool readOnly, bool appendOnly)
    : m_connection(std::move(connection)), m_text(std::move(text)), m_mode(mode), m_appendOnly(appendOnly) {
  const TranslatedSql& translated = m_text->translated;
  if (translated.kind != StatementKind::Select)
    ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation: the statement returns no rows (use Execute).", kSource);
  bool keyed = m_mode == Mode::Dynaset && translated.shape.singleTable && !readOnly && !m_connection->ReadOnly() &&
               OpenKeyed(params);
  if (m_mode == Mode::Dynaset && !keyed) m_mode = Mode::Snapshot;
  m_appendOnly = m_appendOnly && keyed;
  if (!keyed) {
    Connection::Statement statement = m_connection->Acquire(translated.sql, kSource);
    m_connection->BindParameters(statement.get(), *m_text, params, kSource);
    m_columns = m_connection->ColumnsOf(statement.get(), translated.sql, 0);
    if (m_mode == Mode::ForwardOnly) {
      m_statement = std::move(statement);
      m_hasRow = m_connection->Step(m_statement.get(), kSource) == SQLITE_ROW;
      m_passed = m_hasRow ? 1 : 0;
    } else {
      MaterialiseRows(statement.get());
    }
  }
  m_connection->Register(this);
}

// A dynaset reads its rows' keys with the statement itself, the key put in front of its columns.
// False (nothing read) when a column is not a column of the one table, so the rows cannot be written.
bool Cursor::OpenKeyed(const std::vector<COleVariant>& params) {
  const TranslatedSql& translated = m_text->translated;
  const std::string& keyedSql = m_text->keyedSql;
  if (keyedSql.empty()) return false;
  Connection::Statement statement = m_connection->Acquire(keyedSql, kSource);
  std::shared_ptr<const ResultColumns> columns = m_connection->ColumnsOf(statement.get(), keyedSql, 1);
  if (columns->empty()) return false;
  for (const Column& column : *columns)
    if (column.table.empty() || !Cp1252EqualNoCase(column.table, columns->front().table) ||
        !Cp1252EqualNoCase(column.table, translated.shape.table))
      return false;
  m_columns = columns;
  m_updatable = true;
  m_table = columns->front().table;
  m_quotedTable = QuoteName(m_table);
  std::string names;
  for (const Column& column : *columns) names += (names.empty() ? "" : ", ") + column.quotedOrigin;
  m_fetchSql = "SELECT " + names + " FROM " + m_quotedTable + " WHERE rowid = ?1";
  if (!m_appendOnly) {
    m_connection->BindParameters(statement.get(), *m_text, params, kSource);
    while (m_connection->Step(statement.get(), kSource) == SQLITE_ROW) m_keys.push_back(sqlite3_column_int64(statement.get(), 0));
  }
  return true;
}

Cursor::~Cursor() {
  if (m_connection) m_connection->Unregister(this);
}

void Cursor::Invalidate() {
  m_statement = Connection::Statement();
  m_connection.reset();
  m_rows.clear();
  m_keys.clear();
  m_current.clear();
  m_buffer.clear();
  m_hasRow = false;
  m_editMode = dbEditNone;
}

void Cursor::MaterialiseRows(sqlite3_stmt* statement) {
  int count = static_cast<int>(m_columns->size());
  while (m_connection->Step(statement, kSource) == SQLITE_ROW) {
    std::string row;
    for (int k = 0; k < count; ++k) AppendCell(row, statement, k);
    m_rows.push_back(std::move(row));
  }
}

COleVariant Cursor::StoredValue(std::size_t row, int column) const {
  const std::string& cells = m_rows[row];
  std::size_t at = 0;
  for (int k = 0;; ++k) {
    char tag = cells[at++];
    std::size_t size = tag == kNull ? 0 : tag == kText ? sizeof(std::uint32_t) : 8;
    if (tag == kText) {
      std::uint32_t length = 0;
      std::memcpy(&length, cells.data() + at, sizeof length);
      size += length;
    }
    if (k == column) {
      long long integer = 0;
      double real = 0;
      std::string_view text;
      if (tag == kInteger) std::memcpy(&integer, cells.data() + at, 8);
      if (tag == kReal) std::memcpy(&real, cells.data() + at, 8);
      if (tag == kText) text = std::string_view(cells.data() + at + 4, size - 4);
      return Typed(tag, integer, real, text, (*m_columns)[static_cast<std::size_t>(column)].daoType);
    }
    at += size;
  }
}

long Cursor::RowTotal() const {
  return static_cast<long>(m_mode == Mode::Snapshot ? m_rows.size() : m_keys.size());
}

bool Cursor::IsBOF() const {
  if (m_mode == Mode::ForwardOnly) return m_passed == 0;
  if (m_deletedHole) return false;
  return RowTotal() == 0 || m_position < 0;
}

bool Cursor::IsEOF() const {
  if (m_mode == Mode::ForwardOnly) return !m_hasRow;
  if (m_deletedHole) return false;
  return RowTotal() == 0 || m_position >= RowTotal();
}

void Cursor::RequireScroll() const {
  if (m_mode == Mode::ForwardOnly) InvalidOperation();
}

void Cursor::RequireCurrent() const {
  if (m_deletedHole) ThrowDaoError(kDaoErrRecordDeleted, "Record is deleted.", kSource);
  if (IsBOF() || IsEOF()) NoCurrentRecord();
}

void Cursor::Moved() {
  m_deletedHole = false;
  m_currentLoaded = false;
  if (m_editMode != dbEditNone) CancelUpdate();
}

void Cursor::StepForward() {
  m_hasRow = m_connection->Step(m_statement.get(), kSource) == SQLITE_ROW;
  if (m_hasRow) ++m_passed;
}

void Cursor::MoveFirst() {
  if (m_mode == Mode::ForwardOnly) {
    // Already on the first row: nothing to do; anything else would need a rewind.
    if (m_passed == 1 && m_hasRow) return;
    InvalidOperation();
  }
  if (RowTotal() == 0) NoCurrentRecord();
  Moved();
  m_position = 0;
}

void Cursor::MoveLast() {
  RequireScroll();
  if (RowTotal() == 0) NoCurrentRecord();
  Moved();
  m_position = RowTotal() - 1;
}

void Cursor::MoveNext() {
  if (m_mode == Mode::ForwardOnly) {
    if (!m_hasRow) NoCurrentRecord();
    if (m_editMode != dbEditNone) CancelUpdate();
    StepForward();
    return;
  }
  if (m_deletedHole) {  // the row after the deleted one already stands at the position
    Moved();
    return;
  }
  if (IsEOF()) NoCurrentRecord();
  Moved();
  ++m_position;
}

void Cursor::MovePrev() {
  RequireScroll();
  if (!m_deletedHole && IsBOF()) NoCurrentRecord();
  Moved();
  --m_position;
  if (m_position < -1) m_position = -1;
}

void Cursor::Move(long rows) {
  if (m_mode == Mode::ForwardOnly) {
    if (rows < 0) InvalidOperation();
    if (!m_hasRow) NoCurrentRecord();
    for (long k = 0; k < rows && m_hasRow; ++k) StepForward();
    return;
  }
  if (!m_deletedHole && (IsBOF() || IsEOF())) NoCurrentRecord();
  long target = m_position + rows - (m_deletedHole && rows > 0 ? 1 : 0);
  Moved();
  if (target < -1) target = -1;
  if (target > RowTotal()) target = RowTotal();
  m_position = target;
}

long Cursor::Count() const { return m_mode == Mode::ForwardOnly ? m_passed : RowTotal(); }

long Cursor::Position() const {
  if (m_mode == Mode::ForwardOnly) return m_hasRow ? m_passed - 1 : -1;
  if (m_deletedHole || IsBOF() || IsEOF()) return -1;
  return m_position;
}

void Cursor::SetPosition(long position) {
  RequireScroll();
  if (position < 0 || position >= RowTotal()) ThrowDaoError(kDaoErrInvalidArgument, "Invalid argument.", kSource);
  Moved();
  m_position = position;
}

void Cursor::LoadCurrent() {
  if (m_currentLoaded) return;
  Connection::Statement fetch = m_connection->Acquire(m_fetchSql, kSource);
  sqlite3_bind_int64(fetch.get(), 1, m_keys[static_cast<std::size_t>(m_position)]);
  if (m_connection->Step(fetch.get(), kSource) != SQLITE_ROW)
    ThrowDaoError(kDaoErrRecordDeleted, "Record is deleted.", kSource);
  m_current.clear();
  for (std::size_t k = 0; k < m_columns->size(); ++k)
    m_current.push_back(ReadColumn(fetch.get(), static_cast<int>(k), (*m_columns)[k].daoType));
  m_currentLoaded = true;
}

COleVariant Cursor::Value(int column) {
  if (!Valid()) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  if (column < 0 || column >= static_cast<int>(m_columns->size()))
    ThrowDaoError(kDaoErrItemNotFound, "Item not found in this collection.", kSource);
  if (m_editMode != dbEditNone) return m_buffer[static_cast<std::size_t>(column)];
  RequireCurrent();
  switch (m_mode) {
    case Mode::ForwardOnly:
      return ReadColumn(m_statement.get(), column, (*m_columns)[static_cast<std::size_t>(column)].daoType);
    case Mode::Snapshot: return StoredValue(static_cast<std::size_t>(m_position), column);
    case Mode::Dynaset: LoadCurrent(); return m_current[static_cast<std::size_t>(column)];
  }
  return COleVariant::Null();
}

void Cursor::AddNew() {
  if (!Appendable()) ReadOnly();
  if (m_editMode != dbEditNone) CancelUpdate();
  m_editMode = dbEditAdd;
  m_buffer.assign(m_columns->size(), COleVariant::Null());
  m_dirty.assign(m_columns->size(), false);
}

void Cursor::Edit() {
  if (!m_updatable) ReadOnly();
  RequireCurrent();
  LoadCurrent();
  if (m_editMode != dbEditNone) CancelUpdate();
  m_buffer = m_current;
  m_dirty.assign(m_columns->size(), false);
  m_editMode = dbEditInProgress;
}

void Cursor::SetValue(int column, const COleVariant& value) {
  if (m_editMode == dbEditNone)
    ThrowDaoError(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", kSource);
  if (column < 0 || column >= static_cast<int>(m_columns->size()))
    ThrowDaoError(kDaoErrItemNotFound, "Item not found in this collection.", kSource);
  const Column& target = (*m_columns)[static_cast<std::size_t>(column)];
  COleVariant converted = value;
  VARTYPE type = VarTypeOfDaoType(target.daoType);
  if (converted.vt == VT_EMPTY) converted.SetNull();
  if (type != VT_EMPTY && converted.vt != VT_NULL) converted.ChangeType(type);
  if (target.textSize > 0 && converted.vt == VT_BSTR) {
    if (std::strlen(converted.bstrVal) > static_cast<std::size_t>(target.textSize)) {
      ThrowDaoError(kDaoErrFieldTooSmall,
                    ("The field '" + m_table + "." + target.origin +
                     "' is too small to accept the amount of data you attempted to add. Try inserting or pasting less data.").c_str(),
                    kSource);
    }
  }
  m_buffer[static_cast<std::size_t>(column)] = std::move(converted);
  m_dirty[static_cast<std::size_t>(column)] = true;
}

void Cursor::Update() {
  if (m_editMode == dbEditNone)
    ThrowDaoError(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", kSource);
  std::vector<int> changed;
  for (std::size_t k = 0; k < m_columns->size(); ++k)
    if (m_dirty[k]) changed.push_back(static_cast<int>(k));
  const std::string& table = m_quotedTable;
  if (m_editMode == dbEditAdd) {
    std::string sql;
    if (changed.empty()) {
      sql = "INSERT INTO " + table + " DEFAULT VALUES";
    } else {
      std::string names;
      std::string marks;
      for (std::size_t k = 0; k < changed.size(); ++k) {
        names += (k ? ", " : "") + (*m_columns)[static_cast<std::size_t>(changed[k])].quotedOrigin;
        marks += (k ? ", ?" : "?") + std::to_string(k + 1);
      }
      sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
    }
    Connection::Statement insert = m_connection->Acquire(sql, kSource);
    for (std::size_t k = 0; k < changed.size(); ++k)
      BindValue(insert.get(), static_cast<int>(k) + 1, m_buffer[static_cast<std::size_t>(changed[k])]);
    m_connection->Step(insert.get(), kSource);
    bool atEnd = m_position >= RowTotal();
    m_keys.push_back(sqlite3_last_insert_rowid(m_connection->Handle()));
    if (atEnd) m_position = RowTotal();
  } else if (!changed.empty()) {
    std::string assignments;
    for (std::size_t k = 0; k < changed.size(); ++k)
      assignments += (k ? ", " : "") + (*m_columns)[static_cast<std::size_t>(changed[k])].quotedOrigin + " = ?" + std::to_string(k + 1);
    std::string sql = "UPDATE " + table + " SET " + assignments + " WHERE rowid = ?" + std::to_string(changed.size() + 1);
    Connection::Statement update = m_connection->Acquire(sql, kSource);
    for (std::size_t k = 0; k < changed.size(); ++k)
      BindValue(update.get(), static_cast<int>(k) + 1, m_buffer[static_cast<std::size_t>(changed[k])]);
    sqlite3_bind_int64(update.get(), static_cast<int>(changed.size()) + 1, m_keys[static_cast<std::size_t>(m_position)]);
    m_connection->Step(update.get(), kSource);
    m_currentLoaded = false;
  }
  m_editMode = dbEditNone;
  m_buffer.clear();
  m_dirty.clear();
}

void Cursor::CancelUpdate() {
  if (m_editMode == dbEditNone)
    ThrowDaoError(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", kSource);
  m_editMode = dbEditNone;
  m_buffer.clear();
  m_dirty.clear();
}

void Cursor::Delete() {
  if (!m_updatable) ReadOnly();
  RequireCurrent();
  if (m_editMode != dbEditNone) CancelUpdate();
  Connection::Statement erase = m_connection->Acquire("DELETE FROM " + m_quotedTable + " WHERE rowid = ?1", kSource);
  sqlite3_bind_int64(erase.get(), 1, m_keys[static_cast<std::size_t>(m_position)]);
  m_connection->Step(erase.get(), kSource);
  m_keys.erase(m_keys.begin() + m_position);
  m_deletedHole = true;
  m_currentLoaded = false;
}

long Cursor::CachedRows() const {
  switch (m_mode) {
    case Mode::ForwardOnly: return 0;
    case Mode::Snapshot: return static_cast<long>(m_rows.size());
    case Mode::Dynaset: return m_currentLoaded ? 1 : 0;
  }
  return 0;
}

}  // namespace qh::dao
