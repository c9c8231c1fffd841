// Writing Intel HEX: the records written, and saves (of every format) that
// fail without harming the file they were meant to replace.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

#include "images/BinaryFile.h"
#include "images/CardImageFile.h"
#include "images/HexFileUnit.h"
#include "images/SRecordFile.h"
#include "tests/images/HexTestSupport.h"

using namespace hextest;

namespace {

class WriteHexFileTest : public ::testing::Test {
protected:
  QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }
  std::string Save(const QString& path, const std::vector<uint8_t>& bytes) {
    return ErrorOf([&] { WriteHexFile(path, bytes.data(), static_cast<int32_t>(bytes.size())); });
  }
  std::vector<std::string> SaveAndSplit(const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(Save(Path("out.hex"), bytes), "(no error)");
    const std::string text = ReadBytes(Path("out.hex"));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every record ends in CR LF";
    return lines;
  }
  QTemporaryDir Dir;
};

TEST_F(WriteHexFileTest, ThirtyTwoErasedBytesGiveThreeLines) {
  Save(Path("ff.hex"), std::vector<uint8_t>(32, 0xFF));
  EXPECT_EQ(ReadBytes(Path("ff.hex")),
            ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r\n"
            ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0\r\n"
            ":00000001FF\r\n");
}

TEST_F(WriteHexFileTest, EachFurther64KStartsWithAnExtendedLinearAddress) {
  const std::vector<uint8_t> image = RandomBytes(131072, 11);
  const auto lines = SaveAndSplit(image);
  ASSERT_EQ(lines.size(), 4096u + 1 + 4096 + 1);
  EXPECT_EQ(lines[0].substr(0, 9), ":10000000");
  EXPECT_EQ(lines[4095].substr(0, 9), ":10FFF000");
  EXPECT_EQ(lines[4096], ":020000040001F9");
  EXPECT_EQ(lines[4097].substr(0, 9), ":10000000");
  EXPECT_EQ(lines[8192].substr(0, 9), ":10FFF000");
  EXPECT_EQ(lines[8193], ":00000001FF");
  for (size_t i : {0u, 4095u, 4097u, 8192u}) EXPECT_EQ(lines[i].size(), 43u);

  const auto exact = SaveAndSplit(std::vector<uint8_t>(65536, 0));
  EXPECT_EQ(exact.size(), 4097u) << "exactly 64 KiB needs no address record";
}

TEST_F(WriteHexFileTest, ASizeNotAMultipleOf16EndsWithAShorterRecord) {
  // The vector holds exactly 20 bytes: a read past them is caught by ASan.
  const std::vector<uint8_t> image = RandomBytes(20, 5);
  const auto lines = SaveAndSplit(image);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], DataRecord(0x10, {image.begin() + 16, image.end()}));

  std::vector<uint8_t> back(20, 0);
  ReadHexFile(Path("out.hex"), back.data(), 20);
  EXPECT_EQ(back, image);

  EXPECT_EQ(SaveAndSplit({}), std::vector<std::string>{":00000001FF"}) << "an empty image";
}

TEST_F(WriteHexFileTest, AWholeImageReadsBackTheSame) {
  const std::vector<uint8_t> image = RandomBytes(262144, 99);
  ASSERT_EQ(Save(Path("round.hex"), image), "(no error)");
  std::vector<uint8_t> back(image.size(), 0xFF);
  ReadHexFile(Path("round.hex"), back.data(), static_cast<int32_t>(back.size()));
  EXPECT_EQ(back, image);
}

TEST_F(WriteHexFileTest, ReplacesAnExistingFileAndWritesThroughALink) {
  WriteBytes(Path("old.hex"), std::string(5000, 'x'));
  ASSERT_EQ(Save(Path("old.hex"), std::vector<uint8_t>(16, 0)), "(no error)");
  EXPECT_EQ(ReadBytes(Path("old.hex")),
            DataRecord(0, std::vector<uint8_t>(16, 0)) + "\r\n" + EndRecord + "\r\n");

  ASSERT_TRUE(QFile::link(Path("old.hex"), Path("link.hex")));
  ASSERT_EQ(Save(Path("link.hex"), {}), "(no error)");
  EXPECT_TRUE(QFileInfo(Path("link.hex")).isSymLink()) << "the link stays a link";
  EXPECT_EQ(ReadBytes(Path("old.hex")), EndRecord + "\r\n");
}

TEST_F(WriteHexFileTest, MissingFoldersAndDirectoryTargetsGiveTheSystemsMessage) {
  EXPECT_EQ(Save(Path("no/such/dir.hex"), {1}),
            "System Error.  Code: 2.\r\nNo such file or directory\n" +
                Path("no/such/dir.hex").toStdString());
  EXPECT_EQ(Save(Dir.path(), {1}),
            "System Error.  Code: 21.\r\nIs a directory\n" + Dir.path().toStdString());
  EXPECT_TRUE(QFileInfo(Dir.path()).isDir());
}

TEST_F(WriteHexFileTest, APipeIsWrittenToAndNotReplaced) {
  const QByteArray fifo = QFile::encodeName(Path("pipe"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(Save(Path("pipe"), std::vector<uint8_t>(16, 0xFF)), "(no error)");
  char text[200] = {};
  const ssize_t n = ::read(reader, text, sizeof text);
  ::close(reader);
  EXPECT_EQ(std::string(text, n > 0 ? static_cast<size_t>(n) : 0),
            ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r\n:00000001FF\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(fifo.constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(WriteHexFileTest, AFullDeviceGivesNoSpaceAndStaysADevice) {
  // A node of our own for the kernel's "full" device, so that the system's
  // /dev/full is never at stake.
  const QByteArray node = QFile::encodeName(Path("full"));
  if (::mknod(node.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
    GTEST_SKIP() << "cannot create a device node here (needs CAP_MKNOD)";
  EXPECT_EQ(Save(Path("full"), std::vector<uint8_t>(4096, 1)),
            "System Error.  Code: 28.\r\nNo space left on device\n" + Path("full").toStdString());
  struct stat st {};
  ASSERT_EQ(::stat(node.constData(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// Saves that fail for lack of room or rights are run in a child process:
// the child may limit its file size, enter a private mount namespace with a
// tiny tmpfs, or drop its rights, and none of that reaches the test program.
// The child's exit code: 0 passed, 77 could not set up, other values failed
// (with the reason on stderr).
constexpr int ChildSkip = 77;

int RunInChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    int rc = 99;
    try {
      rc = body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child: unexpected error: %s\n", e.what());
    }
    std::fflush(nullptr);
    ::_exit(rc);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The failed save left the old file as it was and nothing beside it.
// The error names the file.
int CheckOldFileKept(const QString& dir, std::string expectedError, const std::string& error) {
  expectedError += "\n" + (dir + "/old.hex").toStdString();
  const std::string old = ReadBytes(dir + "/old.hex");
  const QStringList entries =
      QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  if (error != expectedError) {
    std::fprintf(stderr, "child: error was '%s', expected '%s'\n", error.c_str(),
                 expectedError.c_str());
    return 1;
  }
  if (old != "old contents\r\n") {
    std::fprintf(stderr, "child: old file now holds %zu bytes\n", old.size());
    return 2;
  }
  if (entries != QStringList{"old.hex"}) {
    std::fprintf(stderr, "child: left behind: %s\n", qPrintable(entries.join(' ')));
    return 3;
  }
  return 0;
}

using TWriter = void (*)(const QString&, const uint8_t*, int32_t);

// Every writer goes through the same safe replace.
void WriteCard(const QString& path, const uint8_t* data, int32_t size) {
  WriteCardImageFile(path, {TConstImageBuffer{data, 8192}, TConstImageBuffer{data, 512},
                            TConstImageBuffer{data, size}});
}
const TWriter Writers[] = {WriteHexFile, WriteSRecordFile, WriteBinaryFile, WriteCard};

std::string SaveWholeImage(const QString& path, TWriter writer = WriteHexFile) {
  const std::vector<uint8_t> image = RandomBytes(262144, 1);
  return ErrorOf([&] { writer(path, image.data(), static_cast<int32_t>(image.size())); });
}

bool WriteProcFile(const char* path, const std::string& text) {
  FILE* f = std::fopen(path, "w");
  if (!f) return false;
  const bool ok = std::fputs(text.c_str(), f) >= 0;
  return std::fclose(f) == 0 && ok;
}

// A private mount namespace (as root directly, otherwise inside a new user
// namespace) with a 64 KiB tmpfs mounted on dir.
bool MountTinyTmpfs(const QString& dir) {
  if (::geteuid() == 0) {
    if (::unshare(CLONE_NEWNS) != 0) return false;
  } else {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
      return false;
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=64k,mode=0777") ==
         0;
}

TEST_F(WriteHexFileTest, AFullDiskKeepsTheOldFile) {
  const QString dir = Path("disk");
  ASSERT_TRUE(QDir().mkpath(dir));
  const int rc = RunInChild([&] {
    if (!MountTinyTmpfs(dir)) return ChildSkip;
    WriteBytes(dir + "/old.hex", "old contents\r\n");
    // 262144 bytes make about 720 KiB of records: the disk fills up on the way.
    const int full = CheckOldFileKept(dir, "System Error.  Code: 28.\r\nNo space left on device",
                                      SaveWholeImage(dir + "/old.hex"));
    if (full != 0) return full;
    // The same file system, now read-only, as a write-protected medium is.
    if (::mount(nullptr, QFile::encodeName(dir).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                nullptr) != 0)
      return ChildSkip;
    const std::vector<uint8_t> small(16, 0);
    const int readOnly =
        CheckOldFileKept(dir, "System Error.  Code: 30.\r\nRead-only file system",
                         ErrorOf([&] { WriteHexFile(dir + "/old.hex", small.data(), 16); }));
    return readOnly == 0 ? 0 : 10 + readOnly;
  });
  if (rc == ChildSkip) GTEST_SKIP() << "cannot mount a private tmpfs here (no mount namespace)";
  EXPECT_EQ(rc, 0);
}

TEST_F(WriteHexFileTest, AWriteCutShortKeepsTheOldFile) {
  // A file size limit makes the kernel refuse the write beyond 4 KiB, the
  // same path as a disk that fills up, without needing any privilege.
  const QString dir = Path("limited");
  ASSERT_TRUE(QDir().mkpath(dir));
  WriteBytes(dir + "/old.hex", "old contents\r\n");
  const int rc = RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, RLIM_INFINITY};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return ChildSkip;
    for (TWriter writer : Writers)
      if (const int rc = CheckOldFileKept(dir, "System Error.  Code: 27.\r\nFile too large",
                                          SaveWholeImage(dir + "/old.hex", writer)))
        return rc;
    return 0;
  });
  ASSERT_NE(rc, ChildSkip);
  EXPECT_EQ(rc, 0);
}

TEST_F(WriteHexFileTest, AReadOnlyTargetKeepsItsContents) {
  // Root may write anything, so the child drops to an unprivileged user.
  const QString dir = Path("shared");
  ASSERT_TRUE(QDir().mkpath(dir));
  ASSERT_EQ(::chmod(QFile::encodeName(Dir.path()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0777), 0);
  WriteBytes(dir + "/old.hex", "old contents\r\n");
  ASSERT_EQ(::chmod(QFile::encodeName(dir + "/old.hex").constData(), 0444), 0);
  const int rc = RunInChild([&] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return ChildSkip;
    return CheckOldFileKept(dir, "System Error.  Code: 13.\r\nPermission denied",
                            SaveWholeImage(dir + "/old.hex"));
  });
  ASSERT_NE(rc, ChildSkip);
  EXPECT_EQ(rc, 0);
}

}  // namespace
