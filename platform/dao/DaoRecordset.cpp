#include "platform/dao/DaoRecordset.h"

#include "platform/core/Cp1252.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoCursor.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoTableDef.h"

namespace {

const char kSource[] = "DAO.Recordset";

std::string Trimmed(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && (std::isspace(static_cast<unsigned char>(text[end - 1])) || text[end - 1] == ';')) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string FirstWord(const std::string& text) {
  std::size_t end = 0;
  while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
  std::string word = text.substr(0, end);
  Cp1252MakeUpper(word);
  return word;
}

bool IsStatement(const std::string& text) {
  std::string word = FirstWord(text);
  return word == "SELECT" || word == "PARAMETERS" || word == "TRANSFORM" || (!text.empty() && text[0] == '(');
}

std::string Unbracketed(std::string name) {
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') return name.substr(1, name.size() - 2);
  return name;
}

// "statement" narrowed by a filter and ordered by a sort; a PARAMETERS head stays in front.
std::string WrapStatement(const std::string& statement, const CString& filter, const CString& sort) {
  if (filter.IsEmpty() && sort.IsEmpty()) return statement;
  std::string head;
  std::string body = statement;
  if (FirstWord(statement) == "PARAMETERS") {
    std::size_t semicolon = statement.find(';');
    if (semicolon != std::string::npos) {
      head = statement.substr(0, semicolon + 1) + " ";
      body = Trimmed(statement.substr(semicolon + 1));
    }
  }
  std::string wrapped = head + "SELECT * FROM (" + body + ")";
  if (!filter.IsEmpty()) wrapped += " WHERE " + filter.str();
  if (!sort.IsEmpty()) wrapped += " ORDER BY " + sort.str();
  return wrapped;
}

qh::dao::Cursor::Mode ModeOf(int type, int options) {
  if (type == dbOpenForwardOnly || (options & dbForwardOnly)) return qh::dao::Cursor::Mode::ForwardOnly;
  if (type == dbOpenSnapshot) return qh::dao::Cursor::Mode::Snapshot;
  return qh::dao::Cursor::Mode::Dynaset;
}

}  // namespace

CDaoRecordset::CDaoRecordset(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}

CDaoRecordset::~CDaoRecordset() {
  try {
    Close();
  } catch (CDaoException* e) {
    e->Delete();
  }
}

CString CDaoRecordset::GetDefaultDBName() { return CString(); }
CString CDaoRecordset::GetDefaultSQL() { return CString(); }
void CDaoRecordset::DoFieldExchange(CDaoFieldExchange*) {}

void CDaoRecordset::Open(int nOpenType, LPCTSTR lpszSQL, int nOptions) {
  if (IsOpen()) Close();
  if (!m_pDatabase) {
    m_ownDatabase = std::make_unique<CDaoDatabase>();
    m_ownDatabase->Open(GetDefaultDBName());
    m_pDatabase = m_ownDatabase.get();
  }
  int type = nOpenType == AFX_DAO_USE_DEFAULT_TYPE ? m_nDefaultType : nOpenType;
  CString sql = lpszSQL ? CString(lpszSQL) : GetDefaultSQL();
  OpenText(type, sql, nOptions, nullptr);
}

void CDaoRecordset::Open(CDaoQueryDef* pQueryDef, int nOpenType, int nOptions) {
  if (!pQueryDef || !pQueryDef->IsOpen()) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  if (IsOpen()) Close();
  if (!m_pDatabase) m_pDatabase = pQueryDef->m_pDatabase;
  int type = nOpenType == AFX_DAO_USE_DEFAULT_TYPE ? m_nDefaultType : nOpenType;
  OpenText(type, pQueryDef->GetSQL(), nOptions, pQueryDef);
}

void CDaoRecordset::Open(CDaoTableDef* pTableDef, int nOpenType, int nOptions) {
  if (!pTableDef || !pTableDef->IsOpen()) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  if (IsOpen()) Close();
  if (!m_pDatabase) m_pDatabase = pTableDef->m_pDatabase;
  int type = nOpenType == AFX_DAO_USE_DEFAULT_TYPE ? dbOpenTable : nOpenType;
  OpenText(type, CString("[") + pTableDef->GetName() + "]", nOptions, nullptr);
}

void CDaoRecordset::OpenText(int nOpenType, const CString& sql, int nOptions, CDaoQueryDef* queryDef) {
  if (!m_pDatabase) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  qh::dao::Connection& connection = m_pDatabase->RequireOpen(kSource);
  std::shared_ptr<qh::dao::Connection> shared = m_pDatabase->Connection();
  std::shared_ptr<const qh::dao::PreparedText> prepared;
  std::vector<COleVariant> params;
  std::string given = Trimmed(sql.view());
  if (queryDef) {
    const std::vector<COleVariant>& values = queryDef->ParamValues();
    if (m_strFilter.IsEmpty() && m_strSort.IsEmpty()) {
      prepared = connection.Prepare(queryDef->Prepared().jetSql, kSource);
      params = values;
    } else {
      prepared = connection.Prepare(WrapStatement(given, m_strFilter, m_strSort), kSource);
      // The wrapped text names the same parameters; their values go by name.
      for (const qh::dao::JetParameter& parameter : prepared->translated.parameters)
        params.push_back(queryDef->GetParamValue(parameter.name.c_str()));
    }
  } else {
    std::string text;
    if (given.empty()) ThrowDaoError(kDaoErrInvalidSql, "Invalid SQL statement: no table, query or statement given.", kSource);
    if (IsStatement(given)) {
      text = WrapStatement(given, m_strFilter, m_strSort);
    } else {
      std::string name = Unbracketed(given);
      std::string stored;
      std::string storedSql;
      if (connection.TableExists(name, &stored) && !qh::dao::IsSystemTableName(stored)) {
        std::string columns;
        if (m_nFields > 0) {
          CDaoFieldExchange fx(CDaoFieldExchange::CollectNames, this);
          RunExchange(fx);
          for (const CString& column : fx.m_columnNames) columns += (columns.empty() ? "" : ", ") + column.str();
        }
        text = "SELECT " + (columns.empty() ? std::string("*") : columns) + " FROM [" + stored + "]";
        if (!m_strFilter.IsEmpty()) text += " WHERE " + m_strFilter.str();
        if (!m_strSort.IsEmpty()) text += " ORDER BY " + m_strSort.str();
      } else if (connection.FindQuery(name, &stored, &storedSql)) {
        text = WrapStatement(Trimmed(storedSql), m_strFilter, m_strSort);
      } else {
        ThrowDaoError(kDaoErrNoSuchTable,
                      ("The database engine cannot find the input table or query '" + name +
                       "'. Make sure it exists and that its name is spelled correctly.").c_str(),
                      kSource);
      }
    }
    bool forKeys = ModeOf(nOpenType, nOptions) == qh::dao::Cursor::Mode::Dynaset && !(nOptions & dbReadOnly);
    prepared = connection.Prepare(text, kSource, forKeys);
    if (!prepared->translated.parameters.empty() && m_nParams > 0) params = CollectBoundParams();
  }
  m_cursor = std::make_unique<qh::dao::Cursor>(shared, prepared, params, ModeOf(nOpenType, nOptions),
                                               (nOptions & dbReadOnly) != 0, (nOptions & dbAppendOnly) != 0);
  m_sqlGiven = sql;
  m_openType = nOpenType;
  m_options = nOptions;
  m_queryDef = queryDef;
  LoadBoundFields();
}

void CDaoRecordset::Requery() {
  qh::dao::Cursor& cursor = RequireCursor("Requery");
  (void)cursor;
  CString sql = m_sqlGiven;
  int type = m_openType;
  int options = m_options;
  CDaoQueryDef* queryDef = m_queryDef;
  m_cursor.reset();
  OpenText(type, sql, options, queryDef);
}

void CDaoRecordset::Close() {
  m_cursor.reset();
  m_boundValues.clear();
  m_queryDef = nullptr;
  if (m_ownDatabase) {
    m_ownDatabase->Close();
    m_ownDatabase.reset();
    m_pDatabase = nullptr;
  }
}

BOOL CDaoRecordset::IsOpen() const { return m_cursor && m_cursor->Valid(); }

qh::dao::Cursor& CDaoRecordset::RequireCursor(const char* what) const {
  if (!IsOpen()) ThrowDaoError(kDaoErrObjectInvalid, CString("Object invalid or no longer set (") + what + ").", kSource);
  return *m_cursor;
}

BOOL CDaoRecordset::IsBOF() const { return RequireCursor("IsBOF").IsBOF(); }
BOOL CDaoRecordset::IsEOF() const { return RequireCursor("IsEOF").IsEOF(); }
BOOL CDaoRecordset::IsDeleted() const { return RequireCursor("IsDeleted").IsDeleted(); }

void CDaoRecordset::MoveFirst() {
  RequireCursor("MoveFirst").MoveFirst();
  LoadBoundFields();
}

void CDaoRecordset::MoveNext() {
  RequireCursor("MoveNext").MoveNext();
  LoadBoundFields();
}

void CDaoRecordset::MovePrev() {
  RequireCursor("MovePrev").MovePrev();
  LoadBoundFields();
}

void CDaoRecordset::MoveLast() {
  RequireCursor("MoveLast").MoveLast();
  LoadBoundFields();
}

void CDaoRecordset::Move(long lRows) {
  RequireCursor("Move").Move(lRows);
  LoadBoundFields();
}

long CDaoRecordset::GetRecordCount() const { return RequireCursor("GetRecordCount").Count(); }
long CDaoRecordset::GetAbsolutePosition() const { return RequireCursor("GetAbsolutePosition").Position(); }

void CDaoRecordset::SetAbsolutePosition(long lPosition) {
  RequireCursor("SetAbsolutePosition").SetPosition(lPosition);
  LoadBoundFields();
}

BOOL CDaoRecordset::CanScroll() const { return RequireCursor("CanScroll").Scrollable(); }
BOOL CDaoRecordset::CanUpdate() const { return RequireCursor("CanUpdate").Updatable(); }
BOOL CDaoRecordset::CanAppend() const { return RequireCursor("CanAppend").Appendable(); }
BOOL CDaoRecordset::CanTransact() const {
  RequireCursor("CanTransact");
  return TRUE;
}

CString CDaoRecordset::GetName() const {
  RequireCursor("GetName");
  if (m_queryDef) return m_queryDef->GetName();
  return m_sqlGiven;
}

CString CDaoRecordset::GetSQL() const {
  RequireCursor("GetSQL");
  return m_sqlGiven;
}

int CDaoRecordset::GetType() const {
  RequireCursor("GetType");
  return m_openType;
}

short CDaoRecordset::GetFieldCount() const { return static_cast<short>(RequireCursor("GetFieldCount").Columns().size()); }

int CDaoRecordset::ColumnIndex(LPCTSTR lpszName) const {
  const std::vector<qh::dao::Cursor::Column>& columns = RequireCursor("GetFieldValue").Columns();
  std::string name = Unbracketed(lpszName ? lpszName : "");
  for (std::size_t k = 0; k < columns.size(); ++k)
    if (Cp1252EqualNoCase(columns[k].name, name)) return static_cast<int>(k);
  // "A.SongID" finds the column SongID; "[A].[Song Name]" finds "Song Name".
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    std::string bare = Unbracketed(name.substr(dot + 1));
    for (std::size_t k = 0; k < columns.size(); ++k)
      if (Cp1252EqualNoCase(columns[k].name, bare) || Cp1252EqualNoCase(columns[k].origin, bare)) return static_cast<int>(k);
  }
  ThrowDaoError(kDaoErrItemNotFound, CString("Item not found in this collection (field '") + name.c_str() + "').", kSource);
}

void CDaoRecordset::GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD) const {
  qh::dao::Cursor& cursor = RequireCursor("GetFieldInfo");
  const std::vector<qh::dao::Cursor::Column>& columns = cursor.Columns();
  if (nIndex < 0 || nIndex >= static_cast<int>(columns.size()))
    ThrowDaoError(kDaoErrItemNotFound, "Item not found in this collection.", kSource);
  const qh::dao::Cursor::Column& column = columns[static_cast<std::size_t>(nIndex)];
  CDaoFieldInfo info;
  if (!column.table.empty() && cursor.GetConnection().FieldInfo(column.table, column.origin, info)) {
    info.m_strSourceTable = column.table.c_str();
    info.m_strSourceField = column.origin.c_str();
  } else {
    info.m_nType = column.daoType ? column.daoType : static_cast<short>(dbText);
    info.m_lSize = info.m_nType == dbText ? 255 : 0;
    info.m_bAllowZeroLength = TRUE;
  }
  info.m_strName = column.name.c_str();
  info.m_nOrdinalPosition = static_cast<short>(nIndex);
  fieldinfo = info;
}

void CDaoRecordset::GetFieldInfo(LPCTSTR lpszName, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions) const {
  GetFieldInfo(ColumnIndex(lpszName), fieldinfo, dwInfoOptions);
}

COleVariant CDaoRecordset::GetFieldValue(int nIndex) const { return RequireCursor("GetFieldValue").Value(nIndex); }
COleVariant CDaoRecordset::GetFieldValue(LPCTSTR lpszName) const { return GetFieldValue(ColumnIndex(lpszName)); }
void CDaoRecordset::GetFieldValue(int nIndex, COleVariant& varValue) const { varValue = GetFieldValue(nIndex); }
void CDaoRecordset::GetFieldValue(LPCTSTR lpszName, COleVariant& varValue) const { varValue = GetFieldValue(lpszName); }

void CDaoRecordset::SetFieldValue(int nIndex, const COleVariant& varValue) {
  RequireCursor("SetFieldValue").SetValue(nIndex, varValue);
}
void CDaoRecordset::SetFieldValue(LPCTSTR lpszName, const COleVariant& varValue) {
  SetFieldValue(ColumnIndex(lpszName), varValue);
}
void CDaoRecordset::SetFieldValue(int nIndex, LPCTSTR lpszValue) {
  SetFieldValue(nIndex, lpszValue ? COleVariant(lpszValue) : COleVariant::Null());
}
void CDaoRecordset::SetFieldValue(LPCTSTR lpszName, LPCTSTR lpszValue) {
  SetFieldValue(ColumnIndex(lpszName), lpszValue);
}
void CDaoRecordset::SetFieldValueNull(int nIndex) { SetFieldValue(nIndex, COleVariant::Null()); }
void CDaoRecordset::SetFieldValueNull(LPCTSTR lpszName) { SetFieldValue(ColumnIndex(lpszName), COleVariant::Null()); }

void CDaoRecordset::AddNew() {
  RequireCursor("AddNew").AddNew();
  if (m_nFields > 0) {
    CDaoFieldExchange fx(CDaoFieldExchange::SetDefaults, this);
    RunExchange(fx);
    RecordBoundMembers();
  }
}

void CDaoRecordset::Edit() {
  RequireCursor("Edit").Edit();
  if (m_nFields > 0) RecordBoundMembers();
}

void CDaoRecordset::Update() {
  qh::dao::Cursor& cursor = RequireCursor("Update");
  if (cursor.EditMode() != dbEditNone && m_nFields > 0) StoreBoundFields();
  bool added = cursor.EditMode() == dbEditAdd;
  cursor.Update();
  if (added || m_nFields > 0) LoadBoundFields();
}

void CDaoRecordset::CancelUpdate() {
  RequireCursor("CancelUpdate").CancelUpdate();
  LoadBoundFields();
}

void CDaoRecordset::Delete() { RequireCursor("Delete").Delete(); }
short CDaoRecordset::GetEditMode() const { return RequireCursor("GetEditMode").EditMode(); }
long CDaoRecordset::GetCachedRowCount() const { return RequireCursor("GetCachedRowCount").CachedRows(); }

void CDaoRecordset::RunExchange(CDaoFieldExchange& fx) { DoFieldExchange(&fx); }

void CDaoRecordset::LoadBoundFields() {
  if (m_nFields == 0 || !IsOpen()) return;
  if (m_cursor->IsBOF() || m_cursor->IsEOF() || m_cursor->IsDeleted()) return;
  CDaoFieldExchange fx(CDaoFieldExchange::LoadFromRow, this);
  RunExchange(fx);
  RecordBoundMembers();
}

void CDaoRecordset::RecordBoundMembers() {
  CDaoFieldExchange fx(CDaoFieldExchange::RecordMembers, this);
  RunExchange(fx);
  m_boundValues = std::move(fx.m_memberValues);
}

void CDaoRecordset::StoreBoundFields() {
  CDaoFieldExchange fx(CDaoFieldExchange::StoreToBuffer, this);
  RunExchange(fx);
}

std::vector<COleVariant> CDaoRecordset::CollectBoundParams() {
  CDaoFieldExchange fx(CDaoFieldExchange::CollectParams, this);
  RunExchange(fx);
  return fx.m_paramValues;
}
