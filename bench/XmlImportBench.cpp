// "Import XML" on wide and deep files: the whole import (read, check,
// count, parse, walk) of a document with 40 000 children of its root, the
// refusal of a megabyte of nested elements, and the files at the import's
// limits (1 MiB; 1000 attributes or namespace declarations on an element),
// which must each take well under a second, with the reproducers of the
// quadratic cases (40 000 attributes, 40 000 namespace declarations), now
// refused before a parser sees them.
#include <benchmark/benchmark.h>

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>
#include <string>
#include <utility>

#include "images/XmlImport.h"

namespace {

QString WriteFile(const QTemporaryDir& dir, const char* name, const std::string& text) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    throw std::runtime_error("cannot write the benchmark's XML file");
  return path;
}

void BM_ImportXml40K(benchmark::State& state) {
  QTemporaryDir dir;
  std::string text = "<?xml version=\"1.0\"?><card>";
  for (int i = 0; i < 40000; ++i) text += "<byte a=\"" + std::to_string(i & 0xFF) + "\"/>";
  text += "</card>";
  const QString path = WriteFile(dir, "wide.xml", text);
  for (auto _ : state) {
    QDomDocument document;
    benchmark::DoNotOptimize(ImportXmlFile(document, path));
  }
}
BENCHMARK(BM_ImportXml40K)->Unit(benchmark::kMillisecond);

// 630 KB of "<a>" and "</a>": refused once the stream passes the
// depth bound.
void BM_ImportXmlDeep1MB(benchmark::State& state) {
  QTemporaryDir dir;
  std::string text;
  for (int i = 0; i < 90000; ++i) text += "<a>";
  for (int i = 0; i < 90000; ++i) text += "</a>";
  const QString path = WriteFile(dir, "deep.xml", text);
  for (auto _ : state) {
    QDomDocument document;
    try {
      ImportXmlFile(document, path);
      state.SkipWithError("the over-deep file was imported");
    } catch (const EXmlImportError&) {
    }
  }
}
BENCHMARK(BM_ImportXmlDeep1MB)->Unit(benchmark::kMillisecond);

// Items inside a root element: as many as the file's size and node limits
// take (Nodes: the nodes of one item), then white space up to the size
// limit, which makes no nodes but is read.
std::string FillToLimits(const std::string& item, int nodes, const std::string& open = "",
                         const std::string& close = "", int openNodes = 0) {
  std::string text = "<card>" + open;
  int used = 1 + openNodes;
  const size_t room = static_cast<size_t>(MaxXmlFileSize) - close.size() - 7;
  while (used + nodes <= MaxXmlNodes && text.size() + item.size() <= room) {
    text += item;
    used += nodes;
  }
  text += std::string(room - text.size(), '\n');
  return text + close + "</card>";
}

// One element with Count attributes named Prefix0, Prefix1, ...
std::string Wide(int count, const char* prefix, const char* value, const char* end = "/>") {
  std::string text = "<e";
  for (int i = 0; i < count; ++i)
    text += " " + std::string(prefix) + std::to_string(i) + "='" + value + "'";
  return text + end;
}

// Elements nested Depth deep, each made by Open; their end tags.
std::pair<std::string, std::string> Nest(int depth, const std::string& open) {
  std::string opening, closing;
  for (int level = 0; level < depth; ++level) {
    opening += open;
    closing += "</e>";
  }
  return {opening, closing};
}

// Imports the file once per iteration; Accepted says whether it must import
// or be refused.
void ImportEach(benchmark::State& state, const std::string& text, bool accepted) {
  QTemporaryDir dir;
  const QString path = WriteFile(dir, "limit.xml", text);
  for (auto _ : state) {
    QDomDocument document;
    try {
      benchmark::DoNotOptimize(ImportXmlFile(document, path));
      if (!accepted) state.SkipWithError("the file was imported");
    } catch (const EXmlImportError& e) {
      if (accepted) state.SkipWithError(e.what());
    }
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}

// Files at the limits (1 MiB, 1000 attributes an element, 125 000 nodes),
// each made of what costs the parsers most. Elements with 1000 attributes,
// or namespace declarations: the quadratic attribute check at its bound.
void BM_ImportXmlAttributesAtLimit(benchmark::State& state) {
  ImportEach(state, FillToLimits(Wide(MaxXmlAttributes, "a", ""), 2 * MaxXmlAttributes + 1), true);
}
BENCHMARK(BM_ImportXmlAttributesAtLimit)->Unit(benchmark::kMillisecond);

void BM_ImportXmlNamespacesAtLimit(benchmark::State& state) {
  ImportEach(state, FillToLimits(Wide(MaxXmlAttributes, "xmlns:p", "u"), 2 * MaxXmlAttributes + 1),
             true);
}
BENCHMARK(BM_ImportXmlNamespacesAtLimit)->Unit(benchmark::kMillisecond);

// Attributes on elements nested as deep as the import takes them: every
// node the tree parser makes looks up its document through its ancestors.
void BM_ImportXmlDeepAttributesAtLimit(benchmark::State& state) {
  const int perElement = (MaxXmlNodes / (MaxXmlDepth - 1) - 2) / 2;
  const auto [open, close] = Nest(MaxXmlDepth - 1, Wide(perElement, "a", "", ">"));
  ImportEach(state, FillToLimits("", 1, open, close, (MaxXmlDepth - 1) * (2 * perElement + 1)),
             true);
}
BENCHMARK(BM_ImportXmlDeepAttributesAtLimit)->Unit(benchmark::kMillisecond);

// 48 elements nested with 1000 namespace declarations each, then the
// outermost prefix used by as many elements as fit: each use looks
// through the declarations in scope.
void BM_ImportXmlNestedNamespacesAtLimit(benchmark::State& state) {
  const auto [open, close] = Nest(48, Wide(MaxXmlAttributes, "xmlns:p", "u", ">"));
  ImportEach(state, FillToLimits("<p0:a/>", 1, open, close, 48 * (2 * MaxXmlAttributes + 1)), true);
}
BENCHMARK(BM_ImportXmlNestedNamespacesAtLimit)->Unit(benchmark::kMillisecond);

// The smallest nodes of each kind, as many as the limits take, at the
// deepest nesting.
void BM_ImportXmlSmallNodesAtLimit(benchmark::State& state) {
  const auto [open, close] = Nest(MaxXmlDepth - 2, "<e>");
  const std::pair<const char*, int> items[] = {
      {"<a/>", 1}, {"<a b=''/>", 3}, {"<a>x</a>", 2}, {"x<!---->", 2}, {"x<?a?>", 2}};
  const auto& [item, nodes] = items[state.range(0)];
  state.SetLabel(item);
  ImportEach(state, FillToLimits(item, nodes, open, close, MaxXmlDepth - 2), true);
}
BENCHMARK(BM_ImportXmlSmallNodesAtLimit)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The reproducers: one element with 40 000 attributes, or 40 000 namespace
// declarations (6 s and more in the parsers); refused by the check.
void BM_ImportXml40KAttributes(benchmark::State& state) {
  ImportEach(state, "<card>" + Wide(40000, "a", "") + "</card>", false);
}
BENCHMARK(BM_ImportXml40KAttributes)->Unit(benchmark::kMillisecond);

void BM_ImportXml40KNamespaces(benchmark::State& state) {
  ImportEach(state, "<card>" + Wide(40000, "xmlns:p", "u") + "</card>", false);
}
BENCHMARK(BM_ImportXml40KNamespaces)->Unit(benchmark::kMillisecond);

}  // namespace
