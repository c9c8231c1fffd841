#pragma once
// The image files of pellar-cli's commands. Inputs are read before the
// card is touched, each into an image of its chosen chip's size (bytes the
// file does not cover read 0xFF, as erased memory), as the window loads
// them; outputs are written only once their data are complete, each
// replacing an existing file only when whole. Faults of files are
// ECliError, EHexFileError or EOSError, all file errors to main, naming the
// file (and the line, where the format has lines).

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

#include "card/CardCommandSupport.h"
#include "cli/CliOptions.h"
#include "images/ImageMemory.h"

struct TCliImages {
  std::array<std::vector<uint8_t>, ImageMemoryCount> Bytes;
  std::array<bool, ImageMemoryCount> Given{};

  // The images given, as the card commands take them.
  TCardImages Refs();
};

// The images of --card (first) and --flash, --eeprom, --ext-eeprom (which
// take the place of the card image's).
TCliImages LoadCommandImages(const TCliOptions& options, int processorRow, int eepromRow);

// False when an image given holds data beyond the chips now selected.
bool ImagesFit(TCliImages& images, int processorRow, int eepromRow);

// Refuses, before any card work, an output that cannot be written: one
// whose folder does not exist or takes no new file, one that is read-only,
// one that names a folder.
void CheckOutputFile(const QString& fileName);

// Writes one memory's bytes in the format the name's extension gives;
// returns the result line ("flash: 8192 bytes written to a.hex (Intel HEX)").
std::string SaveMemoryFile(const QString& fileName, TImageMemory memory,
                           const std::vector<uint8_t>& bytes);

// Reads `memory` from any image file, as far as the file covers it: the
// bytes up to the last one the file gives (gaps read 0xFF).
std::vector<uint8_t> LoadMemoryExtent(const QString& fileName, TImageMemory memory);
