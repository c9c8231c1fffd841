#include "images/HexFileUnit.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

std::string SystemErrorText(int code, const std::string& description) {
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + description;
}

[[noreturn]] void RaiseHex(const char* message) { throw EHexFileError(message); }

// The error of a failed Qt file call: the errno that the failing system call
// left, else (Qt refused on its own, errno untouched) a general I/O error
// with Qt's description.
EOSError FileDeviceError(const QFileDevice& file, int savedErrno) {
  if (savedErrno != 0) return EOSError(savedErrno);
  return EOSError(EIO, file.errorString().toStdString());
}

// Digit values by character, -1 for a character that is not a hexadecimal
// digit. A table rather than comparisons: the digits of random data would
// send every comparison the wrong way half of the time.
constexpr std::array<int8_t, 256> HexDigitTable = [] {
  std::array<int8_t, 256> table{};
  table.fill(-1);
  for (int i = 0; i < 10; ++i) table['0' + i] = static_cast<int8_t>(i);
  for (int i = 0; i < 6; ++i) {
    table['A' + i] = static_cast<int8_t>(10 + i);
    table['a' + i] = static_cast<int8_t>(10 + i);
  }
  return table;
}();

int HexDigitValue(char c) { return HexDigitTable[static_cast<unsigned char>(c)]; }

// A file opened for reading, read through a buffer of its own. The
// descriptor is closed on every path out of the reader.
class THexInput {
public:
  explicit THexInput(const QString& fileName) : FBuffer(64 * 1024) {
    const QByteArray path = QFile::encodeName(fileName);
    do {
      FFd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    } while (FFd < 0 && errno == EINTR);
    if (FFd < 0) throw EOSError(errno);
    struct stat st {};
    if (::fstat(FFd, &st) != 0) {
      const int code = errno;
      ::close(FFd);
      throw EOSError(code);
    }
    if (S_ISDIR(st.st_mode)) {
      ::close(FFd);
      throw EOSError(EISDIR);
    }
  }
  ~THexInput() { ::close(FFd); }
  THexInput(const THexInput&) = delete;
  THexInput& operator=(const THexInput&) = delete;

  // Next character, or -1 at the end of the file.
  int Get() {
    if (FPos == FLen && !Fill()) return -1;
    return static_cast<unsigned char>(FBuffer[FPos++]);
  }

  // Copies up to count characters into dest; fewer only at the end of the file.
  size_t Read(char* dest, size_t count) {
    size_t done = 0;
    while (done < count) {
      if (FPos == FLen && !Fill()) break;
      const size_t n = std::min(count - done, FLen - FPos);
      std::memcpy(dest + done, FBuffer.data() + FPos, n);
      FPos += n;
      done += n;
    }
    return done;
  }

private:
  bool Fill() {
    ssize_t n;
    do {
      n = ::read(FFd, FBuffer.data(), FBuffer.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw EOSError(errno);
    FPos = 0;
    FLen = static_cast<size_t>(n);
    return n > 0;
  }

  int FFd = -1;
  std::vector<char> FBuffer;
  size_t FPos = 0;
  size_t FLen = 0;
};

// Builds the text of the records and hands it to a sink in pieces of about
// 64 KiB, so that a large image never needs its whole text in memory.
template <typename Sink>
class TRecordWriter {
public:
  explicit TRecordWriter(Sink& sink) : FSink(sink) {}

  void Record(uint8_t length, uint16_t offset, uint8_t type, const uint8_t* data) {
    char* p = FText.data() + FUsed;
    unsigned sum = length + (offset >> 8) + (offset & 0xFF) + type;
    *p++ = ':';
    p = Byte(p, length);
    p = Byte(p, offset >> 8);
    p = Byte(p, offset & 0xFF);
    p = Byte(p, type);
    for (int i = 0; i < length; ++i) {
      sum += data[i];
      p = Byte(p, data[i]);
    }
    p = Byte(p, (0x100 - (sum & 0xFF)) & 0xFF);
    *p++ = '\r';
    *p++ = '\n';
    FUsed = static_cast<size_t>(p - FText.data());
    if (FUsed >= ChunkSize) Flush();
  }

  void Flush() {
    if (FUsed == 0) return;
    FSink(FText.data(), static_cast<qint64>(FUsed));
    FUsed = 0;
  }

private:
  static constexpr size_t ChunkSize = 64 * 1024;

  static char* Byte(char* p, unsigned value) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    *p++ = Digits[(value >> 4) & 0xF];
    *p++ = Digits[value & 0xF];
    return p;
  }

  Sink& FSink;
  std::vector<char> FText = std::vector<char>(ChunkSize + 600);  // room for one more record
  size_t FUsed = 0;
};

template <typename Sink>
void EmitRecords(Sink& sink, const uint8_t* buffer, int32_t size) {
  TRecordWriter<Sink> out(sink);
  for (int64_t pos = 0; pos < size; pos += 16) {
    if (pos > 0 && pos % 0x10000 == 0) {
      const uint8_t upper[2] = {static_cast<uint8_t>(pos >> 24),
                                static_cast<uint8_t>(pos >> 16)};
      out.Record(2, 0, 4, upper);
    }
    const auto length = static_cast<uint8_t>(std::min<int64_t>(16, size - pos));
    out.Record(length, static_cast<uint16_t>(pos & 0xFFFF), 0, buffer + pos);
  }
  out.Record(0, 0, 1, nullptr);
  out.Flush();
}

// A device, pipe or socket named as the target cannot be replaced by a new
// file (and must not be): its contents go to it directly.
void WriteDirect(const QString& fileName, const uint8_t* buffer, int32_t size) {
  QFile file(fileName);
  errno = 0;
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw FileDeviceError(file, errno);
  auto sink = [&file](const char* text, qint64 count) {
    errno = 0;
    if (file.write(text, count) != count) throw FileDeviceError(file, errno);
  };
  EmitRecords(sink, buffer, size);
}

// HEX text already in memory, read like a file.
class TTextInput {
public:
  TTextInput(const char* text, size_t length) : FText(text), FLength(length) {}
  int Get() { return FPos < FLength ? static_cast<unsigned char>(FText[FPos++]) : -1; }
  size_t Read(char* dest, size_t count) {
    const size_t n = std::min(count, FLength - FPos);
    if (n > 0) std::memcpy(dest, FText + FPos, n);
    FPos += n;
    return n;
  }

private:
  const char* FText;
  size_t FLength;
  size_t FPos = 0;
};

}  // namespace

EOSError::EOSError(int code) : EOSError(code, std::strerror(code)) {}

EOSError::EOSError(int code, const std::string& description)
    : std::runtime_error(SystemErrorText(code, description)), FCode(code) {}

uint32_t HexFieldValue(const char* Chars, int Count) {
  uint32_t value = 0;
  for (int i = 0; i < Count; ++i) {
    const int digit = HexDigitValue(Chars[i]);
    if (digit < 0) RaiseHex(HexMsgFormatError);
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

namespace {

template <typename Input>
void ParseHex(Input& file, uint8_t* Buffer, int32_t Size) {
  // Byte address of offset 0000 of the following data records: the value of
  // the latest type 04 record times 65536, or of the latest type 02 record
  // times 16.
  uint64_t base = 0;
  char head[8];
  char record[512];  // 255 data bytes and the checksum
  for (;;) {
    int c;
    do {
      c = file.Get();
      if (c < 0) RaiseHex(HexMsgUnexpectedEof);
    } while (c == '\r' || c == '\n');
    if (c != ':') RaiseHex(HexMsgFormatError);

    if (file.Read(head, sizeof head) != sizeof head) RaiseHex(HexMsgUnexpectedEof);
    const uint32_t length = HexFieldValue(head, 2);
    const uint32_t offset = HexFieldValue(head + 2, 4);
    const uint32_t type = HexFieldValue(head + 6, 2);
    const size_t count = 2 * length + 2;
    if (file.Read(record, count) != count) RaiseHex(HexMsgUnexpectedEof);
    // Every character of data and checksum must be a digit before any of the
    // record is used.
    for (size_t i = 0; i < count; ++i)
      if (HexDigitValue(record[i]) < 0) RaiseHex(HexMsgFormatError);

    uint32_t sum = length + (offset >> 8) + (offset & 0xFF) + type;
    switch (type) {
      case 0: {
        // 64-bit arithmetic: base + offset + length cannot wrap around.
        if (base + offset + length > static_cast<uint64_t>(std::max<int32_t>(Size, 0)))
          RaiseHex(HexMsgOutOfAddress);
        uint8_t* dest = Buffer + base + offset;
        for (uint32_t i = 0; i < length; ++i) {
          const auto byte = static_cast<uint8_t>(HexFieldValue(record + 2 * i, 2));
          dest[i] = byte;
          sum += byte;
        }
        break;
      }
      case 1:
        if (length != 0) RaiseHex(HexMsgFormatError);
        break;
      case 2:
      case 4: {
        if (length != 2 || offset != 0) RaiseHex(HexMsgFormatError);
        const uint32_t value = HexFieldValue(record, 4);
        sum += (value >> 8) + (value & 0xFF);
        base = type == 4 ? uint64_t{value} << 16 : uint64_t{value} << 4;
        break;
      }
      default:
        RaiseHex(HexMsgFormatError);
    }
    sum += HexFieldValue(record + 2 * length, 2);
    if ((sum & 0xFF) != 0) RaiseHex(HexMsgChecksumError);
    if (type == 1) return;
  }
}

}  // namespace

void ReadHexFile(const QString& FileName, uint8_t* Buffer, int32_t Size) {
  THexInput file(FileName);
  ParseHex(file, Buffer, Size);
}

void ReadHexText(const char* Text, size_t Length, uint8_t* Buffer, int32_t Size) {
  TTextInput text(Text, Length);
  ParseHex(text, Buffer, Size);
}

void WriteHexFile(const QString& FileName, const uint8_t* Buffer, int32_t Size) {
  const QByteArray path = QFile::encodeName(FileName);
  struct stat st {};
  if (::stat(path.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw EOSError(EISDIR);
    if (!S_ISREG(st.st_mode)) {
      WriteDirect(FileName, Buffer, Size);
      return;
    }
  }

  // The new contents go to a temporary file beside the target, which
  // replaces the target only once it is complete. Unbuffered, so that every
  // write reaches the system at once and a short write (full disk) is seen
  // here, with its errno, and the temporary file is dropped.
  QSaveFile file(FileName);
  errno = 0;
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw FileDeviceError(file, errno);
  auto sink = [&file](const char* text, qint64 count) {
    errno = 0;
    if (file.write(text, count) != count) {
      const EOSError error = FileDeviceError(file, errno);
      file.cancelWriting();
      throw error;
    }
  };
  EmitRecords(sink, Buffer, Size);
  errno = 0;
  if (!file.commit()) throw FileDeviceError(file, errno);
}
