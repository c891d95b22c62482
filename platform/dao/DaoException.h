// The database engine's exception: a list of errors, each with the engine's error number, the
// object that raised it and a description. It is thrown as a pointer, as the platform does:
//
//   try { db.Open(path); }
//   catch (CDaoException* e) { report(e->m_pErrorInfo->m_lErrorCode); e->Delete(); }
//
// The first error carries the engine number (3024, 3045, 3022, ...); when the storage engine gave
// its own message, a second error holds that text with the storage engine's result code, so that a
// report that lists every error shows both.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Exception.h"
#include "platform/core/WinTypes.h"

// Engine error numbers the layer raises (the engine's own numbering).
enum : long {
  kDaoErrInvalidArgument = 3001,        // "Invalid argument."
  kDaoErrTableExists = 3010,            // "Table '|' already exists."
  kDaoErrObjectExists = 3012,           // "Object '|' already exists."
  kDaoErrUpdateWithoutEdit = 3020,      // "Update or CancelUpdate without AddNew or Edit."
  kDaoErrNoCurrentRecord = 3021,        // "No current record."
  kDaoErrDuplicateKey = 3022,           // duplicate values in an index or key
  kDaoErrFileNotFound = 3024,           // "Could not find file '|'."
  kDaoErrDiskFull = 3026,               // "Not enough space on disk."
  kDaoErrReadOnly = 3027,               // "Cannot update. Database or object is read-only."
  kDaoErrIo = 3043,                     // "Disk or network error."
  kDaoErrFileInUse = 3045,              // "Could not use '|'; file already in use."
  kDaoErrCorrupt = 3049,                // "Cannot open database '|'. It may be corrupt."
  kDaoErrTooFewParameters = 3061,       // "Too few parameters. Expected |."
  kDaoErrSyntaxInExpression = 3075,     // "Syntax error in query expression '|'."
  kDaoErrNoSuchTable = 3078,            // "Cannot find the input table or query '|'."
  kDaoErrInvalidSql = 3129,             // "Invalid SQL statement..."
  kDaoErrCharsAfterEnd = 3142,          // "Characters found after end of SQL statement."
  kDaoErrFieldTooSmall = 3163,          // "The field is too small to accept the amount of data..."
  kDaoErrRecordDeleted = 3167,          // "Record is deleted."
  kDaoErrDatabaseExists = 3204,         // "Database already exists."
  kDaoErrLocked = 3218,                 // "Could not update; currently locked."
  kDaoErrInvalidOperation = 3219,       // "Invalid operation."
  kDaoErrItemNotFound = 3265,           // "Item not found in this collection."
  kDaoErrRequired = 3314,               // "The field '|' cannot contain a Null value..."
  kDaoErrZeroLength = 3315,             // "Field '|' cannot be a zero-length string."
  kDaoErrValidationRule = 3317,         // values prohibited by the validation rule
  kDaoErrUnrecognizedFormat = 3343,     // "Unrecognized database format '|'."
  kDaoErrNumericOverflow = 3349,        // "Numeric field overflow."
  kDaoErrIndexExists = 3375,            // "Table '|' already has an index named '|'."
  kDaoErrObjectInvalid = 3420,          // "Object invalid or no longer set."
  kDaoErrConversion = 3421,             // "Data type conversion error."
  kDaoErrTypeMismatch = 3464,           // "Data type mismatch in criteria expression."
};

// One error of the list.
class CDaoErrorInfo {
 public:
  long m_lErrorCode = 0;
  CString m_strSource;
  CString m_strDescription;
  CString m_strHelpFile;
  long m_lHelpContext = 0;
};

class CDaoException : public CException {
 public:
  CDaoException() = default;
  CDaoException(long errorCode, const CString& description, const CString& source);

  // Number of errors in the list.
  short GetErrorCount() const { return static_cast<short>(m_errors.size()); }
  // Makes error nIndex the current one (m_pErrorInfo). An index outside the list raises nothing and
  // leaves m_pErrorInfo as it was.
  void GetErrorInfo(int nIndex);
  // Text of the first error ("Description (number)"), for a log or a message box.
  BOOL GetErrorMessage(LPSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;

  void AddError(long errorCode, const CString& description, const CString& source);

  // The current error (the first one after construction); null when the list is empty.
  CDaoErrorInfo* m_pErrorInfo = nullptr;
  // The framework's own error code (0: the error list holds the reason) and the result code.
  int m_nAfxDaoError = 0;
  long m_scode = 0;

 private:
  std::vector<CDaoErrorInfo> m_errors;
};

// Raises an engine error as a thrown CDaoException* with one entry (or two: the storage engine's
// own message second, when given).
[[noreturn]] void ThrowDaoError(long errorCode, const CString& description, const char* source,
                                const char* engineDetail = nullptr, long engineCode = 0);
