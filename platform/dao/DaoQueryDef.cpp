#include "platform/dao/DaoQueryDef.h"

#include "platform/core/Cp1252.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"

namespace {

const char kSource[] = "DAO.QueryDef";

[[noreturn]] void NotFound(const CString& what) {
  ThrowDaoError(kDaoErrItemNotFound, CString("Item not found in this collection (") + what + ").", kSource);
}

}  // namespace

CDaoQueryDef::CDaoQueryDef(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}

CDaoQueryDef::~CDaoQueryDef() { Close(); }

void CDaoQueryDef::Create(LPCTSTR lpszName, LPCTSTR lpszSQL) {
  if (!m_pDatabase) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  m_pDatabase->RequireOpen(kSource);
  Close();
  m_connection = m_pDatabase->Connection();
  m_name = lpszName ? lpszName : "";
  m_sql = lpszSQL ? lpszSQL : "";
  m_stored = false;
  m_open = true;
}

void CDaoQueryDef::Open(LPCTSTR lpszName) {
  if (!m_pDatabase) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  qh::dao::Connection& connection = m_pDatabase->RequireOpen(kSource);
  std::string name;
  std::string sql;
  if (!connection.FindQuery(lpszName ? lpszName : "", &name, &sql)) NotFound(CString("query '") + lpszName + "'");
  Close();
  m_connection = m_pDatabase->Connection();
  m_name = name.c_str();
  m_sql = sql.c_str();
  m_stored = true;
  m_open = true;
}

void CDaoQueryDef::Append() {
  RequireOpenDef("Append");
  if (m_stored) ThrowDaoError(kDaoErrObjectExists, CString("Object '") + m_name + "' already exists.", kSource);
  if (m_name.IsEmpty()) ThrowDaoError(3125, "'' is not a valid name.", kSource);
  // A definition whose text cannot be translated is refused now rather than when it runs.
  qh::dao::TranslateJetSql(m_sql.view());
  m_connection->StoreQuery(m_name.str(), m_sql.str(), false);
  m_stored = true;
}

void CDaoQueryDef::Close() {
  m_open = false;
  m_stored = false;
  m_prepared.reset();
  m_paramValues.clear();
  m_connection.reset();
}

BOOL CDaoQueryDef::IsOpen() const { return m_open && m_connection && m_connection->IsOpen(); }

void CDaoQueryDef::RequireOpenDef(const char* what) const {
  if (!IsOpen()) ThrowDaoError(kDaoErrObjectInvalid, CString("Object invalid or no longer set (") + what + ").", kSource);
}

CString CDaoQueryDef::GetName() const {
  RequireOpenDef("GetName");
  return m_name;
}

void CDaoQueryDef::SetName(LPCTSTR lpszName) {
  RequireOpenDef("SetName");
  if (m_stored) ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation: a stored query keeps its name.", kSource);
  m_name = lpszName ? lpszName : "";
}

CString CDaoQueryDef::GetSQL() const {
  RequireOpenDef("GetSQL");
  return m_sql;
}

void CDaoQueryDef::SetSQL(LPCTSTR lpszSQL) {
  RequireOpenDef("SetSQL");
  CString sql = lpszSQL ? lpszSQL : "";
  if (m_stored) {
    qh::dao::TranslateJetSql(sql.view());
    m_connection->StoreQuery(m_name.str(), sql.str(), true);
  }
  m_sql = sql;
  m_prepared.reset();
  m_paramValues.clear();
}

const qh::dao::PreparedText& CDaoQueryDef::Prepared() {
  RequireOpenDef("Prepared");
  if (!m_prepared) {
    m_prepared = m_connection->Prepare(m_sql.view(), kSource);
    m_paramValues.resize(m_prepared->translated.parameters.size());
  }
  return *m_prepared;
}

const std::vector<COleVariant>& CDaoQueryDef::ParamValues() {
  Prepared();
  return m_paramValues;
}

short CDaoQueryDef::GetType() const {
  return const_cast<CDaoQueryDef*>(this)->Prepared().translated.kind == qh::dao::StatementKind::Select ? dbQSelect : dbQAction;
}

BOOL CDaoQueryDef::GetReturnsRecords() const { return GetType() == dbQSelect ? TRUE : FALSE; }

short CDaoQueryDef::GetParameterCount() { return static_cast<short>(Prepared().translated.parameters.size()); }

void CDaoQueryDef::GetParameterInfo(int nIndex, CDaoParameterInfo& info, DWORD) {
  const std::vector<qh::dao::JetParameter>& params = Prepared().translated.parameters;
  if (nIndex < 0 || nIndex >= static_cast<int>(params.size())) NotFound("parameter index");
  info.m_strName = params[static_cast<std::size_t>(nIndex)].name.c_str();
  short type = params[static_cast<std::size_t>(nIndex)].declaredType;
  info.m_nType = type ? type : static_cast<short>(dbText);
}

int CDaoQueryDef::ParamIndexByName(LPCTSTR lpszName) {
  std::string name = lpszName ? lpszName : "";
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  const std::vector<qh::dao::JetParameter>& params = Prepared().translated.parameters;
  for (std::size_t k = 0; k < params.size(); ++k)
    if (Cp1252EqualNoCase(params[k].name, name)) return static_cast<int>(k);
  NotFound(CString("parameter '") + name.c_str() + "'");
}

COleVariant CDaoQueryDef::GetParamValue(int nIndex) {
  Prepared();
  if (nIndex < 0 || nIndex >= static_cast<int>(m_paramValues.size())) NotFound("parameter index");
  return m_paramValues[static_cast<std::size_t>(nIndex)];
}

COleVariant CDaoQueryDef::GetParamValue(LPCTSTR lpszName) { return GetParamValue(ParamIndexByName(lpszName)); }

void CDaoQueryDef::SetParamValue(int nIndex, const COleVariant& varValue) {
  Prepared();
  if (nIndex < 0 || nIndex >= static_cast<int>(m_paramValues.size())) NotFound("parameter index");
  COleVariant value = varValue;
  if (value.vt == VT_EMPTY) value.SetNull();
  VARTYPE declared = qh::dao::VarTypeOfDaoType(m_prepared->translated.parameters[static_cast<std::size_t>(nIndex)].declaredType);
  if (declared != VT_EMPTY && value.vt != VT_NULL) value.ChangeType(declared);
  m_paramValues[static_cast<std::size_t>(nIndex)] = std::move(value);
}

void CDaoQueryDef::SetParamValue(LPCTSTR lpszName, const COleVariant& varValue) {
  SetParamValue(ParamIndexByName(lpszName), varValue);
}

void CDaoQueryDef::SetParamValueNull(int nIndex) { SetParamValue(nIndex, COleVariant::Null()); }

void CDaoQueryDef::Execute(int) {
  const qh::dao::PreparedText& text = Prepared();
  if (text.translated.kind == qh::dao::StatementKind::Select)
    ThrowDaoError(3065, "Cannot execute a select query.", kSource);
  m_recordsAffected = m_connection->Execute(text, m_paramValues, kSource);
}

long CDaoQueryDef::GetRecordsAffected() const {
  RequireOpenDef("GetRecordsAffected");
  return m_recordsAffected;
}
