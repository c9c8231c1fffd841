#include "images/ImageFileIo.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "images/ImageFileErrors.h"

namespace {

// The error of a failed Qt file call: the errno that the failing system call
// left, else (Qt refused on its own, errno untouched) a general I/O error
// with Qt's description.
EOSError FileDeviceError(const QFileDevice& file, int savedErrno, const QString& fileName) {
  if (savedErrno != 0) return EOSError(savedErrno, fileName);
  return EOSError(EIO, file.errorString().toStdString(), fileName);
}

// Writes each chunk to an open file; a short write raises the error of it.
TFileChunkSink DeviceSink(QFileDevice& file, const QString& fileName) {
  return [&file, fileName](const char* text, qint64 count) {
    errno = 0;
    if (file.write(text, count) != count) throw FileDeviceError(file, errno, fileName);
  };
}

class TDescriptor {
public:
  explicit TDescriptor(int fd) : FFd(fd) {}
  ~TDescriptor() { ::close(FFd); }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int Fd() const { return FFd; }

private:
  int FFd;
};

// A device, pipe or socket named as the target cannot be replaced by a new
// file (and must not be): its contents go to it directly.
void WriteDirect(const QString& fileName,
                 const std::function<void(const TFileChunkSink&)>& produce) {
  QFile file(fileName);
  errno = 0;
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw FileDeviceError(file, errno, fileName);
  produce(DeviceSink(file, fileName));
}

}  // namespace

std::optional<std::vector<char>> ReadFileBytesWithin(const QString& FileName, int64_t Limit) {
  const QByteArray path = QFile::encodeName(FileName);
  int fd;
  do {
    fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw EOSError(errno, FileName);
  const TDescriptor file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw EOSError(errno, FileName);
  if (S_ISDIR(st.st_mode)) throw EOSError(EISDIR, FileName);
  if (S_ISREG(st.st_mode) && st.st_size > Limit) return std::nullopt;

  // A regular file is read in one piece of its size (and a little more, to
  // see a file that grew meanwhile); anything else in pieces up to the limit.
  const auto limit = static_cast<size_t>(Limit);
  std::vector<char> bytes(S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) + 1
                                              : std::min<size_t>(64 * 1024, limit + 1));
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (bytes.size() > limit) return std::nullopt;
      bytes.resize(std::min(bytes.size() * 2, limit + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EOSError(errno, FileName);
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  if (used > limit) return std::nullopt;
  bytes.resize(used);
  return bytes;
}

std::vector<char> ReadImageFileBytes(const QString& FileName) {
  std::optional<std::vector<char>> bytes = ReadFileBytesWithin(FileName, MaxImageFileSize);
  if (!bytes) throw EHexFileError(FileMsgTooLarge, FileName);
  return std::move(*bytes);
}

void WriteFileAtomically(const QString& FileName,
                         const std::function<void(const TFileChunkSink&)>& Produce) {
  const QByteArray path = QFile::encodeName(FileName);
  struct stat st {};
  if (::stat(path.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw EOSError(EISDIR, FileName);
    if (!S_ISREG(st.st_mode)) {
      WriteDirect(FileName, Produce);
      return;
    }
  }

  // The new contents go to a temporary file beside the target, which
  // replaces the target only once it is complete. Unbuffered, so that every
  // write reaches the system at once and a short write (full disk) is seen
  // here, with its errno. The temporary file is dropped on every failure.
  QSaveFile file(FileName);
  errno = 0;
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw FileDeviceError(file, errno, FileName);
  const TFileChunkSink sink = DeviceSink(file, FileName);
  try {
    Produce(sink);
  } catch (...) {
    file.cancelWriting();
    throw;
  }
  errno = 0;
  if (!file.commit()) throw FileDeviceError(file, errno, FileName);
}
