// The controller's statement language: a text holds statements ended by ";", each an assignment
// (NAME = value, NAME[index] = value) or a command call (NAME(arg, ...)). The tokenizer cuts the
// tokens of one statement; the parser builds its tree. Both are bounded: a statement of more than
// kMaxTokens tokens or a token longer than kMaxTokenLength characters is refused as a syntax error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "netlib/ValueNode.h"
#include "platform/core/CString.h"

enum : LONG { NODE_NAME = 0, NODE_ELEMENT = 1, NODE_ASSIGNMENT = 2, NODE_CALL = 3, NODE_LITERAL = 4 };

struct CStatementNode {
  char m_tag[4] = {'P', 'C', 'M', '1'};
  LONG m_kind = NODE_NAME;
  std::unique_ptr<CStatementNode> m_left;   // assignment: the target; call: the command name
  std::unique_ptr<CStatementNode> m_right;  // assignment: the value; element: the index
  CString m_name;
  CValueNode m_value;  // literals
  std::vector<std::unique_ptr<CStatementNode>> m_arguments;
  char m_endTag[4] = {'P', 'C', 'M', '9'};
};

class CCommandParser {
 public:
  static constexpr size_t kMaxTokens = 512;
  static constexpr size_t kMaxTokenLength = 65536;

  // Appends the tokens of one statement from `offset`; `offset` ends after its ";" or at the text's
  // end. The number of tokens, or -1 when the statement is over the limits (its tokens are dropped).
  static int GetStatementTokens(const CString& text, size_t& offset, std::vector<std::string>& tokens);
  // One statement tree (an assignment or a call), or null for a syntax error or no statement.
  static std::unique_ptr<CStatementNode> ParseStatement(const CString& text, size_t& offset);
};
