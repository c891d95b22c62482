#include "platform/dao/DaoTableDef.h"

#include "platform/core/Cp1252.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"

namespace {

const char kSource[] = "DAO.TableDef";

[[noreturn]] void NotFound(const std::string& what) {
  ThrowDaoError(kDaoErrItemNotFound, ("Item not found in this collection (" + what + ").").c_str(), kSource);
}

std::vector<CDaoIndexFieldInfo> FieldsOfIndex(const CDaoIndexInfo& index) {
  if (index.m_nFields < 0 || (index.m_nFields > 0 && !index.m_pFieldInfos))
    ThrowDaoError(kDaoErrInvalidArgument, "Invalid argument: the index has no field list.", kSource);
  return std::vector<CDaoIndexFieldInfo>(index.m_pFieldInfos, index.m_pFieldInfos + index.m_nFields);
}

}  // namespace

CDaoIndexInfo& CDaoIndexInfo::operator=(const CDaoIndexInfo& other) {
  if (this == &other) return *this;
  m_strName = other.m_strName;
  m_bPrimary = other.m_bPrimary;
  m_bUnique = other.m_bUnique;
  m_bClustered = other.m_bClustered;
  m_bIgnoreNulls = other.m_bIgnoreNulls;
  m_bRequired = other.m_bRequired;
  m_bForeign = other.m_bForeign;
  m_lDistinctCount = other.m_lDistinctCount;
  if (other.m_pFieldInfos && other.m_nFields > 0) {
    OwnFields(std::vector<CDaoIndexFieldInfo>(other.m_pFieldInfos, other.m_pFieldInfos + other.m_nFields));
  } else {
    OwnFields({});
  }
  return *this;
}

void CDaoIndexInfo::OwnFields(std::vector<CDaoIndexFieldInfo> fields) {
  m_ownFields = std::move(fields);
  m_pFieldInfos = m_ownFields.empty() ? nullptr : m_ownFields.data();
  m_nFields = static_cast<short>(m_ownFields.size());
}

CDaoTableDef::CDaoTableDef(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}
CDaoTableDef::~CDaoTableDef() { Close(); }

void CDaoTableDef::Create(LPCTSTR lpszName, long, LPCTSTR lpszSrcTable, LPCTSTR lpszConnect) {
  if (!m_pDatabase) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  m_pDatabase->RequireOpen(kSource);
  if ((lpszSrcTable && *lpszSrcTable) || (lpszConnect && *lpszConnect))
    ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation: attached tables are not supported.", kSource);
  Close();
  m_connection = m_pDatabase->Connection();
  m_name = lpszName ? lpszName : "";
  m_open = true;
  m_appended = false;
}

void CDaoTableDef::Open(LPCTSTR lpszName) {
  if (!m_pDatabase) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", kSource);
  qh::dao::Connection& connection = m_pDatabase->RequireOpen(kSource);
  std::string stored;
  if (!connection.TableExists(lpszName ? lpszName : "", &stored) || qh::dao::IsSystemTableName(stored))
    NotFound(std::string("table '") + (lpszName ? lpszName : "") + "'");
  Close();
  m_connection = m_pDatabase->Connection();
  m_name = stored.c_str();
  m_open = true;
  m_appended = true;
  Reload();
}

void CDaoTableDef::Reload() {
  m_fields = m_connection->FieldsOf(m_name.str());
  m_indexes.clear();
  for (const qh::dao::Connection::IndexEntry& entry : m_connection->IndexesOf(m_name.str())) m_indexes.push_back(entry.info);
}

void CDaoTableDef::Append() {
  RequireOpenDef("Append");
  if (m_appended) ThrowDaoError(kDaoErrTableExists, CString("Table '") + m_name + "' already exists.", kSource);
  std::vector<CDaoIndexInfo> pending = std::move(m_indexes);
  m_indexes.clear();
  m_connection->CreateTable(m_name.str(), m_fields);
  m_appended = true;
  for (const CDaoIndexInfo& index : pending) m_connection->CreateIndex(m_name.str(), index, FieldsOfIndex(index));
  Reload();
}

void CDaoTableDef::Close() {
  m_open = false;
  m_appended = false;
  m_fields.clear();
  m_indexes.clear();
  m_connection.reset();
}

BOOL CDaoTableDef::IsOpen() const { return m_open && m_connection && m_connection->IsOpen(); }

void CDaoTableDef::RequireOpenDef(const char* what) const {
  if (!IsOpen()) ThrowDaoError(kDaoErrObjectInvalid, CString("Object invalid or no longer set (") + what + ").", kSource);
}

CString CDaoTableDef::GetName() const {
  RequireOpenDef("GetName");
  return m_name;
}

void CDaoTableDef::CreateField(const CDaoFieldInfo& fieldinfo) {
  RequireOpenDef("CreateField");
  if (m_appended) {
    m_connection->AddField(m_name.str(), fieldinfo);
    Reload();
    return;
  }
  for (const CDaoFieldInfo& field : m_fields)
    if (Cp1252EqualNoCase(field.m_strName.view(), fieldinfo.m_strName.view()))
      ThrowDaoError(3191, CString("Cannot define field '") + fieldinfo.m_strName + "' more than once.", kSource);
  m_fields.push_back(fieldinfo);
  m_fields.back().m_nOrdinalPosition = static_cast<short>(m_fields.size() - 1);
}

void CDaoTableDef::CreateField(LPCTSTR lpszName, short nType, long lSize, long lAttributes) {
  CDaoFieldInfo field;
  field.m_strName = lpszName ? lpszName : "";
  field.m_nType = nType;
  field.m_lSize = lSize;
  field.m_lAttributes = lAttributes;
  field.m_bAllowZeroLength = FALSE;
  CreateField(field);
}

void CDaoTableDef::DeleteField(LPCTSTR lpszName) {
  RequireOpenDef("DeleteField");
  if (m_appended) ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation: fields of an existing table stay.", kSource);
  for (auto it = m_fields.begin(); it != m_fields.end(); ++it) {
    if (Cp1252EqualNoCase(it->m_strName.view(), lpszName ? lpszName : "")) {
      m_fields.erase(it);
      return;
    }
  }
  NotFound(std::string("field '") + (lpszName ? lpszName : "") + "'");
}

short CDaoTableDef::GetFieldCount() const {
  RequireOpenDef("GetFieldCount");
  return static_cast<short>(m_fields.size());
}

void CDaoTableDef::GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD) const {
  RequireOpenDef("GetFieldInfo");
  if (nIndex < 0 || nIndex >= static_cast<int>(m_fields.size())) NotFound("field index");
  fieldinfo = m_fields[static_cast<std::size_t>(nIndex)];
}

void CDaoTableDef::GetFieldInfo(LPCTSTR lpszName, CDaoFieldInfo& fieldinfo, DWORD) const {
  RequireOpenDef("GetFieldInfo");
  for (const CDaoFieldInfo& field : m_fields) {
    if (Cp1252EqualNoCase(field.m_strName.view(), lpszName ? lpszName : "")) {
      fieldinfo = field;
      return;
    }
  }
  NotFound(std::string("field '") + (lpszName ? lpszName : "") + "'");
}

void CDaoTableDef::CreateIndex(const CDaoIndexInfo& indexinfo) {
  RequireOpenDef("CreateIndex");
  if (m_appended) {
    m_connection->CreateIndex(m_name.str(), indexinfo, FieldsOfIndex(indexinfo));
    Reload();
    return;
  }
  for (const CDaoIndexInfo& index : m_indexes)
    if (Cp1252EqualNoCase(index.m_strName.view(), indexinfo.m_strName.view()))
      ThrowDaoError(kDaoErrIndexExists, CString("Table '") + m_name + "' already has an index named '" + indexinfo.m_strName + "'.", kSource);
  FieldsOfIndex(indexinfo);
  m_indexes.push_back(indexinfo);  // the copy owns its field list
}

void CDaoTableDef::DeleteIndex(LPCTSTR lpszName) {
  RequireOpenDef("DeleteIndex");
  if (m_appended) {
    m_connection->DropIndex(m_name.str(), lpszName ? lpszName : "");
    Reload();
    return;
  }
  for (auto it = m_indexes.begin(); it != m_indexes.end(); ++it) {
    if (Cp1252EqualNoCase(it->m_strName.view(), lpszName ? lpszName : "")) {
      m_indexes.erase(it);
      return;
    }
  }
  NotFound(std::string("index '") + (lpszName ? lpszName : "") + "'");
}

short CDaoTableDef::GetIndexCount() const {
  RequireOpenDef("GetIndexCount");
  return static_cast<short>(m_indexes.size());
}

void CDaoTableDef::GetIndexInfo(int nIndex, CDaoIndexInfo& indexinfo, DWORD) const {
  RequireOpenDef("GetIndexInfo");
  if (nIndex < 0 || nIndex >= static_cast<int>(m_indexes.size())) NotFound("index number");
  indexinfo = m_indexes[static_cast<std::size_t>(nIndex)];
}

long CDaoTableDef::GetRecordCount() const {
  RequireOpenDef("GetRecordCount");
  return m_appended ? m_connection->RecordCount(m_name.str()) : 0;
}
