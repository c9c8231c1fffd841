#pragma once
// The errors of the image file readers and writers, shared by every format.
//
// EHexFileError is the error of a file whose contents cannot be taken (any
// format, not only Intel HEX: the name is kept so that callers keep catching
// it). EOSError is a refusal of the operating system. Both name the file
// when they know it; readers and writers show nothing themselves.

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>

// The fixed messages of malformed or misplaced file contents.
inline constexpr const char* HexMsgUnexpectedEof = "Unexpected Eof!";
inline constexpr const char* HexMsgFormatError = "Format Error";
inline constexpr const char* HexMsgOutOfAddress = "Out of address!";
inline constexpr const char* HexMsgChecksumError = "Checksum Error!";

// Messages of the other formats and of the size limit.
inline constexpr const char* FileMsgTooLarge = "The file is larger than 16 MiB!";
inline constexpr const char* FileMsgNotAvrElf = "The file is not an AVR ELF file!";
// A file without a single data byte (empty, or only header and end records):
// loading it would give an erased image as if it held one.
inline constexpr const char* FileMsgNoData = "The file contains no data!";

// Files larger than this are refused before anything of them is read.
inline constexpr int64_t MaxImageFileSize = 16 * 1024 * 1024;

// A file's contents cannot be taken. Message() is the text of the fault (one
// of the fixed texts above, or a text of its own such as the binary reader's
// size message); what() adds the file name and, where the format has lines,
// the line on a line of their own:
//   "Format Error\n/home/u/a.hex, line 3"
// Without a file name (text parsed from memory) what() is the message alone.
class EHexFileError : public std::runtime_error {
public:
  explicit EHexFileError(const std::string& message, const QString& fileName = QString(),
                         int line = 0);
  const std::string& Message() const { return FMessage; }
  const QString& FileName() const { return FFileName; }
  // 1 for the first line; 0 for formats without lines (binary, ELF).
  int Line() const { return FLine; }

private:
  std::string FMessage;
  QString FFileName;
  int FLine;
};

// Raises FileMsgNoData for FileName.
[[noreturn]] void RefuseNoData(const QString& FileName);

// The operating system refused an open, read, write or replace. what() is
// "System Error.  Code: <errno>.\r\n<strerror text>", followed by
// "\n<file name>" when the file is known.
class EOSError : public std::runtime_error {
public:
  explicit EOSError(int code, const QString& fileName = QString());
  EOSError(int code, const std::string& description, const QString& fileName = QString());
  int Code() const { return FCode; }
  const QString& FileName() const { return FFileName; }

private:
  int FCode;
  QString FFileName;
};
