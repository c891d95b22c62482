// Description records of the database objects: what a table, field, index, query or parameter is.
// Filled by the Get...Info calls and read by CreateField / CreateIndex.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoConstants.h"

struct CDaoFieldInfo {
  CString m_strName;
  short m_nType = dbText;        // dbText, dbLong, dbInteger, dbByte, dbDouble, dbDate, dbBoolean, dbMemo...
  long m_lSize = 0;              // characters for dbText (1-255); the type's byte size otherwise
  long m_lAttributes = 0;        // dbFixedField, dbVariableField, dbAutoIncrField, dbUpdatableField
  short m_nOrdinalPosition = 0;  // 0 keeps the order of creation
  BOOL m_bRequired = FALSE;      // Null refused (error 3314)
  BOOL m_bAllowZeroLength = FALSE;  // "" allowed; otherwise refused (error 3315); texts only
  long m_lCollatingOrder = dbSortGeneral;
  CString m_strForeignName;
  CString m_strSourceField;
  CString m_strSourceTable;
  CString m_strValidationRule;  // an engine expression without the field, e.g. "> 0" (error 3317)
  CString m_strValidationText;  // the message of a broken rule (replaces the standard one)
  CString m_strDefaultValue;    // an engine expression: 0, "text", 'text', Now()
};

struct CDaoIndexFieldInfo {
  CString m_strName;
  BOOL m_bDescending = FALSE;
};

struct CDaoIndexInfo {
  CDaoIndexInfo() = default;
  CDaoIndexInfo(const CDaoIndexInfo& other) { *this = other; }
  CDaoIndexInfo& operator=(const CDaoIndexInfo& other);

  CString m_strName;
  // The index's fields: the caller's array when it describes a new index, storage of the record
  // itself when GetIndexInfo fills it.
  CDaoIndexFieldInfo* m_pFieldInfos = nullptr;
  short m_nFields = 0;
  BOOL m_bPrimary = FALSE;
  BOOL m_bUnique = FALSE;
  BOOL m_bClustered = FALSE;
  BOOL m_bIgnoreNulls = FALSE;
  BOOL m_bRequired = FALSE;
  BOOL m_bForeign = FALSE;
  long m_lDistinctCount = 0;

  // Copies the field list into the record's own storage (used by GetIndexInfo).
  void OwnFields(std::vector<CDaoIndexFieldInfo> fields);

 private:
  std::vector<CDaoIndexFieldInfo> m_ownFields;
};

struct CDaoTableDefInfo {
  CString m_strName;
  BOOL m_bUpdatable = TRUE;
  long m_lAttributes = 0;
  CString m_strSrcTableName;
  CString m_strConnect;
  CString m_strValidationRule;
  CString m_strValidationText;
  long m_lRecordCount = 0;  // filled with AFX_DAO_SECONDARY_INFO or more
};

struct CDaoQueryDefInfo {
  CString m_strName;
  short m_nType = 0;  // dbQSelect 0, dbQAction 240
  BOOL m_bUpdatable = TRUE;
  BOOL m_bReturnsRecords = TRUE;
  CString m_strSQL;
  CString m_strConnect;
  long m_nODBCTimeout = 0;
};

struct CDaoParameterInfo {
  CString m_strName;
  short m_nType = dbText;
  // Value set by SetParamValue (VT_EMPTY until set). Declared in OleVariant.h.
};

struct CDaoDatabaseInfo {
  CString m_strName;     // the path the database was opened with
  BOOL m_bUpdatable = TRUE;
  BOOL m_bTransactions = TRUE;
  CString m_strVersion;  // version of the file format
  long m_lCollatingOrder = dbSortGeneral;
  short m_nQueryTimeout = 60;
  CString m_strConnect;
};

struct CDaoWorkspaceInfo {
  CString m_strName;
  CString m_strUserName;
  BOOL m_bIsolateODBCTrans = FALSE;
};

// Query types (CDaoQueryDefInfo::m_nType).
enum : short {
  dbQSelect = 0,
  dbQAction = 240,
};
