#pragma once
// Intel HEX files: reading a file into a caller's buffer and writing a
// buffer to a file. 8-bit data records with extended linear (04) and
// extended segment (02) addressing on input, start address records (03, 05)
// accepted and ignored; data records of 16 bytes and extended linear address
// records on output.
//
// The routines raise a C++ exception (images/ImageFileErrors.h) whose
// what() is the message shown to the user; they show nothing themselves.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "images/ImageFileErrors.h"
#include "images/RecordSink.h"

// Value of Count (at most 8) hexadecimal digits, most significant first;
// upper- and lower-case digits alike. Any other character raises
// EHexFileError("Format Error"): a stray character inside a record is never
// taken as a value.
uint32_t HexFieldValue(const char* Chars, int Count);

// Reads the HEX file FileName into Buffer[0 .. Size). Bytes that no data
// record covers are left as they were (callers pre-fill the buffer). Records
// may be separated by CR and LF characters in any number; reading ends at the
// end-of-file record. On an error the bytes of earlier records (and those of
// a record whose checksum fails) stay in the buffer; nothing is ever written
// outside it. Errors name the file and the line of the record.
void ReadHexFile(const QString& FileName, uint8_t* Buffer, int32_t Size);

// The same for HEX text already in memory (Length characters of Text).
// SourceName, when given, is named in errors as the file name is.
void ReadHexText(const char* Text, size_t Length, uint8_t* Buffer, int32_t Size,
                 const QString& SourceName = QString());

// The HEX records of Text into Sink, which places every data record; the
// errors name SourceName and the record's line.
void ParseHexRecords(const char* Text, size_t Length, const QString& SourceName, TRecordSink& Sink);

// Writes Buffer[0 .. Size) as a HEX file named FileName: 16 data bytes per
// record (the last record shorter when Size is not a multiple of 16), an
// extended linear address record before each further 64 KiB, the end record,
// CR LF after every record. An existing regular file is replaced only once
// the new contents are completely on disk, so a failed save leaves it as it
// was. A device or pipe given as the name is written to directly.
void WriteHexFile(const QString& FileName, const uint8_t* Buffer, int32_t Size);

// Size bytes of Data to be written at Address (a multiple of 16).
struct THexBlock {
  uint32_t Address;
  const uint8_t* Data;
  int32_t Size;
};

// Writes the blocks in their order as one HEX file, as WriteHexFile writes
// one buffer: an extended linear address record wherever the upper 16 bits
// of the address change, one end record.
void WriteHexBlocks(const QString& FileName, const std::vector<THexBlock>& Blocks);
