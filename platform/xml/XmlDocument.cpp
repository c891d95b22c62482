// Loading a document: reading the file, choosing the decoding, parsing safely and tidying the tree.
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <mutex>
#include <string>

#include "platform/core/Cp1252.h"
#include "platform/core/File.h"
#include "platform/xml/XmlDom.h"
#include "platform/xml/XmlTree.h"

namespace {

using qh::xml::AsNode;

char LowerAscii(char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; }

// The encoding named by the XML declaration at the start of the text, lower-cased; "" when none.
std::string DeclaredEncoding(std::string_view text) {
  if (text.substr(0, 5) != "<?xml") return std::string();
  size_t end = text.find("?>");
  if (end == std::string_view::npos) return std::string();
  std::string_view declaration = text.substr(0, end);
  size_t key = declaration.find("encoding");
  if (key == std::string_view::npos) return std::string();
  size_t quote = declaration.find_first_of("\"'", key);
  if (quote == std::string_view::npos) return std::string();
  size_t close = declaration.find(declaration[quote], quote + 1);
  if (close == std::string_view::npos) return std::string();
  std::string name(declaration.substr(quote + 1, close - quote - 1));
  for (char& ch : name) ch = LowerAscii(ch);
  return name;
}

bool IsWellFormedUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t extra;
    if (lead < 0x80) extra = 0;
    else if ((lead & 0xE0) == 0xC0) extra = 1;
    else if ((lead & 0xF0) == 0xE0) extra = 2;
    else if ((lead & 0xF8) == 0xF0) extra = 3;
    else return false;
    if (extra > text.size() - i - 1) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

// The encoding the parser must use instead of what the document says; nullptr to follow the document.
// The system's writers declare "iso-8859-1" but write code page 1252 (its superset), and texts built
// in memory carry no declaration at all.
const char* DecodingOverride(std::string_view text) {
  bool hasByteOrderMark = text.substr(0, 3) == "\xEF\xBB\xBF" || text.substr(0, 2) == "\xFF\xFE" ||
                          text.substr(0, 2) == "\xFE\xFF";
  if (hasByteOrderMark) return nullptr;
  std::string declared = DeclaredEncoding(text);
  if (declared == "iso-8859-1" || declared == "iso_8859-1" || declared == "latin1" || declared == "l1" ||
      declared == "us-ascii" || declared == "windows-1252" || declared == "cp1252")
    return "windows-1252";
  if (!declared.empty()) return nullptr;
  return IsWellFormedUtf8(text) ? nullptr : "windows-1252";
}

// Parser state seen by the callbacks below.
struct ParseGuard {
  bool documentTypeSeen = false;
};

// Any document type declaration ends the parse at once: no DTD means no entity declarations, so no
// entity expansion and no external entity can ever be reached.
void RefuseDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* parser = static_cast<xmlParserCtxtPtr>(context);
  static_cast<ParseGuard*>(parser->_private)->documentTypeSeen = true;
  xmlStopParser(parser);
}

// The platform's DOM keeps no whitespace-only text between elements unless asked to.
void DropBlankText(xmlNodePtr node) {
  xmlNodePtr child = node->children;
  while (child != nullptr) {
    xmlNodePtr next = child->next;
    if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) {
      xmlUnlinkNode(child);
      xmlFreeNode(child);
    } else if (child->type == XML_ELEMENT_NODE) {
      DropBlankText(child);
    }
    child = next;
  }
}

void CollectElements(const xmlNode* node, const std::string& name, std::vector<const void*>& found) {
  for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (name == "*" || qh::xml::QualifiedName(child) == name) found.push_back(child);
    CollectElements(child, name, found);
  }
}

}  // namespace

void DOMDocument::Fail(long code, const CString& reason, long line, long column) {
  tree_.reset();
  parseError_.errorCode = code;
  parseError_.reason = reason;
  parseError_.line = line;
  parseError_.linepos = column;
}

bool DOMDocument::load(const char* path) {
  CFile file;
  CFileException error;
  if (path == nullptr || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, &error)) {
    CString reason;
    reason.Format("The file %s cannot be opened.", path != nullptr ? path : "(none)");
    Fail(XML_ERROR_FILE_NOT_FOUND, reason);
    return false;
  }
  std::string text;
  try {
    ULONGLONG length = file.GetLength();
    if (length > maxSize_) {
      Fail(XML_ERROR_TOO_LARGE, "The document is larger than the size limit.");
      return false;
    }
    text.resize(static_cast<size_t>(length));
    size_t done = 0;
    while (done < text.size()) {
      UINT got = file.Read(text.data() + done, static_cast<UINT>(text.size() - done));
      if (got == 0) break;
      done += got;
    }
    text.resize(done);
  } catch (CFileException* readError) {
    readError->Delete();
    CString reason;
    reason.Format("The file %s cannot be read.", path);
    Fail(XML_ERROR_FILE_NOT_FOUND, reason);
    return false;
  }
  return Parse(text);
}

bool DOMDocument::loadXML(std::string_view text) { return Parse(text); }

bool DOMDocument::Parse(std::string_view text) {
  if (text.size() > maxSize_) {
    Fail(XML_ERROR_TOO_LARGE, "The document is larger than the size limit.");
    return false;
  }
  // The library's global tables are set up once, before any thread parses.
  static std::once_flag initialised;
  std::call_once(initialised, [] { xmlInitParser(); });
  xmlParserCtxtPtr parser = xmlNewParserCtxt();
  if (parser == nullptr) {
    Fail(XML_ERR_NO_MEMORY, "Out of memory.");
    return false;
  }
  ParseGuard guard;
  parser->_private = &guard;
  parser->sax->internalSubset = RefuseDocumentType;
  parser->sax->externalSubset = RefuseDocumentType;
  // Network access off; no entity substitution, no DTD loading or validation (their flags stay clear);
  // errors are collected here instead of going to standard error.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  xmlDocPtr parsed = xmlCtxtReadMemory(parser, text.data(), static_cast<int>(text.size()), nullptr,
                                       DecodingOverride(text), options);
  bool wellFormed = parsed != nullptr && parser->wellFormed && !guard.documentTypeSeen;
  if (!wellFormed) {
    if (guard.documentTypeSeen) {
      Fail(XML_ERROR_DTD_REFUSED, "Document type declarations are not allowed.", parser->input ? parser->input->line : 0);
    } else {
      const xmlError* error = xmlCtxtGetLastError(parser);
      CString reason = error != nullptr && error->message != nullptr ? CString(error->message) : CString("Not well-formed.");
      reason.TrimRight();
      Fail(error != nullptr && error->code != 0 ? error->code : XML_ERR_DOCUMENT_EMPTY, reason,
           error != nullptr ? error->line : 0, error != nullptr ? error->int2 : 0);
    }
    if (parsed != nullptr) xmlFreeDoc(parsed);
    xmlFreeParserCtxt(parser);
    return false;
  }
  xmlFreeParserCtxt(parser);
  xmlNodePtr root = xmlDocGetRootElement(parsed);
  if (root == nullptr) {
    xmlFreeDoc(parsed);
    Fail(XML_ERROR_EMPTY, "The document has no root element.");
    return false;
  }
  if (!preserveWhiteSpace_) DropBlankText(reinterpret_cast<xmlNodePtr>(parsed));
  tree_ = std::make_shared<const qh::xml::ParsedTree>(parsed, preserveWhiteSpace_);
  parseError_ = IXMLDOMParseError();
  return true;
}

IXMLDOMElement DOMDocument::documentElement() const {
  if (!tree_) return IXMLDOMNode();
  return IXMLDOMNode(tree_, xmlDocGetRootElement(tree_->document));
}

IXMLDOMNodeList DOMDocument::getElementsByTagName(const char* tagName) const {
  std::vector<const void*> found;
  if (tree_ && tagName != nullptr)
    CollectElements(reinterpret_cast<const xmlNode*>(tree_->document), Cp1252ToUtf8(tagName), found);
  return IXMLDOMNodeList(tree_, std::move(found));
}
