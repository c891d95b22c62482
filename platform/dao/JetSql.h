// Translation of the engine's SQL dialect into SQLite's, done once per statement text before it is
// prepared. Input is code page 1252, output UTF-8.
//
//   Like 'a*b?[!x]#'     kept as LIKE; the connection's like() matches the engine's wildcards
//                        (* ? # [list] [!list]; % and _ are plain characters), without case.
//                        A column matched with a pattern that starts with plain text also gets
//                        the range of that prefix (col >= 'ab' And col < 'ac'), for its index.
//   #m/d/yyyy h:mm:ss#   the OLE automation date as a number
//   True / False         -1 / 0
//   [Song Name]          "Song Name";  a name that is no column becomes a parameter (see below)
//   "text"               'text' (double quotes delimit texts in the engine's dialect)
//   PARAMETERS p Long;   removed; p becomes a parameter of that type
//   Delete * From T A    DELETE FROM T AS A      (also Delete A.* ..., Update T A Set ...)
//   DISTINCTROW          removed
//   Select Top 5 ...     ... LIMIT 5
//   a & b                a || b
//   a Mod b              a % b
//   UCase(x), Left(x,n)  the engine's functions, registered as jet_ucase, jet_left, ...
//   trailing ;           removed; text after it raises 3142
//   CREATE [UNIQUE] INDEX PrimaryKey ON T (a, b DESC) [WITH PRIMARY]
//                        the index is named per table inside the file
//   CREATE TABLE T (a TEXT(50) NOT NULL, b LONG, c COUNTER, CONSTRAINT PrimaryKey PRIMARY KEY (a))
//                        parsed into field and index descriptions and built like a table
//                        definition (sizes, Required and zero-length rules included)
//
// Parameters: the engine treats every name that is no column as a parameter. The connection
// prepares the translation; when SQLite answers "no such column: X", X is added to `parameters` and
// the text translated again, until it prepares. Each distinct parameter is bound as ?N, N being its
// 1-based position in `parameters`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/DaoInfo.h"

namespace qh::dao {

enum class StatementKind { Select, Insert, Update, Delete, CreateTable, CreateIndex, DropTable, DropIndex, AlterTable, Other };

struct JetParameter {
  std::string name;         // 1252, without brackets
  short declaredType = 0;   // dbText, dbLong, ... from PARAMETERS; 0 when not declared
};

// The shape of a top-level SELECT, for updatable dynasets.
struct SelectShape {
  bool singleTable = false;  // one table in FROM, no join, no grouping, DISTINCT, UNION or aggregate
  std::string table;         // 1252 name of that table
  std::string qualifier;     // the alias (or the table name) to qualify rowid with, UTF-8 and quoted
  std::size_t fromOffset = 0;  // offset in `sql` of the top-level FROM keyword
};

// A literal of the statement that is bound instead of written into the text, so that statements
// built with different values share one prepared form.
struct SqlLiteral {
  enum Kind { Integer, Real, Text } kind = Integer;
  long long integer = 0;
  double real = 0;
  std::string text;  // UTF-8
};

struct TranslatedSql {
  StatementKind kind = StatementKind::Other;
  std::string sql;                        // SQLite text, UTF-8 (empty for the parsed DDL kinds)
  std::vector<JetParameter> parameters;   // in binding order
  std::vector<SqlLiteral> literals;       // bound after the parameters (?n+1, ...)
  SelectShape shape;                      // for kind Select
  // Parsed DDL: CREATE TABLE (table, fields, indexes), CREATE INDEX (table, one index),
  // DROP TABLE (table), DROP INDEX (table, index name in indexes[0]), ALTER TABLE ADD (fields) /
  // DROP (dropColumn).
  std::string table;
  std::vector<CDaoFieldInfo> fields;
  std::vector<CDaoIndexInfo> indexes;
  std::vector<std::vector<CDaoIndexFieldInfo>> indexFields;  // field lists of `indexes`
  std::string dropColumn;
};

// Translates one statement. `knownParameters` lists names to bind as parameters in addition to the
// declared ones (names found missing by a previous attempt). Errors raise CDaoException: 3075 for
// a bad date literal or an unterminated text, 3142 for text after the closing ";", 3129 for an
// unrecognised statement, 3290/3292 for faulty table definitions.
// Literals of conditions, assignments and values become bound values (see SqlLiteral) unless
// `bindLiterals` is false; those of the top-level select list and of ORDER BY and GROUP BY lists
// stay in the text.
TranslatedSql TranslateJetSql(std::string_view jetSql, const std::vector<std::string>& knownParameters = {},
                              bool bindLiterals = true);

// The statement with its texts and numbers taken out, for statements that differ only in those
// values (built with an id or a name written in): the shape and, in `literals`, the values as a
// translation binds them, in order. Empty when the text holds a date literal.
std::string JetSqlShape(std::string_view jetSql, std::vector<SqlLiteral>* literals);

// The engine's Like on 1252 texts (exposed for the connection's like() and for tests).
bool JetLikeMatch(std::string_view text, std::string_view pattern);

// The range of the text order (1252, without case) that holds every text a Like pattern can match,
// from the pattern's literal prefix: low <= text < high. False when the pattern starts with a
// wildcard, when no text ends the range, or when a bound reads as a number (a number column would
// compare it as one). The range only narrows the search; the Like still decides.
bool JetLikePrefixRange(std::string_view pattern, std::string* low, std::string* high);

// The engine's type of a type name of its DDL and PARAMETERS clauses (TEXT, LONG, INTEGER, SHORT,
// BYTE, DOUBLE, SINGLE, DATETIME, BIT, YESNO, MEMO, COUNTER, ...); 0 when unknown. `counter` tells
// COUNTER/AUTOINCREMENT apart.
short JetTypeFromName(std::string_view name, bool* counter = nullptr);

}  // namespace qh::dao
