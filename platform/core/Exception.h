// The base of the framework's exceptions. They are thrown as heap pointers and freed by the catcher:
//   catch (CFileException* e) { ...; e->Delete(); }
#pragma once

#include "platform/core/WinTypes.h"

class CException {
 public:
  explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}
  virtual ~CException() = default;
  // Frees a heap exception after it was caught.
  void Delete();
  // The exception's text into the caller's buffer (cut to maxError - 1 characters); FALSE when there
  // is none.
  virtual BOOL GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext = nullptr) const;

  BOOL m_bAutoDelete;
};
