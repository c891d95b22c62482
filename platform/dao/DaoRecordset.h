// A recordset: the rows of a table, a query definition or an SQL text, with a current row.
//
// Types (nOpenType) and what they hold in memory:
//   dbOpenForwardOnly, or dbOpenSnapshot with dbForwardOnly: rows are read one at a time as the
//     cursor moves (nothing is copied ahead; only MoveNext moves). GetRecordCount counts the rows
//     passed so far.
//   dbOpenSnapshot: every row's values are read at Open; later changes to the tables do not show.
//     Read-only. Scrolls freely.
//   dbOpenDynaset: the key of every row is read at Open and each row's values when it becomes
//     current, so changes made elsewhere show. Updatable when it reads one table and every column is
//     a column of that table (no grouping, no DISTINCT, no join); otherwise read-only.
//   dbOpenTable: every row and column of one table, updatable.
// Options: dbReadOnly, dbAppendOnly (no existing rows are read), dbForwardOnly, dbConsistent and
// dbInconsistent (no difference here), dbDenyWrite, dbSeeChanges, dbFailOnError.
//
// Column values come back typed by the column's declared type (Text VT_BSTR, Long VT_I4, Integer
// VT_I2, Byte VT_UI1, Double VT_R8, Single VT_R4, Date VT_DATE, Boolean VT_BOOL with true = -1,
// Null VT_NULL); computed columns by their value: whole numbers VT_I4 (Count(*) included), others
// VT_R8, texts VT_BSTR.
//
// Bound fields: a class derived from CDaoRecordset sets m_nFields (and m_nParams) in its
// constructor and overrides DoFieldExchange; the members are filled from the current row after
// every move and written by Update, as the platform's bound recordsets do:
//
//   void CParmsSet::DoFieldExchange(CDaoFieldExchange* pFX) {
//     pFX->SetFieldType(CDaoFieldExchange::outputColumn);
//     DFX_Text(pFX, "[ParmName]", m_ParmName);
//     DFX_Text(pFX, "[ParmValue]", m_ParmValue);
//   }
#pragma once

#include <memory>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoFieldExchange.h"
#include "platform/dao/DaoInfo.h"
#include "platform/dao/OleVariant.h"

class CDaoDatabase;
class CDaoQueryDef;
class CDaoTableDef;

namespace qh::dao {
class Cursor;
class Connection;
}  // namespace qh::dao

class CDaoRecordset {
 public:
  // pDatabase null: the recordset opens its own database on GetDefaultDBName() at Open and closes
  // it at Close.
  explicit CDaoRecordset(CDaoDatabase* pDatabase = nullptr);
  virtual ~CDaoRecordset();
  CDaoRecordset(const CDaoRecordset&) = delete;
  CDaoRecordset& operator=(const CDaoRecordset&) = delete;

  // lpszSQL: a SELECT statement, a table name or the name of a stored query; null uses
  // GetDefaultSQL(). m_strFilter and m_strSort, when set, narrow and order the rows (a table or
  // query name gets "WHERE filter ORDER BY sort"; a statement is wrapped so its own clauses stay).
  // With bound fields, a table name reads the bound columns only.
  // nOpenType AFX_DAO_USE_DEFAULT_TYPE uses m_nDefaultType.
  virtual void Open(int nOpenType = AFX_DAO_USE_DEFAULT_TYPE, LPCTSTR lpszSQL = nullptr, int nOptions = 0);
  virtual void Open(CDaoQueryDef* pQueryDef, int nOpenType = dbOpenDynaset, int nOptions = 0);
  virtual void Open(CDaoTableDef* pTableDef, int nOpenType = dbOpenTable, int nOptions = 0);
  // Reruns the query (with the filter, sort and parameter values as they are now); the first row
  // becomes current. A pending AddNew or Edit is dropped.
  virtual void Requery();
  virtual void Close();
  BOOL IsOpen() const;

  // Overridables of bound recordsets.
  virtual CString GetDefaultDBName();
  virtual CString GetDefaultSQL();
  virtual void DoFieldExchange(CDaoFieldExchange* pFX);

  // Position. An empty recordset is at BOF and EOF at once. Moving past the end sets EOF (a
  // further MoveNext raises 3021); MovePrev, MoveFirst, MoveLast and Move(n<0) on a forward-only
  // recordset raise 3219.
  BOOL IsBOF() const;
  BOOL IsEOF() const;
  BOOL IsDeleted() const;
  void MoveFirst();
  void MoveNext();
  void MovePrev();
  void MoveLast();
  void Move(long lRows);
  // Rows read so far: every row for snapshots, dynasets and tables; the rows passed for
  // forward-only recordsets.
  long GetRecordCount() const;
  // 0-based position of the current row; -1 at BOF, EOF or on a deleted row.
  long GetAbsolutePosition() const;
  // Makes row lPosition current (3001 when out of range; 3219 on forward-only).
  void SetAbsolutePosition(long lPosition);

  BOOL CanScroll() const;
  BOOL CanUpdate() const;
  BOOL CanAppend() const;
  BOOL CanRestart() const { return TRUE; }
  BOOL CanTransact() const;
  BOOL CanBookmark() const { return FALSE; }

  CString GetName() const;  // the table or query name, or the SQL text
  CString GetSQL() const;   // the statement as given (engine dialect)
  int GetType() const;      // the open type

  // Columns.
  short GetFieldCount() const;
  void GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO) const;
  void GetFieldInfo(LPCTSTR lpszName, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO) const;
  // Values of the current row (or of the edit buffer during AddNew/Edit). 3021 without a current
  // row; 3265 for an unknown column (names compare without case; "A.SongID" and "SongID" both find
  // a column named SongID).
  COleVariant GetFieldValue(int nIndex) const;
  COleVariant GetFieldValue(LPCTSTR lpszName) const;
  void GetFieldValue(int nIndex, COleVariant& varValue) const;
  void GetFieldValue(LPCTSTR lpszName, COleVariant& varValue) const;

  // Editing. SetFieldValue is valid between AddNew or Edit and Update (3020 otherwise). The value is
  // converted to the column's type (3421 when it cannot be). Update writes the changed columns and
  // raises the engine error of a broken rule (3022, 3163, 3314, 3315, 3317, 3349), leaving the edit
  // open so the caller can correct it or CancelUpdate. After an AddNew the row joins the end of a
  // dynaset or table recordset; the current row stays what it was before AddNew.
  void SetFieldValue(int nIndex, const COleVariant& varValue);
  void SetFieldValue(LPCTSTR lpszName, const COleVariant& varValue);
  void SetFieldValue(int nIndex, LPCTSTR lpszValue);
  void SetFieldValue(LPCTSTR lpszName, LPCTSTR lpszValue);
  void SetFieldValue(int nIndex, const CString& value) { SetFieldValue(nIndex, value.GetString()); }
  void SetFieldValue(LPCTSTR lpszName, const CString& value) { SetFieldValue(lpszName, value.GetString()); }
  void SetFieldValueNull(int nIndex);
  void SetFieldValueNull(LPCTSTR lpszName);
  void AddNew();
  void Edit();
  void Update();
  void CancelUpdate();
  // Deletes the current row; the row stays current but deleted (IsDeleted) until the next move.
  void Delete();
  short GetEditMode() const;

  // Rows the recordset holds in memory now (a forward-only recordset holds none ahead of the
  // current row).
  long GetCachedRowCount() const;

  CDaoDatabase* m_pDatabase = nullptr;
  CString m_strFilter;  // a WHERE condition without "WHERE"
  CString m_strSort;    // an ORDER BY list without "ORDER BY"
  UINT m_nFields = 0;   // bound output columns of DoFieldExchange
  UINT m_nParams = 0;   // bound parameters of DoFieldExchange
  int m_nDefaultType = dbOpenDynaset;
  BOOL m_bCheckCacheForDirtyFields = TRUE;

 private:
  friend class CDaoFieldExchange;
  void OpenText(int nOpenType, const CString& sql, int nOptions, CDaoQueryDef* queryDef);
  void LoadBoundFields();
  void RecordBoundMembers();
  void StoreBoundFields();
  void RunExchange(CDaoFieldExchange& fx);
  std::vector<COleVariant> CollectBoundParams();
  qh::dao::Cursor& RequireCursor(const char* what) const;
  int ColumnIndex(LPCTSTR lpszName) const;

  std::unique_ptr<qh::dao::Cursor> m_cursor;
  std::unique_ptr<CDaoDatabase> m_ownDatabase;
  CString m_sqlGiven;
  int m_openType = 0;
  int m_options = 0;
  CDaoQueryDef* m_queryDef = nullptr;
  std::vector<COleVariant> m_boundValues;  // the bound members as last loaded, to find changed ones
};
