// Texts come out of documents in code page 1252, whatever the document declares.
#include <gtest/gtest.h>

#include <string>

#include "platform/xml/XmlDom.h"

namespace {

struct EncodingCase {
  const char* what;
  std::string document;
  std::string expectedText;  // code page 1252
};

class XmlEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(XmlEncoding, TextArrivesInCodePage1252) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML(GetParam().document)) << document.parseError().reason.GetString();
  EXPECT_EQ(document.documentElement().text().str(), GetParam().expectedText);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlEncoding,
    ::testing::Values(
        // The system's writers declare iso-8859-1 and write 1252 bytes: euro sign and curly quotes survive.
        EncodingCase{"latin1", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a>Caf\xE9 \x80 \x93\x94</a>",
                     "Caf\xE9 \x80 \x93\x94"},
        EncodingCase{"latin1upper", "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xFC</a>", "\xFC"},
        EncodingCase{"utf8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>Caf\xC3\xA9 \xE2\x82\xAC</a>", "Caf\xE9 \x80"},
        EncodingCase{"utf8 bom", "\xEF\xBB\xBF<a>\xC3\xA9</a>", "\xE9"},
        EncodingCase{"undeclared utf8", "<a>\xC3\xA9</a>", "\xE9"},
        // A text built in memory carries 1252 bytes and no declaration.
        EncodingCase{"undeclared 1252", "<a>Caf\xE9</a>", "Caf\xE9"},
        EncodingCase{"outside 1252", "<a>\xE4\xB8\xAD!</a>", "?!"},
        EncodingCase{"character reference", "<a>&#233;&#x20AC;&#x4E2D;</a>", "\xE9\x80?"}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) {
      std::string name = info.param.what;
      for (char& ch : name)
        if (ch == ' ') ch = '_';
      return name;
    });

TEST(XmlEncodingNames, TagNamesAndAttributesAreConvertedToo) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML("<?xml version=\"1.0\" encoding=\"UTF-8\"?><caf\xC3\xA9 n=\"\xC3\xBC\"/>"));
  EXPECT_EQ(document.documentElement().nodeName().str(), "caf\xE9");
  EXPECT_EQ(document.getElementsByTagName("caf\xE9").length(), 1);
  EXPECT_EQ(document.documentElement().getAttribute("n").str(), "\xFC");
}

}  // namespace
