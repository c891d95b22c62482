// CQuavParmsSet: the bound recordset over the name/value table QuavParms.
#pragma once

#include "platform/dao/DaoRecordset.h"

class CQuavParmsSet : public CDaoRecordset {
 public:
  explicit CQuavParmsSet(CDaoDatabase* database);

  CString GetDefaultDBName() override;
  CString GetDefaultSQL() override;
  void DoFieldExchange(CDaoFieldExchange* pFX) override;

  CString m_ParmName;
  CString m_ParmValue;
};

// The value of one parameter row read through the recordset (filter "ParmName = '<name>'", snapshot,
// forward-only) and converted to a number as the C runtime's atof does; 0.0 without the row.
double ReadParameterNumber(CDaoDatabase* database, const CString& parameterName);
