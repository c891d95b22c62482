// A jukebox's answer to an upload request: the actionResponse document's name, return code, return
// message and arguments by name (names compared without case).
#pragma once

#include <map>

#include "platform/core/CString.h"

class tActionResponse {
 public:
  // 0 when the text is a well-formed document holding an actionResponse element; non-zero otherwise.
  // Whatever an earlier reply left is cleared first.
  int Parse(const CString& replyText);
  bool FindArgument(const CString& name, CString& value) const;

  CString actionName;
  LONG actionReturnCode = 0;
  CString actionReturnMsg;

 private:
  struct NoCaseLess {
    bool operator()(const CString& a, const CString& b) const { return a.CompareNoCase(b) < 0; }
  };
  std::map<CString, CString, NoCaseLess> m_arguments;
};
