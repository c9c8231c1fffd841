#pragma once
// Image files of every format behind one load and one save: the format of a
// file to load is found from its contents, the format of a file to save from
// its extension. The window and command-line tools both go through here.
//
// Content decides which formats a file can be:
//   starts with the ELF magic                          ELF or binary
//   ':' then only hex digits, ':', CR and LF           Intel HEX or binary
//   'S', a digit, then only hex digits, 'S', CR, LF    S-record or binary
//   anything else                                      binary, or a damaged file of another format
// (leading CR and LF skipped; the first 256 characters looked at). Where it
// can be more than one, the extension decides (ImageFormatOfExtension); with
// no extension, or one of no format, the first in the row wins. So a ".hex"
// file that does not start like one is read as Intel HEX and fails with the
// line of its fault, rather than loading as its own text.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "images/ImageFileErrors.h"
#include "images/ImageMemory.h"

enum TImageFormat { ifIntelHex, ifSRecord, ifBinary, ifElf };

// "Intel HEX", "Motorola S-record", "binary", "ELF".
const char* ImageFormatName(TImageFormat Format);

// The format an extension names, case ignored: .hex .ihx .eep Intel HEX;
// .srec .s19 .s28 .s37 .mot S-record; .bin binary; .elf ELF. Nothing for
// any other extension or none.
std::optional<TImageFormat> ImageFormatOfExtension(const QString& FileName);

// The format of file contents (Data, Length bytes: the whole file or its
// start) named FileName, as described above.
TImageFormat DetectImageFormat(const char* Data, size_t Length, const QString& FileName);

// The format a save to FileName writes: the extension's, Intel HEX when it
// names none (or names ELF, which is never written).
TImageFormat SaveFormatOf(const QString& FileName);

// Loads FileName, whatever its format, into the image of Memory held in
// Buffer[0 .. Size), and returns the format it was read as.
//
// Nothing is changed unless the whole file loads; then the bytes the file
// covers are replaced and the others stay as the caller filled them (a
// binary file fills from 0; an ELF file gives the Memory's segments). An
// Intel HEX or S-record file with data above the flash range (0x800000) is
// a whole-card layout (images/CardImageFile.h, avr-gcc's addresses): the
// range of Memory is taken from it, and the other ranges are checked and
// left. Such a file with nothing in Memory's range is refused. WholeCard,
// when given, is set to whether the file was such a layout (a save of the
// one image would not write back what the file held).
//
// Errors: EOSError (cannot open or read), EHexFileError (anything about the
// contents, naming the file, and the line where the format has lines; a file
// larger than MaxImageFileSize is refused before it is read; a file without
// a single data byte, such as an empty file or one of only its end record,
// is FileMsgNoData).
TImageFormat LoadImageFile(const QString& FileName, TImageMemory Memory, uint8_t* Buffer,
                           int32_t Size, bool* WholeCard = nullptr);

// Whether FileName is an Intel HEX or S-record file with records above the
// flash range: a whole-card layout. False for any other file, and for one
// that cannot be read or parsed (its load then says why).
bool IsCardImageLayout(const QString& FileName);

// The same for file contents in memory (FileName is used for the extension
// and the messages).
TImageFormat LoadImageData(const char* Data, size_t Length, const QString& FileName,
                           TImageMemory Memory, uint8_t* Buffer, int32_t Size,
                           bool* WholeCard = nullptr);

// Writes Buffer[0 .. Size) to FileName in the format SaveFormatOf names and
// returns it. An existing file is replaced only by a complete new one.
TImageFormat SaveImageFile(const QString& FileName, const uint8_t* Buffer, int32_t Size);

// The same in a format of the caller's choice; ELF raises EHexFileError.
void SaveImageFileAs(const QString& FileName, TImageFormat Format, const uint8_t* Buffer,
                     int32_t Size);

// Filters of the open and save dialogs, as "Name (*.a;*.b)|*.a;*.b|...":
// every image format (the open filter starts with all of them together),
// and "All files (*.*)|*.*" last. The card image filter lists Intel HEX.
QString ImageOpenFilter();
QString ImageSaveFilter();
QString CardImageFilter();
