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

  // Names are read without namespace processing: a prefix that no
  // declaration binds is part of the name, and every element is counted.
  const QString prefixed = Put("prefixed.xml", "<card><x:eeprom x:size='512'/><b/></card>");
  ASSERT_EQ(ErrorOf([&] { EXPECT_EQ(ImportXmlFile(Document, prefixed).Elements, 3); }),
            "(no error)");
  EXPECT_EQ(Document.documentElement().firstChild().nodeName(), "x:eeprom");
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
  const QString deep = Put("deep.xml", nested(90000));  // within the size and node limits
  EXPECT_EQ(ErrorOf([&] { ImportXmlFile(Document, deep); }),
            "The file \"" + deep.toStdString() +
                "\" nests elements more than 256 deep (line 1); it is not imported.");
  EXPECT_EQ(Document.documentElement().nodeName(), "a")
      << "the document of the last good import stays";
}

// The parsers' time grows with the square of an element's attributes and
// a document type's declarations can expand a small file without bound:
// files over 1 MiB, elements with more than 1000 attributes or namespace
// declarations and internal document type subsets are refused before a
// parser sees them, in any encoding, and the loaded document stays.
TEST_F(XmlImportTest, FilesThatWouldKeepTheParsersBusyAreRefusedFirst) {
  ASSERT_EQ(ErrorOf([&] { ImportXmlFile(Document, Put("good.xml", "<first/>")); }), "(no error)");
  auto element = [](int attributes, const char* prefix, const char* value) {
    std::string text = "<e";
    for (int i = 0; i < attributes; ++i)
      text += " " + std::string(prefix) + std::to_string(i) + "=\"" + value + "\"";
    return text + "/>";
  };
  auto refusal = [](const QString& path, const std::string& what, int line) {
    return "The file \"" + path.toStdString() + "\" " + what + " (line " + std::to_string(line) +
           "); it is not imported.";
  };
  const std::string many = "more than 1000 attributes or namespace declarations";
  const std::string declarations = "has declarations in its document type";

  // At the limits: imported. Quoted '=' and '>' are not attributes.
  const std::string wide = "<card>\n" + element(1000, "a", "x=1>") + "\n" +
                           element(1000, "xmlns:p", "urn:x") + "\n</card>";
  EXPECT_EQ(ImportXmlFile(Document, Put("wide.xml", wide)).Elements, 3);
  std::string full = "<card/>";
  full += std::string(MaxXmlFileSize - full.size(), ' ');
  EXPECT_EQ(ErrorOf([&] { ImportXmlFile(Document, Put("full.xml", full)); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] {
              ImportXmlFile(Document, Put("doctype.xml",
                                          "<!DOCTYPE card SYSTEM \"c[1].dtd\">\n"
                                          "<!-- <!DOCTYPE x [ --><card/>"));
            }),
            "(no error)");

  const QString over = Put("over.xml", full + " ");
  const QString attributes =
      Put("attributes.xml", "<card>\n\n" + element(40000, "a", "") + "</card>");
  const QString namespaces =
      Put("namespaces.xml", "<card>\r\n" + element(1001, "xmlns:p", "u") + "</card>");
  const QString entities =
      Put("entities.xml", "<?xml version='1.0'?>\n<!DOCTYPE card [<!ENTITY e '" +
                              std::string(4000, 'x') + "'>]>\n<card>" + std::string(3000, ' ') +
                              "&e;&e;&e;</card>");
  const QString defaults =
      Put("defaults.xml", "<!DOCTYPE card SYSTEM 'c.dtd' [<!ATTLIST card a CDATA 'v'>]><card/>");
  // UTF-16 with its mark and UTF-7 by its declaration: a byte scan would
  // see no markup in them.
  std::string utf16 = "\xFF\xFE";
  for (char c : "<card>\n" + element(1001, "a", "") + "</card>") (utf16 += c) += '\0';
  const QString wide16 = Put("utf16.xml", utf16);
  const QString wide7 = Put(
      "utf7.xml", "<?xml version='1.0' encoding='UTF-7'?>+ADw-card a0='' " + [] {
        std::string text;
        for (int i = 1; i <= 1001; ++i) text += "a" + std::to_string(i) + "+AD0-'' ";
        return text;
      }() + "/+AD4-");
  const std::pair<QString, std::string> refused[] = {
      {over, "The file \"" + over.toStdString() + "\" is larger than 1 MiB; it is not imported."},
      {"/dev/zero", "The file \"/dev/zero\" is larger than 1 MiB; it is not imported."},
      {attributes, refusal(attributes, "has an element with " + many, 3)},
      {namespaces, refusal(namespaces, "has an element with " + many, 2)},
      {entities, refusal(entities, declarations, 2)},
      {defaults, refusal(defaults, declarations, 1)},
      {wide16, refusal(wide16, "has an element with " + many, 2)},
      {wide7, refusal(wide7, "has an element with " + many, 1)},
      {Put("unknown.xml", "<?xml version=\"1.0\" encoding = \"x-none\"?><card/>"), ""},
      {Put("latin1.xml", "<card>\xE9</card>"), ""},
  };
  for (const auto& [path, message] : refused) {
    const std::string error = ErrorOf([&] { ImportXmlFile(Document, path); });
    if (!message.empty()) {
      EXPECT_EQ(error, message);
    }
    EXPECT_NE(error, "(no error)") << path.toStdString();
    EXPECT_EQ(Document.documentElement().nodeName(), "card") << path.toStdString();
  }
  EXPECT_EQ(ErrorOf([&] { ImportXmlFile(Document, Dir.filePath("unknown.xml")); }),
            "The file \"" + Dir.filePath("unknown.xml").toStdString() +
                "\" is in an encoding that is not known (x-none); it is not imported.");

  // Other encodings still import, by their mark or their declaration.
  std::string latin1 = "<?xml version='1.0' encoding='ISO-8859-1'?><caf\xE9/>";
  EXPECT_EQ(ErrorOf([&] { ImportXmlFile(Document, Put("latin1.xml", latin1)); }), "(no error)");
  EXPECT_EQ(Document.documentElement().nodeName(), QStringLiteral("caf\u00E9"));
  std::string utf16be = "\xFE\xFF";
  for (char c : std::string("<?xml version='1.0' encoding='UTF-16'?><b/>")) (utf16be += '\0') += c;
  EXPECT_EQ(ErrorOf([&] { ImportXmlFile(Document, Put("be.xml", utf16be)); }), "(no error)");
  EXPECT_EQ(Document.documentElement().nodeName(), "b");
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
