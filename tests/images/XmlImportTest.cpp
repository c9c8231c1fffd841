// The XML walk of "Import XML": parse, report the parser's own message, walk
// the document element's children, keep nothing.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "images/XmlImport.h"
#include "tests/images/HexTestSupport.h"

using hextest::ErrorOf;
using hextest::WriteBytes;

namespace {

class XmlImportTest : public ::testing::Test {
protected:
  QString Put(const char* name, const std::string& text) {
    const QString path = Dir.filePath(QString::fromLatin1(name));
    WriteBytes(path, text);
    return path;
  }
  QTemporaryDir Dir;
  QDomDocument Document;
};

TEST_F(XmlImportTest, WalksEveryChildOfTheDocumentElement) {
  const QString path = Put("card.xml",
                           "<?xml version=\"1.0\"?>\n<card><!-- note -->text<flash size=\"8192\"/>"
                           "<?pi x?><eeprom/></card>\n");
  ASSERT_EQ(ErrorOf([&] { ImportXmlFile(Document, path); }), "(no error)");
  EXPECT_EQ(Document.documentElement().nodeName(), "card");
  EXPECT_EQ(WalkXmlDocument(Document), 5) << "comment, text, element, instruction, element";

  EXPECT_EQ(WalkXmlDocument(QDomDocument()), 0) << "no document element";
}

TEST_F(XmlImportTest, MalformedFilesGiveTheParsersMessageAndKeepTheLoadedDocument) {
  ASSERT_EQ(ErrorOf([&] { ImportXmlFile(Document, Put("good.xml", "<first/>")); }), "(no error)");

  const QString bad =
      Put("bad.xml", "<?xml version=\"1.0\"?>\n<root>\n <a/>\n <b>text</c>\n</root>\n");
  EXPECT_EQ(ErrorOf([&] { ImportXmlFile(Document, bad); }),
            "The file \"" + bad.toStdString() +
                "\" is not well-formed XML (line 4, column 12): Opening and ending tag mismatch.");
  EXPECT_EQ(Document.documentElement().nodeName(), "first");

  const QString hex = Put("image.hex", ":00000001FF\r\n");
  EXPECT_NE(ErrorOf([&] {
              ImportXmlFile(Document, hex);
            }).find("(line 1, column 1): Start tag expected."),
            std::string::npos);
  const QString empty = Put("empty.xml", "");
  EXPECT_NE(ErrorOf([&] { ImportXmlFile(Document, empty); }).find("Premature end of document."),
            std::string::npos);
  EXPECT_EQ(Document.documentElement().nodeName(), "first");
}

// Wide and deep documents: the walk visits 40 000 children once each
// (the benchmark BM_ImportXml40K times it), and a document nested deeper
// than the bound is refused before a tree is built, however deep it is.
TEST_F(XmlImportTest, WideFilesWalkAndOverDeepFilesAreRefused) {
  std::string wide = "<card>";
  for (int i = 0; i < 40000; ++i) wide += "<b/>";
  wide += "</card>";
  const TXmlImportSummary summary = ImportXmlFile(Document, Put("wide.xml", wide));
  EXPECT_EQ(summary.Elements, 40001);
  EXPECT_EQ(summary.Children, 40000);

  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
  };
  EXPECT_EQ(ImportXmlFile(Document, Put("deep-ok.xml", nested(MaxXmlDepth))).Elements, MaxXmlDepth);
  const QString deep = Put("deep.xml", nested(200000));
  EXPECT_EQ(ErrorOf([&] { ImportXmlFile(Document, deep); }),
            "The file \"" + deep.toStdString() +
                "\" nests elements more than 256 deep (line 1); it is not imported.");
  EXPECT_EQ(Document.documentElement().nodeName(), "a")
      << "the document of the last good import stays";
}

TEST_F(XmlImportTest, UnreadableFilesSayWhy) {
  const QString missing = Dir.filePath("missing.xml");
  EXPECT_EQ(
      ErrorOf([&] { ImportXmlFile(Document, missing); }),
      "Cannot read the XML file \"" + missing.toStdString() + "\": No such file or directory");
  EXPECT_NE(ErrorOf([&] { ImportXmlFile(Document, Dir.path()); }).find("Cannot read the XML file"),
            std::string::npos);
}

}  // namespace
