// Statement texts of any bytes: the tokenizer and parser must end, stay within their limits and
// build only the tree shapes the executor knows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "controller/CommandParser.h"

namespace {

void Check(const CStatementNode& node, int depth) {
  if (depth > 3) std::abort();  // the grammar is flat: call/assignment, element, index
  if (node.m_kind < NODE_NAME || node.m_kind > NODE_LITERAL) std::abort();
  if (node.m_arguments.size() > CCommandParser::kMaxTokens) std::abort();
  if (node.m_left) Check(*node.m_left, depth + 1);
  if (node.m_right) Check(*node.m_right, depth + 1);
  for (const auto& argument : node.m_arguments) Check(*argument, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CString text(reinterpret_cast<const char*>(data), static_cast<int>(size));
  size_t offset = 0;
  while (offset < static_cast<size_t>(text.GetLength())) {
    size_t before = offset;
    auto statement = CCommandParser::ParseStatement(text, offset);
    if (offset <= before || offset > static_cast<size_t>(text.GetLength())) std::abort();
    if (!statement) break;
    if (statement->m_kind != NODE_ASSIGNMENT && statement->m_kind != NODE_CALL) std::abort();
    Check(*statement, 0);
  }
  return 0;
}
