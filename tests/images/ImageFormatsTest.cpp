// The formats behind the one load and save: round trips through every
// format, detection, the S-record, binary and ELF readers' checks, and
// whole-card images.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "images/BinaryFile.h"
#include "images/CardImageFile.h"
#include "images/ElfFile.h"
#include "images/HexFileUnit.h"
#include "images/ImageFormats.h"
#include "images/SRecordFile.h"
#include "tests/images/ElfBuilder.h"
#include "tests/images/HexTestSupport.h"

using namespace hextest;

namespace {

class ImageFormatsTest : public ::testing::Test {
protected:
  QString Path(const QString& name) const { return Dir.filePath(name); }
  QTemporaryDir Dir;
};

// One S-record with its checksum and a line end.
std::string SRec(unsigned type, uint32_t address, const std::vector<uint8_t>& data = {}) {
  return hextest::SRecord(type, address, data) + "\n";
}

TEST_F(ImageFormatsTest, EveryFormatReadsBackWhatItWroteAndLeavesTheRestOfTheImage) {
  // A model: the image read back is the bytes written followed by what the
  // caller had, whatever the format the name picks.
  const std::pair<const char*, TImageFormat> names[] = {
      {"a.hex", ifIntelHex}, {"a.IHX", ifIntelHex}, {"a.eep", ifIntelHex}, {"noext", ifIntelHex},
      {"a.elf", ifIntelHex}, {"a.srec", ifSRecord}, {"a.s19", ifSRecord},  {"a.S28", ifSRecord},
      {"a.s37", ifSRecord},  {"a.mot", ifSRecord},  {"a.bin", ifBinary},   {"a.txt", ifIntelHex}};
  for (int32_t size : {0, 1, 17, 65536, 65536 + 5, 262144}) {
    const std::vector<uint8_t> image =
        RandomBytes(static_cast<size_t>(size), static_cast<uint32_t>(size) + 3);
    for (const auto& [name, format] : names) {
      const QString path = Path(QString::fromLatin1(name));
      ASSERT_EQ(SaveImageFile(path, image.data(), size), format) << name;
      std::vector<uint8_t> back(static_cast<size_t>(size) + 40, 0xA5);
      // An empty image makes a file without data, which no load takes.
      ASSERT_EQ(
          ErrorOf([&] { EXPECT_EQ(LoadImageFile(path, imExtEE, back.data(), size + 40), format); }),
          size == 0 ? "The file contains no data!\n" + path.toStdString() : "(no error)")
          << name << " " << size;
      std::vector<uint8_t> expected = image;
      expected.resize(back.size(), 0xA5);
      ASSERT_TRUE(back == expected) << name << " " << size;
    }
  }
}

TEST_F(ImageFormatsTest, FilesOver16MiBAreRefusedInEveryFormat) {
  // Sparse files: one byte past the limit is refused by its size alone.
  std::vector<uint8_t> image(512, 0xFF);
  for (const char* name : {"big.bin", "big.srec", "big.elf", "big.hex", "big"}) {
    const QString path = Path(QString::fromLatin1(name));
    WriteBytes(path, ":00000001FF\r\n");
    ASSERT_TRUE(QFile::resize(path, (qint64{16} << 20) + 1));
    const std::string expected = "The file is larger than 16 MiB!\n" + path.toStdString();
    EXPECT_EQ(ErrorOf([&] { LoadImageFile(path, imFlash, image.data(), 512); }), expected) << name;
    EXPECT_EQ(ErrorOf([&] {
                ReadCardImageFile(path, {TImageBuffer{image.data(), 512}, {}, {}});
              }),
              expected);
  }
  EXPECT_EQ(image, std::vector<uint8_t>(512, 0xFF));
}

TEST_F(ImageFormatsTest, SRecordsArePickedByTheHighestAddressWithACountAndTheMatchingEnd) {
  const std::vector<uint8_t> small = {1, 2, 3};
  WriteSRecordFile(Path("s.srec"), small.data(), 3);
  std::string expected =
      SRec(0, 0, {'P', 'e', 'l', 'l', 'a', 'r', ' ', 'R', 'e', 'm', 'a', 'k', 'e'}) +
      SRec(1, 0, small) + SRec(5, 1) + SRec(9, 0);
  std::string crlf;
  for (char c : expected) c == '\n' ? crlf += "\r\n" : crlf += c;
  EXPECT_EQ(ReadBytes(Path("s.srec")), crlf);

  for (const auto& [size, end] : {std::pair{65536, "S9"}, std::pair{65537, "S8"}}) {
    const std::vector<uint8_t> image(static_cast<size_t>(size), 0x5A);
    WriteSRecordFile(Path("s.srec"), image.data(), size);
    const std::string text = ReadBytes(Path("s.srec"));
    EXPECT_NE(text.find(size > 65536 ? "\nS2" : "\nS1"), std::string::npos) << size;
    EXPECT_EQ(text.find(size > 65536 ? "\nS1" : "\nS2"), std::string::npos) << size;
    EXPECT_EQ(text.substr(text.size() - 2 - (size > 65536 ? 12 : 10), 2), end) << size;
  }
}

TEST(SRecordRead, TakesEveryAddressWidthAndChecksEverything) {
  std::vector<uint8_t> image(0x20, 0xFF);
  const std::string good = SRec(0, 0, {'h', 'i'}) + SRec(1, 0x10, {1, 2}) + SRec(2, 0x12, {3}) +
                           "\r\n\r\n" + SRec(3, 0x13, {4}) + SRec(5, 3) + SRec(7, 0x1234);
  std::string lower = good;
  for (char& c : lower)
    if (c != 'S') c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string& text : {good, lower}) {
    std::fill(image.begin(), image.end(), 0xFF);
    ASSERT_EQ(ErrorOf([&] { ReadSRecordText(text.data(), text.size(), image.data(), 0x20); }),
              "(no error)");
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 0x10, image.begin() + 0x15),
              (std::vector<uint8_t>{1, 2, 3, 4, 0xFF}));
  }

  std::string badSum = SRec(1, 0, {9});
  badSum[badSum.size() - 2] = badSum[badSum.size() - 2] == '0' ? '1' : '0';
  const std::pair<std::string, std::string> faults[] = {
      {SRec(1, 0, {1}) + badSum + SRec(9, 0), "Checksum Error!\nf.s19, line 2"},
      {SRec(1, 0, {1}) + SRec(5, 2) + SRec(9, 0), "Format Error\nf.s19, line 2"},  // a record lost
      {SRec(1, 0, {1}) + SRec(4, 0) + SRec(9, 0), "Format Error\nf.s19, line 2"},
      {SRec(1, 0, {1}) + "S1" + "02" + "00" + SRec(9, 0),
       "Format Error\nf.s19, line 2"},  // count too small
      {SRec(1, 0, {1}) + "X" + SRec(9, 0), "Format Error\nf.s19, line 2"},
      {SRec(1, 0, {1}) + SRec(9, 0).substr(0, 6), "Unexpected Eof!\nf.s19, line 2"},
      {SRec(1, 0x1F, {1, 2}) + SRec(9, 0), "Out of address!\nf.s19, line 1"},
      {SRec(3, 0xFFFFFFFF, {1}) + SRec(9, 0), "Out of address!\nf.s19, line 1"},
      {SRec(1, 0, {1}) + SRec(9, 0, {1}), "Format Error\nf.s19, line 2"},  // an end with data
  };
  for (const auto& [text, message] : faults) {
    std::vector<uint8_t> bytes(0x20, 0xFF);
    EXPECT_EQ(
        ErrorOf([&] { ReadSRecordText(text.data(), text.size(), bytes.data(), 0x20, "f.s19"); }),
        message)
        << text;
  }
}

// srec_cat writes no end record when it has no start address; such a file
// loads. What still fails: a record cut short, and a count that disagrees
// with the data records read, compared in full (a count field too narrow
// for the count does not agree).
TEST(SRecordRead, AFileWithoutAnEndRecordLoadsWhatItHolds) {
  auto load = [](const std::string& text, std::vector<uint8_t>& image) {
    return ErrorOf([&] {
      ReadSRecordText(text.data(), text.size(), image.data(), static_cast<int32_t>(image.size()),
                      "f.s19");
    });
  };
  const std::string data = SRec(0, 0, {'h'}) + SRec(1, 0, {1, 2}) + SRec(1, 2, {3});
  for (const std::string& text :
       {data, data + SRec(5, 2), data + SRec(6, 2) + "\r\n\r\n", data.substr(0, data.size() - 1)}) {
    std::vector<uint8_t> image(4, 0xFF);
    EXPECT_EQ(load(text, image), "(no error)") << text;
    EXPECT_EQ(image, (std::vector<uint8_t>{1, 2, 3, 0xFF})) << text;
  }
  const std::pair<std::string, std::string> faults[] = {
      {data + SRec(5, 3), "Format Error\nf.s19, line 4"},
      {data + SRec(1, 3, {4}).substr(0, 9), "Unexpected Eof!\nf.s19, line 4"},
      {data + SRec(1, 3, {4}).substr(0, 3), "Unexpected Eof!\nf.s19, line 4"},
      {data + SRec(1, 3, {4}).substr(0, 9) + "\n", "Unexpected Eof!\nf.s19, line 4"},
      {data + SRec(1, 3, {4}).substr(0, 9) + "\n" + SRec(1, 4, {5}), "Format Error\nf.s19, line 4"},
  };
  for (const auto& [text, message] : faults) {
    std::vector<uint8_t> image(4, 0xFF);
    EXPECT_EQ(load(text, image), message) << text;
  }

  // 65 537 data records: an S5 of 1 is refused, an S6 of 65 537 agrees.
  std::string many;
  for (uint32_t i = 0; i < 65537; ++i) many += SRec(1, i % 16, {static_cast<uint8_t>(i)});
  std::vector<uint8_t> image(16, 0xFF);
  EXPECT_EQ(load(many + SRec(5, 1) + SRec(9, 0), image), "Format Error\nf.s19, line 65538");
  EXPECT_EQ(load(many + SRec(6, 65537) + SRec(9, 0), image), "(no error)");
  EXPECT_EQ(image[0], static_cast<uint8_t>(65536));  // the last record's
  EXPECT_EQ(image[1], static_cast<uint8_t>(65536 - 15));
}

// A file without a single data byte would load as an erased image: every
// load refuses it, naming the file, and leaves the image alone.
TEST_F(ImageFormatsTest, FilesWithoutDataAreRefusedByEveryLoad) {
  const std::pair<const char*, std::string> files[] = {
      {"empty.hex", ""},
      {"empty.bin", ""},
      {"empty", ""},
      {"end.hex", EndRecord + "\r\n"},
      {"nothing.hex", Record(2, 0, 4, {0, 0}) + "\n" + Record(0, 0x10, 0) + "\n" + EndRecord},
      {"end.srec", SRec(9, 0)},
      {"header.s19", SRec(0, 0, {'h', 'i'}) + SRec(5, 0) + SRec(9, 0)},
      {"lines.srec", "\r\n\r\n"},
  };
  std::vector<QString> paths = {QStringLiteral("/dev/null")};
  for (const auto& [name, text] : files) {
    paths.push_back(Path(QString::fromLatin1(name)));
    WriteBytes(paths.back(), text);
  }
  for (const QString& path : paths) {
    const std::string expected = "The file contains no data!\n" + path.toStdString();
    std::vector<uint8_t> image(64, 0x5A);
    EXPECT_EQ(ErrorOf([&] { LoadImageFile(path, imFlash, image.data(), 64); }), expected);
    EXPECT_EQ(ErrorOf([&] {
                ReadCardImageFile(path, {TImageBuffer{image.data(), 64}, {}, {}});
              }),
              expected);
    EXPECT_EQ(image, std::vector<uint8_t>(64, 0x5A)) << path.toStdString();
  }
}

TEST(Detection, ContentDecidesAndTheExtensionOnlyBreaksTies) {
  const std::string hex = ":10000000" + std::string(34, 'F');
  const std::string srec = SRec(0, 0) + SRec(9, 0);
  const std::string elf = elftest::BuildElf({});
  const std::string binary = "\x0C\x94\x2A\x00";
  const struct {
    std::string content;
    const char* name;
    TImageFormat format;
  } cases[] = {
      {hex, "a.hex", ifIntelHex},
      {hex, "a", ifIntelHex},
      {hex, "a.srec", ifIntelHex},
      {hex, "a.bin", ifBinary},
      {"\r\n" + hex, "a", ifIntelHex},
      {srec, "a", ifSRecord},
      {srec, "a.hex", ifSRecord},
      {srec, "a.bin", ifBinary},
      {elf, "a", ifElf},
      {elf, "a.hex", ifElf},
      {elf, "a.bin", ifBinary},
      {binary, "a", ifBinary},
      {binary, "a.hex", ifIntelHex},
      {binary, "a.mot", ifSRecord},
      {binary, "a.elf", ifElf},
      {" " + hex, "a.hex", ifIntelHex},
      {" " + hex, "a.dat", ifBinary},
      {"", "a", ifBinary},
      {"S", "a", ifBinary},
      {":", "a", ifBinary},
      {":0", "a", ifIntelHex},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DetectImageFormat(c.content.data(), c.content.size(), QString::fromLatin1(c.name)),
              c.format)
        << c.name << " " << c.content;
  EXPECT_EQ(SaveFormatOf("/x/card.image.S37"), ifSRecord);
  EXPECT_EQ(SaveFormatOf("/x.bin/noext"), ifIntelHex);
}

TEST(Detection, FiltersListEveryFormatAndAllFiles) {
  EXPECT_EQ(
      ImageSaveFilter(),
      "Intel HEX files (*.hex;*.ihx;*.eep)|*.hex;*.ihx;*.eep|"
      "Motorola S-record files (*.srec;*.s19;*.s28;*.s37;*.mot)|*.srec;*.s19;*.s28;*.s37;*.mot|"
      "Binary files (*.bin)|*.bin|All files (*.*)|*.*");
  EXPECT_TRUE(ImageOpenFilter().startsWith("Image files (*.hex;*.ihx;*.eep;*.srec;"));
  EXPECT_TRUE(ImageOpenFilter().endsWith("|ELF files (*.elf)|*.elf|All files (*.*)|*.*"));
  EXPECT_EQ(CardImageFilter(), "Card image files (*.hex)|*.hex|All files (*.*)|*.*");
}

TEST(BinaryRead, ALongerFileIsRefusedAShorterOneFillsFromZero) {
  std::vector<uint8_t> image(8, 0xFF);
  EXPECT_EQ(ErrorOf([&] { ReadBinaryData("123456789", 9, image.data(), 8, "/d/x.bin"); }),
            "The file (9 bytes) is larger than the image (8 bytes)!\n/d/x.bin");
  EXPECT_EQ(image, std::vector<uint8_t>(8, 0xFF));
  ReadBinaryData("AB", 2, image.data(), 8);
  EXPECT_EQ(image, (std::vector<uint8_t>{'A', 'B', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(ElfRead, FlashFromLoadAddressesEepromFrom0x810000) {
  using elftest::TSegment;
  const std::string elf = elftest::BuildElf({
      TSegment{0x0000, 0x0000, {1, 2, 3, 4}},
      TSegment{0x0004, 0x800060, {5, 6}},            // .data: stored after .text, run in SRAM
      TSegment{0x800066, 0x800066, {}, 1, 10},       // .bss: no bytes in the file
      TSegment{0x810000 + 2, 0x810000 + 2, {7, 8}},  // .eeprom
      TSegment{0x820000, 0x820000, {0xE4}},          // fuses: neither image
      TSegment{0x10, 0x10, {9}, 4},                  // not loadable
  });
  std::vector<uint8_t> flash(16, 0xFF), eeprom(8, 0xFF);
  ReadElfData(elf.data(), elf.size(), imFlash, flash.data(), 16);
  ReadElfData(elf.data(), elf.size(), imIntEE, eeprom.data(), 8);
  EXPECT_EQ(flash, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(eeprom, (std::vector<uint8_t>{0xFF, 0xFF, 7, 8, 0xFF, 0xFF, 0xFF, 0xFF}));

  auto error = [](const std::string& file, TImageMemory memory, int32_t size) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size), 0xFF);
    const std::string e = ErrorOf(
        [&] { ReadElfData(file.data(), file.size(), memory, bytes.data(), size, "p.elf"); });
    EXPECT_EQ(bytes, std::vector<uint8_t>(static_cast<size_t>(size), 0xFF))
        << "nothing stored on " << e;
    return e;
  };
  EXPECT_EQ(error(elf, imExtEE, 16), "The ELF file holds nothing for the external EEPROM!\np.elf");
  EXPECT_EQ(error(elf, imFlash, 5), "Out of address!\np.elf");
  EXPECT_EQ(error(elftest::BuildElf({TSegment{0, 0, {1}}}), imIntEE, 8),
            "The ELF file holds nothing for the internal EEPROM!\np.elf");
  EXPECT_EQ(error(elftest::BuildElf({TSegment{0, 0, {1}}}, 40 /* ARM */), imFlash, 8),
            "The file is not an AVR ELF file!\np.elf");
  EXPECT_EQ(error(elf.substr(0, elf.size() - 3), imIntEE, 8), "Format Error\np.elf");
  EXPECT_EQ(error(elf.substr(0, 60), imFlash, 8), "Format Error\np.elf");
  // A segment outside the file is a damaged file, whichever memory is loaded.
  for (TImageMemory memory : {imFlash, imIntEE})
    EXPECT_EQ(error(elf.substr(0, elf.size() - 1), memory, 16), "Format Error\np.elf") << memory;
}

TEST_F(ImageFormatsTest, CardImagesKeepEachImageThatHoldsDataInItsRange) {
  const std::vector<uint8_t> flash = RandomBytes(8192, 1), ext = RandomBytes(65536 + 32, 2);
  const std::vector<uint8_t> erased(512, 0xFF);
  const QString path = Path("card.hex");
  const TCardMemories written = WriteCardImageFile(
      path, {TConstImageBuffer{flash.data(), 8192}, TConstImageBuffer{erased.data(), 512},
             TConstImageBuffer{ext.data(), static_cast<int32_t>(ext.size())}});
  EXPECT_EQ(written, (TCardMemories{true, false, true}));
  const std::string text = ReadBytes(path);
  EXPECT_NE(text.find(":020000040100F9\r\n"), std::string::npos);
  EXPECT_NE(text.find(":020000040101F8\r\n"), std::string::npos);

  std::vector<uint8_t> f(8192, 0xFF), i(512, 0x11), e(ext.size(), 0xFF);
  const TCardBuffers images = {TImageBuffer{f.data(), 8192}, TImageBuffer{i.data(), 512},
                               TImageBuffer{e.data(), static_cast<int32_t>(e.size())}};
  EXPECT_EQ(ReadCardImageFile(path, images), (TCardMemories{true, false, true}));
  EXPECT_EQ(f, flash);
  EXPECT_EQ(i, std::vector<uint8_t>(512, 0x11))
      << "an image whose range held nothing is left alone";
  EXPECT_EQ(e, ext);

  // One memory of a card image through the single load: its range alone.
  std::vector<uint8_t> one(ext.size(), 0xFF);
  ASSERT_EQ(LoadImageFile(path, imExtEE, one.data(), static_cast<int32_t>(one.size())), ifIntelHex);
  EXPECT_EQ(one, ext);
  std::vector<uint8_t> ee(512, 0xFF);
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(path, imIntEE, ee.data(), 512); }),
            "The file holds nothing for the internal EEPROM!\n" + path.toStdString());

  // Outside the ranges, or past an image: refused with the line, nothing changed.
  for (const auto& [records, line] :
       {std::pair{Record(2, 0, 4, {0x00, 0x80}) + "\n" + DataRecord(0, {1}), 2},         // SRAM
        std::pair{Record(2, 0, 4, {0x00, 0x81}) + "\n" + DataRecord(0x1FF, {1, 2}), 2},  // past 512
        std::pair{
            DataRecord(0, {1}) + "\n" + Record(2, 0, 4, {0x02, 0x00}) + "\n" + DataRecord(0, {1}),
            3}}) {
    WriteBytes(path, records + "\n" + EndRecord);
    const std::vector<uint8_t> before = f;
    EXPECT_EQ(ErrorOf([&] { ReadCardImageFile(path, images); }),
              "Out of address!\n" + path.toStdString() + ", line " + std::to_string(line));
    EXPECT_EQ(f, before);
  }
}

}  // namespace
