// The escaping of texts the controller writes into its XML documents, read back by a real parser.
#include <gtest/gtest.h>

#include <string>

#include "controller/XmlText.h"
#include "platform/xml/XmlDom.h"

namespace {

TEST(XmlText, MarkupBecomesEntitiesAndControlCharactersBlanks) {
  struct Case {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"plain text", "plain text"},
      {"a<b>c", "a&lt;b&gt;c"},
      {"\"quoted\" & 'single'", "&quot;quoted&quot; &amp; 'single'"},
      {std::string("bell\a nul", 9) + std::string(1, '\0') + "end", std::string("bell  nul", 9) + " end"},
      {"tab\tline\r\nend", "tab\tline\r\nend"},
      {"\xE9t\xE9", "\xE9t\xE9"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.escaped);
    CString escaped = XmlEscapeText(CString(c.text.c_str(), static_cast<int>(c.text.size())));
    EXPECT_EQ(escaped.str(), c.escaped);
    // Whatever went in, the element stays well-formed and carries the text back.
    DOMDocument document;
    ASSERT_TRUE(document.loadXML("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><v>" + escaped.str() + "</v>"));
  }
}

}  // namespace
