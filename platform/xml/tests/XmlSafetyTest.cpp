// Documents from outside: entities, document types, network access and size are refused.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/core/testing/TestSandbox.h"
#include "platform/xml/XmlDom.h"

namespace {

std::string BillionLaughs() {
  std::string document = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
  for (int level = 1; level <= 9; ++level) {
    document += "<!ENTITY lol" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i) document += level == 1 ? "&lol;" : "&lol" + std::to_string(level - 1) + ";";
    document += "\">\n";
  }
  return document + "]>\n<lolz>&lol9;</lolz>\n";
}

TEST(XmlSafety, EntityExpansionFailsFast) {
  DOMDocument document;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(document.loadXML(BillionLaughs()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(document.parseError().errorCode, XML_ERROR_DTD_REFUSED);
  EXPECT_EQ(document.parseError().line, 2);
  EXPECT_FALSE(document.documentElement());
}

TEST(XmlSafety, ExternalEntitiesAreNeverRead) {
  qh::testing::TestSandbox sandbox;
  qh::testing::WriteHostFile(sandbox.HostPath("secret.txt"), "SECRET");
  const std::string documents[] = {
      "<!DOCTYPE a [<!ENTITY x SYSTEM \"file://" + sandbox.HostPath("secret.txt") + "\">]><a>&x;</a>",
      "<!DOCTYPE a SYSTEM \"http://127.0.0.1:9/a.dtd\"><a/>",
      "<!DOCTYPE a [<!ENTITY % p SYSTEM \"file://" + sandbox.HostPath("secret.txt") + "\"> %p;]><a/>",
      "<!DOCTYPE a><a/>",
  };
  for (const std::string& text : documents) {
    DOMDocument document;
    EXPECT_FALSE(document.loadXML(text)) << text;
    EXPECT_EQ(document.parseError().errorCode, XML_ERROR_DTD_REFUSED) << text;
    EXPECT_EQ(document.getElementsByTagName("a").length(), 0);
  }
}

TEST(XmlSafety, DocumentsAboveTheSizeLimitAreRefusedBeforeParsing) {
  std::string huge = "<a>" + std::string(DOMDocument::kDefaultMaxSize, 'x') + "</a>";
  DOMDocument document;
  EXPECT_FALSE(document.loadXML(huge));
  EXPECT_EQ(document.parseError().errorCode, XML_ERROR_TOO_LARGE);

  qh::testing::TestSandbox sandbox;
  qh::testing::WriteHostFile(sandbox.HostPath("C/huge.xml"), huge);
  EXPECT_FALSE(document.load("C:\\huge.xml"));
  EXPECT_EQ(document.parseError().errorCode, XML_ERROR_TOO_LARGE);

  document.put_maxSize(17);  // exactly the size of the first text
  EXPECT_TRUE(document.loadXML("<a>0123456789</a>"));
  EXPECT_FALSE(document.loadXML("<a>01234567890</a>"));
  EXPECT_EQ(document.parseError().errorCode, XML_ERROR_TOO_LARGE);
}

TEST(XmlSafety, DeepNestingIsAnErrorNotACrash) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  DOMDocument document;
  EXPECT_FALSE(document.loadXML(deep));
  EXPECT_NE(document.parseError().errorCode, 0);
}

}  // namespace
