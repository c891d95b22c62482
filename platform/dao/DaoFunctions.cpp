// The engine's text collation, Like and functions, registered on every connection.
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/core/Cp1252.h"
#include "platform/core/DateTime.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/JetSql.h"

namespace qh::dao {
namespace {

// Reads one character of UTF-8 text as its 1252 byte ('?' for characters the code page lacks and
// for malformed bytes); advances `i`.
unsigned char NextCp1252(const unsigned char* text, int length, int& i) {
  unsigned char lead = text[i];
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t codePoint = lead & (0x3F >> extra);
  ++i;
  for (int k = 0; k < extra; ++k) {
    if (i >= length || (text[i] & 0xC0) != 0x80) return '?';
    codePoint = (codePoint << 6) | (text[i++] & 0x3F);
  }
  if (extra == 0) return '?';
  unsigned char byte = '?';
  return CodePointToCp1252(codePoint, &byte) ? byte : static_cast<unsigned char>('?');
}

// Cp1252ToLower of every byte, for the comparisons every index lookup, sort and grouping makes.
const std::array<unsigned char, 256>& LowerCase() {
  static const std::array<unsigned char, 256> lower = [] {
    std::array<unsigned char, 256> table{};
    for (int byte = 0; byte < 256; ++byte) table[byte] = Cp1252ToLower(static_cast<unsigned char>(byte));
    return table;
  }();
  return lower;
}

// The text order of every text column: 1252 letters folded to lower case, then byte order.
int CompareNoCase1252(void*, int lengthA, const void* a, int lengthB, const void* b) {
  const auto* textA = static_cast<const unsigned char*>(a);
  const auto* textB = static_cast<const unsigned char*>(b);
  const std::array<unsigned char, 256>& lower = LowerCase();
  int i = 0;
  int j = 0;
  while (i < lengthA && j < lengthB) {
    unsigned char ca = textA[i];
    unsigned char cb = textB[j];
    if ((ca | cb) < 0x80) {  // plain ASCII on both sides: one byte each
      ++i;
      ++j;
    } else {
      ca = NextCp1252(textA, lengthA, i);
      cb = NextCp1252(textB, lengthB, j);
    }
    ca = lower[ca];
    cb = lower[cb];
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < lengthA) return 1;
  if (j < lengthB) return -1;
  return 0;
}

std::string TextArg(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  int length = sqlite3_value_bytes(value);
  std::string_view utf8(reinterpret_cast<const char*>(text ? text : reinterpret_cast<const unsigned char*>("")),
                        static_cast<std::size_t>(length));
  for (unsigned char ch : utf8)
    if (ch >= 0x80) return Utf8ToCp1252(utf8);
  return std::string(utf8);
}

void ResultText(sqlite3_context* context, const std::string& text1252) {
  std::string utf8 = Cp1252ToUtf8(text1252);
  sqlite3_result_text(context, utf8.c_str(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

bool AnyNull(int argc, sqlite3_value** argv) {
  for (int k = 0; k < argc; ++k)
    if (sqlite3_value_type(argv[k]) == SQLITE_NULL) return true;
  return false;
}

// The text of an argument in 1252 without a copy when it is plain ASCII (the common case);
// `storage` holds the converted text otherwise.
std::string_view TextView(sqlite3_value* value, std::string& storage) {
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  std::string_view utf8(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
  for (unsigned char ch : utf8) {
    if (ch >= 0x80) {
      storage = Utf8ToCp1252(utf8);
      return storage;
    }
  }
  return utf8;
}

void FreePattern(void* pattern) { delete static_cast<std::string*>(pattern); }

void Like(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) {
    sqlite3_result_null(context);
    return;
  }
  // The pattern is the same for every row of a statement: converted once and kept with it.
  auto* pattern = static_cast<std::string*>(sqlite3_get_auxdata(context, 0));
  if (!pattern) {
    pattern = new std::string(TextArg(argv[0]));
    sqlite3_set_auxdata(context, 0, pattern, FreePattern);
    pattern = static_cast<std::string*>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {  // not kept (out of memory): match with a copy of our own
      std::string storage;
      sqlite3_result_int(context, JetLikeMatch(TextView(argv[1], storage), TextArg(argv[0])) ? 1 : 0);
      return;
    }
  }
  std::string storage;
  sqlite3_result_int(context, JetLikeMatch(TextView(argv[1], storage), *pattern) ? 1 : 0);
}

void UCase(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = TextArg(argv[0]);
  Cp1252MakeUpper(text);
  ResultText(context, text);
}

void LCase(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = TextArg(argv[0]);
  Cp1252MakeLower(text);
  ResultText(context, text);
}

long long Count(sqlite3_value* value) {
  long long count = sqlite3_value_int64(value);
  return count < 0 ? 0 : count;
}

void Left(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = TextArg(argv[0]);
  ResultText(context, text.substr(0, static_cast<std::size_t>(std::min<long long>(Count(argv[1]), static_cast<long long>(text.size())))));
}

void Right(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = TextArg(argv[0]);
  std::size_t keep = static_cast<std::size_t>(std::min<long long>(Count(argv[1]), static_cast<long long>(text.size())));
  ResultText(context, text.substr(text.size() - keep));
}

void Mid(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = TextArg(argv[0]);
  long long start = sqlite3_value_int64(argv[1]);
  if (start < 1) return sqlite3_result_error(context, "Invalid procedure call (Mid start below 1)", -1);
  if (static_cast<std::size_t>(start) > text.size()) return ResultText(context, std::string());
  std::size_t count = argc > 2 ? static_cast<std::size_t>(Count(argv[2])) : std::string::npos;
  ResultText(context, text.substr(static_cast<std::size_t>(start - 1), count));
}

void Len(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  sqlite3_result_int64(context, static_cast<long long>(TextArg(argv[0]).size()));
}

bool Truth(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL: return false;
    case SQLITE_INTEGER: return sqlite3_value_int64(value) != 0;
    case SQLITE_FLOAT: return sqlite3_value_double(value) != 0.0;
    default: {
      std::string text = TextArg(value);
      if (Cp1252EqualNoCase(text, "True")) return true;
      return std::strtod(text.c_str(), nullptr) != 0.0;
    }
  }
}

void IIf(sqlite3_context* context, int, sqlite3_value** argv) { sqlite3_result_value(context, Truth(argv[0]) ? argv[1] : argv[2]); }

void Nz(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_NULL) return sqlite3_result_value(context, argv[0]);
  if (argc > 1) return sqlite3_result_value(context, argv[1]);
  sqlite3_result_text(context, "", 0, SQLITE_STATIC);
}

void Now(sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_double(context, COleDateTime::GetCurrentTime().m_dt); }

void Today(sqlite3_context* context, int, sqlite3_value**) {
  sqlite3_result_double(context, std::floor(COleDateTime::GetCurrentTime().m_dt));
}

void TimeOfDay(sqlite3_context* context, int, sqlite3_value**) {
  double now = COleDateTime::GetCurrentTime().m_dt;
  sqlite3_result_double(context, now - std::floor(now));
}

// A date argument: an OLE date number, or a text the date parser reads.
bool DateArg(sqlite3_value* value, COleDateTime& date) {
  if (sqlite3_value_type(value) == SQLITE_NULL) return false;
  if (sqlite3_value_type(value) == SQLITE_TEXT) {
    return date.ParseDateTime(TextArg(value).c_str()) && date.GetStatus() == COleDateTime::valid;
  }
  date = COleDateTime(sqlite3_value_double(value));
  return date.GetStatus() == COleDateTime::valid;
}

template <int (COleDateTime::*Part)() const>
void DatePart(sqlite3_context* context, int, sqlite3_value** argv) {
  COleDateTime date;
  if (!DateArg(argv[0], date)) return sqlite3_result_null(context);
  sqlite3_result_int(context, (date.*Part)());
}

void DateSerial(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  COleDateTime date;
  int year = sqlite3_value_int(argv[0]);
  int month = sqlite3_value_int(argv[1]);
  // Months beyond 1-12 roll into the neighbouring years; days beyond the month roll on.
  year += (month - 1) >= 0 ? (month - 1) / 12 : -((12 - month) / 12);
  month = ((month - 1) % 12 + 12) % 12 + 1;
  if (date.SetDate(year, month, 1) != 0) return sqlite3_result_null(context);
  sqlite3_result_double(context, date.m_dt + sqlite3_value_int(argv[2]) - 1);
}

void Format(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(context);
  std::string pattern = argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL ? TextArg(argv[1]) : std::string();
  if (pattern.empty()) return ResultText(context, TextArg(argv[0]));
  COleDateTime date;
  bool looksDate = pattern.find_first_of("ymdhns") != std::string::npos;
  if (looksDate && DateArg(argv[0], date)) {
    // The engine's date tokens into strftime ones.
    std::string strf;
    for (std::size_t i = 0; i < pattern.size();) {
      auto run = [&](char ch) {
        std::size_t n = 0;
        while (i + n < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + n])) == ch) ++n;
        return n;
      };
      char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
      std::size_t n = (ch == 'y' || ch == 'm' || ch == 'd' || ch == 'h' || ch == 'n' || ch == 's') ? run(ch) : 0;
      if (ch == 'y') strf += n >= 4 ? "%Y" : "%y";
      else if (ch == 'm') strf += n >= 4 ? "%B" : n == 3 ? "%b" : n == 2 ? "%m" : "%#m";
      else if (ch == 'd') strf += n >= 4 ? "%A" : n == 3 ? "%a" : n == 2 ? "%d" : "%#d";
      else if (ch == 'h') strf += n >= 2 ? "%H" : "%#H";
      else if (ch == 'n') strf += "%M";
      else if (ch == 's') strf += "%S";
      else {
        strf += pattern[i] == '%' ? std::string("%%") : std::string(1, pattern[i]);
        n = 1;
      }
      i += n;
    }
    return ResultText(context, std::string(date.Format(strf.c_str())));
  }
  // Numbers: the digits after the point in the pattern.
  std::size_t point = pattern.find('.');
  int decimals = point == std::string::npos ? 0 : static_cast<int>(pattern.size() - point - 1);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, sqlite3_value_double(argv[0]));
  ResultText(context, buffer);
}

void Val(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = TextArg(argv[0]);
  std::string digits;
  for (char ch : text)
    if (ch != ' ' && ch != '\t') digits += ch;
  double value = std::strtod(digits.c_str(), nullptr);
  if (value == std::floor(value) && std::fabs(value) < 9.0e15) sqlite3_result_int64(context, static_cast<long long>(value));
  else sqlite3_result_double(context, value);
}

std::string NumberText(sqlite3_value* value) {
  char buffer[64];
  if (sqlite3_value_type(value) == SQLITE_INTEGER) std::snprintf(buffer, sizeof buffer, "%lld", sqlite3_value_int64(value));
  else std::snprintf(buffer, sizeof buffer, "%.15g", sqlite3_value_double(value));
  return buffer;
}

void Str(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = NumberText(argv[0]);
  if (text[0] != '-') text = " " + text;  // room for the sign, as the engine's Str leaves it
  ResultText(context, text);
}

void CStr(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) return sqlite3_result_value(context, argv[0]);
  ResultText(context, NumberText(argv[0]));
}

template <int Sides>  // 1 left, 2 right, 3 both
void Trim(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  std::string text = TextArg(argv[0]);
  std::size_t begin = 0;
  std::size_t end = text.size();
  if (Sides & 1)
    while (begin < end && text[begin] == ' ') ++begin;
  if (Sides & 2)
    while (end > begin && text[end - 1] == ' ') --end;
  ResultText(context, text.substr(begin, end - begin));
}

void InStr(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  int first = 0;
  long long start = 1;
  if (argc == 3) {
    start = sqlite3_value_int64(argv[0]);
    first = 1;
  }
  std::string text = TextArg(argv[first]);
  std::string sought = TextArg(argv[first + 1]);
  Cp1252MakeLower(text);
  Cp1252MakeLower(sought);
  if (start < 1) return sqlite3_result_error(context, "Invalid procedure call (InStr start below 1)", -1);
  std::size_t found = text.find(sought, static_cast<std::size_t>(start - 1));
  sqlite3_result_int64(context, found == std::string::npos ? 0 : static_cast<long long>(found) + 1);
}

double NumberArg(sqlite3_value* value) {
  if (sqlite3_value_type(value) == SQLITE_TEXT) return std::strtod(TextArg(value).c_str(), nullptr);
  return sqlite3_value_double(value);
}

void CLng(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  double value = std::nearbyint(NumberArg(argv[0]));
  if (value < -2147483648.0 || value > 2147483647.0) return sqlite3_result_error(context, "Overflow (CLng)", -1);
  sqlite3_result_int64(context, static_cast<long long>(value));
}

void CInt(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  double value = std::nearbyint(NumberArg(argv[0]));
  if (value < -32768.0 || value > 32767.0) return sqlite3_result_error(context, "Overflow (CInt)", -1);
  sqlite3_result_int64(context, static_cast<long long>(value));
}

void CDbl(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  sqlite3_result_double(context, NumberArg(argv[0]));
}

void CDate(sqlite3_context* context, int argc, sqlite3_value** argv) {
  COleDateTime date;
  if (argc < 1 || !DateArg(argv[0], date)) return sqlite3_result_null(context);
  sqlite3_result_double(context, date.m_dt);
}

template <double (*Round)(double)>
void WholePart(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return sqlite3_result_value(context, argv[0]);
  double value = Round(NumberArg(argv[0]));
  if (std::fabs(value) < 9.0e15) sqlite3_result_int64(context, static_cast<long long>(value));
  else sqlite3_result_double(context, value);
}

double Floor(double value) { return std::floor(value); }
double Truncate(double value) { return std::trunc(value); }

void Sgn(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  double value = NumberArg(argv[0]);
  sqlite3_result_int(context, value > 0 ? 1 : value < 0 ? -1 : 0);
}

void Space(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(context);
  long long count = Count(argv[0]);
  if (count > 65535) return sqlite3_result_error(context, "Invalid procedure call (Space)", -1);
  ResultText(context, std::string(static_cast<std::size_t>(count), ' '));
}

void IsNullFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  sqlite3_result_int(context, sqlite3_value_type(argv[0]) == SQLITE_NULL ? -1 : 0);
}

// First and Last: the value of the first (last) row of the group.
struct Kept {
  sqlite3_value* value;
};

void FirstStep(sqlite3_context* context, int, sqlite3_value** argv) {
  auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, sizeof(Kept)));
  if (kept && !kept->value) kept->value = sqlite3_value_dup(argv[0]);
}

void LastStep(sqlite3_context* context, int, sqlite3_value** argv) {
  auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, sizeof(Kept)));
  if (!kept) return;
  sqlite3_value_free(kept->value);
  kept->value = sqlite3_value_dup(argv[0]);
}

void KeptFinal(sqlite3_context* context) {
  auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, 0));
  if (!kept || !kept->value) return sqlite3_result_null(context);
  sqlite3_result_value(context, kept->value);
  sqlite3_value_free(kept->value);
  kept->value = nullptr;
}

struct Function {
  const char* name;
  int args;
  void (*call)(sqlite3_context*, int, sqlite3_value**);
  bool deterministic;
};

}  // namespace

void RegisterJetFunctions(sqlite3* db) {
  sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, CompareNoCase1252, nullptr);
  static const Function functions[] = {
      {"like", 2, Like, true},          {"like", 3, Like, true},           {"jet_ucase", 1, UCase, true},
      {"jet_lcase", 1, LCase, true},    {"jet_left", 2, Left, true},       {"jet_right", 2, Right, true},
      {"jet_mid", 2, Mid, true},        {"jet_mid", 3, Mid, true},         {"jet_len", 1, Len, true},
      {"jet_iif", 3, IIf, true},        {"jet_nz", 1, Nz, true},           {"jet_nz", 2, Nz, true},
      {"jet_now", 0, Now, false},       {"jet_date", 0, Today, false},     {"jet_time", 0, TimeOfDay, false},
      {"jet_year", 1, DatePart<&COleDateTime::GetYear>, true},
      {"jet_month", 1, DatePart<&COleDateTime::GetMonth>, true},
      {"jet_day", 1, DatePart<&COleDateTime::GetDay>, true},
      {"jet_hour", 1, DatePart<&COleDateTime::GetHour>, true},
      {"jet_minute", 1, DatePart<&COleDateTime::GetMinute>, true},
      {"jet_second", 1, DatePart<&COleDateTime::GetSecond>, true},
      {"jet_dateserial", 3, DateSerial, true},
      {"jet_format", 1, Format, true},  {"jet_format", 2, Format, true},   {"jet_val", 1, Val, true},
      {"jet_str", 1, Str, true},        {"jet_trim", 1, Trim<3>, true},    {"jet_ltrim", 1, Trim<1>, true},
      {"jet_rtrim", 1, Trim<2>, true},  {"jet_instr", 2, InStr, true},     {"jet_instr", 3, InStr, true},
      {"jet_cstr", 1, CStr, true},      {"jet_clng", 1, CLng, true},       {"jet_cint", 1, CInt, true},
      {"jet_cdbl", 1, CDbl, true},      {"jet_cdate", 1, CDate, true},     {"jet_int", 1, WholePart<Floor>, true},
      {"jet_fix", 1, WholePart<Truncate>, true}, {"jet_sgn", 1, Sgn, true}, {"jet_space", 1, Space, true},
      {"jet_isnull", 1, IsNullFunction, true},
  };
  for (const Function& f : functions) {
    int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.call, nullptr, nullptr, nullptr);
  }
  sqlite3_create_function_v2(db, "jet_first", 1, SQLITE_UTF8, nullptr, nullptr, FirstStep, KeptFinal, nullptr);
  sqlite3_create_function_v2(db, "jet_last", 1, SQLITE_UTF8, nullptr, nullptr, LastStep, KeptFinal, nullptr);
}

}  // namespace qh::dao
