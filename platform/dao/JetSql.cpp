#include "platform/dao/JetSql.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/core/Cp1252.h"
#include "platform/core/DateTime.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoException.h"

namespace qh::dao {
namespace {

const char kSource[] = "DAO.Database";
// Texts compare without case wherever they meet, also with a computed value such as Left(x, 3):
// bound texts carry the text order, which outranks the plain one of an expression. (Parameters do
// not: one compared with a number column would lose that column's index.)
const char kNoCase[] = " COLLATE NOCASE";
// Stands for a bound literal in the text until the literals are numbered (never in SQL text).
const char kLiteralMark = '\x01';

enum class Tok { Space, Word, Bracket, String, Number, Date, Punct };

struct Token {
  Tok kind;
  std::string text;  // Word: as written; Bracket/String/Date: the inside; Punct: the operator
};

std::string Upper(std::string_view text) {
  std::string result(text);
  Cp1252MakeUpper(result);
  return result;
}

bool IsWordStart(unsigned char ch) { return std::isalpha(ch) || ch == '_' || ch >= 0x80; }
bool IsWordChar(unsigned char ch) { return std::isalnum(ch) || ch == '_' || ch >= 0x80 || ch == '$'; }

[[noreturn]] void Fail(long code, const std::string& description) { ThrowDaoError(code, description.c_str(), kSource); }

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  const std::size_t n = sql.size();
  auto delimited = [&](char close, bool doubledEscape, Tok kind, const char* what) {
    std::string inside;
    ++i;
    for (;;) {
      if (i >= n) Fail(kDaoErrSyntaxInExpression, std::string("Syntax error: unterminated ") + what + " in query expression '" + std::string(sql) + "'.");
      if (sql[i] == close) {
        if (doubledEscape && i + 1 < n && sql[i + 1] == close) {
          inside += close;
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      inside += sql[i++];
    }
    tokens.push_back({kind, std::move(inside)});
  };
  while (i < n) {
    unsigned char ch = static_cast<unsigned char>(sql[i]);
    if (std::isspace(ch)) {
      while (i < n && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
      tokens.push_back({Tok::Space, " "});
    } else if (ch == '[') {
      delimited(']', false, Tok::Bracket, "name");
    } else if (ch == '\'') {
      delimited('\'', true, Tok::String, "text");
    } else if (ch == '"') {
      delimited('"', true, Tok::String, "text");
    } else if (ch == '#') {
      delimited('#', false, Tok::Date, "date");
    } else if (std::isdigit(ch) || (ch == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      std::size_t start = i;
      while (i < n && (std::isdigit(static_cast<unsigned char>(sql[i])) || sql[i] == '.')) ++i;
      if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
        std::size_t save = i++;
        if (i < n && (sql[i] == '+' || sql[i] == '-')) ++i;
        if (i < n && std::isdigit(static_cast<unsigned char>(sql[i]))) {
          while (i < n && std::isdigit(static_cast<unsigned char>(sql[i]))) ++i;
        } else {
          i = save;
        }
      }
      tokens.push_back({Tok::Number, std::string(sql.substr(start, i - start))});
    } else if (IsWordStart(ch)) {
      std::size_t start = i;
      while (i < n && IsWordChar(static_cast<unsigned char>(sql[i]))) ++i;
      tokens.push_back({Tok::Word, std::string(sql.substr(start, i - start))});
    } else {
      std::string op(1, static_cast<char>(ch));
      if (i + 1 < n) {
        std::string two = std::string(sql.substr(i, 2));
        if (two == "<>" || two == "<=" || two == ">=" || two == "!=" || two == "||") op = two;
      }
      i += op.size();
      tokens.push_back({Tok::Punct, op});
    }
  }
  return tokens;
}

bool IsWord(const Token& t, const char* upperWord) { return t.kind == Tok::Word && Upper(t.text) == upperWord; }
bool IsPunct(const Token& t, const char* op) { return t.kind == Tok::Punct && t.text == op; }

// Index of the next token that is not a blank, from `i` on (tokens.size() when none).
std::size_t NextSolid(const std::vector<Token>& tokens, std::size_t i) {
  while (i < tokens.size() && tokens[i].kind == Tok::Space) ++i;
  return i;
}

std::string QuoteIdentifier(std::string_view name) {
  std::string quoted = "\"";
  for (char ch : name) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + "\"";
}

std::string QuoteText(std::string_view text) {
  std::string quoted = "'";
  for (char ch : text) {
    if (ch == '\'') quoted += '\'';
    quoted += ch;
  }
  return quoted + "'";
}

const std::map<std::string, std::string>& FunctionMap() {
  static const std::map<std::string, std::string> map = {
      {"UCASE", "jet_ucase"},   {"LCASE", "jet_lcase"},       {"LEFT", "jet_left"},     {"RIGHT", "jet_right"},
      {"MID", "jet_mid"},       {"LEN", "jet_len"},           {"IIF", "jet_iif"},       {"NZ", "jet_nz"},
      {"NOW", "jet_now"},       {"DATE", "jet_date"},         {"TIME", "jet_time"},     {"YEAR", "jet_year"},
      {"MONTH", "jet_month"},   {"DAY", "jet_day"},           {"HOUR", "jet_hour"},     {"MINUTE", "jet_minute"},
      {"SECOND", "jet_second"}, {"DATESERIAL", "jet_dateserial"}, {"FORMAT", "jet_format"},
      {"FIRST", "jet_first"},   {"LAST", "jet_last"},         {"VAL", "jet_val"},       {"STR", "jet_str"},
      {"TRIM", "jet_trim"},     {"LTRIM", "jet_ltrim"},       {"RTRIM", "jet_rtrim"},   {"INSTR", "jet_instr"},
      {"CSTR", "jet_cstr"},     {"CLNG", "jet_clng"},         {"CINT", "jet_cint"},     {"CDBL", "jet_cdbl"},
      {"CDATE", "jet_cdate"},   {"INT", "jet_int"},           {"FIX", "jet_fix"},       {"SGN", "jet_sgn"},
      {"SPACE", "jet_space"},   {"ISNULL", "jet_isnull"},
  };
  return map;
}

bool IsAggregate(const std::string& upper) {
  return upper == "COUNT" || upper == "SUM" || upper == "AVG" || upper == "MIN" || upper == "MAX" || upper == "FIRST" ||
         upper == "LAST" || upper == "STDEV" || upper == "VAR";
}

// Words after a table name in FROM, UPDATE or DELETE that are no alias.
bool IsClauseWord(const std::string& upper) {
  static const char* const words[] = {"WHERE", "ORDER", "GROUP", "HAVING", "SET",   "INNER", "LEFT",  "RIGHT", "JOIN",
                                      "ON",    "UNION", "AS",    "IN",     "LIMIT", "OUTER", "CROSS", "WITH",  "FULL"};
  for (const char* word : words)
    if (upper == word) return true;
  return false;
}

std::string FormatOleDate(const std::string& literal) {
  COleDateTime parsed;
  if (!parsed.ParseDateTime(literal.c_str()) || parsed.GetStatus() != COleDateTime::valid)
    Fail(kDaoErrSyntaxInExpression, "Syntax error in date in query expression '#" + literal + "#'.");
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", parsed.m_dt);
  std::string text = buffer;
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

// The translation of SELECT, INSERT, UPDATE and DELETE statements.
class DmlTranslator {
 public:
  DmlTranslator(std::vector<Token> tokens, std::vector<JetParameter> declared, const std::vector<std::string>& known,
                bool bindLiterals)
      : m_tokens(std::move(tokens)), m_params(std::move(declared)), m_known(known), m_bindLiterals(bindLiterals) {
    m_numbered = m_params.size();
  }

  TranslatedSql Run(StatementKind kind) {
    TranslatedSql result;
    result.kind = kind;
    if (kind == StatementKind::Delete) RewriteDeleteHead();
    if (kind == StatementKind::Update) {
      InsertAliasAs(NextSolid(m_tokens, 1));
      StripSetQualifiers();
    }
    if (kind == StatementKind::Select) ExtractTop();
    Emit(result);
    if (!m_limit.empty()) result.sql += " LIMIT " + m_limit;
    // Parameters that never appeared keep their declared place; drop known names that did not.
    m_params.resize(m_numbered);
    result.parameters = m_params;
    NumberLiterals(result);
    return result;
  }

 private:
  // "DELETE [*|T.*] FROM T [A] ..." -> "DELETE FROM T [AS A] ...".
  void RewriteDeleteHead() {
    std::size_t from = 1;
    while (from < m_tokens.size() && !IsWord(m_tokens[from], "FROM")) ++from;
    if (from == m_tokens.size()) Fail(kDaoErrInvalidSql, "Syntax error in DELETE statement: FROM is missing.");
    m_tokens.erase(m_tokens.begin() + 1, m_tokens.begin() + from);
    m_tokens.insert(m_tokens.begin() + 1, Token{Tok::Space, " "});
    InsertAliasAs(NextSolid(m_tokens, NextSolid(m_tokens, 2) + 1));
  }

  // At `aliasAt` (after a table name): an alias without AS gets one.
  void InsertAliasAs(std::size_t tableAt) {
    std::size_t after = NextSolid(m_tokens, tableAt + 1);
    if (after >= m_tokens.size()) return;
    const Token& t = m_tokens[after];
    if ((t.kind == Tok::Word && !IsClauseWord(Upper(t.text))) || t.kind == Tok::Bracket) {
      m_tokens.insert(m_tokens.begin() + after, {Token{Tok::Word, "AS"}, Token{Tok::Space, " "}});
    }
  }

  // "SET A.x = 1, A.y = 2" -> "SET x = 1, y = 2": SQLite names the columns of its one table bare.
  void StripSetQualifiers() {
    std::size_t i = 0;
    while (i < m_tokens.size() && !IsWord(m_tokens[i], "SET")) ++i;
    bool atTarget = true;
    int depth = 0;
    for (++i; i < m_tokens.size(); ++i) {
      const Token& t = m_tokens[i];
      if (IsPunct(t, "(")) ++depth;
      if (IsPunct(t, ")")) --depth;
      if (depth == 0 && IsWord(t, "WHERE")) break;
      if (t.kind == Tok::Space) continue;
      if (atTarget) {
        bool name = t.kind == Tok::Word || t.kind == Tok::Bracket;
        if (name && i + 2 < m_tokens.size() && IsPunct(m_tokens[i + 1], ".") &&
            (m_tokens[i + 2].kind == Tok::Word || m_tokens[i + 2].kind == Tok::Bracket))
          m_tokens.erase(m_tokens.begin() + static_cast<std::ptrdiff_t>(i), m_tokens.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        atTarget = false;
        continue;
      }
      if (depth == 0 && IsPunct(t, ",")) atTarget = true;
    }
  }

  // "SELECT [DISTINCT] TOP n" -> the LIMIT of the whole statement.
  void ExtractTop() {
    std::size_t i = NextSolid(m_tokens, 1);
    if (i < m_tokens.size() && (IsWord(m_tokens[i], "DISTINCT") || IsWord(m_tokens[i], "DISTINCTROW") || IsWord(m_tokens[i], "ALL")))
      i = NextSolid(m_tokens, i + 1);
    if (i < m_tokens.size() && IsWord(m_tokens[i], "TOP")) {
      std::size_t count = NextSolid(m_tokens, i + 1);
      if (count < m_tokens.size() && m_tokens[count].kind == Tok::Number) {
        m_limit = m_tokens[count].text;
        m_tokens.erase(m_tokens.begin() + i, m_tokens.begin() + count + 1);
      }
    }
  }

  // The text order after the bound text or parameter that ends at token `at`, with a blank before a
  // word that follows at once ("'x'ORDER BY").
  void AppendNoCase(std::string& out, std::size_t at) const {
    out += kNoCase;
    if (at + 1 < m_tokens.size() && m_tokens[at + 1].kind != Tok::Space && m_tokens[at + 1].kind != Tok::Punct) out += ' ';
  }

  // A literal bound in place: a marker now, numbered after the parameters once they are all known.
  void BindLiteral(std::string& out, SqlLiteral literal) {
    out += kLiteralMark;
    out += std::to_string(m_literals.size());
    out += kLiteralMark;
    m_literals.push_back(std::move(literal));
  }

  void NumberLiterals(TranslatedSql& result) {
    if (m_literals.empty()) return;
    std::string numbered;
    const std::string& sql = result.sql;
    std::size_t at = 0;
    for (std::size_t mark = sql.find(kLiteralMark); mark != std::string::npos; mark = sql.find(kLiteralMark, at)) {
      std::size_t end = sql.find(kLiteralMark, mark + 1);
      numbered += sql.substr(at, mark - at);
      std::size_t index = std::stoul(sql.substr(mark + 1, end - mark - 1));
      numbered += '?';
      numbered += std::to_string(m_params.size() + index + 1);
      at = end + 1;
    }
    numbered += sql.substr(at);
    result.sql = std::move(numbered);
    result.literals = std::move(m_literals);
  }

  // Whether a literal at this point is bound: not in the top-level select list (its column names
  // and types come from the text) and not in ORDER BY or GROUP BY (a number there is a column).
  bool Bindable(bool inSelectList, int depth) const {
    return m_bindLiterals && !(inSelectList && depth == 0) && !(m_listDepth >= 0 && depth >= m_listDepth);
  }

  int ParamNumber(const std::string& name) {
    for (std::size_t k = 0; k < m_numbered; ++k)
      if (Cp1252EqualNoCase(m_params[k].name, name)) return static_cast<int>(k) + 1;
    for (const std::string& known : m_known) {
      if (Cp1252EqualNoCase(known, name)) {
        m_params.insert(m_params.begin() + m_numbered, JetParameter{known, 0});
        return static_cast<int>(++m_numbered);
      }
    }
    return 0;
  }

  std::string NameOf(const Token& t) const { return t.text; }

  void Emit(TranslatedSql& result) {
    std::string& out = result.sql;
    SelectShape& shape = result.shape;
    int depth = 0;
    bool topFromSeen = false;
    bool simple = result.kind == StatementKind::Select;
    bool inSelectList = result.kind == StatementKind::Select;
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
      const Token& t = m_tokens[i];
      std::size_t next = NextSolid(m_tokens, i + 1);
      bool callFollows = next < m_tokens.size() && IsPunct(m_tokens[next], "(");
      bool dotBefore = i > 0 && IsPunct(m_tokens[i - 1], ".");
      bool dotAfter = i + 1 < m_tokens.size() && IsPunct(m_tokens[i + 1], ".");
      switch (t.kind) {
        case Tok::Space:
          if (!out.empty() && out.back() != ' ') out += ' ';
          break;
        case Tok::Word: {
          std::string upper = Upper(t.text);
          if ((upper == "ORDER" || upper == "GROUP") && next < m_tokens.size() && IsWord(m_tokens[next], "BY"))
            m_listDepth = depth;
          else if (depth <= m_listDepth && (upper == "HAVING" || upper == "LIMIT" || upper == "UNION" || upper == "WHERE"))
            m_listDepth = -1;
          if (depth == 0 && simple) {
            if (upper == "DISTINCT" || upper == "GROUP" || upper == "UNION" || upper == "JOIN" || upper == "HAVING")
              simple = false;
            if (inSelectList && callFollows && IsAggregate(upper)) simple = false;
          }
          if (depth == 0 && upper == "FROM" && result.kind == StatementKind::Select && !topFromSeen) {
            topFromSeen = true;
            inSelectList = false;
            shape.fromOffset = out.size();
            out += t.text;
            ReadFromTable(i, shape, simple);
            break;
          }
          if (callFollows) {
            auto found = FunctionMap().find(upper);
            out += found != FunctionMap().end() ? found->second : t.text;
            break;
          }
          if (upper == "DISTINCTROW") {
            if (next < m_tokens.size()) i = next - 1;
            break;
          }
          if (!dotBefore && (upper == "TRUE" || upper == "FALSE")) {
            out += upper == "TRUE" ? "-1" : "0";
            break;
          }
          if (upper == "MOD") {
            out += "%";
            break;
          }
          if (!dotBefore && !callFollows && EmitLikeWithRange(i, out, inSelectList, depth)) break;
          if (EmitParameter(i, dotBefore, dotAfter, out)) break;
          out += t.text;
          break;
        }
        case Tok::Bracket:
          if (!dotBefore && EmitLikeWithRange(i, out, inSelectList, depth)) break;
          if (EmitParameter(i, dotBefore, dotAfter, out)) break;
          out += QuoteIdentifier(t.text);
          break;
        case Tok::String:
          if (Bindable(inSelectList, depth)) {
            BindLiteral(out, SqlLiteral{SqlLiteral::Text, 0, 0, Cp1252ToUtf8(t.text)});
            AppendNoCase(out, i);
          }
          else out += QuoteText(t.text);
          break;
        case Tok::Number:
          if (Bindable(inSelectList, depth) && t.text.find_first_of(".eE") == std::string::npos && t.text.size() < 16)
            BindLiteral(out, SqlLiteral{SqlLiteral::Integer, std::stoll(t.text), 0, {}});
          else if (Bindable(inSelectList, depth))
            BindLiteral(out, SqlLiteral{SqlLiteral::Real, 0, std::strtod(t.text.c_str(), nullptr), {}});
          else
            out += t.text;
          break;
        case Tok::Date:
          if (Bindable(inSelectList, depth)) BindLiteral(out, SqlLiteral{SqlLiteral::Real, 0, std::stod(FormatOleDate(t.text)), {}});
          else out += FormatOleDate(t.text);
          break;
        case Tok::Punct:
          if (t.text == "(") ++depth;
          if (t.text == ")") {
            --depth;
            if (depth < m_listDepth) m_listDepth = -1;
          }
          if (depth == 0 && t.text == "," && topFromSeen && !m_fromDone) simple = false;
          if (t.text == "&") {
            out += "||";
          } else if (t.text == ";") {
            Fail(kDaoErrCharsAfterEnd, "Characters found after end of SQL statement.");
          } else {
            out += t.text;
          }
          break;
      }
    }
    if (result.kind == StatementKind::Select) shape.singleTable = simple && !shape.table.empty();
  }

  // Reads "FROM table [AS] [alias]" without emitting (the tokens are emitted by the main loop).
  void ReadFromTable(std::size_t fromAt, SelectShape& shape, bool& simple) {
    std::size_t tableAt = NextSolid(m_tokens, fromAt + 1);
    if (tableAt >= m_tokens.size()) return;
    const Token& table = m_tokens[tableAt];
    if (table.kind != Tok::Word && table.kind != Tok::Bracket) {
      simple = false;
      return;
    }
    shape.table = table.text;
    shape.qualifier = QuoteIdentifier(Cp1252ToUtf8(table.text));
    std::size_t after = NextSolid(m_tokens, tableAt + 1);
    if (after < m_tokens.size() && IsWord(m_tokens[after], "AS")) after = NextSolid(m_tokens, after + 1);
    if (after < m_tokens.size()) {
      const Token& alias = m_tokens[after];
      if ((alias.kind == Tok::Word && !IsClauseWord(Upper(alias.text))) || alias.kind == Tok::Bracket)
        shape.qualifier = QuoteIdentifier(Cp1252ToUtf8(alias.text));
      if (IsPunct(alias, ".")) simple = false;  // a qualified name in FROM (another database)
    }
    m_fromDone = false;
    // The FROM clause ends at the first top-level clause word; a comma before it is a join.
    int depth = 0;
    for (std::size_t k = tableAt + 1; k < m_tokens.size(); ++k) {
      const Token& t = m_tokens[k];
      if (IsPunct(t, "(")) ++depth;
      if (IsPunct(t, ")")) --depth;
      if (depth != 0) continue;
      if (IsPunct(t, ",")) simple = false;
      if (t.kind == Tok::Word) {
        std::string upper = Upper(t.text);
        if (upper == "JOIN") simple = false;
        if (upper == "WHERE" || upper == "ORDER" || upper == "GROUP" || upper == "HAVING" || upper == "UNION") break;
      }
    }
    m_fromDone = true;
  }

  // "col Like 'Ab*'" -> "(col LIKE 'Ab*' AND col >= 'Ab' AND col < 'Ac')". The engine's Like is a
  // function of its own that no index serves; the range of the pattern's plain prefix in the text
  // order is one an index on the column serves, and it never changes which rows match. Only a
  // plain column between condition words and a lone text pattern; the group has the Like's value.
  bool EmitLikeWithRange(std::size_t& i, std::string& out, bool inSelectList, int depth) {
    if (inSelectList || !Bindable(inSelectList, depth)) return false;
    const std::size_t size = m_tokens.size();
    std::size_t last = i;
    bool qualified = i + 2 < size && IsPunct(m_tokens[i + 1], ".") &&
                     (m_tokens[i + 2].kind == Tok::Word || m_tokens[i + 2].kind == Tok::Bracket);
    if (qualified) last = i + 2;
    std::size_t like = NextSolid(m_tokens, last + 1);
    if (like >= size || !IsWord(m_tokens[like], "LIKE")) return false;
    std::size_t pattern = NextSolid(m_tokens, like + 1);
    if (pattern >= size || m_tokens[pattern].kind != Tok::String) return false;
    std::size_t after = NextSolid(m_tokens, pattern + 1);
    if (after < size && !EndsCondition(m_tokens[after])) return false;
    if (!StartsCondition(i)) return false;
    const Token& head = m_tokens[i];
    if (head.kind == Tok::Word && (IsWord(head, "NULL") || IsWord(head, "TRUE") || IsWord(head, "FALSE"))) return false;
    if (IsParameterName(qualified ? head.text + "." + m_tokens[i + 2].text : head.text)) return false;
    std::string low;
    std::string high;
    if (!JetLikePrefixRange(m_tokens[pattern].text, &low, &high)) return false;
    std::string column = ColumnText(head);
    if (qualified) column += "." + ColumnText(m_tokens[i + 2]);
    out += "(" + column + " LIKE ";
    BindLiteral(out, SqlLiteral{SqlLiteral::Text, 0, 0, Cp1252ToUtf8(m_tokens[pattern].text)});
    out += std::string(kNoCase) + " AND " + column + " >= ";
    BindLiteral(out, SqlLiteral{SqlLiteral::Text, 0, 0, Cp1252ToUtf8(low)});
    out += std::string(kNoCase) + " AND " + column + " < ";
    BindLiteral(out, SqlLiteral{SqlLiteral::Text, 0, 0, Cp1252ToUtf8(high)});
    out += std::string(kNoCase) + ")";
    i = pattern;
    return true;
  }

  static std::string ColumnText(const Token& t) { return t.kind == Tok::Bracket ? QuoteIdentifier(t.text) : t.text; }

  static bool EndsCondition(const Token& t) {
    if (IsPunct(t, ")")) return true;
    for (const char* word : {"AND", "OR", "ORDER", "GROUP", "HAVING", "UNION", "LIMIT"})
      if (IsWord(t, word)) return true;
    return false;
  }

  // Whether the column at `at` starts an operand of its own: after WHERE, AND, OR, NOT, ON, HAVING
  // or "(" (and not after the AND of a BETWEEN, which would take the column as its bound).
  bool StartsCondition(std::size_t at) const {
    std::size_t before = at;
    while (before > 0 && m_tokens[before - 1].kind == Tok::Space) --before;
    if (before == 0) return false;
    const Token& t = m_tokens[before - 1];
    if (IsPunct(t, "(")) return true;
    for (const char* word : {"WHERE", "OR", "NOT", "ON", "HAVING"})
      if (IsWord(t, word)) return true;
    if (!IsWord(t, "AND")) return false;
    int depth = 0;
    for (std::size_t k = before - 1; k-- > 0;) {
      const Token& earlier = m_tokens[k];
      if (IsPunct(earlier, ")")) ++depth;
      if (IsPunct(earlier, "(") && depth-- == 0) return true;
      if (depth > 0) continue;
      if (IsWord(earlier, "BETWEEN")) return false;
      if (IsWord(earlier, "AND") || IsWord(earlier, "OR") || IsWord(earlier, "WHERE") || IsWord(earlier, "ON") ||
          IsWord(earlier, "HAVING"))
        return true;
    }
    return true;
  }

  bool IsParameterName(const std::string& name) const {
    for (std::size_t k = 0; k < m_numbered; ++k)
      if (Cp1252EqualNoCase(m_params[k].name, name)) return true;
    for (const std::string& known : m_known)
      if (Cp1252EqualNoCase(known, name)) return true;
    return false;
  }

  bool EmitParameter(std::size_t& i, bool dotBefore, bool dotAfter, std::string& out) {
    if (dotBefore) return false;
    const Token& t = m_tokens[i];
    if (dotAfter && i + 2 < m_tokens.size() &&
        (m_tokens[i + 2].kind == Tok::Word || m_tokens[i + 2].kind == Tok::Bracket)) {
      int number = ParamNumber(t.text + "." + m_tokens[i + 2].text);
      if (number == 0) return false;
      out += '?';
      out += std::to_string(number);
      i += 2;
      return true;
    }
    int number = ParamNumber(t.text);
    if (number == 0) return false;
    out += '?';
    out += std::to_string(number);
    return true;
  }

  std::vector<Token> m_tokens;
  std::vector<JetParameter> m_params;
  const std::vector<std::string>& m_known;
  std::size_t m_numbered = 0;
  std::string m_limit;
  bool m_fromDone = true;
  bool m_bindLiterals;
  int m_listDepth = -1;          // depth of the ORDER BY or GROUP BY list being read, -1 outside
  std::vector<SqlLiteral> m_literals;
};

// A cursor over the solid tokens of a DDL statement.
class DdlReader {
 public:
  explicit DdlReader(const std::vector<Token>& tokens, long errorCode, const char* what)
      : m_errorCode(errorCode), m_what(what) {
    for (const Token& t : tokens)
      if (t.kind != Tok::Space) m_tokens.push_back(t);
  }
  bool AtEnd() const { return m_at >= m_tokens.size(); }
  const Token* Peek() const { return AtEnd() ? nullptr : &m_tokens[m_at]; }
  bool PeekWord(const char* upper) const { return Peek() && IsWord(*Peek(), upper); }
  bool PeekPunct(const char* op) const { return Peek() && IsPunct(*Peek(), op); }
  bool AcceptWord(const char* upper) {
    if (!PeekWord(upper)) return false;
    ++m_at;
    return true;
  }
  bool AcceptPunct(const char* op) {
    if (!PeekPunct(op)) return false;
    ++m_at;
    return true;
  }
  void ExpectWord(const char* upper) {
    if (!AcceptWord(upper)) Error(std::string("expected ") + upper);
  }
  void ExpectPunct(const char* op) {
    if (!AcceptPunct(op)) Error(std::string("expected '") + op + "'");
  }
  std::string Name() {
    if (AtEnd() || (Peek()->kind != Tok::Word && Peek()->kind != Tok::Bracket)) Error("expected a name");
    return m_tokens[m_at++].text;
  }
  const Token& Take() {
    if (AtEnd()) Error("unexpected end");
    return m_tokens[m_at++];
  }
  [[noreturn]] void Error(const std::string& detail) const {
    Fail(m_errorCode, std::string("Syntax error in ") + m_what + " (" + detail + ").");
  }

 private:
  std::vector<Token> m_tokens;
  std::size_t m_at = 0;
  long m_errorCode;
  const char* m_what;
};

constexpr long kErrCreateTableSyntax = 3290;
constexpr long kErrConstraintSyntax = 3289;
constexpr long kErrFieldDefinition = 3292;
constexpr long kErrAlterTableSyntax = 3293;
constexpr long kErrDropSyntax = 3295;
constexpr long kErrCreateIndexSyntax = 3296;

// "(a [ASC|DESC], b ...)"
std::vector<CDaoIndexFieldInfo> ReadIndexFields(DdlReader& reader) {
  std::vector<CDaoIndexFieldInfo> fields;
  reader.ExpectPunct("(");
  do {
    CDaoIndexFieldInfo field;
    field.m_strName = reader.Name().c_str();
    if (reader.AcceptWord("DESC")) field.m_bDescending = TRUE;
    else reader.AcceptWord("ASC");
    fields.push_back(field);
  } while (reader.AcceptPunct(","));
  reader.ExpectPunct(")");
  return fields;
}

void AddIndex(TranslatedSql& result, const std::string& name, bool primary, bool unique,
              std::vector<CDaoIndexFieldInfo> fields) {
  CDaoIndexInfo index;
  index.m_strName = name.c_str();
  index.m_bPrimary = primary;
  index.m_bUnique = unique || primary;
  index.m_bRequired = primary;
  result.indexes.push_back(index);
  result.indexFields.push_back(std::move(fields));
}

// "CONSTRAINT name PRIMARY KEY|UNIQUE (cols)" or "PRIMARY KEY|UNIQUE (cols)" at table level;
// `column` non-empty for the column-level form (no field list).
void ReadConstraint(DdlReader& reader, TranslatedSql& result, const std::string& column) {
  std::string name;
  if (reader.AcceptWord("CONSTRAINT")) name = reader.Name();
  bool primary = false;
  if (reader.AcceptWord("PRIMARY")) {
    reader.ExpectWord("KEY");
    primary = true;
  } else if (!reader.AcceptWord("UNIQUE")) {
    Fail(kErrConstraintSyntax, "Syntax error in CONSTRAINT clause.");
  }
  std::vector<CDaoIndexFieldInfo> fields;
  if (column.empty()) {
    fields = ReadIndexFields(reader);
  } else {
    CDaoIndexFieldInfo field;
    field.m_strName = column.c_str();
    fields.push_back(field);
  }
  if (name.empty()) name = primary ? "PrimaryKey" : (column.empty() ? std::string(fields.front().m_strName) : column);
  AddIndex(result, name, primary, !primary, std::move(fields));
}

CDaoFieldInfo ReadFieldDefinition(DdlReader& reader, TranslatedSql& result) {
  CDaoFieldInfo field;
  std::string name = reader.Name();
  field.m_strName = name.c_str();
  const Token& typeToken = reader.Take();
  bool counter = false;
  short type = JetTypeFromName(typeToken.text, &counter);
  if (type == 0) Fail(kErrFieldDefinition, "Syntax error in field definition (unknown type " + typeToken.text + ").");
  field.m_nType = type;
  field.m_lAttributes = type == dbText ? dbVariableField : dbFixedField;
  // The statement has no way to say it; a text field made by DDL takes "" (a table definition can
  // refuse it).
  field.m_bAllowZeroLength = type == dbText || type == dbMemo;
  if (counter) field.m_lAttributes |= dbAutoIncrField;
  switch (type) {
    case dbText: field.m_lSize = 255; break;
    case dbBoolean:
    case dbByte: field.m_lSize = 1; break;
    case dbInteger: field.m_lSize = 2; break;
    case dbLong:
    case dbSingle: field.m_lSize = 4; break;
    default: field.m_lSize = 8; break;
  }
  if (reader.AcceptPunct("(")) {
    const Token& size = reader.Take();
    if (size.kind != Tok::Number) Fail(kErrFieldDefinition, "Syntax error in field definition (size).");
    if (type == dbText) field.m_lSize = std::atol(size.text.c_str());
    reader.ExpectPunct(")");
    if (type == dbText && (field.m_lSize < 1 || field.m_lSize > 255))
      Fail(kErrFieldDefinition, "Syntax error in field definition (a text size lies between 1 and 255).");
  }
  for (;;) {
    if (reader.AcceptWord("NOT")) {
      reader.ExpectWord("NULL");
      field.m_bRequired = TRUE;
    } else if (reader.AcceptWord("NULL")) {
      field.m_bRequired = FALSE;
    } else if (reader.PeekWord("PRIMARY") || reader.PeekWord("UNIQUE") || reader.PeekWord("CONSTRAINT")) {
      ReadConstraint(reader, result, name);
    } else if (reader.AcceptWord("DEFAULT")) {
      const Token& value = reader.Take();
      if (value.kind == Tok::String) field.m_strDefaultValue = QuoteText(value.text).c_str();
      else if (value.kind == Tok::Punct && value.text == "-") field.m_strDefaultValue = ("-" + reader.Take().text).c_str();
      else field.m_strDefaultValue = value.text.c_str();
    } else if (reader.AcceptWord("WITH")) {
      if (!reader.AcceptWord("COMPRESSION")) reader.ExpectWord("COMP");
    } else {
      break;
    }
  }
  return field;
}

TranslatedSql TranslateCreateTable(const std::vector<Token>& tokens) {
  TranslatedSql result;
  result.kind = StatementKind::CreateTable;
  DdlReader reader(tokens, kErrCreateTableSyntax, "CREATE TABLE statement");
  reader.ExpectWord("CREATE");
  reader.ExpectWord("TABLE");
  result.table = reader.Name();
  reader.ExpectPunct("(");
  do {
    if (reader.PeekWord("CONSTRAINT") || reader.PeekWord("PRIMARY") || reader.PeekWord("UNIQUE")) {
      ReadConstraint(reader, result, std::string());
    } else {
      result.fields.push_back(ReadFieldDefinition(reader, result));
    }
  } while (reader.AcceptPunct(","));
  reader.ExpectPunct(")");
  if (!reader.AtEnd()) reader.Error("text after the field list");
  return result;
}

TranslatedSql TranslateCreateIndex(const std::vector<Token>& tokens) {
  TranslatedSql result;
  result.kind = StatementKind::CreateIndex;
  DdlReader reader(tokens, kErrCreateIndexSyntax, "CREATE INDEX statement");
  reader.ExpectWord("CREATE");
  bool unique = reader.AcceptWord("UNIQUE");
  reader.ExpectWord("INDEX");
  std::string name = reader.Name();
  reader.ExpectWord("ON");
  result.table = reader.Name();
  std::vector<CDaoIndexFieldInfo> fields = ReadIndexFields(reader);
  bool primary = false;
  bool required = false;
  bool ignoreNulls = false;
  if (reader.AcceptWord("WITH")) {
    do {
      if (reader.AcceptWord("PRIMARY")) primary = true;
      else if (reader.AcceptWord("DISALLOW")) { reader.ExpectWord("NULL"); required = true; }
      else if (reader.AcceptWord("IGNORE")) { reader.ExpectWord("NULL"); ignoreNulls = true; }
      else reader.Error("unknown WITH option");
    } while (!reader.AtEnd());
  }
  if (!reader.AtEnd()) reader.Error("text after the field list");
  AddIndex(result, name, primary, unique, std::move(fields));
  result.indexes.back().m_bRequired = required || primary;
  result.indexes.back().m_bIgnoreNulls = ignoreNulls;
  return result;
}

TranslatedSql TranslateDrop(const std::vector<Token>& tokens) {
  TranslatedSql result;
  DdlReader reader(tokens, kErrDropSyntax, "DROP TABLE or DROP INDEX");
  reader.ExpectWord("DROP");
  if (reader.AcceptWord("TABLE")) {
    result.kind = StatementKind::DropTable;
    result.table = reader.Name();
  } else {
    reader.ExpectWord("INDEX");
    result.kind = StatementKind::DropIndex;
    std::string name = reader.Name();
    reader.ExpectWord("ON");
    result.table = reader.Name();
    AddIndex(result, name, false, false, {});
  }
  if (!reader.AtEnd()) reader.Error("text after the name");
  return result;
}

TranslatedSql TranslateAlter(const std::vector<Token>& tokens) {
  TranslatedSql result;
  result.kind = StatementKind::AlterTable;
  DdlReader reader(tokens, kErrAlterTableSyntax, "ALTER TABLE statement");
  reader.ExpectWord("ALTER");
  reader.ExpectWord("TABLE");
  result.table = reader.Name();
  if (reader.AcceptWord("ADD")) {
    if (reader.PeekWord("CONSTRAINT") || reader.PeekWord("PRIMARY") || reader.PeekWord("UNIQUE")) {
      ReadConstraint(reader, result, std::string());
    } else {
      reader.AcceptWord("COLUMN");
      result.fields.push_back(ReadFieldDefinition(reader, result));
    }
  } else {
    reader.ExpectWord("DROP");
    reader.AcceptWord("COLUMN");
    result.dropColumn = reader.Name();
  }
  if (!reader.AtEnd()) reader.Error("text after the definition");
  return result;
}

// "PARAMETERS a Long, [b] Text(20);" at the head of `tokens`: removed, the names returned.
std::vector<JetParameter> TakeParameters(std::vector<Token>& tokens) {
  std::vector<JetParameter> declared;
  std::size_t first = NextSolid(tokens, 0);
  if (first >= tokens.size() || !IsWord(tokens[first], "PARAMETERS")) return declared;
  std::size_t i = first + 1;
  for (;;) {
    i = NextSolid(tokens, i);
    if (i >= tokens.size() || (tokens[i].kind != Tok::Word && tokens[i].kind != Tok::Bracket))
      Fail(kDaoErrSyntaxInExpression, "Syntax error in PARAMETERS declaration.");
    JetParameter param{tokens[i].text, 0};
    i = NextSolid(tokens, i + 1);
    if (i >= tokens.size() || tokens[i].kind != Tok::Word) Fail(kDaoErrSyntaxInExpression, "Syntax error in PARAMETERS declaration.");
    if (!Cp1252EqualNoCase(tokens[i].text, "VALUE")) {
      param.declaredType = JetTypeFromName(tokens[i].text);
      if (param.declaredType == 0) Fail(kDaoErrSyntaxInExpression, "Syntax error in PARAMETERS declaration (type " + tokens[i].text + ").");
    }
    declared.push_back(param);
    i = NextSolid(tokens, i + 1);
    if (i < tokens.size() && IsPunct(tokens[i], "(")) {  // a text size
      while (i < tokens.size() && !IsPunct(tokens[i], ")")) ++i;
      i = NextSolid(tokens, i + 1);
    }
    if (i < tokens.size() && IsPunct(tokens[i], ",")) {
      ++i;
      continue;
    }
    if (i < tokens.size() && IsPunct(tokens[i], ";")) break;
    Fail(kDaoErrSyntaxInExpression, "Syntax error in PARAMETERS declaration: ';' expected.");
  }
  tokens.erase(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  return declared;
}

// Removes blanks and one ";" at the end.
void TrimEnd(std::vector<Token>& tokens) {
  while (!tokens.empty() && tokens.back().kind == Tok::Space) tokens.pop_back();
  if (!tokens.empty() && IsPunct(tokens.back(), ";")) tokens.pop_back();
  while (!tokens.empty() && tokens.back().kind == Tok::Space) tokens.pop_back();
  while (!tokens.empty() && tokens.front().kind == Tok::Space) tokens.erase(tokens.begin());
}

bool MatchClass(std::string_view pattern, std::size_t& p, unsigned char ch) {
  // pattern[p] is just after '['.
  bool negate = p < pattern.size() && pattern[p] == '!';
  if (negate) ++p;
  bool matched = false;
  bool firstInClass = true;
  while (p < pattern.size() && (pattern[p] != ']' || firstInClass)) {
    unsigned char low = Cp1252ToLower(static_cast<unsigned char>(pattern[p]));
    unsigned char high = low;
    if (p + 2 < pattern.size() && pattern[p + 1] == '-' && pattern[p + 2] != ']') {
      high = Cp1252ToLower(static_cast<unsigned char>(pattern[p + 2]));
      p += 2;
    }
    if (ch >= low && ch <= high) matched = true;
    ++p;
    firstInClass = false;
  }
  ++p;  // the ']'
  return matched != negate;
}

}  // namespace

short JetTypeFromName(std::string_view name, bool* counter) {
  if (counter) *counter = false;
  std::string upper = Upper(name);
  static const std::map<std::string, short> types = {
      {"TEXT", dbText},          {"CHAR", dbText},         {"VARCHAR", dbText},     {"STRING", dbText},
      {"ALPHANUMERIC", dbText},  {"CHARACTER", dbText},    {"NCHAR", dbText},       {"NVARCHAR", dbText},
      {"MEMO", dbMemo},          {"LONGTEXT", dbMemo},     {"LONGCHAR", dbMemo},    {"NOTE", dbMemo},
      {"NTEXT", dbMemo},         {"LONG", dbLong},         {"INTEGER", dbLong},     {"INT", dbLong},
      {"INTEGER4", dbLong},      {"SHORT", dbInteger},     {"SMALLINT", dbInteger}, {"INTEGER2", dbInteger},
      {"BYTE", dbByte},          {"TINYINT", dbByte},      {"INTEGER1", dbByte},    {"DOUBLE", dbDouble},
      {"FLOAT", dbDouble},       {"FLOAT8", dbDouble},     {"NUMBER", dbDouble},    {"IEEEDOUBLE", dbDouble},
      {"NUMERIC", dbDouble},     {"SINGLE", dbSingle},     {"REAL", dbSingle},      {"FLOAT4", dbSingle},
      {"IEEESINGLE", dbSingle},  {"DATETIME", dbDate},     {"DATE", dbDate},        {"TIME", dbDate},
      {"TIMESTAMP", dbDate},     {"BIT", dbBoolean},       {"YESNO", dbBoolean},    {"LOGICAL", dbBoolean},
      {"LOGICAL1", dbBoolean},   {"BOOLEAN", dbBoolean},   {"CURRENCY", dbCurrency}, {"MONEY", dbCurrency},
      {"LONGBINARY", dbLongBinary}, {"OLEOBJECT", dbLongBinary}, {"GENERAL", dbLongBinary},
      {"BINARY", dbLongBinary},  {"VARBINARY", dbLongBinary}, {"IMAGE", dbLongBinary},
  };
  if (upper == "COUNTER" || upper == "AUTOINCREMENT") {
    if (counter) *counter = true;
    return dbLong;
  }
  auto found = types.find(upper);
  return found == types.end() ? 0 : found->second;
}

TranslatedSql TranslateJetSql(std::string_view jetSql, const std::vector<std::string>& knownParameters,
                              bool bindLiterals) {
  if (jetSql.find(kLiteralMark) != std::string_view::npos) bindLiterals = false;
  std::vector<Token> tokens = Tokenize(jetSql);
  TrimEnd(tokens);
  std::vector<JetParameter> declared = TakeParameters(tokens);
  TrimEnd(tokens);
  if (tokens.empty()) Fail(kDaoErrInvalidSql, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
  std::string head = tokens.front().kind == Tok::Word ? Upper(tokens.front().text) : std::string();
  TranslatedSql result;
  if (head == "CREATE") {
    std::size_t second = NextSolid(tokens, 1);
    bool table = second < tokens.size() && IsWord(tokens[second], "TABLE");
    result = table ? TranslateCreateTable(tokens) : TranslateCreateIndex(tokens);
  } else if (head == "DROP") {
    result = TranslateDrop(tokens);
  } else if (head == "ALTER") {
    result = TranslateAlter(tokens);
  } else {
    StatementKind kind;
    if (head == "SELECT" || (tokens.front().kind == Tok::Punct && tokens.front().text == "(")) kind = StatementKind::Select;
    else if (head == "INSERT") kind = StatementKind::Insert;
    else if (head == "UPDATE") kind = StatementKind::Update;
    else if (head == "DELETE") kind = StatementKind::Delete;
    else Fail(kDaoErrInvalidSql, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
    DmlTranslator translator(std::move(tokens), std::move(declared), knownParameters, bindLiterals);
    result = translator.Run(kind);
    result.sql = Cp1252ToUtf8(result.sql);
    return result;
  }
  if (!declared.empty()) Fail(kDaoErrInvalidSql, "PARAMETERS before a data-definition statement.");
  return result;
}

namespace {

// The text order of single 1252 characters, worked out once.
struct CharacterOrder {
  // The byte a character reads back as once it went through the database as UTF-8 (bytes the code
  // page leaves undefined come back as '?').
  std::array<unsigned char, 256> stored{};
  // Where a character falls in the text order: its stored byte folded to lower case.
  std::array<unsigned char, 256> key{};
  // For each place: a character of the first place after it (the lower-case one of a pair); 0 after
  // the last.
  std::array<unsigned char, 256> next{};

  CharacterOrder() {
    for (int k = 0; k < 256; ++k) {
      std::string back = Utf8ToCp1252(Cp1252ToUtf8(std::string(1, static_cast<char>(k))));
      stored[k] = back.size() == 1 ? static_cast<unsigned char>(back[0]) : '?';
      key[k] = Cp1252ToLower(stored[k]);
    }
    for (int place = 0; place < 256; ++place) {
      for (int byte = 1; byte < 256; ++byte) {
        unsigned char candidate = key[byte];
        if (candidate <= place) continue;
        if (next[place] == 0 || candidate < key[next[place]] || (candidate == key[next[place]] && candidate == byte))
          next[place] = static_cast<unsigned char>(byte);
      }
    }
  }
};

const CharacterOrder& Order() {
  static const CharacterOrder order;
  return order;
}

// Whether SQLite would turn the text into a number when a number column meets it.
bool ReadsAsNumber(std::string_view text) {
  bool digit = false;
  for (unsigned char ch : text) {
    if (std::isdigit(ch)) digit = true;
    else if (!std::isspace(ch) && !std::strchr("+-.eE", ch)) return false;
  }
  return digit;
}

}  // namespace

std::string JetSqlShape(std::string_view jetSql, std::vector<SqlLiteral>* literals) {
  literals->clear();
  std::vector<Token> tokens = Tokenize(jetSql);
  std::string shape;
  for (const Token& t : tokens) {
    switch (t.kind) {
      case Tok::Date: return std::string();
      case Tok::String: {
        // A text that could be a Like pattern with a range shapes the statement (see Like below).
        std::string low, high;
        shape += JetLikePrefixRange(t.text, &low, &high) ? "\x01p" : "\x01t";
        literals->push_back(SqlLiteral{SqlLiteral::Text, 0, 0, Cp1252ToUtf8(t.text)});
        break;
      }
      case Tok::Number:
        if (t.text.find_first_of(".eE") == std::string::npos && t.text.size() < 16) {
          shape += "\x01i";
          literals->push_back(SqlLiteral{SqlLiteral::Integer, std::stoll(t.text), 0, {}});
        } else {
          shape += "\x01r";
          literals->push_back(SqlLiteral{SqlLiteral::Real, 0, std::strtod(t.text.c_str(), nullptr), {}});
        }
        break;
      case Tok::Bracket: shape += "[" + t.text + "]"; break;
      case Tok::Space: shape += ' '; break;
      default: shape += t.text; break;
    }
  }
  return shape;
}

bool JetLikePrefixRange(std::string_view pattern, std::string* low, std::string* high) {
  std::string prefix;
  for (char ch : pattern) {
    unsigned char byte = static_cast<unsigned char>(ch);
    if (std::strchr("*?#[", ch) || byte == 0 || Order().stored[byte] != byte) break;
    prefix += ch;
  }
  for (std::size_t kept = prefix.size(); kept > 0; --kept) {
    unsigned char next = Order().next[Order().key[static_cast<unsigned char>(prefix[kept - 1])]];
    if (next == 0) continue;
    *low = prefix;
    *high = prefix.substr(0, kept - 1) + static_cast<char>(next);
    return !ReadsAsNumber(*low) && !ReadsAsNumber(*high);
  }
  return false;
}

bool JetLikeMatch(std::string_view text, std::string_view pattern) {
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t starPattern = std::string_view::npos;
  std::size_t starText = 0;
  while (t < text.size()) {
    unsigned char ch = Cp1252ToLower(static_cast<unsigned char>(text[t]));
    if (p < pattern.size()) {
      char pc = pattern[p];
      if (pc == '*') {
        starPattern = ++p;
        starText = t;
        continue;
      }
      if (pc == '?') {
        ++p;
        ++t;
        continue;
      }
      if (pc == '#') {
        if (std::isdigit(static_cast<unsigned char>(text[t]))) {
          ++p;
          ++t;
          continue;
        }
      } else if (pc == '[' && pattern.find(']', p + 2) != std::string_view::npos) {
        std::size_t q = p + 1;
        if (MatchClass(pattern, q, ch)) {
          p = q;
          ++t;
          continue;
        }
      } else if (Cp1252ToLower(static_cast<unsigned char>(pc)) == ch) {
        ++p;
        ++t;
        continue;
      }
    }
    if (starPattern == std::string_view::npos) return false;
    p = starPattern;
    t = ++starText;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace qh::dao
