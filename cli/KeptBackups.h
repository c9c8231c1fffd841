#pragma once
// The card's own flash and internal EEPROM, read before a command erased
// the chip, that could not be written back (a write that failed, a card
// that stopped answering, Ctrl+C pressed twice). They exist nowhere else:
// each is saved as an Intel HEX file in the program's data folder
// (~/.local/share/pellar-remake/pellar/backups, the window's folder), else
// in the temporary folder, and stderr says where.

#include "card/CardCommandSupport.h"
#include "cli/Console.h"

void KeepUnrestoredBackups(const TCardBackups& backups, TConsole& console);
