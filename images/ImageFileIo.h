#pragma once
// The plumbing every image file format shares: reading a whole file into
// memory within the size limit, and writing a file so that a failed save
// never leaves a half-written one.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The whole contents of FileName. A regular file larger than
// MaxImageFileSize is refused by its size before anything of it is read
// (EHexFileError naming the file); a pipe or device is read until one byte
// past the limit at most. Open and read failures raise EOSError.
std::vector<char> ReadImageFileBytes(const QString& FileName);

// The same within Limit bytes for any reader with a limit of its own:
// nothing when the file is larger (judged the same way).
std::optional<std::vector<char>> ReadFileBytesWithin(const QString& FileName, int64_t Limit);

// Takes the next piece of a file's contents; raises EOSError when it cannot.
using TFileChunkSink = std::function<void(const char* Data, qint64 Count)>;

// Writes FileName with the contents Produce hands to its sink, in as many
// pieces as it likes. An existing regular file is replaced only once the new
// contents are completely on disk, so a failed save (or an exception from
// Produce) leaves it as it was and leaves no temporary file behind. A
// device or pipe given as the name is written to directly.
void WriteFileAtomically(const QString& FileName,
                         const std::function<void(const TFileChunkSink&)>& Produce);

// Collects the text of records and hands it to a sink in pieces of about
// 64 KiB, so that a large image never needs its whole text in memory.
class TChunkWriter {
public:
  explicit TChunkWriter(const TFileChunkSink& Sink) : FSink(Sink), FText(ChunkSize + MaxRoom) {}
  // Where the next characters go; there is room for MaxRoom of them.
  char* Cursor() { return FText.data() + FUsed; }
  // The characters up to End are done.
  void Advance(char* End) {
    FUsed = static_cast<size_t>(End - FText.data());
    if (FUsed >= ChunkSize) Flush();
  }
  void Flush() {
    if (FUsed == 0) return;
    FSink(FText.data(), static_cast<qint64>(FUsed));
    FUsed = 0;
  }

  static constexpr size_t MaxRoom = 1024;  // longer than any one record

private:
  static constexpr size_t ChunkSize = 64 * 1024;
  const TFileChunkSink& FSink;
  std::vector<char> FText;
  size_t FUsed = 0;
};

// Two upper-case hexadecimal digits of Value at P; returns the end.
inline char* PutHexByte(char* P, unsigned Value) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  *P++ = Digits[(Value >> 4) & 0xF];
  *P++ = Digits[Value & 0xF];
  return P;
}
