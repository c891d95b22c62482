#include "platform/dao/DaoException.h"

#include <cstdio>
#include <cstring>

CDaoException::CDaoException(long errorCode, const CString& description, const CString& source) {
  AddError(errorCode, description, source);
}

void CDaoException::AddError(long errorCode, const CString& description, const CString& source) {
  CDaoErrorInfo info;
  info.m_lErrorCode = errorCode;
  info.m_strDescription = description;
  info.m_strSource = source;
  m_errors.push_back(info);
  // The vector may have moved its elements: the first error is current after every addition.
  m_pErrorInfo = &m_errors.front();
}

void CDaoException::GetErrorInfo(int nIndex) {
  if (nIndex >= 0 && nIndex < static_cast<int>(m_errors.size())) m_pErrorInfo = &m_errors[nIndex];
}

BOOL CDaoException::GetErrorMessage(LPSTR buffer, UINT maxLength, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  if (!buffer || maxLength == 0 || m_errors.empty()) return FALSE;
  const CDaoErrorInfo& first = m_errors.front();
  std::snprintf(buffer, maxLength, "%s (%ld)", first.m_strDescription.GetString(), first.m_lErrorCode);
  return TRUE;
}

void ThrowDaoError(long errorCode, const CString& description, const char* source, const char* engineDetail,
                   long engineCode) {
  auto* exception = new CDaoException(errorCode, description, source ? source : "");
  exception->m_scode = errorCode;
  if (engineDetail && *engineDetail) exception->AddError(engineCode, engineDetail, "SQLite");
  throw exception;
}
