// The document object model: element lists, child lists, node names and types, text, attributes, files.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <string>
#include <vector>

#include "platform/core/testing/TestSandbox.h"
#include "platform/xml/XmlDom.h"

namespace {

const char* const kSongDocument =
    "<?xml version=\"1.0\"?>\n"
    "<Library>\n"
    "  <QHSong Version=\"4.0\">\n"
    "    <SongName>  Blue <b>Monday</b> </SongName>\n"
    "    <!-- recorded live -->\n"
    "    <SongComments><![CDATA[a < b]]> and more</SongComments>\n"
    "  </QHSong>\n"
    "  <qhsong/>\n"
    "  <QHSong><SongName>Second</SongName></QHSong>\n"
    "</Library>\n";

TEST(XmlDom, ElementsByTagNameKeepCaseAndDocumentOrder) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML(kSongDocument)) << document.parseError().reason.GetString();
  IXMLDOMNodeList songs = document.getElementsByTagName("QHSong");
  ASSERT_EQ(songs.length(), 2);
  EXPECT_EQ(songs.item(0).getAttribute("Version"), CString("4.0"));
  EXPECT_EQ(songs.item(1).text(), CString("Second"));
  EXPECT_EQ(document.getElementsByTagName("qhsong").length(), 1);
  EXPECT_EQ(document.getElementsByTagName("SongName").length(), 2);
  EXPECT_EQ(document.getElementsByTagName("Nothing").length(), 0);
  EXPECT_EQ(document.getElementsByTagName("*").length(), 8);
}

TEST(XmlDom, ChildListsNameEveryKindOfNode) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML(kSongDocument));
  IXMLDOMNodeList children = document.getElementsByTagName("QHSong").item(0).childNodes();
  // Whitespace between elements is dropped; the comment stays.
  ASSERT_EQ(children.length(), 3);
  struct Expected {
    const char* name;
    DOMNodeType type;
  };
  const Expected expected[] = {{"SongName", NODE_ELEMENT}, {"#comment", NODE_COMMENT}, {"SongComments", NODE_ELEMENT}};
  for (long i = 0; i < children.length(); ++i) {
    EXPECT_EQ(children.item(i).nodeName(), CString(expected[i].name)) << i;
    EXPECT_EQ(children.item(i).nodeType(), expected[i].type) << i;
  }
  IXMLDOMNodeList comments = children.item(2).childNodes();
  ASSERT_EQ(comments.length(), 2);
  EXPECT_EQ(comments.item(0).nodeName(), CString("#cdata-section"));
  EXPECT_EQ(comments.item(0).nodeType(), NODE_CDATA_SECTION);
  EXPECT_EQ(comments.item(1).nodeName(), CString("#text"));
  EXPECT_EQ(comments.item(1).nodeType(), NODE_TEXT);
}

TEST(XmlDom, TextJoinsDescendantsWithoutCommentsAndTrimsTheEnds) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML(kSongDocument));
  IXMLDOMNodeList children = document.getElementsByTagName("QHSong").item(0).childNodes();
  EXPECT_EQ(children.item(0).text(), CString("Blue Monday"));
  EXPECT_EQ(children.item(1).text(), CString("recorded live"));
  EXPECT_EQ(children.item(2).text(), CString("a < b and more"));
  EXPECT_EQ(document.documentElement().nodeName(), CString("Library"));
}

TEST(XmlDom, PreservedWhiteSpaceKeepsBlankNodesAndTextEnds) {
  DOMDocument document;
  document.put_preserveWhiteSpace(true);
  ASSERT_TRUE(document.loadXML("<a>\n  <b> x </b>\n</a>"));
  IXMLDOMNodeList children = document.documentElement().childNodes();
  ASSERT_EQ(children.length(), 3);
  EXPECT_EQ(children.item(0).nodeName(), CString("#text"));
  EXPECT_EQ(children.item(1).text(), CString(" x "));
}

TEST(XmlDom, ItemsOutsideTheListAreNullNodes) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML("<a><b/></a>"));
  IXMLDOMNodeList children = document.documentElement().childNodes();
  for (long index : {-1L, 1L, 1000L}) {
    IXMLDOMNode node = children.item(index);
    EXPECT_FALSE(node) << index;
    EXPECT_EQ(node.nodeType(), NODE_INVALID);
    EXPECT_TRUE(node.nodeName().IsEmpty());
    EXPECT_TRUE(node.text().IsEmpty());
    EXPECT_EQ(node.childNodes().length(), 0);
  }
  EXPECT_TRUE(children.item(0));
  EXPECT_FALSE(children.item(0).hasAttribute("x"));
}

TEST(XmlDom, PrefixedNamesAndAttributes) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML("<s:Envelope xmlns:s=\"urn:x\"><s:Body a=\"1 &amp; 2\" s:b=\"3\"/></s:Envelope>"));
  EXPECT_EQ(document.documentElement().nodeName(), CString("s:Envelope"));
  IXMLDOMNode body = document.getElementsByTagName("s:Body").item(0);
  ASSERT_TRUE(body);
  EXPECT_EQ(body.getAttribute("a"), CString("1 & 2"));
  EXPECT_EQ(body.getAttribute("s:b"), CString("3"));
  EXPECT_TRUE(body.getAttribute("b").IsEmpty());
}

TEST(XmlDom, NodesOutliveTheirDocument) {
  IXMLDOMNode kept;
  {
    DOMDocument document;
    ASSERT_TRUE(document.loadXML("<a><b>kept</b></a>"));
    kept = document.getElementsByTagName("b").item(0);
    ASSERT_TRUE(document.loadXML("<c/>"));
    EXPECT_EQ(document.getElementsByTagName("b").length(), 0);
  }
  EXPECT_EQ(kept.text(), CString("kept"));
}

TEST(XmlDom, ParseErrorsGiveCodeReasonAndLine) {
  DOMDocument document;
  ASSERT_TRUE(document.loadXML("<a/>"));
  EXPECT_FALSE(document.loadXML("<a>\n<b>\n</a>"));
  EXPECT_NE(document.parseError().errorCode, 0);
  EXPECT_FALSE(document.parseError().reason.IsEmpty());
  EXPECT_EQ(document.parseError().line, 3);
  // A failed load leaves no tree behind.
  EXPECT_FALSE(document.documentElement());
  EXPECT_EQ(document.getElementsByTagName("a").length(), 0);
  EXPECT_FALSE(document.loadXML(""));
  EXPECT_NE(document.parseError().errorCode, 0);
  ASSERT_TRUE(document.loadXML("<a/>"));
  EXPECT_EQ(document.parseError().errorCode, 0);
}

TEST(XmlDom, LoadReadsAFileThroughTheDriveTable) {
  qh::testing::TestSandbox sandbox;
  sandbox.AddDrive('D', 0x1234, "DATA");
  qh::testing::WriteHostFile(sandbox.HostPath("D/zone.xml"), "<zone><name>Bar</name></zone>");
  DOMDocument document;
  ASSERT_TRUE(document.load("d:\\ZONE.XML")) << document.parseError().reason.GetString();
  EXPECT_EQ(document.getElementsByTagName("name").item(0).text(), CString("Bar"));
  EXPECT_FALSE(document.load("D:\\missing.xml"));
  EXPECT_EQ(document.parseError().errorCode, XML_ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(document.load(nullptr));
}

// The parser agrees with xmllint on which documents are well-formed.
TEST(XmlDom, WellFormednessAgreesWithXmllint) {
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
  qh::testing::TestSandbox sandbox;
  const std::vector<std::string> documents = {
      "<a/>",
      "<a><b></a>",
      "<a>&amp;&lt;&#65;&#x42;</a>",
      "<a>&unknown;</a>",
      "<a b=\"1\" b=\"2\"/>",
      "<a><![CDATA[<x>]]></a>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA9</a>",
      "<a/><b/>",
      "text only",
      "<a><!-- c -- d --></a>",
      "<1a/>",
  };
  for (size_t i = 0; i < documents.size(); ++i) {
    std::string path = sandbox.HostPath("doc" + std::to_string(i) + ".xml");
    qh::testing::WriteHostFile(path, documents[i]);
    bool xmllintAccepts = std::system(("xmllint --noout --nonet '" + path + "' 2>/dev/null").c_str()) == 0;
    DOMDocument document;
    EXPECT_EQ(document.load(path.c_str()), xmllintAccepts) << documents[i];
  }
}

}  // namespace

namespace {

// The network threads parse their documents at the same time.
TEST(XmlDomThreads, DocumentsParseInParallel) {
  std::vector<std::thread> threads;
  std::atomic<int> parsed{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&parsed, t] {
      for (int i = 0; i < 200; ++i) {
        DOMDocument document;
        std::string text = "<a><b>" + std::to_string(t * 1000 + i) + "</b></a>";
        if (document.loadXML(text) && document.getElementsByTagName("b").item(0).text().str() == std::to_string(t * 1000 + i))
          ++parsed;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(8 * 200, parsed.load());
}

}  // namespace
