// Deterministic mutation test of the HEX reader: valid files with
// characters and records flipped, dropped, duplicated and inserted. Every
// input either loads or raises one of the fixed messages, and nothing is
// written outside the buffer (guard bytes on both sides, ASan around all).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <map>
#include <set>

#include "images/HexFileUnit.h"
#include "tests/images/HexTestSupport.h"
#include "tests/images/MutationSupport.h"

using namespace hextest;

namespace {

constexpr int32_t ImageSize = 0x10000 + 0x200;
constexpr size_t Guard = 512;
constexpr uint8_t GuardByte = 0xA5;

// Valid files to start from, with every record kind and address form the
// reader takes, near the buffer's end and far beyond it.
std::vector<std::string> SeedFiles() {
  std::vector<std::string> seeds;
  QTemporaryDir dir;
  const std::vector<uint8_t> image = RandomBytes(100, 42);
  WriteHexFile(dir.filePath("w.hex"), image.data(), static_cast<int32_t>(image.size()));
  seeds.push_back(ReadBytes(dir.filePath("w.hex")));

  std::string mixed;
  mixed += DataRecord(0x0000, RandomBytes(255, 1)) + "\n";
  mixed += Record(2, 0, 4, {0x00, 0x01}) + "\n";
  mixed += DataRecord(0x01F0, RandomBytes(16, 2)) + "\n";
  mixed += Record(2, 0, 2, {0x10, 0x00}) + "\n";
  mixed += DataRecord(0x0100, RandomBytes(8, 3)) + "\n";
  mixed += Record(2, 0, 2, {0x00, 0x00}) + "\n";
  mixed += DataRecord(0xFFF8, RandomBytes(8, 4)) + "\n";
  mixed += EndRecord + "\n";
  for (char& c : mixed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  seeds.push_back(mixed);

  seeds.push_back(":02000004FFFFFC\r\n" + DataRecord(0xFFF8, RandomBytes(8, 5)) + "\r\n" +
                  EndRecord + "\r\n");
  seeds.push_back(Record(2, 0, 2, {0xFF, 0xFF}) + "\r\n" + DataRecord(0xFFF0, RandomBytes(16, 6)) +
                  "\r\n" + DataRecord(0x0010, RandomBytes(4, 7)) + EndRecord);
  return seeds;
}

// A record of random kind and address with a correct checksum, so that it
// gets past the checksum test to the address and type checks.
std::string RandomRecord(TRandom& rnd) {
  const unsigned type = rnd.Below(4) == 0 ? rnd.Below(7) : 0;
  const unsigned length =
      rnd.Below(3) == 0 ? rnd.Below(256) : rnd.Below(3) + (type == 2 || type == 4 ? 1 : 0);
  const unsigned offset = rnd.Below(2) ? rnd.Below(0x10000) : 0x10000 - rnd.Below(0x300);
  return Record(length, offset & 0xFFFF, type, RandomBytes(length, rnd.Next()));
}

std::string Mutate(const std::string& seed, TRandom& rnd) {
  return MutateRecords(seed, rnd, ':', "0123456789ABCDEFabcdef:\r\n G\x1A", RandomRecord);
}

struct TGuardedImage {
  TGuardedImage() : Bytes(Guard + ImageSize + Guard, GuardByte) {
    std::fill(Data(), Data() + ImageSize, 0xFF);
  }
  uint8_t* Data() { return Bytes.data() + Guard; }
  bool GuardsIntact() const {
    static const std::vector<uint8_t> intact(Guard, GuardByte);
    return std::memcmp(Bytes.data(), intact.data(), Guard) == 0 &&
           std::memcmp(Bytes.data() + Guard + ImageSize, intact.data(), Guard) == 0;
  }
  std::vector<uint8_t> Bytes;
};

TEST(HexMutation, EveryMutantLoadsOrRaisesAFixedMessageWithinTheBuffer) {
  const std::vector<std::string> seeds = SeedFiles();
  for (const auto& seed : seeds) {
    TGuardedImage image;
    const std::string result =
        ErrorOf([&] { ReadHexText(seed.data(), seed.size(), image.Data(), ImageSize); });
    EXPECT_TRUE(result == "(no error)" || result == "Out of address!") << seed;
  }

  const std::set<std::string> allowed = {"(no error)", "Unexpected Eof!", "Format Error",
                                         "Out of address!", "Checksum Error!"};
  std::map<std::string, int> outcomes;
  TRandom rnd(20240611);
  TGuardedImage image;
  constexpr int Inputs = 120000;
  for (int i = 0; i < Inputs; ++i) {
    const std::string text = Mutate(seeds[rnd.Below(static_cast<uint32_t>(seeds.size()))], rnd);
    const std::string result =
        ErrorOf([&] { ReadHexText(text.data(), text.size(), image.Data(), ImageSize); });
    ++outcomes[result];
    if (!allowed.count(result) || !image.GuardsIntact()) {
      ADD_FAILURE() << "input " << i << " gave '" << result << "'"
                    << (image.GuardsIntact() ? "" : " and wrote outside the buffer") << ":\n"
                    << text;
      return;
    }
  }
  // Every outcome is reached often: the inputs reach every check.
  for (const auto& [message, count] : outcomes) std::printf("  %-18s %d\n", message.c_str(), count);
  for (const auto& message : allowed) EXPECT_GT(outcomes[message], Inputs / 100) << message;
}

TEST(HexMutation, FilesOnDiskReadLikeTheSameTextInMemory) {
  QTemporaryDir dir;
  const QString path = dir.filePath("m.hex");
  const std::vector<std::string> seeds = SeedFiles();
  TRandom rnd(7);
  for (int i = 0; i < 400; ++i) {
    const std::string text = Mutate(seeds[rnd.Below(static_cast<uint32_t>(seeds.size()))], rnd);
    WriteBytes(path, text);
    TGuardedImage fromFile, fromText;
    const std::string a = ErrorOf([&] { ReadHexFile(path, fromFile.Data(), ImageSize); });
    const std::string b =
        ErrorOf([&] { ReadHexText(text.data(), text.size(), fromText.Data(), ImageSize, path); });
    ASSERT_EQ(a, b) << text;
    ASSERT_TRUE(fromFile.Bytes == fromText.Bytes) << text;
  }
}

}  // namespace
