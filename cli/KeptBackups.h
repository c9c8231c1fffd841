#pragma once
// The card's own flash and internal EEPROM, read before a command erased
// the chip, that could not be written back (a write that failed, a card
// that stopped answering, Ctrl+C pressed twice, an error of the port).
// They exist nowhere else: each is saved as an Intel HEX file in the
// program's data folder (~/.local/share/pellar-remake/pellar/backups, the
// window's folder), else in the temporary folder, and stderr says where.

#include "card/CardCommand.h"
#include "card/CardCommandSupport.h"
#include "cli/Console.h"

void KeepUnrestoredBackups(const TCardBackups& backups, TConsole& console);

// Runs a card command (`run` calls its Run) and keeps what it could not
// write back, also when an error ends it; the error then goes on.
template <typename TRun>
auto KeepingBackups(const TCardCommand& command, TConsole& console, TRun run) {
  return RunKeepingBackups(command, run, [&console](const TCardBackups& backups) {
    KeepUnrestoredBackups(backups, console);
  });
}
