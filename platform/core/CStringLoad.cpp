// CString::LoadString lives apart from the rest of CString so that programs without a string table
// do not pull the table lookup in.
#include "platform/core/CString.h"

bool QhLookupString(UINT id, const char** text, size_t* length);

BOOL CString::LoadString(UINT id) {
  const char* text = nullptr;
  size_t length = 0;
  if (!QhLookupString(id, &text, &length)) return FALSE;
  m_text.assign(text, length);
  return TRUE;
}
