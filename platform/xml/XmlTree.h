// Inside of the XML layer: the parsed tree every node shares, and the conversions between libxml2's
// UTF-8 and the system's code page 1252.
#pragma once

#include <libxml/tree.h>

#include <string>

#include "platform/core/CString.h"

namespace qh::xml {

struct ParsedTree {
  ParsedTree(xmlDocPtr parsed, bool keepWhiteSpace) : document(parsed), preserveWhiteSpace(keepWhiteSpace) {}
  ~ParsedTree() { xmlFreeDoc(document); }
  ParsedTree(const ParsedTree&) = delete;
  ParsedTree& operator=(const ParsedTree&) = delete;

  xmlDocPtr document;
  bool preserveWhiteSpace;
};

inline const xmlNode* AsNode(const void* node) { return static_cast<const xmlNode*>(node); }

// libxml2's UTF-8 text as 1252 (characters 1252 cannot hold become '?').
CString FromXmlText(const xmlChar* text);
// The qualified name of an element or attribute in UTF-8: "prefix:name" or "name".
std::string QualifiedName(const xmlNs* ns, const xmlChar* name);
inline std::string QualifiedName(const xmlNode* node) { return QualifiedName(node->ns, node->name); }

}  // namespace qh::xml
