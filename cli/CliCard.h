#pragma once
// The card side of one pellar-cli run: the port object (the machine's
// parallel ports, or the virtual card alone), the bit link, the AVR
// commands and the loader link over the terminal host, and the card
// context the card commands take. With --card-state, the virtual card's
// state file is read before the card is made (its chips are the card's
// when --virtual-card names none) and written back by SaveState.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "card/CardContext.h"
#include "cli/CardState.h"
#include "cli/CliOptions.h"
#include "cli/TerminalHost.h"
#include "link/AvrCommands.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"
#include "link/TLpt.h"
#include "sim/VirtualCardPortSource.h"

class TCliCard {
public:
  // Reads the state file (ECliError, file error, on a bad one or one of
  // other chips than the options name). Touches no port yet.
  TCliCard(const TCliOptions& options, TConsole& console);
  ~TCliCard();
  TCliCard(const TCliCard&) = delete;
  TCliCard& operator=(const TCliCard&) = delete;

  // Activates the port object; true when at least one port opened.
  bool Activate();
  // Activates it and selects the port of --port (else the first), with the
  // virtual card's saved memories loaded. Raises ECliError (card error)
  // when there is no port, or not the one asked for.
  void Open();

  // Writes the virtual card's state file, when there is one to write.
  void SaveState();

  // The --timing line: port accesses, elapsed time, virtual time.
  std::string TimingText() const;

private:
  struct TSetup {
    std::optional<TCardState> State;
    TVirtualCardConfig Config;
  };
  static TSetup Prepare(const TCliOptions& options);
  TCliCard(const TCliOptions& options, TConsole& console, TSetup setup);
  std::unique_ptr<TLptPort> MakePort(const TVirtualCardConfig& config);
  TVirtualCard* VirtualCard() const { return Source ? Source->Card() : nullptr; }

  // Made before the port object, which sets them.
  const TCliOptions& Options;
  TConsole& Out;
  std::optional<TCardState> SavedState;  // what the state file held at start
  TVirtualCardPortSource* Source = nullptr;
  uint64_t CountedAccesses = 0;  // real ports, with --timing
  std::chrono::steady_clock::time_point Started;

public:
  TTerminalHost Host;
  std::unique_ptr<TLptPort> Port;
  TIspLink Link;
  TAvrCommands Avr;
  TLoaderLink Loader;
  TCardContext Context;
};
