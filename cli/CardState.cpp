#include "cli/CardState.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>

#include "cli/ExitCodes.h"
#include "images/DeviceCatalogue.h"
#include "images/ImageFileIo.h"
#include "sim/VirtualCard.h"

namespace {

const QString FormatName = QStringLiteral("pellar-virtual-card");
constexpr int FormatVersion = 1;

[[noreturn]] void Refuse(const QString& fileName, const QString& text) {
  throw ECliError(ecFile, QStringLiteral("%1: %2").arg(fileName, text).toStdString());
}

std::vector<uint8_t> Memory(const QJsonObject& json, const char* key, int size,
                            const QString& fileName) {
  const QJsonValue value = json.value(QLatin1String(key));
  if (!value.isString()) Refuse(fileName, QStringLiteral("the card state has no \"%1\"").arg(key));
  const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) Refuse(fileName, QStringLiteral("\"%1\" is not base64").arg(key));
  const QByteArray& bytes = *decoded;
  if (bytes.size() != size)
    Refuse(fileName, QStringLiteral("\"%1\" holds %2 bytes; the chip has %3")
                         .arg(key)
                         .arg(bytes.size())
                         .arg(size));
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A fault's count of port accesses.
uint64_t AccessCount(const QString& key, const QJsonValue& value, const QString& fileName) {
  const double count = value.toDouble(-1);
  if (count < 0 || count > 1e15 || count != static_cast<double>(static_cast<uint64_t>(count)))
    Refuse(fileName, QStringLiteral("\"%1\" is not a count of port accesses").arg(key));
  return static_cast<uint64_t>(count);
}

// The "faults" object, when there is one.
void ReadFaults(const QJsonObject& json, TCardState& state, const QString& fileName) {
  const QJsonValue value = json.value(QLatin1String("faults"));
  if (value.isUndefined()) return;
  if (!value.isObject()) Refuse(fileName, QStringLiteral("\"faults\" is not an object"));
  const QJsonObject faults = value.toObject();
  for (auto it = faults.begin(); it != faults.end(); ++it) {
    if (it.key() == QLatin1String("stop-answering-after")) {
      state.StopAnsweringAfter = AccessCount(it.key(), it.value(), fileName);
    } else if (it.key() == QLatin1String("io-error-after")) {
      state.IoErrorAfter = AccessCount(it.key(), it.value(), fileName);
    } else if (it.key() == QLatin1String("eeprom-absent")) {
      if (!it.value().isBool())
        Refuse(fileName, QStringLiteral("\"eeprom-absent\" is not true or false"));
      state.EepromAbsent = it.value().toBool();
    } else {
      Refuse(fileName,
             QStringLiteral("unknown fault \"%1\" (the faults are \"stop-answering-after\", "
                            "\"eeprom-absent\" and \"io-error-after\")")
                 .arg(it.key()));
    }
  }
}

QString Base64(const std::vector<uint8_t>& bytes) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
          .toBase64());
}

}  // namespace

TCardState ReadCardStateFile(const QString& fileName) {
  const std::vector<char> text = ReadImageFileBytes(fileName);
  QJsonParseError parseError{};
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &parseError);
  if (document.isNull() || !document.isObject())
    Refuse(fileName,
           QStringLiteral("not a virtual card state file (%1)").arg(parseError.errorString()));
  const QJsonObject json = document.object();
  if (json.value(QLatin1String("format")).toString() != FormatName)
    Refuse(fileName, QStringLiteral("not a virtual card state file"));
  if (json.value(QLatin1String("version")).toInt() != FormatVersion)
    Refuse(fileName, QStringLiteral("a virtual card state file of another version"));

  TCardState state;
  const QString processor = json.value(QLatin1String("processor")).toString();
  const QString eeprom = json.value(QLatin1String("eeprom")).toString();
  state.ProcessorRow = FindProcessorRow(processor.toStdString());
  state.EepromRow = FindEepromRow(eeprom.toStdString());
  if (state.ProcessorRow < 0)
    Refuse(fileName, QStringLiteral("unknown processor \"%1\"").arg(processor));
  if (state.EepromRow < 0) Refuse(fileName, QStringLiteral("unknown EEPROM \"%1\"").arg(eeprom));
  const ProcessorInfo& p = *ProcessorAt(state.ProcessorRow);
  state.Flash = Memory(json, "flash", p.FlashSize, fileName);
  state.InternalEeprom = Memory(json, "internal-eeprom", p.EepromSize, fileName);
  state.ExternalEeprom =
      Memory(json, "external-eeprom", EepromTable[state.EepromRow].Size, fileName);
  ReadFaults(json, state, fileName);
  return state;
}

void WriteCardStateFile(const QString& fileName, const TCardState& state) {
  QJsonObject json;
  json.insert(QLatin1String("format"), FormatName);
  json.insert(QLatin1String("version"), FormatVersion);
  json.insert(QLatin1String("processor"), QLatin1String(ProcessorAt(state.ProcessorRow)->Name));
  json.insert(QLatin1String("eeprom"), QLatin1String(EepromTable[state.EepromRow].Name));
  json.insert(QLatin1String("flash"), Base64(state.Flash));
  json.insert(QLatin1String("internal-eeprom"), Base64(state.InternalEeprom));
  json.insert(QLatin1String("external-eeprom"), Base64(state.ExternalEeprom));
  QJsonObject faults;
  if (state.StopAnsweringAfter)
    faults.insert(QLatin1String("stop-answering-after"),
                  static_cast<double>(state.StopAnsweringAfter));
  if (state.EepromAbsent) faults.insert(QLatin1String("eeprom-absent"), true);
  if (state.IoErrorAfter)
    faults.insert(QLatin1String("io-error-after"), static_cast<double>(state.IoErrorAfter));
  if (!faults.isEmpty()) json.insert(QLatin1String("faults"), faults);
  const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Indented);
  WriteFileAtomically(fileName,
                      [&](const TFileChunkSink& sink) { sink(text.constData(), text.size()); });
}

TCardState CardStateOf(TVirtualCard& card) {
  TCardState state;
  state.ProcessorRow = FindProcessorRow(card.Processor().Name);
  state.EepromRow = FindEepromRow(card.EepromChip().Name);
  const std::vector<uint16_t>& words = card.Flash();
  state.Flash.resize(words.size() * 2);
  for (size_t w = 0; w < words.size(); ++w) {
    state.Flash[2 * w] = static_cast<uint8_t>(words[w] & 0xFF);
    state.Flash[2 * w + 1] = static_cast<uint8_t>(words[w] >> 8);
  }
  state.InternalEeprom = card.InternalEeprom();
  state.ExternalEeprom = card.ExternalEeprom().Memory;
  state.StopAnsweringAfter = card.Faults().MisoStuckAfterAccesses;
  state.EepromAbsent = card.Faults().EepromAbsent;
  return state;
}

void LoadCardState(TVirtualCard& card, const TCardState& state) {
  card.LoadFlash(state.Flash);
  std::vector<uint8_t>& eeprom = card.InternalEeprom();
  std::memcpy(eeprom.data(), state.InternalEeprom.data(),
              std::min(eeprom.size(), state.InternalEeprom.size()));
  std::vector<uint8_t>& external = card.ExternalEeprom().Memory;
  std::memcpy(external.data(), state.ExternalEeprom.data(),
              std::min(external.size(), state.ExternalEeprom.size()));
  card.Faults().MisoStuckAfterAccesses = state.StopAnsweringAfter;
  card.Faults().MisoStuckAfterHigh = false;
  card.Faults().EepromAbsent = state.EepromAbsent;
}
