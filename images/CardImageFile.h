#pragma once
// Whole-card images: the flash, internal EEPROM and external EEPROM of one
// card in one Intel HEX file, each at its base address (CardImageBase in
// images/ImageMemory.h: 0x000000, 0x810000, 0x01000000).
//
// An image that holds no data (every byte 0xFF, as erased memory reads, or
// no bytes at all) is left out of the file; every other image is written
// whole, so that the file also tells how long it was. Reading fills each
// image whose range holds data records and reports which ones did; the
// others are left alone.

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

#include "images/ImageFileErrors.h"
#include "images/ImageMemory.h"

// Indexed by TImageMemory.
using TCardBuffers = std::array<TImageBuffer, ImageMemoryCount>;
using TConstCardBuffers = std::array<TConstImageBuffer, ImageMemoryCount>;
using TCardMemories = std::array<bool, ImageMemoryCount>;

// False when every one of the Size bytes is 0xFF (or Size is 0).
bool ImageHoldsData(const uint8_t* Data, int32_t Size);

// Writes the images that hold data as one Intel HEX file, in the order
// flash, internal EEPROM, external EEPROM; replaces an existing file only
// once the new one is complete. Returns which images were written.
TCardMemories WriteCardImageFile(const QString& FileName, const TConstCardBuffers& Images);

// Reads a whole-card image (Intel HEX, or S-record as other tools may
// convert it) into the caller's images and returns which of the three ranges
// held data records. Each such image gets the file's bytes; bytes of it the
// file does not cover, and the images whose range held nothing, stay as the
// caller filled them. A record outside the three ranges, or past the size of
// its image, is "Out of address!" with its line; a file without a single
// data byte is FileMsgNoData. On any error no image is changed.
TCardMemories ReadCardImageFile(const QString& FileName, const TCardBuffers& Images);

// The same for file contents in memory; SourceName is named in errors.
TCardMemories ReadCardImageData(const char* Data, size_t Length, const TCardBuffers& Images,
                                const QString& SourceName = QString());
