// Files of other tools (srec_cat from srecord, avr-gcc and avr-objcopy)
// load into the same bytes, and the files we write read back the same in
// srec_cat. Each test skips when its tool is missing (scripts/deps.sh
// installs them).
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "images/CardImageFile.h"
#include "images/ImageFormats.h"
#include "tests/images/HexTestSupport.h"

using namespace hextest;

namespace {

class ImageInteropTest : public ::testing::Test {
protected:
  // The tool's path; skips the test when it is not installed.
  QString Tool(const char* name) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty()) Missing += std::string(" ") + name;
    return path;
  }
  QString Path(const QString& name) const { return Dir.filePath(name); }
  // Runs a tool; its stderr when it fails.
  static std::string Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000)) return "did not finish";
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
      return "failed: " + p.readAllStandardError().toStdString();
    return "";
  }
  // The image of Memory loaded from path into size bytes of 0xA5.
  static std::vector<uint8_t> Load(const QString& path, TImageMemory memory, size_t size,
                                   TImageFormat expected) {
    std::vector<uint8_t> image(size, 0xA5);
    const std::string error = ErrorOf([&] {
      EXPECT_EQ(LoadImageFile(path, memory, image.data(), static_cast<int32_t>(size)), expected)
          << path.toStdString();
    });
    EXPECT_EQ(error, "(no error)");
    return image;
  }
  static std::vector<uint8_t> Bytes(const QString& path) {
    const std::string text = ReadBytes(path);
    return {text.begin(), text.end()};
  }
  std::string Missing;
  QTemporaryDir Dir;
};

TEST_F(ImageInteropTest, FilesWrittenBySrecCatLoadByteExact) {
  const QString srecCat = Tool("srec_cat");
  if (!Missing.empty()) GTEST_SKIP() << "not installed:" << Missing << " (package srecord)";
  const std::vector<uint8_t> image = RandomBytes(70000, 5);
  WriteBytes(Path("in.bin"), std::string(image.begin(), image.end()));
  // Every file is named .dat: the format is found by its contents.
  const struct {
    QStringList Output;
    size_t Size;
    TImageFormat Format;
  } outputs[] = {
      {{"-intel", "-address-length=3"}, 70000, ifIntelHex},  // segment (02) and start (03) records
      {{"-intel"}, 70000, ifIntelHex},                       // linear (04) and start (05) records
      {{"-motorola", "-address-length=2"}, 65536, ifSRecord},
      {{"-motorola", "-address-length=3"}, 70000, ifSRecord},
      {{"-motorola", "-address-length=4"}, 70000, ifSRecord},
      {{"-binary"}, 70000, ifBinary},
  };
  for (const auto& o : outputs) {
    const QStringList args = QStringList{Path("in.bin"),
                                         "-binary",
                                         "-crop",
                                         "0",
                                         QString::number(o.Size),
                                         "-execution-start-address=0x1234",
                                         "-o",
                                         Path("theirs.dat")} +
                             o.Output;
    ASSERT_EQ(Run(srecCat, args), "") << o.Output.join(' ').toStdString();
    std::vector<uint8_t> expected(image.begin(), image.begin() + static_cast<ptrdiff_t>(o.Size));
    expected.resize(70016, 0xA5);
    EXPECT_TRUE(Load(Path("theirs.dat"), imExtEE, 70016, o.Format) == expected)
        << o.Output.join(' ').toStdString();
  }
}

// Without a start address srec_cat writes no end record (S7/S8/S9); with
// more than 65 535 data records its count is an S6. Both load.
TEST_F(ImageInteropTest, SrecCatsSRecordsWithoutAnEndRecordLoad) {
  const QString srecCat = Tool("srec_cat");
  if (!Missing.empty()) GTEST_SKIP() << "not installed:" << Missing << " (package srecord)";
  for (size_t size : {size_t{100}, size_t{70000}, size_t{65536 * 32 + 100}}) {
    const std::vector<uint8_t> image = RandomBytes(size, static_cast<uint32_t>(size));
    WriteBytes(Path("app.bin"), std::string(image.begin(), image.end()));
    ASSERT_EQ(Run(srecCat, {Path("app.bin"), "-binary", "-o", Path("app.srec")}), "");
    const std::string text = ReadBytes(Path("app.srec"));
    for (const char* end : {"\nS7", "\nS8", "\nS9"})
      ASSERT_EQ(text.find(end), std::string::npos) << "srec_cat wrote an end record " << end;
    ASSERT_NE(text.find(size > 65535 * 32 ? "\nS6" : "\nS5"), std::string::npos) << size;
    std::vector<uint8_t> expected = image;
    expected.resize(size + 16, 0xA5);
    EXPECT_TRUE(Load(Path("app.srec"), imExtEE, size + 16, ifSRecord) == expected) << size;
  }
}

TEST_F(ImageInteropTest, FilesWeWriteReadBackBySrecCatByteExact) {
  const QString srecCat = Tool("srec_cat");
  if (!Missing.empty()) GTEST_SKIP() << "not installed:" << Missing << " (package srecord)";
  for (size_t size : {size_t{3000}, size_t{70000}, size_t{262144}}) {
    const std::vector<uint8_t> image = RandomBytes(size, static_cast<uint32_t>(size));
    for (const auto& [name, format] :
         {std::pair{"ours.srec", "-motorola"}, std::pair{"ours.bin", "-binary"},
          std::pair{"ours.hex", "-intel"}}) {
      SaveImageFile(Path(name), image.data(), static_cast<int32_t>(size));
      ASSERT_EQ(Run(srecCat, {Path(name), format, "-o", Path("back.bin"), "-binary"}), "") << name;
      EXPECT_TRUE(Bytes(Path("back.bin")) == image) << name << " " << size;
    }
  }
}

TEST_F(ImageInteropTest, AnElfFromAvrGccLoadsLikeObjcopysBinaries) {
  const QString gcc = Tool("avr-gcc"), objcopy = Tool("avr-objcopy");
  if (!Missing.empty())
    GTEST_SKIP() << "not installed:" << Missing << " (packages gcc-avr, avr-libc, binutils-avr)";
  WriteBytes(Path("card.c"), R"(#include <avr/eeprom.h>
#include <avr/io.h>
#include <avr/pgmspace.h>
uint8_t ee_table[] EEMEM = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
uint16_t ee_word EEMEM = 0xBEEF;
const char banner[] PROGMEM = "a string in flash";
volatile uint8_t counters[] = {11, 22, 33, 44, 55};
int main(void) {
  for (;;) { counters[0]++; PORTB = pgm_read_byte(&banner[counters[1] & 7]) ^ eeprom_read_byte(&ee_table[1]); }
}
)");
  ASSERT_EQ(Run(gcc, {"-mmcu=at90s8515", "-Os", "-o", Path("card.elf"), Path("card.c")}), "");
  ASSERT_EQ(Run(objcopy, {"-O", "binary", "-j", ".text", "-j", ".data", Path("card.elf"),
                          Path("flash.bin")}),
            "");
  ASSERT_EQ(Run(objcopy, {"-O", "binary", "-j", ".eeprom", "--change-section-lma", ".eeprom=0",
                          Path("card.elf"), Path("eeprom.bin")}),
            "");
  std::vector<uint8_t> flash = Bytes(Path("flash.bin")), eeprom = Bytes(Path("eeprom.bin"));
  ASSERT_GT(flash.size(), 100u);
  ASSERT_EQ(eeprom.size(), 14u);
  flash.resize(8192, 0xA5);
  eeprom.resize(512, 0xA5);
  EXPECT_TRUE(Load(Path("card.elf"), imFlash, 8192, ifElf) == flash);
  EXPECT_TRUE(Load(Path("card.elf"), imIntEE, 512, ifElf) == eeprom);

  // The whole ELF as HEX or S-records keeps avr-gcc's addresses: the
  // EEPROM at 0x810000. Each memory loads from its range.
  for (const auto& [format, name, read] :
       {std::tuple{"ihex", "card.hex", ifIntelHex}, std::tuple{"srec", "card.srec", ifSRecord}}) {
    ASSERT_EQ(Run(objcopy, {"-O", format, Path("card.elf"), Path(name)}), "");
    EXPECT_TRUE(Load(Path(name), imFlash, 8192, read) == flash) << name;
    EXPECT_TRUE(Load(Path(name), imIntEE, 512, read) == eeprom) << name;
  }
}

TEST_F(ImageInteropTest, EachRangeOfACardImageCropsOutBySrecCat) {
  const QString srecCat = Tool("srec_cat");
  if (!Missing.empty()) GTEST_SKIP() << "not installed:" << Missing << " (package srecord)";
  const std::vector<uint8_t> images[] = {RandomBytes(8192, 1), RandomBytes(512, 2),
                                         RandomBytes(262144, 3)};
  const QString card = Path("card.hex");
  WriteCardImageFile(
      card, {TConstImageBuffer{images[0].data(), 8192}, TConstImageBuffer{images[1].data(), 512},
             TConstImageBuffer{images[2].data(), 262144}});

  std::vector<uint8_t> back[3] = {std::vector<uint8_t>(8192), std::vector<uint8_t>(512),
                                  std::vector<uint8_t>(262144)};
  EXPECT_EQ(ReadCardImageFile(
                card, {TImageBuffer{back[0].data(), 8192}, TImageBuffer{back[1].data(), 512},
                       TImageBuffer{back[2].data(), 262144}}),
            (TCardMemories{true, true, true}));
  for (int m = 0; m < 3; ++m) {
    EXPECT_TRUE(back[m] == images[m]) << m;
    const QString base = QString::number(CardImageBase[m]);
    const QString end = QString::number(CardImageBase[m] + images[m].size());
    ASSERT_EQ(Run(srecCat, {card, "-intel", "-crop", base, end, "-offset", "-" + base, "-o",
                            Path("range.bin"), "-binary"}),
              "");
    EXPECT_TRUE(Bytes(Path("range.bin")) == images[m]) << m;
  }

  // And srec_cat puts one together that reads back the same.
  QStringList join;
  for (int m = 0; m < 3; ++m) {
    const QString part = Path(QStringLiteral("part%1.bin").arg(m));
    WriteBytes(part, std::string(images[m].begin(), images[m].end()));
    join << part << "-binary"
         << "-offset" << QString::number(CardImageBase[m]);
  }
  ASSERT_EQ(Run(srecCat, join + QStringList{"-o", Path("joined.hex"), "-intel"}), "");
  for (auto& b : back) std::fill(b.begin(), b.end(), 0);
  ReadCardImageFile(Path("joined.hex"),
                    {TImageBuffer{back[0].data(), 8192}, TImageBuffer{back[1].data(), 512},
                     TImageBuffer{back[2].data(), 262144}});
  for (int m = 0; m < 3; ++m) EXPECT_TRUE(back[m] == images[m]) << m;
}

}  // namespace
