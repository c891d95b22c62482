// Nodes and node lists: names, types, text and children of the shared parsed tree.
#include <string>

#include "platform/core/Cp1252.h"
#include "platform/xml/XmlDom.h"
#include "platform/xml/XmlTree.h"

namespace qh::xml {

CString FromXmlText(const xmlChar* text) {
  if (text == nullptr) return CString();
  return CString(Utf8ToCp1252(reinterpret_cast<const char*>(text)));
}

std::string QualifiedName(const xmlNs* ns, const xmlChar* name) {
  std::string qualified;
  if (ns != nullptr && ns->prefix != nullptr) {
    qualified = reinterpret_cast<const char*>(ns->prefix);
    qualified += ':';
  }
  if (name != nullptr) qualified += reinterpret_cast<const char*>(name);
  return qualified;
}

}  // namespace qh::xml

namespace {

using qh::xml::AsNode;

bool IsXmlSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

void TrimXmlSpace(std::string& text) {
  size_t first = 0;
  while (first < text.size() && IsXmlSpace(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsXmlSpace(text[last - 1])) --last;
  text = text.substr(first, last - first);
}

// Text and CDATA below `node` in document order; comments and processing instructions say nothing.
void AppendDescendantText(const xmlNode* node, std::string& text) {
  for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
      if (child->content != nullptr) text += reinterpret_cast<const char*>(child->content);
    } else if (child->type == XML_ELEMENT_NODE || child->type == XML_ENTITY_REF_NODE) {
      AppendDescendantText(child, text);
    }
  }
}

}  // namespace

DOMNodeType IXMLDOMNode::nodeType() const {
  if (node_ == nullptr) return NODE_INVALID;
  switch (AsNode(node_)->type) {
    case XML_ELEMENT_NODE: return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE: return NODE_ATTRIBUTE;
    case XML_TEXT_NODE: return NODE_TEXT;
    case XML_CDATA_SECTION_NODE: return NODE_CDATA_SECTION;
    case XML_ENTITY_REF_NODE: return NODE_ENTITY_REFERENCE;
    case XML_ENTITY_NODE: return NODE_ENTITY;
    case XML_PI_NODE: return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE: return NODE_COMMENT;
    case XML_DOCUMENT_NODE: return NODE_DOCUMENT;
    case XML_DOCUMENT_TYPE_NODE: return NODE_DOCUMENT_TYPE;
    case XML_DOCUMENT_FRAG_NODE: return NODE_DOCUMENT_FRAGMENT;
    case XML_NOTATION_NODE: return NODE_NOTATION;
    default: return NODE_INVALID;
  }
}

CString IXMLDOMNode::nodeName() const {
  switch (nodeType()) {
    case NODE_INVALID: return CString();
    case NODE_TEXT: return "#text";
    case NODE_CDATA_SECTION: return "#cdata-section";
    case NODE_COMMENT: return "#comment";
    case NODE_DOCUMENT: return "#document";
    case NODE_DOCUMENT_FRAGMENT: return "#document-fragment";
    default: return CString(Utf8ToCp1252(qh::xml::QualifiedName(AsNode(node_))));
  }
}

CString IXMLDOMNode::text() const {
  if (node_ == nullptr) return CString();
  const xmlNode* node = AsNode(node_);
  std::string text;
  if (node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE || node->type == XML_ENTITY_REF_NODE) {
    AppendDescendantText(node, text);
  } else if (node->content != nullptr) {
    text = reinterpret_cast<const char*>(node->content);
  }
  if (!tree_->preserveWhiteSpace) TrimXmlSpace(text);
  return CString(Utf8ToCp1252(text));
}

IXMLDOMNodeList IXMLDOMNode::childNodes() const {
  std::vector<const void*> children;
  if (node_ != nullptr)
    for (const xmlNode* child = AsNode(node_)->children; child != nullptr; child = child->next)
      children.push_back(child);
  return IXMLDOMNodeList(tree_, std::move(children));
}

namespace {

const xmlAttr* FindAttribute(const void* node, const char* name) {
  if (node == nullptr || name == nullptr || AsNode(node)->type != XML_ELEMENT_NODE) return nullptr;
  std::string wanted = Cp1252ToUtf8(name);
  for (const xmlAttr* attribute = AsNode(node)->properties; attribute != nullptr; attribute = attribute->next)
    if (qh::xml::QualifiedName(attribute->ns, attribute->name) == wanted) return attribute;
  return nullptr;
}

}  // namespace

bool IXMLDOMNode::hasAttribute(const char* name) const { return FindAttribute(node_, name) != nullptr; }

CString IXMLDOMNode::getAttribute(const char* name) const {
  const xmlAttr* attribute = FindAttribute(node_, name);
  if (attribute == nullptr) return CString();
  std::string value;
  for (const xmlNode* part = attribute->children; part != nullptr; part = part->next)
    if (part->content != nullptr) value += reinterpret_cast<const char*>(part->content);
  return CString(Utf8ToCp1252(value));
}

IXMLDOMNode IXMLDOMNodeList::item(long index) const {
  if (!nodes_ || index < 0 || static_cast<unsigned long>(index) >= nodes_->size()) return IXMLDOMNode();
  return IXMLDOMNode(tree_, (*nodes_)[static_cast<size_t>(index)]);
}
