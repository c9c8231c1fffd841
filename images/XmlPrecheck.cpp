#include "images/XmlPrecheck.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <optional>

#include "images/XmlImport.h"

namespace {

[[noreturn]] void Refuse(const QString& text) { throw EXmlImportError(text.toStdString()); }

bool StartsWith(const char* data, size_t length, const char* bytes, size_t count) {
  return length >= count && std::memcmp(data, bytes, count) == 0;
}

// The encoding a byte order mark or the first characters show (the
// decoder skips the mark).
std::optional<QStringConverter::Encoding> EncodingOfStart(const char* data, size_t length) {
  struct TStart {
    const char* Bytes;
    size_t Count;
    QStringConverter::Encoding Encoding;
  };
  // The four-byte forms first: FF FE 00 00 starts UTF-16LE's mark too.
  static const TStart starts[] = {
      {"\xFF\xFE\0\0", 4, QStringConverter::Utf32LE},
      {"\0\0\xFE\xFF", 4, QStringConverter::Utf32BE},
      {"<\0\0\0", 4, QStringConverter::Utf32LE},
      {"\0\0\0<", 4, QStringConverter::Utf32BE},
      {"\xEF\xBB\xBF", 3, QStringConverter::Utf8},
      {"\xFF\xFE", 2, QStringConverter::Utf16LE},
      {"\xFE\xFF", 2, QStringConverter::Utf16BE},
      {"<\0?\0", 4, QStringConverter::Utf16LE},
      {"\0<\0?", 4, QStringConverter::Utf16BE},
  };
  for (const TStart& s : starts)
    if (StartsWith(data, length, s.Bytes, s.Count)) return s.Encoding;
  return std::nullopt;
}

// The encoding name of an XML declaration written in ASCII ("<?xml ...
// encoding='name' ...?>"); empty when there is none.
QByteArray DeclaredEncoding(const char* data, size_t length) {
  if (!StartsWith(data, length, "<?xml", 5)) return {};
  const QByteArray start =
      QByteArray::fromRawData(data, static_cast<qsizetype>(std::min<size_t>(length, 1024)));
  const qsizetype end = start.indexOf("?>");
  const QByteArray declaration = start.left(end < 0 ? 0 : end);
  qsizetype pos = declaration.indexOf("encoding");
  if (pos < 0) return {};
  pos += 8;
  auto skipSpace = [&] {
    while (pos < declaration.size() && (declaration[pos] == ' ' || declaration[pos] == '\t' ||
                                        declaration[pos] == '\r' || declaration[pos] == '\n'))
      ++pos;
  };
  skipSpace();
  if (pos >= declaration.size() || declaration[pos] != '=') return {};
  ++pos;
  skipSpace();
  if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\'')) return {};
  const qsizetype close = declaration.indexOf(declaration[pos], pos + 1);
  if (close < 0) return {};
  return declaration.mid(pos + 1, close - pos - 1);
}

// The position after the first Needle in Text at or after From, or Text's
// size.
qsizetype After(const QString& text, qsizetype from, const char* needle) {
  const qsizetype found = text.indexOf(QLatin1String(needle), from);
  return found < 0 ? text.size() : found + static_cast<qsizetype>(std::strlen(needle));
}

bool At(const QString& text, qsizetype pos, const char* what) {
  return QStringView(text).mid(pos).startsWith(QLatin1String(what));
}

// White space as XML has it (not every Unicode space).
bool IsXmlSpace(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
         c == QLatin1Char('\n');
}

int LineAt(const QString& text, qsizetype pos) {
  // CR LF, LF and a lone CR each end a line, as XML reads them.
  int line = 1;
  for (qsizetype i = 0; i < pos; ++i)
    if (text[i] == QLatin1Char('\n') ||
        (text[i] == QLatin1Char('\r') &&
         (i + 1 >= text.size() || text[i + 1] != QLatin1Char('\n'))))
      ++line;
  return line;
}

// Refuses the file for What, found at Pos of Text.
[[noreturn]] void RefuseAt(const QString& text, qsizetype pos, const QString& fileName,
                           const QString& what) {
  Refuse(QStringLiteral("The file \"%1\" %2 (line %3); it is not imported.")
             .arg(fileName, what)
             .arg(LineAt(text, pos)));
}

// From the '<' of a start tag or a document type at Pos: the position of
// its closing '>' (or '[' where Subset stops there) outside quoted values,
// or the text's size; Equals counts the '=' outside quoted values.
qsizetype EndOfTag(const QString& text, qsizetype pos, bool subset, int& equals) {
  QChar quote;
  equals = 0;
  for (qsizetype i = pos + 1; i < text.size(); ++i) {
    const QChar c = text[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
    } else if (c == QLatin1Char('=')) {
      ++equals;
    } else if (c == QLatin1Char('>') || c == QLatin1Char('<') ||
               (subset && c == QLatin1Char('['))) {
      return i;
    }
  }
  return text.size();
}

}  // namespace

QString DecodeXmlText(const char* Data, size_t Length, const QString& FileName) {
  QStringDecoder decoder;
  if (const auto encoding = EncodingOfStart(Data, Length)) {
    decoder = QStringDecoder(*encoding);
  } else if (const QByteArray name = DeclaredEncoding(Data, Length); !name.isEmpty()) {
    decoder = QStringDecoder(name.constData());
    if (!decoder.isValid())
      Refuse(QStringLiteral("The file \"%1\" is in an encoding that is not known (%2); it is not "
                            "imported.")
                 .arg(FileName, QString::fromLatin1(name)));
  } else {
    decoder = QStringDecoder(QStringConverter::Utf8);
  }
  QString text = decoder.decode(QByteArrayView(Data, static_cast<qsizetype>(Length)));
  if (decoder.hasError())
    Refuse(QStringLiteral("The file \"%1\" is not well-formed XML: it holds bytes that are not "
                          "text in its encoding (%2).")
               .arg(FileName, QString::fromLatin1(decoder.name())));
  return text;
}

qsizetype CheckXmlMarkup(const QString& Text, const QString& FileName) {
  // Nodes the tree parser would make: elements, attributes (two each: the
  // attribute and its value), text runs that are not only white space
  // (which it drops), comments, character data, processing instructions
  // and the document type.
  qsizetype nodes = 0;
  qsizetype pos = 0;  // the first character not looked at yet
  for (;;) {
    const qsizetype open = Text.indexOf(QLatin1Char('<'), pos);
    const qsizetype textEnd = open < 0 ? Text.size() : open;
    for (qsizetype i = pos; i < textEnd; ++i)
      if (!IsXmlSpace(Text[i])) {
        ++nodes;
        break;
      }
    if (open < 0) break;
    ++nodes;
    // Comments, character data and processing instructions end where the
    // parser ends them: at the first closing sequence.
    if (At(Text, open, "<!--")) {
      pos = After(Text, open + 4, "-->");
    } else if (At(Text, open, "<![CDATA[")) {
      pos = After(Text, open + 9, "]]>");
    } else if (At(Text, open, "<?")) {
      pos = After(Text, open + 2, "?>");
    } else if (At(Text, open, "</")) {
      --nodes;
      pos = After(Text, open + 2, ">");
    } else {
      int equals = 0;
      const bool doctype = At(Text, open, "<!DOCTYPE");
      const qsizetype end = EndOfTag(Text, open, doctype, equals);
      if (doctype && end < Text.size() && Text[end] == QLatin1Char('['))
        RefuseAt(Text, open, FileName, QStringLiteral("has declarations in its document type"));
      if (equals > MaxXmlAttributes)
        RefuseAt(Text, open, FileName,
                 QStringLiteral("has an element with more than %1 attributes or namespace "
                                "declarations")
                     .arg(MaxXmlAttributes));
      nodes += 2 * qsizetype{equals};
      pos = end < Text.size() && Text[end] == QLatin1Char('>') ? end + 1 : end;
    }
    if (nodes > MaxXmlNodes)
      RefuseAt(Text, open, FileName,
               QStringLiteral("holds more than %1 elements, attributes and other nodes")
                   .arg(MaxXmlNodes));
  }
  return nodes;
}
