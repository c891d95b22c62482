#include "platform/core/Exception.h"

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  if (error && maxError > 0) error[0] = '\0';
  return FALSE;
}
