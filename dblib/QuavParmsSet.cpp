#include "dblib/QuavParmsSet.h"

#include <cstdlib>

#include "dblib/TextUtil.h"
#include "platform/core/CrtNumbers.h"

CQuavParmsSet::CQuavParmsSet(CDaoDatabase* database) : CDaoRecordset(database) {
  m_nFields = 2;
  m_nDefaultType = dbOpenDynaset;
}

CString CQuavParmsSet::GetDefaultDBName() { return "C:\\Quaverhouse\\Quaverhouse.qhd"; }

CString CQuavParmsSet::GetDefaultSQL() { return "QuavParms"; }

void CQuavParmsSet::DoFieldExchange(CDaoFieldExchange* pFX) {
  pFX->SetFieldType(CDaoFieldExchange::outputColumn);
  DFX_Text(pFX, "[ParmName]", m_ParmName, AFX_DAO_TEXT_DEFAULT_SIZE, AFX_DAO_ENABLE_FIELD_CACHE);
  DFX_Text(pFX, "[ParmValue]", m_ParmValue, AFX_DAO_TEXT_DEFAULT_SIZE, AFX_DAO_ENABLE_FIELD_CACHE);
}

double ReadParameterNumber(CDaoDatabase* database, const CString& parameterName) {
  CQuavParmsSet parms(database);
  parms.m_strFilter = "ParmName = '" + SqlQuoteText(parameterName) + "'";
  double value = 0.0;
  try {
    parms.Open(dbOpenSnapshot, nullptr, dbForwardOnly);
    if (!parms.IsEOF()) value = qh_atof(parms.m_ParmValue);
  } catch (...) {
    if (parms.IsOpen()) parms.Close();
    throw;
  }
  parms.Close();
  return value;
}
