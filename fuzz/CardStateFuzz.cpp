// pellar-cli's card state file (--card-state): any file is refused as a
// file error or read into a state whose memories have exactly its chips'
// sizes, which a virtual card of those chips takes and gives back, and
// which writes and reads back the same.
#include <QFile>
#include <QTemporaryDir>

#include "cli/CardState.h"
#include "cli/ExitCodes.h"
#include "fuzz/FuzzSupport.h"
#include "images/DeviceCatalogue.h"
#include "sim/VirtualCard.h"

namespace {

bool SameState(const TCardState& a, const TCardState& b) {
  return a.ProcessorRow == b.ProcessorRow && a.EepromRow == b.EepromRow && a.Flash == b.Flash &&
         a.InternalEeprom == b.InternalEeprom && a.ExternalEeprom == b.ExternalEeprom &&
         a.StopAnsweringAfter == b.StopAnsweringAfter && a.EepromAbsent == b.EepromAbsent;
}

void CheckState(const TCardState& state, const QString& folder) {
  const ProcessorInfo* processor = ProcessorAt(state.ProcessorRow);
  FuzzCheck(processor != nullptr && state.EepromRow >= 0, "a state of unknown chips");
  FuzzCheck(
      state.Flash.size() == static_cast<size_t>(processor->FlashSize) &&
          state.InternalEeprom.size() == static_cast<size_t>(processor->EepromSize) &&
          state.ExternalEeprom.size() == static_cast<size_t>(EepromTable[state.EepromRow].Size),
      "a memory that is not its chip's size");
  TVirtualCardConfig config;
  config.ProcessorRow = state.ProcessorRow;
  config.EepromRow = state.EepromRow;
  TVirtualCard card(config);
  LoadCardState(card, state);
  FuzzCheck(SameState(CardStateOf(card), state), "a state the virtual card does not give back");
  const QString again = folder + QStringLiteral("/again.json");
  WriteCardStateFile(again, state);
  FuzzCheck(SameState(ReadCardStateFile(again), state), "a state that does not read back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("card.json"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size))
      FuzzFinding("cannot write the input to " + path.toStdString());
  }
  try {
    CheckState(ReadCardStateFile(path), folder.path());
  } catch (const ECliError& e) {
    if (e.Code != ecFile)
      FuzzFinding(std::string("a state file refused as no file error: ") + e.what());
  } catch (const EHexFileError&) {
  } catch (const EOSError&) {
  }
  return 0;
}
