#pragma once
// ELF files as avr-gcc links them, read only, through libelf.
//
// The flash image is made of the loadable segments below 0x800000 (the AVR
// data space), each at its load (physical) address: .text, and .data at the
// place in flash its start-up code copies it from. The internal EEPROM image
// is the loadable segment at 0x810000 and above (.eeprom), less 0x810000.
// Segments elsewhere (data space, fuses, lock bits, signature) and segments
// that occupy no bytes of the file (.bss) are left out. An ELF file holds
// nothing for the external EEPROM.

#include <QString>

#include <cstddef>
#include <cstdint>

#include "images/ImageFileErrors.h"
#include "images/ImageMemory.h"

// Reads the image of Memory from the ELF file FileName into Buffer[0 .. Size).
// Bytes no segment covers are left as the caller filled them. Errors (all
// EHexFileError naming the file, and nothing stored on any of them):
//   not a 32-bit little-endian ELF file for AVR   FileMsgNotAvrElf
//   no segment for Memory                         "The ELF file holds nothing for the <memory>!"
//   a segment of Memory reaching past Size        "Out of address!"
//   headers cut short, or any segment (of any     "Format Error"
//   memory) reaching out of the file
void ReadElfFile(const QString& FileName, TImageMemory Memory, uint8_t* Buffer, int32_t Size);

// The same for Length bytes of an ELF file in memory; SourceName is named in
// errors.
void ReadElfData(const char* Data, size_t Length, TImageMemory Memory, uint8_t* Buffer,
                 int32_t Size, const QString& SourceName = QString());

// True when Data starts with the ELF magic number.
bool HasElfMagic(const char* Data, size_t Length);
