// Reading Intel HEX: record handling, checks and their messages.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "images/HexFileUnit.h"
#include "tests/images/HexTestSupport.h"

using namespace hextest;

namespace {

// An image buffer pre-filled with 0xFF, read from HEX text in memory.
struct TImage {
  explicit TImage(int32_t size) : Bytes(static_cast<size_t>(size), 0xFF) {}
  std::string Load(const std::string& text) {
    return ErrorOf([&] {
      ReadHexText(text.data(), text.size(), Bytes.data(), static_cast<int32_t>(Bytes.size()));
    });
  }
  std::vector<uint8_t> Bytes;
};

std::string Lines(std::initializer_list<std::string> records, const char* eol = "\r\n") {
  std::string text;
  for (const auto& r : records) text += r + eol;
  return text;
}

TEST(HexFieldValue, ReadsUpperAndLowerCaseDigitsAndRefusesOthers) {
  EXPECT_EQ(HexFieldValue("0aF9", 4), 0x0AF9u);
  EXPECT_EQ(HexFieldValue("ffffffff", 8), 0xFFFFFFFFu);
  EXPECT_EQ(HexFieldValue("x", 0), 0u);
  for (const char* bad : {"1G", "1 ", "g0", ":0", "1\r"})
    EXPECT_EQ(ErrorOf([&] { HexFieldValue(bad, 2); }), "Format Error") << bad;
}

TEST(ReadHex, StoresDataRecordsAndLeavesUncoveredBytes) {
  TImage image(64);
  const std::string text = Lines({DataRecord(0x10, {1, 2, 3}), DataRecord(0x02, {9}), EndRecord});
  ASSERT_EQ(image.Load(text), "(no error)");
  std::vector<uint8_t> expected(64, 0xFF);
  expected[2] = 9;
  expected[0x10] = 1, expected[0x11] = 2, expected[0x12] = 3;
  EXPECT_EQ(image.Bytes, expected);
}

TEST(ReadHex, DataEndingExactlyAtTheBufferSizeFitsOneMoreByteDoesNot) {
  TImage fits(16);
  EXPECT_EQ(fits.Load(Lines({DataRecord(0x0C, {1, 2, 3, 4}), EndRecord})), "(no error)");
  EXPECT_EQ(fits.Bytes[15], 4);

  TImage beyond(16);
  EXPECT_EQ(beyond.Load(Lines({DataRecord(0x0D, {1, 2, 3, 4}), EndRecord})), "Out of address!");
  EXPECT_EQ(beyond.Bytes, std::vector<uint8_t>(16, 0xFF)) << "nothing of the record is stored";
}

TEST(ReadHex, EndOfFileWithoutEndRecordKeepsTheDataRead) {
  TImage image(32);
  EXPECT_EQ(image.Load(Lines({DataRecord(0, {0xAA}), DataRecord(0x1F, {0xBB})})),
            "Unexpected Eof!");
  EXPECT_EQ(image.Bytes[0], 0xAA);
  EXPECT_EQ(image.Bytes[0x1F], 0xBB);

  for (const std::string& cut : {std::string(), std::string("\r\n\n"), std::string(":0000"),
                                 DataRecord(0, {1, 2}).substr(0, 12)})
    EXPECT_EQ(TImage(32).Load(cut), "Unexpected Eof!") << cut;
}

TEST(ReadHex, WrongChecksumRaisesWithTheRecordAlreadyStored) {
  TImage image(16);
  std::string bad = DataRecord(4, {0x12, 0x34});
  bad.back() = bad.back() == '0' ? '1' : '0';
  EXPECT_EQ(image.Load(Lines({bad, EndRecord})), "Checksum Error!");
  EXPECT_EQ(image.Bytes[4], 0x12);
  EXPECT_EQ(image.Bytes[5], 0x34);
}

TEST(ReadHex, RefusesUnknownTypesAndMalformedSpecialRecords) {
  for (const std::string& rec :
       {Record(0, 0, 6), Record(4, 0, 0x10, {0, 0, 0, 0}), Record(2, 0, 3, {0, 0}),
        Record(5, 0, 5, {0, 0, 0, 0, 0}),  // start addresses not of length 4
        Record(1, 0, 1, {0}),              // end record with data
        Record(2, 0x10, 4, {0, 1}),        // extended linear address not at 0000
        Record(4, 0, 4, {0, 1, 0, 0}),     // nor of length 2
        Record(1, 0, 2, {0})}) {           // a segment record without its value
    TImage image(16);
    EXPECT_EQ(image.Load(Lines({rec, EndRecord})), "Format Error") << rec;
  }
}

TEST(ReadHex, StartAddressRecordsAreCheckedAndIgnored) {
  // As srec_cat and avr-objcopy write them, before or after the data.
  TImage image(16);
  ASSERT_EQ(image.Load(Lines({Record(4, 0, 3, {0x12, 0x34, 0x56, 0x78}), DataRecord(0, {1, 2}),
                              Record(4, 0, 5, {0, 0, 0, 4}), EndRecord})),
            "(no error)");
  EXPECT_EQ(image.Bytes[0], 1);
  EXPECT_EQ(image.Bytes[2], 0xFF);
  std::string bad = Record(4, 0, 5, {0, 0, 0, 4});
  bad.back() = bad.back() == '0' ? '1' : '0';
  EXPECT_EQ(TImage(16).Load(Lines({bad, EndRecord})), "Checksum Error!");
}

TEST(ReadHex, ErrorsNameTheSourceAndTheLineOfTheRecord) {
  // Lines end in CR LF, LF or a lone CR; blank lines count.
  const std::string text = DataRecord(0, {1}) + "\r\n\n" + DataRecord(1, {2}) + "\r" +
                           ":010002000300" + "\n" + EndRecord;
  std::vector<uint8_t> bytes(16, 0xFF);
  try {
    ReadHexText(text.data(), text.size(), bytes.data(), 16, "/home/u/a.hex");
    FAIL() << "no error";
  } catch (const EHexFileError& e) {
    EXPECT_STREQ(e.what(), "Checksum Error!\n/home/u/a.hex, line 4");
    EXPECT_EQ(e.Message(), "Checksum Error!");
    EXPECT_EQ(e.FileName(), "/home/u/a.hex");
    EXPECT_EQ(e.Line(), 4);
  }
  // The end of the text between records is blamed on the last record.
  const std::string cut = DataRecord(0, {1}) + "\r\n" + DataRecord(1, {2}) + "\r\n\r\n";
  EXPECT_EQ(ErrorOf([&] { ReadHexText(cut.data(), cut.size(), bytes.data(), 16, "b.hex"); }),
            "Unexpected Eof!\nb.hex, line 2");
  EXPECT_EQ(ErrorOf([&] { ReadHexText("", 0, bytes.data(), 16, "c.hex"); }),
            "Unexpected Eof!\nc.hex, line 1");
}

TEST(ReadHex, NonHexCharacterInsideARecordIsAFormatErrorEvenWithAMatchingChecksum) {
  // "1G" would read as 0x10 if the field simply stopped at the G; the
  // checksum 0xEF is the right one for that value, so only the digit test
  // can catch it.
  TImage image(16);
  EXPECT_EQ(image.Load(Lines({":010000001GEF", EndRecord})), "Format Error");
  EXPECT_EQ(image.Bytes, std::vector<uint8_t>(16, 0xFF));

  for (const char* rec : {":01000000AA5 ", ":0x000000AA55", ":0100z000AA55", ":01000000AA5g"})
    EXPECT_EQ(TImage(16).Load(Lines({rec, EndRecord})), "Format Error") << rec;
}

TEST(ReadHex, OnlyColonCrAndLfMayStandBetweenRecords) {
  const std::string data = DataRecord(0, {7});
  EXPECT_EQ(TImage(4).Load(data + EndRecord), "(no error)") << "no separator at all";
  EXPECT_EQ(TImage(4).Load("\n\r\r\n" + data + "\n\n\r" + EndRecord), "(no error)");
  for (const char* sep : {" ", "\t", "\x1A", "\0"})
    EXPECT_EQ(TImage(4).Load(data + "\r\n" + std::string(sep, 1) + EndRecord), "Format Error");
}

TEST(ReadHex, ExtendedLinearAddressMovesDataByMultiplesOf64K) {
  TImage image(0x20000);
  ASSERT_EQ(image.Load(Lines({":020000040001F9", DataRecord(0, {0x5A}), EndRecord})), "(no error)");
  EXPECT_EQ(image.Bytes[0x10000], 0x5A);
  EXPECT_EQ(image.Bytes[0], 0xFF);
}

TEST(ReadHex, SegmentRecordMovesDataBySixteenTimesItsValue) {
  // A file as segment-addressing tools write it: 0x1000 * 16 = 0x10000.
  TImage image(0x20000);
  ASSERT_EQ(image.Load(Lines({DataRecord(0, {1}), Record(2, 0, 2, {0x10, 0x00}), DataRecord(0, {2}),
                              Record(2, 0, 2, {0x00, 0x12}), DataRecord(0, {3}), EndRecord})),
            "(no error)");
  EXPECT_EQ(image.Bytes[0], 1);
  EXPECT_EQ(image.Bytes[0x10000], 2);
  EXPECT_EQ(image.Bytes[0x120], 3);
}

TEST(ReadHex, TheLatestSegmentOrLinearRecordSetsTheBase) {
  TImage image(0x30000);
  ASSERT_EQ(image.Load(Lines({Record(2, 0, 4, {0, 2}), Record(2, 0, 2, {0x00, 0x01}),
                              DataRecord(0, {0x11}), Record(2, 0, 4, {0, 1}), DataRecord(0, {0x22}),
                              EndRecord})),
            "(no error)");
  EXPECT_EQ(image.Bytes[0x10], 0x11);
  EXPECT_EQ(image.Bytes[0x10000], 0x22);
  EXPECT_EQ(image.Bytes[0x20000], 0xFF);
}

TEST(ReadHex, AddressesFarBeyondTheBufferNeverWrapAround) {
  // 0xFFFF * 65536 + 0xFFF8 + 8 is 2^32: in 32 bits it would be 0.
  TImage image(256);
  EXPECT_EQ(image.Load(Lines(
                {":02000004FFFFFC", DataRecord(0xFFF8, {1, 2, 3, 4, 5, 6, 7, 8}), EndRecord})),
            "Out of address!");
  EXPECT_EQ(
      TImage(256).Load(Lines({Record(2, 0, 2, {0xFF, 0xFF}), DataRecord(0xFFFF, {1}), EndRecord})),
      "Out of address!");
  EXPECT_EQ(image.Bytes, std::vector<uint8_t>(256, 0xFF));
}

TEST(ReadHex, LowerCaseDigitsAndLfOnlyLinesReadTheSame) {
  const std::vector<uint8_t> data = RandomBytes(40, 7);
  const std::string upper = Lines({DataRecord(0, {data.begin(), data.begin() + 16}),
                                   DataRecord(16, {data.begin() + 16, data.end()}), EndRecord});
  std::string lower = upper;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string lfOnly;
  for (char c : upper)
    if (c != '\r') lfOnly += c;

  TImage a(64), b(64), c(64);
  ASSERT_EQ(a.Load(upper), "(no error)");
  ASSERT_EQ(b.Load(lower), "(no error)");
  ASSERT_EQ(c.Load(lfOnly), "(no error)");
  EXPECT_EQ(a.Bytes, b.Bytes);
  EXPECT_EQ(a.Bytes, c.Bytes);
}

TEST(ReadHex, NothingAfterTheEndRecordIsRead) {
  TImage image(4);
  EXPECT_EQ(image.Load(Lines({DataRecord(0, {1}), EndRecord, "garbage", DataRecord(1, {2})})),
            "(no error)");
  EXPECT_EQ(image.Bytes[1], 0xFF);
}

TEST(ReadHex, AnEmptyBufferTakesOnlyEmptyRecordsAtZero) {
  EXPECT_EQ(ErrorOf([] {
              const std::string t = Record(0, 0, 0) + EndRecord;
              ReadHexText(t.data(), t.size(), nullptr, 0);
            }),
            "(no error)");
  EXPECT_EQ(ErrorOf([] {
              const std::string t = DataRecord(0, {1}) + EndRecord;
              ReadHexText(t.data(), t.size(), nullptr, 0);
            }),
            "Out of address!");
}

// Reading from disk: the same parser, plus the operating system's refusals.
class ReadHexFileTest : public ::testing::Test {
protected:
  QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }
  std::string Load(const QString& path, std::vector<uint8_t>& bytes) {
    return ErrorOf([&] { ReadHexFile(path, bytes.data(), static_cast<int32_t>(bytes.size())); });
  }
  QTemporaryDir Dir;
};

TEST_F(ReadHexFileTest, ReadsAFileLargerThanItsReadBuffer) {
  // 8000 records: far more than one buffer of the reader.
  const std::vector<uint8_t> data = RandomBytes(128000, 3);
  std::string text;
  for (size_t pos = 0; pos < data.size(); pos += 16) {
    if (pos > 0 && pos % 0x10000 == 0)
      text += Record(2, 0, 4, {0, static_cast<uint8_t>(pos >> 16)}) + "\r\n";
    text += DataRecord(pos & 0xFFFF, {data.begin() + pos, data.begin() + pos + 16}) + "\r\n";
  }
  WriteBytes(Path("big.hex"), text + EndRecord + "\r\n");
  std::vector<uint8_t> bytes(data.size());
  ASSERT_EQ(Load(Path("big.hex"), bytes), "(no error)");
  EXPECT_EQ(bytes, data);
}

TEST_F(ReadHexFileTest, MissingFilesAndDirectoriesGiveTheSystemsMessage) {
  std::vector<uint8_t> bytes(16, 0xFF);
  EXPECT_EQ(
      Load(Path("gone.hex"), bytes),
      "System Error.  Code: 2.\r\nNo such file or directory\n" + Path("gone.hex").toStdString());
  EXPECT_EQ(Load(Dir.path(), bytes),
            "System Error.  Code: 21.\r\nIs a directory\n" + Dir.path().toStdString());
  EXPECT_EQ(Load(QString(), bytes), "System Error.  Code: 2.\r\nNo such file or directory");
  EXPECT_EQ(bytes, std::vector<uint8_t>(16, 0xFF));
}

TEST_F(ReadHexFileTest, FilesOver16MiBAreRefusedBeforeTheyAreRead) {
  // A sparse file of 2 GiB + 1 with a good file at its start, and one of
  // 16 MiB exactly, which is read (the zero bytes after its end record are ignored).
  const std::string good = DataRecord(0, {0x42}) + "\r\n" + EndRecord + "\r\n";
  const QString path = Path("huge.hex");
  for (const auto& [size, expected] :
       {std::pair{(off_t{1} << 31) + 1, std::string("The file is larger than 16 MiB!")},
        std::pair{off_t{16} << 20, std::string("(no error)")}}) {
    WriteBytes(path, good);
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), size), 0);
    std::vector<uint8_t> bytes(16, 0xFF);
    EXPECT_EQ(Load(path, bytes),
              expected == "(no error)" ? expected : expected + "\n" + path.toStdString());
    EXPECT_EQ(bytes[0], expected == "(no error)" ? 0x42 : 0xFF);
  }
}

}  // namespace
