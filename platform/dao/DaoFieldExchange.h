// Bound-field exchange: the DFX_ functions that a bound recordset's DoFieldExchange calls, one per
// member, in column order. The recordset runs DoFieldExchange for several purposes (naming the
// columns, filling the members from the current row, writing changed members back, binding
// parameters); the DFX_ functions do the right thing for each.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/OleVariant.h"

class CDaoRecordset;

class CDaoFieldExchange {
 public:
  // Field types set by SetFieldType before the DFX_ calls they describe.
  enum FieldType { none = 0, param = 1, outputColumn = 2 };
  // What the current pass does (set by the recordset).
  enum Operation { CollectNames, LoadFromRow, StoreToBuffer, CollectParams, SetDefaults, RecordMembers };

  CDaoFieldExchange(Operation operation, CDaoRecordset* prs) : m_nOperation(operation), m_prs(prs) {}
  void SetFieldType(UINT nFieldType) { m_nFieldType = nFieldType; }

  // One exchange of a member with column (or parameter) lpszName. The value is moved between the
  // member and `value` in the direction of the pass; used by the DFX_ functions.
  void Exchange(LPCTSTR lpszName, COleVariant& value, VARTYPE memberType);
  bool IsLoading() const { return m_nOperation == LoadFromRow || m_nOperation == SetDefaults; }

  UINT m_nFieldType = none;
  Operation m_nOperation;
  CDaoRecordset* m_prs;

  // Results of the naming, parameter and member-recording passes.
  std::vector<CString> m_columnNames;
  std::vector<COleVariant> m_paramValues;
  std::vector<COleVariant> m_memberValues;

 private:
  int m_nextColumn = 0;
};

void DFX_Text(CDaoFieldExchange* pFX, LPCTSTR lpszName, CString& value, int nPreAllocSize = AFX_DAO_TEXT_DEFAULT_SIZE,
              DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
void DFX_Long(CDaoFieldExchange* pFX, LPCTSTR lpszName, LONG& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
void DFX_Long(CDaoFieldExchange* pFX, LPCTSTR lpszName, long& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
void DFX_Short(CDaoFieldExchange* pFX, LPCTSTR lpszName, SHORT& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
void DFX_Byte(CDaoFieldExchange* pFX, LPCTSTR lpszName, BYTE& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
// BOOL members hold TRUE (1) or FALSE; the column stores true as -1.
void DFX_Bool(CDaoFieldExchange* pFX, LPCTSTR lpszName, BOOL& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
void DFX_Double(CDaoFieldExchange* pFX, LPCTSTR lpszName, double& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
void DFX_Single(CDaoFieldExchange* pFX, LPCTSTR lpszName, float& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
// Date member as an OLE automation date (0 for a Null column).
void DFX_OleDate(CDaoFieldExchange* pFX, LPCTSTR lpszName, DATE& value, DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
// A Null column gives a date whose status is null; a null member writes Null.
void DFX_DateTime(CDaoFieldExchange* pFX, LPCTSTR lpszName, COleDateTime& value,
                  DWORD dwBindOptions = AFX_DAO_ENABLE_FIELD_CACHE);
