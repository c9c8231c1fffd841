#pragma once
// The command-line option that adds the virtual card:
//   --virtual-card                      AT90S8515 with a "2464/2465"
//   --virtual-card=PROCESSOR,EEPROM     for example =AT90S8515,24256
//   --virtual-card=PROCESSOR            with a "2464/2465"
// Names are those of the chip catalogue, as FindProcessorRow and
// FindEepromRow take them (upper or lower case; "2464" for "2464/2465").

#include <string>

#include "sim/VirtualCardConfig.h"

// `value` is what follows "--virtual-card": "" or "=PROCESSOR[,EEPROM]".
// Sets the rows of `config` and returns true; on a bad value leaves
// `config` as it was, sets `error` to a message naming the valid choices
// and returns false.
bool ParseVirtualCardOption(const std::string& value, TVirtualCardConfig& config,
                            std::string& error);

// What a --help text says of the option's value, from the catalogue (so a
// new row shows by itself): `lead`, then "PROCESSOR is one of AT90S8515,
// ... and EEPROM one of 2464/2465, ... (default AT90S8515,2464/2465)",
// broken at spaces into lines of at most `width` characters, each line
// after `indent` spaces and ending in a newline.
std::string VirtualCardOptionHelp(const std::string& lead, int indent, int width);
