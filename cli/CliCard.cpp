#include "cli/CliCard.h"

#include <QFileInfo>

#include <cstdio>

#include "card/CardSession.h"
#include "cli/CountingPortSource.h"
#include "cli/ExitCodes.h"
#include "cli/FailingPortSource.h"
#include "images/DeviceCatalogue.h"
#include "link/AdapterFile.h"
#include "link/FtdiPortSource.h"
#include "link/GpioPortSource.h"
#include "link/LinuxPortSource.h"

namespace {

// The rows the options choose before the card is asked: the expected
// processor, else the virtual card's, else the first (the largest); the
// EEPROM named, else the virtual card's, else none.
int FirstProcessorRow(const TCliOptions& options, const TVirtualCardConfig& config) {
  if (options.ProcessorRow >= 0) return options.ProcessorRow;
  return options.VirtualCard ? config.ProcessorRow : 0;
}

int FirstEepromRow(const TCliOptions& options, const TVirtualCardConfig& config) {
  if (options.EepromRow >= 0) return options.EepromRow;
  return options.VirtualCard ? config.EepromRow : -1;
}

std::string Chips(int processorRow, int eepromRow) {
  return std::string(ProcessorAt(processorRow)->Name) + " with a " + EepromTable[eepromRow].Name;
}

// The virtual card the options ask for, with the chips of the state file
// when they name none.
TVirtualCardConfig CardConfig(const TCliOptions& options, const std::optional<TCardState>& state) {
  TVirtualCardConfig config = options.VirtualCardConfig;
  if (!state) return config;
  const bool same =
      state->ProcessorRow == config.ProcessorRow && state->EepromRow == config.EepromRow;
  if (options.VirtualCardChipsNamed && !same)
    throw ECliError(ecFile, options.CardState.toStdString() + ": the card state is of an " +
                                Chips(state->ProcessorRow, state->EepromRow) +
                                ", --virtual-card names an " +
                                Chips(config.ProcessorRow, config.EepromRow) +
                                "; refused (name the state's chips, or none)");
  config.ProcessorRow = state->ProcessorRow;
  config.EepromRow = state->EepromRow;
  return config;
}

// --eeprom-type against a virtual card whose EEPROM is known (from the
// state file, or named by --virtual-card): another type would only fail
// later, at the first page that does not read back.
void CheckEepromType(const TCliOptions& options, const std::optional<TCardState>& state,
                     const TVirtualCardConfig& config) {
  if (options.EepromRow < 0 || options.EepromRow == config.EepromRow) return;
  const std::string named = EepromTable[options.EepromRow].Name;
  const std::string card = EepromTable[config.EepromRow].Name;
  if (state)
    throw ECliError(ecFile, options.CardState.toStdString() + ": the card state is of a card with a " +
                                card + ", --eeprom-type names a " + named +
                                "; refused (name the state's EEPROM, or none)");
  if (options.VirtualCardChipsNamed)
    throw ECliError(ecUsage, "--virtual-card names a card with a " + card +
                                 ", --eeprom-type names a " + named +
                                 "; refused (name one EEPROM, or leave out --eeprom-type)");
}

// The port an address or device node names ("0x378", "/dev/parport0",
// "ftdi:A50285BI"; "ftdi" for the only FTDI adapter; "gpio:chip"), or -1.
int FindPort(const TLptPort& port, const QString& name) {
  if (name.startsWith(QLatin1String("gpio:"))) return FindGpioPort(port, name.mid(5).toStdString());
  if (name == QLatin1String("ftdi")) {
    int found = -1;
    for (int i = 0; i < port.PortCount; ++i) {
      if (port.PortNodes[i].rfind(TFtdiPortSource::NodePrefix, 0) != 0) continue;
      if (found >= 0) return -1;  // more than one: name it
      found = i;
    }
    return found;
  }
  QString digits = name;
  if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) digits = digits.mid(2);
  bool isAddress = false;
  const uint address = digits.toUInt(&isAddress, 16);
  for (int i = 0; i < port.PortCount; ++i) {
    if (isAddress && port.PortAddresses[i] == address && !port.PortLabels[i].empty()) continue;
    if (isAddress && port.PortAddresses[i] == address) return i;
    if (!isAddress && port.PortNodes[i] == name.toStdString()) return i;
  }
  return -1;
}

}  // namespace

TCliCard::TSetup TCliCard::Prepare(const TCliOptions& options) {
  TSetup setup;
  if (!options.CardState.isEmpty() && QFileInfo::exists(options.CardState))
    setup.State = ReadCardStateFile(options.CardState);
  setup.Config = CardConfig(options, setup.State);
  if (options.VirtualCard) CheckEepromType(options, setup.State, setup.Config);
  return setup;
}

TCliCard::TCliCard(const TCliOptions& options, TConsole& console)
    : TCliCard(options, console, Prepare(options)) {}

TCliCard::TCliCard(const TCliOptions& options, TConsole& console, TSetup setup)
    : Options(options),
      Out(console),
      SavedState(std::move(setup.State)),
      Host(console, options.Force),
      Port(MakePort(setup.Config)),
      Link(*Port),
      Avr(Link, Host),
      Loader(Link, Avr, Host),
      Context{*Port, Link, Avr, Loader, Host} {
  // The chips of the run: the options' and the state file's; the card's
  // signature then names the processor.
  Avr.Chips = {FirstProcessorRow(options, setup.Config), FirstEepromRow(options, setup.Config),
               options.ProcessorRow};
}

TCliCard::~TCliCard() = default;

std::unique_ptr<TLptPort> TCliCard::MakePort(const TVirtualCardConfig& config) {
  std::vector<std::unique_ptr<TPortSource>> sources;
  if (Options.VirtualCard) {
    // The virtual card alone: a run meant for it never reaches a real port.
    auto source = std::make_unique<TVirtualCardPortSource>(config);
    Source = source.get();
    if (SavedState && SavedState->IoErrorAfter)
      sources.push_back(
          std::make_unique<TFailingPortSource>(std::move(source), SavedState->IoErrorAfter));
    else
      sources.push_back(std::move(source));
  } else if (Options.Timing) {
    sources.push_back(std::make_unique<TCountingPortSource>(std::make_unique<TLinuxPortSource>(),
                                                            CountedAccesses));
    sources.push_back(std::make_unique<TFtdiPortSource>());
    sources.push_back(std::make_unique<TGpioPortSource>());
  } else {
    sources.push_back(std::make_unique<TLinuxPortSource>());
    // USB boards with an FTDI chip and GPIO chips, listed after the
    // parallel ports.
    sources.push_back(std::make_unique<TFtdiPortSource>());
    sources.push_back(std::make_unique<TGpioPortSource>());
  }
  return std::make_unique<TLptPort>(std::move(sources));
}

bool TCliCard::Activate() {
  if (!Options.VirtualCard) {
    // The user's own wirings; a fault in the file leaves that adapter out
    // and is told, nothing more.
    TAdapterFileResult adapters = ReadAdapterFile(DefaultAdapterFilePath());
    for (const std::string& line : adapters.Messages) Out.Error(line);
    for (const std::string& line : adapters.Warnings) Out.Error("Warning: " + line);
    Port->SetAdapters(std::move(adapters.Adapters));
  }
  Port->SetActive(true);
  return Port->GetActive();
}

void TCliCard::Open() {
  if (!Activate()) {
    std::string text = ECardPortError::Text;
    if (!Port->LastError.empty()) text += "\n" + Port->LastError;
    for (const std::string& line : Port->OpenErrors) text += "\n" + line;
    throw ECliError(ecCard, text);
  }
  int index = 0;
  if (!Options.Port.isEmpty()) {
    index = FindPort(*Port, Options.Port);
    if (index < 0) {
      std::string ports;
      for (int i = 0; i < Port->PortCount; ++i)
        ports += (i ? ", " : "") + (Port->PortLabels[i].empty()
                                        ? "0x" + HexText(Port->PortAddresses[i], 4)
                                        : Port->PortNodes[i]);
      // A device the user may not use says why it is not among them.
      std::string text = "No port " + Options.Port.toStdString() + "; the ports are " + ports + ".";
      for (const std::string& line : Port->OpenErrors) text += "\n" + line;
      throw ECliError(ecCard, text);
    }
  }
  Port->SelectPort(index);
  if (SavedState && VirtualCard()) LoadCardState(*VirtualCard(), *SavedState);
  Started = std::chrono::steady_clock::now();
}

void TCliCard::SaveState() {
  if (Options.CardState.isEmpty() || !VirtualCard()) return;
  TCardState state = CardStateOf(*VirtualCard());
  // The port's fault stays in the file as the card's do.
  if (SavedState) state.IoErrorAfter = SavedState->IoErrorAfter;
  WriteCardStateFile(Options.CardState, state);
}

std::string TCliCard::TimingText() const {
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
  char text[160];
  uint64_t totalNs = 0;
  if (TVirtualCard* card = VirtualCard()) {
    std::snprintf(text, sizeof text,
                  "Timing: %llu port accesses, %.3f s elapsed, %.3f s virtual time.",
                  static_cast<unsigned long long>(card->PortAccesses()), elapsed,
                  static_cast<double>(card->VirtualTimeNs()) / 1e9);
    totalNs = card->VirtualTimeNs();
  } else {
    std::snprintf(text, sizeof text, "Timing: %llu port accesses, %.3f s elapsed.",
                  static_cast<unsigned long long>(CountedAccesses), elapsed);
    totalNs = static_cast<uint64_t>(elapsed * 1e9);
  }
  // Where that time went: what bounds the run.
  return std::string(text) + "\nOf that: " + TimeSplitText(Port->Lines().Timing(), totalNs) + ".";
}
