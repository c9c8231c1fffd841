#pragma once
// The user's own adapters: a small INI-like text file in the settings
// folder, read when the program starts and checked as it is read.
//
//   # comment lines start with '#' or ';'
//   [My FTDI board]
//   kind  = ftdi
//   VCC   = !D4
//   CLK   = D0
//   ...
//
// "[name]" starts an adapter; "key = value" entries follow (keys are
// case-insensitive): `kind` (parallel, ftdi, gpio), the six card lines
// VCC CLK RESET MOSI SCK MISO (one or more pin names separated by spaces
// or commas; a leading '!' on each pin: the line is high while its pins
// are low), and for FTDI `usb`
// (vid:pid in hex), `interface` (A-D) and `rate` (states per second), for
// GPIO `chip`. docs/USER_GUIDE.md describes the format for users.
//
// Every fault gives a message naming the file, the line and the entry
// ("adapters.ini, line 12: [My board] SCK: unknown pin \"D9\""); an adapter
// with any fault is left out, the others still load. Bad content never
// throws, and parsing takes time linear in the text.

#include <string>
#include <string_view>
#include <vector>

#include "link/AdapterDefinition.h"

struct TAdapterFileResult {
  // The usable adapters, in file order, with File and Line set.
  std::vector<TAdapterDefinition> Adapters;
  // Why an entry or an adapter was refused, in line order; capped, the last
  // one then saying how many more there were.
  std::vector<std::string> Messages;
  // The AdapterWarnings of the usable adapters, with file and line.
  std::vector<std::string> Warnings;
};

// At most this many messages (and as many warnings) for one file; a last
// line then counts the rest.
inline constexpr int AdapterFileMessageLimit = 20;
// A larger adapter file is refused by its size, unread.
inline constexpr long AdapterFileSizeLimit = 64 * 1024;
// Adapter names are at most this many bytes.
inline constexpr size_t AdapterNameLimit = 100;

// Parses the file's text; `fileName` names the file in messages.
TAdapterFileResult ParseAdapterText(std::string_view text, const std::string& fileName);

// Reads and parses the file at `path`: a missing file gives an empty
// result and no message; a file over AdapterFileSizeLimit bytes is refused
// by its size before it is read (one message, no adapters); a file that
// cannot be read gives one message. Never blocks on a FIFO or a device.
TAdapterFileResult ReadAdapterFile(const std::string& path);

// $XDG_CONFIG_HOME/pellar-remake/adapters.ini, or ~/.config/... when that
// is not set (or not an absolute path): the folder where the window keeps
// its settings (pellar.ini). Empty when there is no home folder either.
std::string DefaultAdapterFilePath();
