// A table definition: how a schema creator makes a table with its fields and indexes, and how a
// tool reads them back (field sizes, Required, AllowZeroLength, record and index counts).
//
//   CDaoTableDef td(&db);
//   td.Create("Songs");
//   CDaoFieldInfo f; f.m_strName = "SongName"; f.m_nType = dbText; f.m_lSize = 80;
//   f.m_bRequired = TRUE; td.CreateField(f);   // ... one call per field, in order
//   td.Append();                                // the table exists from here on
//   td.Close();
//
// Indexes may be made by CreateIndex before or after Append, or by "CREATE INDEX" through
// CDaoDatabase::Execute; index names belong to their table (every table may have a "PrimaryKey").
#pragma once

#include <memory>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoInfo.h"

class CDaoDatabase;

namespace qh::dao {
class Connection;
}

class CDaoTableDef {
 public:
  explicit CDaoTableDef(CDaoDatabase* pDatabase);
  virtual ~CDaoTableDef();
  CDaoTableDef(const CDaoTableDef&) = delete;
  CDaoTableDef& operator=(const CDaoTableDef&) = delete;

  // A new definition (nothing in the file before Append). Attributes, source table and connect
  // string are accepted for the call shape; attached tables are not supported (3219 when given).
  virtual void Create(LPCTSTR lpszName, long lAttributes = 0, LPCTSTR lpszSrcTable = nullptr,
                      LPCTSTR lpszConnect = nullptr);
  // Opens the definition of an existing table (3265 when there is none).
  virtual void Open(LPCTSTR lpszName);
  // Creates the table with its fields and the indexes given so far (3010 when it exists).
  virtual void Append();
  virtual void Close();
  BOOL IsOpen() const;

  CString GetName() const;

  // Fields. Before Append they join the new table; after it they are added to the table (a field of
  // an existing table can only be added when it may be Null).
  void CreateField(const CDaoFieldInfo& fieldinfo);
  void CreateField(LPCTSTR lpszName, short nType, long lSize, long lAttributes = 0);
  void DeleteField(LPCTSTR lpszName);  // before Append only
  short GetFieldCount() const;
  void GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO) const;
  void GetFieldInfo(LPCTSTR lpszName, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO) const;

  // Indexes (3375 when the table already has one of that name).
  void CreateIndex(const CDaoIndexInfo& indexinfo);
  void DeleteIndex(LPCTSTR lpszName);
  short GetIndexCount() const;
  void GetIndexInfo(int nIndex, CDaoIndexInfo& indexinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO) const;

  // Rows in the table now (0 before Append).
  long GetRecordCount() const;

  CDaoDatabase* m_pDatabase = nullptr;

 private:
  void RequireOpenDef(const char* what) const;
  void Reload();

  std::shared_ptr<qh::dao::Connection> m_connection;
  CString m_name;
  std::vector<CDaoFieldInfo> m_fields;
  std::vector<CDaoIndexInfo> m_indexes;
  bool m_open = false;
  bool m_appended = false;
};
