// What the readers of the jukebox's own XML files (project file, own device definition, start-up
// action file) share: walking an element's direct children by upper-cased name, and the keyword test
// by which a child whose name only begins with a keyword counts as that keyword.
#pragma once

#include <initializer_list>

#include "platform/core/CString.h"
#include "platform/xml/XmlDom.h"

namespace definition_xml {

// Calls `visit(upperName, child)` for every direct child of `parent`, text and comment nodes included
// ("#TEXT", "#COMMENT"), in document order.
template <class Visit>
void ForEachChild(const IXMLDOMNode& parent, Visit visit) {
  IXMLDOMNodeList children = parent.childNodes();
  for (long i = 0; i < children.length(); ++i) {
    IXMLDOMNode child = children.item(i);
    if (!child) return;
    CString name = child.nodeName();
    name.MakeUpper();
    visit(name, child);
  }
}

// The index of the first keyword that `upperName` begins with, or -1. Keywords are upper case.
inline int MatchKeyword(const CString& upperName, std::initializer_list<const char*> keywords) {
  int index = 0;
  for (const char* keyword : keywords) {
    if (upperName.view().starts_with(keyword)) return index;
    ++index;
  }
  return -1;
}

// True when the last load failed on a file that is there but is no readable document (as against a
// missing file, which simply means the installation has none).
inline bool IsUnreadableDocument(const DOMDocument& document) {
  return document.parseError().errorCode != 0 && document.parseError().errorCode != XML_ERROR_FILE_NOT_FOUND;
}

// "<path> cannot be read (line 3: <reason>)": the text that tells the user which file to mend and where.
inline CString DescribeLoadFailure(const CString& path, const DOMDocument& document) {
  CString text;
  text.Format("%s cannot be read (line %ld: %s)", path.GetString(), document.parseError().line,
              document.parseError().reason.GetString());
  return text;
}

}  // namespace definition_xml
