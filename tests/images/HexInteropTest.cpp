// Files of other tools read into the same bytes, and files we write convert
// back to the same binary with avr-objcopy (binutils-avr).
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "images/HexFileUnit.h"
#include "tests/images/HexTestSupport.h"

using namespace hextest;

namespace {

class HexInteropTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::string(PELLAR_AVR_OBJCOPY).empty())
      GTEST_SKIP()
          << "avr-objcopy was not found when the build was configured (install binutils-avr)";
  }
  QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }
  // Runs avr-objcopy with args; its stderr on failure.
  std::string Objcopy(const QStringList& args) {
    QProcess p;
    p.start(QString::fromUtf8(PELLAR_AVR_OBJCOPY), args);
    if (!p.waitForFinished(60000)) return "did not finish";
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
      return "failed: " + p.readAllStandardError().toStdString();
    return "";
  }
  QTemporaryDir Dir;
};

TEST_F(HexInteropTest, FilesWrittenByObjcopyReadIntoTheSameBytes) {
  // 200000 bytes: objcopy addresses the part above 64 KiB with segment
  // records (type 02), which must move the data, not fold them onto 0.
  for (size_t size : {size_t{3000}, size_t{200000}, size_t{262144}}) {
    const std::vector<uint8_t> image = RandomBytes(size, static_cast<uint32_t>(size));
    WriteBytes(Path("in.bin"), std::string(image.begin(), image.end()));
    ASSERT_EQ(Objcopy({"-I", "binary", "-O", "ihex", Path("in.bin"), Path("theirs.hex")}), "");
    const std::string text = ReadBytes(Path("theirs.hex"));
    if (size > 0x10000) {
      EXPECT_NE(text.find(":020000021000EC"), std::string::npos)
          << "objcopy wrote no segment record";
    }

    std::vector<uint8_t> back(size, 0xFF);
    ASSERT_EQ(
        ErrorOf([&] { ReadHexFile(Path("theirs.hex"), back.data(), static_cast<int32_t>(size)); }),
        "(no error)")
        << size;
    EXPECT_TRUE(back == image) << "size " << size;
  }
}

TEST_F(HexInteropTest, FilesWeWriteConvertBackToTheSameBinary) {
  for (size_t size : {size_t{1000}, size_t{65536}, size_t{262144}}) {
    const std::vector<uint8_t> image = RandomBytes(size, static_cast<uint32_t>(size) + 1);
    WriteHexFile(Path("ours.hex"), image.data(), static_cast<int32_t>(size));
    ASSERT_EQ(Objcopy({"-I", "ihex", "-O", "binary", Path("ours.hex"), Path("out.bin")}), "");
    EXPECT_TRUE(ReadBytes(Path("out.bin")) == std::string(image.begin(), image.end()))
        << "size " << size;
  }
}

}  // namespace
