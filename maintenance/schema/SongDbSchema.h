// The song database file: its tables and fields, its index and parameter-row statements, its default
// song types and stored queries, and the procedure that builds a new, empty file. The tests, the
// administrator and the converter all build their files here, so every file has the same schema.
#pragma once

#include <functional>
#include <span>

#include "platform/core/CString.h"

class CDaoDatabase;

// DAO field types and attributes, with the engine's numbers.
inline constexpr short kSchemaBoolean = 1;
inline constexpr short kSchemaInteger = 3;
inline constexpr short kSchemaLong = 4;
inline constexpr short kSchemaDouble = 7;
inline constexpr short kSchemaDate = 8;
inline constexpr short kSchemaText = 10;
inline constexpr long kSchemaFixed = 1;
inline constexpr long kSchemaVariable = 2;

struct SchemaField {
  const char* name;
  short type;
  long size;
  long attributes;
  bool required;
  bool allowZeroLength;
};

struct SchemaTable {
  const char* name;
  std::span<const SchemaField> fields;
};

inline constexpr int kSongDbTableCount = 14;
extern const SchemaTable kSongDbTables[kSongDbTableCount];

// Index and row statements, run in order up to the end marker.
inline constexpr const char* kSongDbStatementEnd = "**EOF**";
extern const char* const kSongDbStatements[];

struct StoredQuery {
  const char* name;
  const char* sql;
};
inline constexpr int kSongDbQueryCount = 7;
extern const StoredQuery kSongDbQueries[kSongDbQueryCount];

// The file name inside the database folder, and the locale a new file is created with.
inline constexpr const char* kSongDbFileName = "\\Quaverhouse.qhd";
inline constexpr const char* kSongDbLocale = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// The steps of building a file. Each throws the engine's CDaoException* on failure and catches nothing:
// the caller reports it and decides what to do with a partly built file.
void CreateDatabaseTables(CDaoDatabase* database);
// Runs the index and row statements; beforeEach (may be empty) gets each statement's 1-based number.
void ExecuteSchemaStatements(CDaoDatabase* database, const std::function<void(int)>& beforeEach = {});
void CreateDefaultSongTypes(CDaoDatabase* database);
void CreateStoredQueries(CDaoDatabase* database);

// The whole procedure on a file that must not exist yet: create, tables, statements, default song
// types, stored queries, close.
void CreateSongDatabase(const CString& filePath, const std::function<void(int)>& beforeEachStatement = {});
