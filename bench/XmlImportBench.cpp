// "Import XML" on wide and deep files: the whole import (read, count,
// parse, walk) of a document with 40 000 children of its root, and the
// refusal of a megabyte of nested elements.
#include <benchmark/benchmark.h>

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>
#include <string>

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

// About 1 MB of "<a>": refused once the stream passes the depth bound.
void BM_ImportXmlDeep1MB(benchmark::State& state) {
  QTemporaryDir dir;
  std::string text;
  for (int i = 0; i < 350000; ++i) text += "<a>";
  for (int i = 0; i < 350000; ++i) text += "</a>";
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

}  // namespace
