#include "images/ImageFormats.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <vector>

#include "images/BinaryFile.h"
#include "images/CardRecordSink.h"
#include "images/ElfFile.h"
#include "images/HexFileUnit.h"
#include "images/ImageFileIo.h"
#include "images/RecordText.h"
#include "images/SRecordFile.h"

namespace {

struct TExtension {
  const char* Suffix;
  TImageFormat Format;
};

constexpr TExtension Extensions[] = {
    {"hex", ifIntelHex}, {"ihx", ifIntelHex}, {"eep", ifIntelHex}, {"srec", ifSRecord},
    {"s19", ifSRecord},  {"s28", ifSRecord},  {"s37", ifSRecord},  {"mot", ifSRecord},
    {"bin", ifBinary},   {"elf", ifElf},
};

// Patterns of one format's extensions, "*.a;*.b".
QString Patterns(TImageFormat format) {
  QStringList patterns;
  for (const TExtension& e : Extensions)
    if (e.Format == format) patterns << QStringLiteral("*.") + QLatin1String(e.Suffix);
  return patterns.join(QLatin1Char(';'));
}

QString FilterEntry(const QString& name, const QString& patterns) {
  return QStringLiteral("%1 (%2)|%2").arg(name, patterns);
}

// A function, not a global: the filters may be asked for while other
// files' globals are being made.
QString AllFiles() { return QStringLiteral("All files (*.*)|*.*"); }

// The first characters after leading line ends are only those of records
// starting with Start: true when they start Start then a character of Next.
bool LooksLikeRecords(const char* data, size_t length, char start, bool (*next)(char)) {
  size_t pos = 0;
  while (pos < length && (data[pos] == '\r' || data[pos] == '\n')) ++pos;
  const size_t end = std::min(length, pos + 256);
  if (end - pos < 2 || data[pos] != start || !next(data[pos + 1])) return false;
  for (size_t i = pos + 1; i < end; ++i) {
    const char c = data[i];
    if (HexDigitOf(c) < 0 && c != start && c != '\r' && c != '\n') return false;
  }
  return true;
}

// Takes records into nothing, noting whether any hold data and whether any
// lie above the flash range.
class TLayoutSink : public TRecordSink {
public:
  bool Place(uint64_t Address, uint32_t Length, uint8_t*& Dest) override {
    if (Length > 0) FHoldsData = true;
    if (Length > 0 && Address + Length > CardImageLimit[imFlash]) FCardLayout = true;
    Dest = FDropped;
    return true;
  }
  bool HoldsData() const { return FHoldsData; }
  bool CardLayout() const { return FCardLayout; }

private:
  bool FHoldsData = false;
  bool FCardLayout = false;
  uint8_t FDropped[256];
};

void ParseRecords(TImageFormat format, const char* data, size_t length, const QString& fileName,
                  TRecordSink& sink) {
  if (format == ifSRecord)
    ParseSRecords(data, length, fileName, sink);
  else
    ParseHexRecords(data, length, fileName, sink);
}

// Returns whether the file is a whole-card layout.
bool LoadRecords(const char* data, size_t length, const QString& fileName, TImageFormat format,
                 TImageMemory memory, uint8_t* buffer, int32_t size) {
  auto parse = [&](TRecordSink& sink) { ParseRecords(format, data, length, fileName, sink); };
  TLayoutSink layout;
  parse(layout);
  if (!layout.HoldsData()) RefuseNoData(fileName);
  if (!layout.CardLayout()) {
    TBufferSink sink(buffer, size);
    parse(sink);
    return false;
  }
  std::array<TImageBuffer, ImageMemoryCount> images;
  for (int m = 0; m < ImageMemoryCount; ++m)
    images[m] = {nullptr, static_cast<int32_t>(CardImageLimit[m] - CardImageBase[m])};
  images[memory] = {buffer, size};
  TCardRecordSink sink(images);
  parse(sink);
  if (!sink.Held()[memory])
    throw EHexFileError(
        std::string("The file holds nothing for the ") + ImageMemoryName(memory) + "!", fileName);
  return true;
}

}  // namespace

const char* ImageFormatName(TImageFormat Format) {
  switch (Format) {
    case ifIntelHex: return "Intel HEX";
    case ifSRecord: return "Motorola S-record";
    case ifBinary: return "binary";
    case ifElf: return "ELF";
  }
  return "";
}

std::optional<TImageFormat> ImageFormatOfExtension(const QString& FileName) {
  const QString suffix = QFileInfo(FileName).suffix().toLower();
  for (const TExtension& e : Extensions)
    if (suffix == QLatin1String(e.Suffix)) return e.Format;
  return std::nullopt;
}

TImageFormat DetectImageFormat(const char* Data, size_t Length, const QString& FileName) {
  const std::optional<TImageFormat> named = ImageFormatOfExtension(FileName);
  auto either = [&](TImageFormat found) { return named == ifBinary ? ifBinary : found; };
  if (HasElfMagic(Data, Length)) return either(ifElf);
  if (LooksLikeRecords(Data, Length, ':', [](char c) { return HexDigitOf(c) >= 0; }))
    return either(ifIntelHex);
  if (LooksLikeRecords(Data, Length, 'S', [](char c) { return c >= '0' && c <= '9'; }))
    return either(ifSRecord);
  return named.value_or(ifBinary);
}

TImageFormat SaveFormatOf(const QString& FileName) {
  const std::optional<TImageFormat> named = ImageFormatOfExtension(FileName);
  return named && *named != ifElf ? *named : ifIntelHex;
}

TImageFormat LoadImageData(const char* Data, size_t Length, const QString& FileName,
                           TImageMemory Memory, uint8_t* Buffer, int32_t Size, bool* WholeCard) {
  if (Length == 0) RefuseNoData(FileName);
  const TImageFormat format = DetectImageFormat(Data, Length, FileName);
  // Into a copy first: a file that fails half way leaves the image alone.
  const int32_t size = std::max<int32_t>(Size, 0);
  std::vector<uint8_t> scratch(Buffer, Buffer + size);
  bool wholeCard = false;
  switch (format) {
    case ifBinary: ReadBinaryData(Data, Length, scratch.data(), size, FileName); break;
    case ifElf: ReadElfData(Data, Length, Memory, scratch.data(), size, FileName); break;
    case ifIntelHex:
    case ifSRecord:
      wholeCard = LoadRecords(Data, Length, FileName, format, Memory, scratch.data(), size);
      break;
  }
  if (size > 0) std::memcpy(Buffer, scratch.data(), scratch.size());
  if (WholeCard) *WholeCard = wholeCard;
  return format;
}

bool IsCardImageLayout(const QString& FileName) {
  try {
    const std::vector<char> bytes = ReadImageFileBytes(FileName);
    const TImageFormat format = DetectImageFormat(bytes.data(), bytes.size(), FileName);
    if (format != ifIntelHex && format != ifSRecord) return false;
    TLayoutSink layout;
    ParseRecords(format, bytes.data(), bytes.size(), FileName, layout);
    return layout.CardLayout();
  } catch (const std::exception&) {
    return false;
  }
}

TImageFormat LoadImageFile(const QString& FileName, TImageMemory Memory, uint8_t* Buffer,
                           int32_t Size, bool* WholeCard) {
  const std::vector<char> bytes = ReadImageFileBytes(FileName);
  return LoadImageData(bytes.data(), bytes.size(), FileName, Memory, Buffer, Size, WholeCard);
}

void SaveImageFileAs(const QString& FileName, TImageFormat Format, const uint8_t* Buffer,
                     int32_t Size) {
  switch (Format) {
    case ifIntelHex: WriteHexFile(FileName, Buffer, Size); return;
    case ifSRecord: WriteSRecordFile(FileName, Buffer, Size); return;
    case ifBinary: WriteBinaryFile(FileName, Buffer, Size); return;
    case ifElf: break;
  }
  throw EHexFileError("ELF files cannot be written!", FileName);
}

TImageFormat SaveImageFile(const QString& FileName, const uint8_t* Buffer, int32_t Size) {
  const TImageFormat format = SaveFormatOf(FileName);
  SaveImageFileAs(FileName, format, Buffer, Size);
  return format;
}

QString ImageOpenFilter() {
  const QString all =
      QStringList{Patterns(ifIntelHex), Patterns(ifSRecord), Patterns(ifBinary), Patterns(ifElf)}
          .join(QLatin1Char(';'));
  return QStringList{FilterEntry(QStringLiteral("Image files"), all),
                     FilterEntry(QStringLiteral("Intel HEX files"), Patterns(ifIntelHex)),
                     FilterEntry(QStringLiteral("Motorola S-record files"), Patterns(ifSRecord)),
                     FilterEntry(QStringLiteral("Binary files"), Patterns(ifBinary)),
                     FilterEntry(QStringLiteral("ELF files"), Patterns(ifElf)),
                     AllFiles()}
      .join(QLatin1Char('|'));
}

QString ImageSaveFilter() {
  return QStringList{FilterEntry(QStringLiteral("Intel HEX files"), Patterns(ifIntelHex)),
                     FilterEntry(QStringLiteral("Motorola S-record files"), Patterns(ifSRecord)),
                     FilterEntry(QStringLiteral("Binary files"), Patterns(ifBinary)), AllFiles()}
      .join(QLatin1Char('|'));
}

QString CardImageFilter() {
  return QStringList{FilterEntry(QStringLiteral("Card image files"), QStringLiteral("*.hex")),
                     AllFiles()}
      .join(QLatin1Char('|'));
}
