// Shared pieces of the database tests: a sandboxed folder with a drive C:, a small song database
// made with the engine's own DDL, and checks for raised engine errors.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/core/testing/TestSandbox.h"
#include "platform/dao/Dao.h"

namespace qh::dao::testing {

// The engine error number raised by `action`; 0 when it raised nothing. The exception is freed.
long DaoErrorOf(const std::function<void()>& action, CString* description = nullptr);

// A readable, stable name for case `index` of a parameter table, made from the text that says what
// the case checks ("= ignores case" -> "ignores_case_3"): letters and digits kept, the rest one '_'.
std::string CaseName(std::string_view text, std::size_t index);

// Runs sqlite3 (the command-line tool) on a host file with one SQL text; its standard output.
std::string RunSqliteTool(const std::string& hostPath, const std::string& sql);

class DaoTest : public ::testing::Test {
 protected:
  // The database path in the system's form ("C:\name") and on the host.
  std::string DbPath(const std::string& name = "songs.qhd") const { return "C:\\" + name; }
  std::string HostPath(const std::string& name = "songs.qhd") const { return m_sandbox.HostPath("C/" + name); }

  // Creates a database with the song tables (made through Jet DDL, sizes and rules included),
  // the stored queries and a few rows, and leaves `m_db` open on it.
  void CreateSongDatabase();
  // Adds a song row through a dynaset (SongID, name, artist, album, genre, date as an OLE date).
  void AddSong(long id, const char* name, const char* artist, const char* album, const char* genre, double date = 0,
               bool uncompressed = false, const char* compression = "M", long volser = 1234);

  qh::testing::TestSandbox m_sandbox;
  CDaoDatabase m_db;
};

}  // namespace qh::dao::testing
