// "Import XML" on the file's bytes: a refused file leaves the loaded
// document as it was; an imported one keeps to every limit the import
// promises (nodes, attributes an element, depth), holds no more characters
// than the file (no entity expands it) and its element count is the
// tree's.
#include <QDomDocument>
#include <QDomElement>

#include "fuzz/FuzzSupport.h"
#include "images/XmlImport.h"

namespace {

struct TTreeTally {
  int Elements = 0;
  int Nodes = 0;
  int Depth = 0;
  qsizetype Characters = 0;  // of every name and value
};

qsizetype CharactersOf(const QDomNode& node) {
  return node.nodeName().size() + node.nodeValue().size();
}

// Nodes below Node (an attribute with its value), the elements among them
// and the deepest element. Iterative: no recursion as deep as a document.
TTreeTally Tally(const QDomNode& top) {
  TTreeTally tally;
  QDomNode node = top.firstChild();
  int depth = 1;
  while (!node.isNull()) {
    ++tally.Nodes;
    tally.Characters += CharactersOf(node);
    if (node.isElement()) {
      ++tally.Elements;
      tally.Depth = std::max(tally.Depth, depth);
      const QDomNamedNodeMap attributes = node.attributes();
      FuzzCheck(attributes.count() <= MaxXmlAttributes, "an element past the attribute limit");
      for (int i = 0; i < attributes.count(); ++i) {
        tally.Nodes += 1 + attributes.item(i).childNodes().count();
        tally.Characters += CharactersOf(attributes.item(i));
      }
    }
    if (!node.firstChild().isNull()) {
      node = node.firstChild();
      ++depth;
      continue;
    }
    while (!node.isNull() && node.nextSibling().isNull() && node != top) {
      node = node.parentNode();
      --depth;
    }
    if (node.isNull() || node == top) break;
    node = node.nextSibling();
  }
  return tally;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QDomDocument kept = [] {
    QDomDocument document;
    document.setContent(QStringLiteral("<kept/>"));
    return document;
  }();
  QDomDocument document = kept.cloneNode(true).toDocument();
  try {
    const int elements =
        LoadXmlData(document, reinterpret_cast<const char*>(data), size, QStringLiteral("f.xml"));
    const TTreeTally tally = Tally(document);
    FuzzCheck(tally.Elements == elements, "the element count is not the tree's");
    FuzzCheck(tally.Nodes <= MaxXmlNodes, "a document past the node limit");
    FuzzCheck(tally.Depth <= MaxXmlDepth, "a document past the depth limit");
    // Nothing expands: the tree holds no more characters than the file.
    FuzzCheck(tally.Characters <= static_cast<qsizetype>(size), "a document larger than its file");
    FuzzCheck(WalkXmlDocument(document) >= 0, "a walk without its count");
  } catch (const EXmlImportError&) {
    FuzzCheck(document.documentElement().nodeName() == QStringLiteral("kept") &&
                  document.documentElement().firstChild().isNull(),
              "a refused file changed the loaded document");
  }
  return 0;
}
