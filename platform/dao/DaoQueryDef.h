// A query definition: SQL text with parameters, either stored in the file under a name (kept in the
// file's query catalogue, so it survives closing and reopening) or temporary (no name, never stored).
//
// Parameters are the names in the text that are no column of the tables it reads, bracketed
// ([pSongID]) or bare, plus those a leading "PARAMETERS name type, ...;" declares; their order is
// that of the declaration, then of first appearance in the text. A declared type converts the value
// set (a Long parameter set from text "42" binds 42).
#pragma once

#include <memory>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoInfo.h"
#include "platform/dao/OleVariant.h"

class CDaoDatabase;

namespace qh::dao {
class Connection;
struct PreparedText;
}  // namespace qh::dao

class CDaoQueryDef {
 public:
  explicit CDaoQueryDef(CDaoDatabase* pDatabase);
  virtual ~CDaoQueryDef();
  CDaoQueryDef(const CDaoQueryDef&) = delete;
  CDaoQueryDef& operator=(const CDaoQueryDef&) = delete;

  // A new definition; lpszName null or "" makes a temporary one. Nothing is stored before Append.
  virtual void Create(LPCTSTR lpszName = nullptr, LPCTSTR lpszSQL = nullptr);
  // Opens the stored definition lpszName (3265 when the file has none by that name).
  virtual void Open(LPCTSTR lpszName);
  // Stores a named definition in the file (3012 when the name is taken; names compare without case).
  virtual void Append();
  virtual void Close();
  BOOL IsOpen() const;

  CString GetName() const;
  void SetName(LPCTSTR lpszName);  // before Append only
  CString GetSQL() const;
  // Changes the text; a stored definition is rewritten in the file at once.
  void SetSQL(LPCTSTR lpszSQL);
  short GetType() const;  // dbQSelect or dbQAction
  BOOL CanUpdate() const { return TRUE; }
  BOOL GetReturnsRecords() const;

  // Parameters by position (0-based) or by name (without brackets, compared without case).
  // 3265 for an unknown name or a position out of range.
  short GetParameterCount();
  void GetParameterInfo(int nIndex, CDaoParameterInfo& info, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  COleVariant GetParamValue(int nIndex);
  COleVariant GetParamValue(LPCTSTR lpszName);
  void SetParamValue(int nIndex, const COleVariant& varValue);
  void SetParamValue(LPCTSTR lpszName, const COleVariant& varValue);
  void SetParamValueNull(int nIndex);

  // Runs an action query with the parameter values set (3061 when one is missing).
  void Execute(int nOptions = dbFailOnError);
  long GetRecordsAffected() const;

  CDaoDatabase* m_pDatabase = nullptr;

  // For CDaoRecordset: the translated text and the values of its parameters, in order.
  const qh::dao::PreparedText& Prepared();
  const std::vector<COleVariant>& ParamValues();

 private:
  void RequireOpenDef(const char* what) const;
  void ResolveParameters();
  int ParamIndexByName(LPCTSTR lpszName);

  std::shared_ptr<qh::dao::Connection> m_connection;
  std::shared_ptr<const qh::dao::PreparedText> m_prepared;
  std::vector<COleVariant> m_paramValues;
  CString m_name;
  CString m_sql;
  bool m_open = false;
  bool m_stored = false;
  long m_recordsAffected = 0;
};
