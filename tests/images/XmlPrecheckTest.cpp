// The check before the XML parsers, against the tree parser itself: for
// random well-formed documents in every construct the check steps over,
// the nodes it counts are never fewer than the nodes of the tree (so the
// node limit cannot be slipped past) and hardly more.
#include <gtest/gtest.h>

#include <QDomDocument>

#include <random>

#include "images/XmlImport.h"
#include "images/XmlPrecheck.h"

namespace {

// The nodes below Node, attributes and their values included.
qsizetype TreeNodes(const QDomNode& node) {
  qsizetype nodes = 0;
  const QDomNamedNodeMap attributes = node.attributes();
  for (int i = 0; i < attributes.count(); ++i) nodes += 1 + TreeNodes(attributes.item(i));
  for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
    nodes += 1 + TreeNodes(child);
  return nodes;
}

class TDocumentMaker {
public:
  explicit TDocumentMaker(unsigned seed) : FRandom(seed) {}

  std::string Make() {
    std::string text;
    if (Chance(2)) text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + Space();
    if (Chance(3)) text += "<!-- a <comment> -->" + Space();
    if (Chance(3)) text += "<!DOCTYPE root SYSTEM \"root[1].dtd\">" + Space();
    if (Chance(3)) text += "<?target a='>'?>" + Space();
    return text + Element(0) + Space();
  }

private:
  bool Chance(unsigned in) { return FRandom() % in == 0; }
  unsigned Below(unsigned n) { return FRandom() % n; }
  std::string Space() {
    static const char* spaces[] = {"", " ", "\n", "\r\n", "\t ", "\r"};
    return spaces[Below(6)];
  }
  std::string Value() {
    static const char* pieces[] = {"", "x", "a=b", ">", "&amp;", "&#65;", " ", "&lt;&gt;"};
    std::string value;
    for (unsigned i = Below(4); i > 0; --i) value += pieces[Below(8)];
    const char quote = Chance(2) ? '"' : '\'';
    return quote + value + (quote == '"' ? "'" : "\"") + value + quote;
  }
  std::string Element(int depth) {
    const std::string name = "e" + std::to_string(Below(3));
    std::string text = "<" + name;
    for (unsigned i = 0, n = Below(5); i < n; ++i)
      text += " a" + std::to_string(i) + Space() + "=" + Space() + Value();
    if (depth > 4 || Chance(3)) return text + Space() + "/>";
    text += ">";
    for (unsigned i = Below(6); i > 0; --i) {
      switch (Below(7)) {
        case 0: text += Element(depth + 1); break;
        case 1: text += Element(depth + 1); break;
        case 2: text += Space(); break;
        case 3: text += "text &amp; = > more"; break;
        case 4: text += "<!-- <x a='1'> -->"; break;
        case 5: text += "<![CDATA[ <x a='1'> ]]>"; break;
        default: text += "<?pi <x a='1'>?>"; break;
      }
    }
    return text + "</" + name + Space() + ">";
  }
  std::mt19937 FRandom;
};

TEST(XmlPrecheck, CountsAtLeastTheNodesOfTheTreeForRandomDocuments) {
  TDocumentMaker maker(7);
  qsizetype counted = 0, made = 0;
  for (int i = 0; i < 3000; ++i) {
    const QString text = QString::fromStdString(maker.Make());
    QDomDocument document;
    QString message;
    ASSERT_TRUE(document.setContent(text, false, &message)) << message.toStdString() << "\n"
                                                            << text.toStdString();
    const qsizetype tree = TreeNodes(document);
    const qsizetype checked = CheckXmlMarkup(text, QStringLiteral("r.xml"));
    ASSERT_GE(checked, tree) << text.toStdString();
    ASSERT_LE(checked, tree + 1) << text.toStdString();
    counted += checked;
    made += tree;
  }
  EXPECT_GT(made, 30000);
  std::printf("  %lld nodes counted for %lld made\n", static_cast<long long>(counted),
              static_cast<long long>(made));
}

TEST(XmlPrecheck, RefusesPastEachLimitWithItsLine) {
  auto refusal = [](const std::string& text) {
    try {
      CheckXmlMarkup(QString::fromStdString(text), QStringLiteral("r.xml"));
    } catch (const EXmlImportError& e) {
      return std::string(e.what());
    }
    return std::string("(no error)");
  };
  std::string nodes = "<r>\n";
  for (int i = 1; i < MaxXmlNodes; ++i) nodes += i % 2 ? "<a/>" : "x";
  EXPECT_EQ(refusal(nodes + "</r>"), "(no error)");
  EXPECT_EQ(refusal(nodes + "<!---->\n</r>"),
            "The file \"r.xml\" holds more than 125000 elements, attributes and other nodes "
            "(line 2); it is not imported.");
  std::string attributes = "<r>\n<a";
  for (int i = 0; i < MaxXmlAttributes; ++i) attributes += " a" + std::to_string(i) + "=''";
  EXPECT_EQ(refusal(attributes + "/></r>"), "(no error)");
  EXPECT_EQ(refusal(attributes + " b=''/></r>"),
            "The file \"r.xml\" has an element with more than 1000 attributes or namespace "
            "declarations (line 2); it is not imported.");
}

}  // namespace
