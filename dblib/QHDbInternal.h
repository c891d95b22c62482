// What the source files of tQHDb share: the guard every method body runs in, and small readers of
// typed column values.
#pragma once

#include <new>

#include "dblib/DaoStep.h"
#include "dblib/QHDb.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/OleVariant.h"

template <typename Body>
LONG tQHDb::Guarded(LONG daoResult, LONG memoryResult, LONG otherResult, Body&& body, void (tQHDb::*onFailure)()) {
  LONG result;
  try {
    return body();
  } catch (CDaoException* e) {
    SetDaoError(e);
    e->Delete();
    result = daoResult;
  } catch (const std::bad_alloc&) {
    SetError(QHDB_ERR_NO_MEMORY);
    result = memoryResult;
  } catch (...) {
    SetError(QHDB_ERR_UNKNOWN);
    result = otherResult;
  }
  if (onFailure != nullptr) (this->*onFailure)();
  return result;
}

// Shared by the Next members of the cached families: the object, the family and its position are
// checked, then read() copies the current row and the cursor moves on.
template <typename Read>
int tQHDb::NextInFamily(RecordsetSlot slot, Read&& read) {
  if (m_pDatabase == nullptr || ExistingRecordset(slot) == nullptr) {
    SetError(QHDB_ERR_NOT_INITIALIZED);
    return 0;
  }
  CDaoRecordset* set = ExistingRecordset(slot);
  return Guarded(0, 0, 0, [&]() -> LONG {
    if (!set->IsOpen() || set->IsEOF()) {
      SetError(QHDB_ERR_NOT_FOUND);
      return 0;
    }
    qh::dblib::DaoRetry retry;
    LONG result = retry.Run([&] { return read(*set); });
    set->MoveNext();
    return result;
  });
}

namespace qh::dblib {

// Each reader copies a column into its output only when the value has the expected type, so a
// Null (or any other type) leaves the output as it was.
inline bool ReadText(const COleVariant& value, CString& out) {
  if (value.vt != VT_BSTR) return false;
  out = value.bstrVal;
  return true;
}
inline bool ReadLong(const COleVariant& value, LONG& out) {
  if (value.vt != VT_I4) return false;
  out = value.lVal;
  return true;
}
inline bool ReadShort(const COleVariant& value, SHORT& out) {
  if (value.vt != VT_I2) return false;
  out = value.iVal;
  return true;
}
inline bool ReadBool(const COleVariant& value, LONG& out) {
  if (value.vt != VT_BOOL) return false;
  out = value.boolVal;
  return true;
}

inline COleVariant BoolValue(bool value) { return COleVariant::FromBool(value); }

// Text of a formatted statement.
CString FormatSql(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qh::dblib
