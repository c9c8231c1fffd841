#pragma once
// Intel HEX files: reading a file into a caller's buffer and writing a
// buffer to a file. 8-bit data records with extended linear (04) and
// extended segment (02) addressing on input; data records of 16 bytes and
// extended linear address records on output.
//
// Both routines raise a C++ exception whose what() is the fixed message
// text shown to the user; they show nothing themselves.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// The fixed messages of malformed or misplaced file contents.
inline constexpr const char* HexMsgUnexpectedEof = "Unexpected Eof!";
inline constexpr const char* HexMsgFormatError = "Format Error";
inline constexpr const char* HexMsgOutOfAddress = "Out of address!";
inline constexpr const char* HexMsgChecksumError = "Checksum Error!";

// A file's contents are not a HEX file we can take: what() is one of the four
// fixed messages above.
class EHexFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The operating system refused an open, read, write or replace. what() is
// "System Error.  Code: <errno>.\r\n<strerror text>".
class EOSError : public std::runtime_error {
public:
  explicit EOSError(int code);
  EOSError(int code, const std::string& description);
  int Code() const { return FCode; }

private:
  int FCode;
};

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
// outside it.
void ReadHexFile(const QString& FileName, uint8_t* Buffer, int32_t Size);

// The same for HEX text already in memory (Length characters of Text).
void ReadHexText(const char* Text, size_t Length, uint8_t* Buffer, int32_t Size);

// Writes Buffer[0 .. Size) as a HEX file named FileName: 16 data bytes per
// record (the last record shorter when Size is not a multiple of 16), an
// extended linear address record before each further 64 KiB, the end record,
// CR LF after every record. An existing regular file is replaced only once
// the new contents are completely on disk, so a failed save leaves it as it
// was. A device or pipe given as the name is written to directly.
void WriteHexFile(const QString& FileName, const uint8_t* Buffer, int32_t Size);
