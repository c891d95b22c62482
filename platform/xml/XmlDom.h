// The XML document object model the system's programs read documents with: a document loaded
// synchronously from a file or from a text, its parse error, element lists by tag name, child lists
// and, per node, its name, type, text and attributes. Over libxml2.
//
// The objects are plain C++ values with the platform's names. A node or a list holds a shared reference
// to the parsed tree, so it stays valid after its document object was reloaded or destroyed; copying one
// is cheap. A node that does not exist (item past the end of a list, no document element) is a null
// node: test it with `if (node)`; every query on a null node answers empty.
//
//   DOMDocument document;
//   if (!document.load("C:\\Quaverhouse\\sysdevices\\zone.xml")) {
//     Log(document.parseError().reason, document.parseError().line);
//   }
//   IXMLDOMNodeList songs = document.getElementsByTagName("QHSong");
//   for (long i = 0; i < songs.length(); ++i) {
//     IXMLDOMNodeList children = songs.item(i).childNodes();
//     for (long j = 0; j < children.length(); ++j) {
//       IXMLDOMNode child = children.item(j);
//       if (child.nodeName().CompareNoCase("SongName") == 0) name = child.text();
//     }
//   }
//
// Texts are code page 1252. A document is decoded from the encoding it declares ("iso-8859-1" is read as
// 1252, a superset of it, so the bytes the system's own writers put there come back unchanged); without a
// declaration it is UTF-8 when its bytes are well-formed UTF-8, else 1252. A character that 1252 cannot
// hold comes out as '?'.
//
// Documents come from the network and from uploads, so loading is defensive: no network access, no
// external entities, and no document type declaration at all (which also rules out entity expansion);
// a document larger than the size limit is refused before it is parsed. Whitespace-only text between
// elements is dropped at load unless preserveWhiteSpace is set, as the platform's DOM does by default.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Node types with the DOM's numbers.
enum DOMNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_ENTITY = 6,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
  NODE_DOCUMENT_FRAGMENT = 11,
  NODE_NOTATION = 12,
};

namespace qh::xml {
struct ParsedTree;  // the libxml2 document, shared by every node of it
}

class IXMLDOMNodeList;

class IXMLDOMNode {
 public:
  IXMLDOMNode() = default;

  explicit operator bool() const { return node_ != nullptr; }

  DOMNodeType nodeType() const;
  // Elements: the qualified name ("SongName", "s:Envelope"); "#text", "#cdata-section", "#comment",
  // "#document" for the others; a processing instruction's target.
  CString nodeName() const;
  // Text and CDATA content of the node and all its descendants in document order (comments and
  // processing instructions left out), without leading and trailing whitespace. A comment or a text
  // node gives its own content.
  CString text() const;
  // The direct children of the node, text and comment nodes included.
  IXMLDOMNodeList childNodes() const;
  // The value of an attribute of an element; empty when there is none (see hasAttribute).
  CString getAttribute(const char* name) const;
  bool hasAttribute(const char* name) const;

 private:
  friend class IXMLDOMNodeList;
  friend class DOMDocument;
  IXMLDOMNode(std::shared_ptr<const qh::xml::ParsedTree> tree, const void* node)
      : tree_(std::move(tree)), node_(node) {}

  std::shared_ptr<const qh::xml::ParsedTree> tree_;
  const void* node_ = nullptr;  // the libxml2 node (xmlNode), owned by tree_
};

// The DOM names the element interface separately; here an element is a node of type NODE_ELEMENT.
using IXMLDOMElement = IXMLDOMNode;

class IXMLDOMNodeList {
 public:
  IXMLDOMNodeList() = default;

  long length() const { return nodes_ ? static_cast<long>(nodes_->size()) : 0; }
  // The index-th node; a null node for a negative index or one past the end.
  IXMLDOMNode item(long index) const;

 private:
  friend class IXMLDOMNode;
  friend class DOMDocument;
  IXMLDOMNodeList(std::shared_ptr<const qh::xml::ParsedTree> tree, std::vector<const void*> nodes)
      : tree_(std::move(tree)), nodes_(std::make_shared<const std::vector<const void*>>(std::move(nodes))) {}

  std::shared_ptr<const qh::xml::ParsedTree> tree_;
  std::shared_ptr<const std::vector<const void*>> nodes_;  // libxml2 nodes, owned by tree_
};

// Why the last load failed; errorCode 0 after a load that succeeded. errorCode is the parser's own
// error number (libxml2's), or one of the layer's codes below.
struct IXMLDOMParseError {
  long errorCode = 0;
  CString reason;
  long line = 0;     // 1-based; 0 when the error has no place in the text
  long linepos = 0;  // 1-based column
};

// Error codes of the layer itself (the parser's own numbers are below 10000).
inline constexpr long XML_ERROR_FILE_NOT_FOUND = 10001;  // load: the file cannot be opened or read
inline constexpr long XML_ERROR_TOO_LARGE = 10002;       // larger than the document's size limit
inline constexpr long XML_ERROR_DTD_REFUSED = 10003;     // a document type declaration
inline constexpr long XML_ERROR_EMPTY = 10004;           // no root element

class DOMDocument {
 public:
  // Documents above this size are refused unless the caller sets another limit.
  static constexpr std::size_t kDefaultMaxSize = 4 * 1024 * 1024;

  DOMDocument() = default;

  // Loads the file (a path of the system, through the drive table). True when the document was read;
  // false with parseError() filled and the previous tree dropped.
  bool load(const char* path);
  // Loads a document from its text (the bytes as they came, declaration included).
  bool loadXML(std::string_view text);

  const IXMLDOMParseError& parseError() const { return parseError_; }

  // The root element; a null node when nothing is loaded.
  IXMLDOMElement documentElement() const;
  // Every element of the document whose qualified name equals `tagName` exactly (case kept), in document
  // order; "*" gives every element. Empty when nothing is loaded.
  IXMLDOMNodeList getElementsByTagName(const char* tagName) const;

  bool preserveWhiteSpace() const { return preserveWhiteSpace_; }
  void put_preserveWhiteSpace(bool preserve) { preserveWhiteSpace_ = preserve; }
  std::size_t maxSize() const { return maxSize_; }
  void put_maxSize(std::size_t bytes) { maxSize_ = bytes; }

 private:
  bool Parse(std::string_view text);
  void Fail(long code, const CString& reason, long line = 0, long column = 0);

  std::shared_ptr<const qh::xml::ParsedTree> tree_;
  IXMLDOMParseError parseError_;
  bool preserveWhiteSpace_ = false;
  std::size_t maxSize_ = kDefaultMaxSize;
};
