// Constants of the database object model, with the engine's documented values: recordset types and
// options, field types and attributes, edit modes, the general sort order and the default sizes.
#pragma once

#include "platform/core/WinTypes.h"

// Recordset types (CDaoRecordset::Open nOpenType).
enum : int {
  dbOpenTable = 1,
  dbOpenDynaset = 2,
  dbOpenSnapshot = 4,
  dbOpenForwardOnly = 8,
  dbOpenDynamic = 16,
};
#define AFX_DAO_USE_DEFAULT_TYPE (-1)

// Recordset options and Execute options (bit flags).
enum : int {
  dbDenyWrite = 0x1,
  dbDenyRead = 0x2,
  dbReadOnly = 0x4,
  dbAppendOnly = 0x8,
  dbInconsistent = 0x10,
  dbConsistent = 0x20,
  dbSQLPassThrough = 0x40,
  dbFailOnError = 0x80,
  dbForwardOnly = 0x100,
  dbSeeChanges = 0x200,
};

// Field types (CDaoFieldInfo::m_nType).
enum : short {
  dbBoolean = 1,
  dbByte = 2,
  dbInteger = 3,
  dbLong = 4,
  dbCurrency = 5,
  dbSingle = 6,
  dbDouble = 7,
  dbDate = 8,
  dbText = 10,
  dbLongBinary = 11,
  dbMemo = 12,
};

// Field attributes (CDaoFieldInfo::m_lAttributes).
enum : long {
  dbFixedField = 0x1,
  dbVariableField = 0x2,
  dbAutoIncrField = 0x10,
  dbUpdatableField = 0x20,
};

// Edit modes (CDaoRecordset::GetEditMode).
enum : short {
  dbEditNone = 0,
  dbEditInProgress = 1,
  dbEditAdd = 2,
};

// Collating orders; every text column here sorts by the general order, without case.
enum : long {
  dbSortGeneral = 1033,
};

// Locale string of a new database: general sort order, code page 1252.
#define dbLangGeneral ";LANGID=0x0409;CP=1252;COUNTRY=0"

// CompactDatabase option of this platform: the new file is written without waiting for the disk, so
// that the caller can check it meanwhile; the caller makes it durable (fdatasync) before relying on it.
#define dbCompactWithoutSync 0x40000000

// Information levels of the Get...Info calls.
#define AFX_DAO_PRIMARY_INFO 0x00000001
#define AFX_DAO_SECONDARY_INFO 0x00000002
#define AFX_DAO_ALL_INFO 0x00000004

// Bound-field options and the default preallocated text size of DFX_Text.
#define AFX_DAO_ENABLE_FIELD_CACHE 0x01
#define AFX_DAO_DISABLE_FIELD_CACHE 0x00
#define AFX_DAO_CACHE_BY_VALUE 0x80
#define AFX_DAO_TEXT_DEFAULT_SIZE 255
