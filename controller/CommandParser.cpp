#include "controller/CommandParser.h"

#include "platform/core/CrtNumbers.h"

namespace {

// Character classes of the C locale, on bytes: a byte above 127 is neither a letter nor printable.
bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsPrint(unsigned char c) { return c >= 0x20 && c < 0x7F; }
bool IsAlpha(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(unsigned char c) { return IsAlpha(c) || IsDigit(c); }

enum class TokenClass { Name, Number, String, Other };

TokenClass Classify(const std::string& token) {
  auto first = static_cast<unsigned char>(token[0]);
  if (IsAlpha(first) || first == '_') return TokenClass::Name;
  if (IsDigit(first) || first == '+' || first == '-') return TokenClass::Number;
  if (first == '\'') return TokenClass::String;
  return TokenClass::Other;
}

std::unique_ptr<CStatementNode> NameNode(const std::string& token) {
  auto node = std::make_unique<CStatementNode>();
  node->m_kind = NODE_NAME;
  node->m_name = CString(token.c_str(), static_cast<int>(token.size()));
  return node;
}

std::unique_ptr<CStatementNode> LiteralNode(const std::string& token) {
  auto node = std::make_unique<CStatementNode>();
  node->m_kind = NODE_LITERAL;
  if (Classify(token) == TokenClass::String) {
    std::string inner = token.substr(1, token.size() - 2);
    node->m_value.SetString(CString(inner.c_str(), static_cast<int>(inner.size())));
  } else if (token.find('.') != std::string::npos) {
    node->m_value.SetR8(qh_atof(token.c_str()));
  } else {
    node->m_value.SetI4(qh_atol(token.c_str()));
  }
  return node;
}

// A name token gives a name node; a number or string token a literal.
std::unique_ptr<CStatementNode> OperandNode(const std::string& token) {
  return Classify(token) == TokenClass::Name ? NameNode(token) : LiteralNode(token);
}

}  // namespace

int CCommandParser::GetStatementTokens(const CString& text, size_t& offset, std::vector<std::string>& tokens) {
  enum class State { Start, Word, Quoted };
  std::string_view view = text.view();
  State state = State::Start;
  std::string current;
  size_t first = tokens.size();
  bool tooBig = false;
  auto finish = [&](std::string token) {
    if (tokens.size() - first >= kMaxTokens || token.size() > kMaxTokenLength)
      tooBig = true;
    else
      tokens.push_back(std::move(token));
  };
  size_t i = offset;
  while (i < view.size()) {
    auto c = static_cast<unsigned char>(view[i]);
    if (state == State::Word) {
      if (IsAlnum(c) || c == '.' || c == '_') {
        current += static_cast<char>(c);
        ++i;
        continue;
      }
      finish(std::move(current));
      current.clear();
      state = State::Start;
      continue;  // the same character again, in the start state
    }
    if (state == State::Quoted) {
      current += static_cast<char>(c);
      ++i;
      if (c == '\'') {
        if (i < view.size() && view[i] == '\'') {
          ++i;  // a doubled quote is one quote character
        } else {
          finish(std::move(current));
          current.clear();
          state = State::Start;
        }
      }
      if (current.size() > kMaxTokenLength) tooBig = true;
      continue;
    }
    ++i;
    if (IsSpace(c) || !IsPrint(c)) continue;
    if (IsAlnum(c) || c == '_' || c == '+' || c == '-') {
      current = static_cast<char>(c);
      state = State::Word;
    } else if (c == '\'') {
      current = '\'';
      state = State::Quoted;
    } else if (c == ';') {
      offset = i;
      if (tooBig) {
        tokens.resize(first);
        return -1;
      }
      return static_cast<int>(tokens.size() - first);
    } else {
      finish(std::string(1, static_cast<char>(c)));
    }
  }
  if (state == State::Word) finish(std::move(current));  // an open quote is dropped
  offset = view.size();
  if (tooBig) {
    tokens.resize(first);
    return -1;
  }
  return static_cast<int>(tokens.size() - first);
}

std::unique_ptr<CStatementNode> CCommandParser::ParseStatement(const CString& text, size_t& offset) {
  std::vector<std::string> tokens;
  if (GetStatementTokens(text, offset, tokens) < 0) return nullptr;
  std::unique_ptr<CStatementNode> head, root;
  CStatementNode* valueNode = nullptr;
  int state = 0;
  for (const std::string& token : tokens) {
    TokenClass kind = Classify(token);
    bool operand = kind == TokenClass::Name || kind == TokenClass::Number;
    switch (state) {
      case 0:
        if (kind != TokenClass::Name) return nullptr;
        head = NameNode(token);
        state = 1;
        break;
      case 1:
        if (token == "=") {
          root = std::make_unique<CStatementNode>();
          root->m_kind = NODE_ASSIGNMENT;
          root->m_left = std::move(head);
          state = 6;
        } else if (token == "(") {
          root = std::make_unique<CStatementNode>();
          root->m_kind = NODE_CALL;
          root->m_left = std::move(head);
          state = 7;
        } else if (token == "[" && head->m_kind == NODE_NAME) {
          state = 2;
        } else {
          return nullptr;
        }
        break;
      case 2:
        if (!operand) return nullptr;
        head->m_kind = NODE_ELEMENT;
        head->m_right = OperandNode(token);
        state = 4;
        break;
      case 4:
        if (token != "]") return nullptr;
        state = 1;
        break;
      case 6:
        if (kind == TokenClass::Name) {
          root->m_right = NameNode(token);
          valueNode = root->m_right.get();
          state = 10;
        } else if (kind == TokenClass::Number || kind == TokenClass::String) {
          root->m_right = LiteralNode(token);
          state = 9;
        } else {
          return nullptr;
        }
        break;
      case 10:
        if (token != "[") return nullptr;
        state = 3;
        break;
      case 3:
        if (!operand) return nullptr;
        valueNode->m_kind = NODE_ELEMENT;
        valueNode->m_right = OperandNode(token);
        state = 5;
        break;
      case 5:
        if (token != "]") return nullptr;
        state = 9;
        break;
      case 7:
        // "F()" is a call without arguments (SYSNEXTPAGE() clears the next page).
        if (token == ")" && root->m_arguments.empty()) {
          state = 9;
          break;
        }
        if (kind == TokenClass::Other) return nullptr;
        root->m_arguments.push_back(OperandNode(token));
        state = 8;
        break;
      case 8:
        if (token == ",")
          state = 7;
        else if (token == ")")
          state = 9;
        else
          return nullptr;
        break;
      default:
        return nullptr;
    }
  }
  return root;
}
