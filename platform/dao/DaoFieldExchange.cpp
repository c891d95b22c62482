#include "platform/dao/DaoFieldExchange.h"

#include "platform/dao/DaoRecordset.h"

void CDaoFieldExchange::Exchange(LPCTSTR lpszName, COleVariant& value, VARTYPE memberType) {
  if (m_nFieldType == param) {
    if (m_nOperation == CollectParams) m_paramValues.push_back(value);
    return;
  }
  if (m_nFieldType != outputColumn) return;
  int column = m_nextColumn++;
  switch (m_nOperation) {
    case CollectNames: m_columnNames.push_back(lpszName ? lpszName : ""); break;
    case LoadFromRow:
      value = m_prs->GetFieldValue(column);
      if (value.vt != VT_NULL && value.vt != memberType) value.ChangeType(memberType);
      break;
    case SetDefaults: value = COleVariant::Null(); break;
    case RecordMembers: m_memberValues.push_back(value); break;
    case StoreToBuffer: {
      const std::vector<COleVariant>& loaded = m_prs->m_boundValues;
      bool changed = static_cast<std::size_t>(column) >= loaded.size() || loaded[static_cast<std::size_t>(column)] != value;
      if (changed) m_prs->SetFieldValue(column, value);
      break;
    }
    case CollectParams: break;
  }
}

namespace {

template <typename Member, typename ToVariant, typename FromVariant>
void Exchange(CDaoFieldExchange* pFX, LPCTSTR lpszName, Member& member, VARTYPE type, ToVariant toVariant,
              FromVariant fromVariant) {
  COleVariant value;
  if (!pFX->IsLoading()) value = toVariant(member);
  pFX->Exchange(lpszName, value, type);
  if (pFX->IsLoading() && pFX->m_nFieldType == CDaoFieldExchange::outputColumn) member = fromVariant(value);
}

}  // namespace

void DFX_Text(CDaoFieldExchange* pFX, LPCTSTR lpszName, CString& value, int, DWORD) {
  Exchange(pFX, lpszName, value, VT_BSTR, [](const CString& v) { return COleVariant(v); },
           [](const COleVariant& v) { return v.vt == VT_BSTR ? CString(v.bstrVal) : CString(); });
}

void DFX_Long(CDaoFieldExchange* pFX, LPCTSTR lpszName, LONG& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_I4, [](LONG v) { return COleVariant(v); },
           [](const COleVariant& v) { return v.vt == VT_I4 ? v.lVal : LONG{0}; });
}

void DFX_Long(CDaoFieldExchange* pFX, LPCTSTR lpszName, long& value, DWORD) {
  LONG narrow = static_cast<LONG>(value);
  DFX_Long(pFX, lpszName, narrow, 0);
  value = narrow;
}

void DFX_Short(CDaoFieldExchange* pFX, LPCTSTR lpszName, SHORT& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_I2, [](SHORT v) { return COleVariant(v); },
           [](const COleVariant& v) { return v.vt == VT_I2 ? v.iVal : SHORT{0}; });
}

void DFX_Byte(CDaoFieldExchange* pFX, LPCTSTR lpszName, BYTE& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_UI1, [](BYTE v) { return COleVariant(v); },
           [](const COleVariant& v) { return v.vt == VT_UI1 ? v.bVal : BYTE{0}; });
}

void DFX_Bool(CDaoFieldExchange* pFX, LPCTSTR lpszName, BOOL& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_BOOL, [](BOOL v) { return COleVariant::FromBool(v != FALSE); },
           [](const COleVariant& v) { return (v.vt == VT_BOOL && v.boolVal) ? TRUE : FALSE; });
}

void DFX_Double(CDaoFieldExchange* pFX, LPCTSTR lpszName, double& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_R8, [](double v) { return COleVariant(v); },
           [](const COleVariant& v) { return v.vt == VT_R8 ? v.dblVal : 0.0; });
}

void DFX_Single(CDaoFieldExchange* pFX, LPCTSTR lpszName, float& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_R4, [](float v) { return COleVariant(v); },
           [](const COleVariant& v) { return v.vt == VT_R4 ? v.fltVal : 0.0f; });
}

void DFX_OleDate(CDaoFieldExchange* pFX, LPCTSTR lpszName, DATE& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_DATE, [](DATE v) { return COleVariant::FromDate(v); },
           [](const COleVariant& v) { return v.vt == VT_DATE ? v.date : 0.0; });
}

void DFX_DateTime(CDaoFieldExchange* pFX, LPCTSTR lpszName, COleDateTime& value, DWORD) {
  Exchange(pFX, lpszName, value, VT_DATE, [](const COleDateTime& v) { return COleVariant(v); },
           [](const COleVariant& v) {
             COleDateTime date;
             if (v.vt == VT_DATE) date = COleDateTime(v.date);
             else date.SetStatus(COleDateTime::null);
             return date;
           });
}
