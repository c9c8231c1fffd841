// Mutation tests of the S-record, binary, ELF and whole-card readers, all
// through their public entry points (100 000 inputs in all): every input
// either loads or raises EHexFileError with one of the readers' messages
// naming the file, nothing is written outside the images (guard bytes on
// both sides, ASan around all), and an input that fails leaves every image
// as it was.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <map>
#include <set>

#include "images/CardImageFile.h"
#include "images/ImageFormats.h"
#include "images/SRecordFile.h"
#include "tests/images/ElfBuilder.h"
#include "tests/images/HexTestSupport.h"
#include "tests/images/MutationSupport.h"

using namespace hextest;

namespace {

const std::set<std::string> FixedMessages = {"Unexpected Eof!", "Format Error", "Out of address!",
                                             "Checksum Error!"};

// The message of a load's error, checked to name the file (and the line of
// a fixed message, for the formats with lines); "(no error)" when it loaded.
std::string Outcome(const std::function<void()>& load, const QString& name, bool lines) {
  try {
    load();
  } catch (const EHexFileError& e) {
    const bool lineExpected = lines && FixedMessages.count(e.Message());
    const std::string where =
        name.toStdString() + (lineExpected ? ", line " + std::to_string(e.Line()) : "");
    if (e.FileName() != name || lineExpected != (e.Line() > 0) ||
        e.what() != e.Message() + "\n" + where)
      return "badly placed: " + std::string(e.what());
    return e.Message();
  } catch (const std::exception& e) {
    return std::string("unexpected: ") + e.what();
  }
  return "(no error)";
}

struct TTally {
  std::map<std::string, int> Outcomes;
  void Print() const {
    for (const auto& [message, count] : Outcomes)
      std::printf("  %-52s %d\n", message.c_str(), count);
  }
};

// Loads each mutant into a guarded image of Size bytes pre-filled with a
// pattern; returns false (with a failure) at the first input that breaks a
// rule.
bool LoadMutants(int inputs, int32_t size, const QString& name, bool lines,
                 const std::set<std::string>& allowed,
                 const std::function<std::string(TRandom&)>& mutant,
                 const std::function<TImageMemory(int)>& memory, TTally& tally) {
  TRandom rnd(static_cast<uint64_t>(inputs) * 7919 + static_cast<uint64_t>(size));
  TGuardedBuffer<> image(size, 0x3C);
  for (int i = 0; i < inputs; ++i) {
    const std::string data = mutant(rnd);
    const std::vector<uint8_t> before = image.Image();
    const std::string result = Outcome(
        [&] { LoadImageData(data.data(), data.size(), name, memory(i), image.Data(), size); }, name,
        lines);
    ++tally.Outcomes[result];
    const bool ok = result == "(no error)";
    if ((!ok && !allowed.count(result)) || !image.GuardsIntact() ||
        (!ok && image.Image() != before)) {
      ADD_FAILURE() << name.toStdString() << " input " << i << " gave '" << result << "'"
                    << (image.GuardsIntact() ? "" : ", wrote outside the image")
                    << (!ok && image.Image() != before ? ", changed the image" : "") << ":\n"
                    << data;
      return false;
    }
  }
  return true;
}

const std::set<std::string> TextMessages = {"Unexpected Eof!",
                                            "Format Error",
                                            "Out of address!",
                                            "Checksum Error!",
                                            "The file contains no data!",
                                            "The file holds nothing for the flash!",
                                            "The file holds nothing for the internal EEPROM!"};

TEST(ImageMutation, SRecordsLoadOrFailWithoutTouchingTheImage) {
  constexpr int32_t Size = 0x10000 + 0x100;
  QTemporaryDir dir;
  const std::vector<uint8_t> bytes = RandomBytes(300, 9);
  WriteSRecordFile(dir.filePath("w.srec"), bytes.data(), 300);
  std::vector<std::string> seeds = {ReadBytes(dir.filePath("w.srec"))};
  seeds.push_back(SRecord(0, 0, {'x'}) + "\n" + SRecord(1, 0xFFF8, RandomBytes(8, 1)) + "\n" +
                  SRecord(2, 0x10000, RandomBytes(20, 2)) + "\n" +
                  SRecord(3, 0x100F0, RandomBytes(16, 3)) + "\n" + SRecord(5, 3, {}) + "\n" +
                  SRecord(8, 0x123456, {}) + "\n");
  // A whole-card layout: internal EEPROM at 0x810000, flash beside it.
  seeds.push_back(SRecord(2, 0, RandomBytes(16, 4)) + "\r\n" +
                  SRecord(2, 0x810000, RandomBytes(32, 5)) + "\r\n" +
                  SRecord(2, 0x8100F0, RandomBytes(16, 6)) + "\r\n" + SRecord(8, 0, {}) + "\r\n");
  auto randomRecord = [](TRandom& rnd) {
    const unsigned type = rnd.Below(3) == 0 ? rnd.Below(10) : 1 + rnd.Below(3);
    const uint32_t address = rnd.Below(2)   ? rnd.Below(0x20000)
                             : rnd.Below(2) ? 0x810000 + rnd.Below(0x200)
                                            : rnd.Next();
    return SRecord(type, address,
                   RandomBytes(rnd.Below(4) == 0 ? rnd.Below(250) : rnd.Below(20), rnd.Next()));
  };
  TTally tally;
  LoadMutants(
      40000, Size, "m.s19", true, TextMessages,
      [&](TRandom& rnd) {
        return MutateRecords(seeds[rnd.Below(static_cast<uint32_t>(seeds.size()))], rnd, 'S',
                             "0123456789ABCDEFabcdefS\r\n G", randomRecord);
      },
      [](int i) { return i % 2 ? imFlash : imIntEE; }, tally);
  tally.Print();
  // Every check is reached often.
  for (const char* message :
       {"(no error)", "Unexpected Eof!", "Format Error", "Out of address!", "Checksum Error!"})
    EXPECT_GT(tally.Outcomes[message], 400) << message;
}

TEST(ImageMutation, CardImagesLoadOrFailWithoutTouchingAnyImage) {
  QTemporaryDir dir;
  const std::vector<uint8_t> flash = RandomBytes(256, 1), intEE = RandomBytes(64, 2),
                             extEE = RandomBytes(512, 3);
  WriteCardImageFile(dir.filePath("c.hex"),
                     {TConstImageBuffer{flash.data(), 256}, TConstImageBuffer{intEE.data(), 64},
                      TConstImageBuffer{extEE.data(), 512}});
  const std::string seed = ReadBytes(dir.filePath("c.hex"));
  auto randomRecord = [](TRandom& rnd) {
    if (rnd.Below(3) == 0) {
      static const uint8_t uppers[][2] = {{0, 0}, {0, 0x81}, {1, 0}, {0, 0x80}, {0xFF, 0xFF}};
      const auto& u = uppers[rnd.Below(5)];
      return Record(2, 0, rnd.Below(4) ? 4 : 2, {u[0], u[1]});
    }
    const unsigned length = rnd.Below(20);
    return Record(length, rnd.Below(0x240), rnd.Below(6) ? 0 : rnd.Below(7),
                  RandomBytes(length, rnd.Next()));
  };
  TRandom rnd(77);
  TGuardedBuffer<> images[3] = {TGuardedBuffer<>(256, 0x11), TGuardedBuffer<>(64, 0x22),
                                TGuardedBuffer<>(512, 0x33)};
  const TCardBuffers buffers = {TImageBuffer{images[0].Data(), 256},
                                TImageBuffer{images[1].Data(), 64},
                                TImageBuffer{images[2].Data(), 512}};
  TTally tally;
  constexpr int Inputs = 30000;
  for (int i = 0; i < Inputs; ++i) {
    const std::string text = MutateRecords(seed, rnd, ':', "0123456789ABCDEF:\r\n G", randomRecord);
    std::vector<uint8_t> before[3];
    for (int m = 0; m < 3; ++m) before[m] = images[m].Image();
    TCardMemories held{};
    const std::string result =
        Outcome([&] { held = ReadCardImageData(text.data(), text.size(), buffers, "m.hex"); },
                "m.hex", true);
    ++tally.Outcomes[result];
    bool kept = true, guards = true;
    for (int m = 0; m < 3; ++m) {
      guards = guards && images[m].GuardsIntact();
      if ((result != "(no error)" || !held[m]) && images[m].Image() != before[m]) kept = false;
    }
    if ((result != "(no error)" && !TextMessages.count(result)) || !guards || !kept) {
      ADD_FAILURE() << "input " << i << " gave '" << result << "'"
                    << (guards ? "" : ", wrote outside an image")
                    << (kept ? "" : ", changed an image it should not have") << ":\n"
                    << text;
      break;
    }
  }
  tally.Print();
  for (const char* message :
       {"(no error)", "Unexpected Eof!", "Format Error", "Out of address!", "Checksum Error!"})
    EXPECT_GT(tally.Outcomes[message], 30) << message;
}

TEST(ImageMutation, ElfFilesLoadOrFailWithoutTouchingTheImage) {
  using elftest::TSegment;
  const std::vector<std::string> seeds = {
      elftest::BuildElf({TSegment{0, 0, RandomBytes(200, 1)},
                         TSegment{200, 0x800060, RandomBytes(10, 2)},
                         TSegment{0x810000, 0x810000, RandomBytes(30, 3)}}),
      elftest::BuildElf(
          {TSegment{0x100, 0x100, RandomBytes(16, 4)}, TSegment{0x800100, 0x800100, {}, 1, 40},
           TSegment{0x8101F0, 0x8101F0, RandomBytes(16, 5)}, TSegment{0x820000, 0x820000, {1, 2}}}),
  };
  TTally tally;
  LoadMutants(
      25000, 512, "m.elf", false,
      {"Format Error", "Out of address!", "The file is not an AVR ELF file!",
       "The ELF file holds nothing for the flash!",
       "The ELF file holds nothing for the internal EEPROM!",
       "The ELF file holds nothing for the external EEPROM!"},
      [&](TRandom& rnd) {
        std::string file = seeds[rnd.Below(2)];
        // Mostly the headers: that is where the reader decides.
        for (unsigned s = 1 + rnd.Below(4); s > 0; --s) {
          const size_t headers = 52 + 32 * 4;
          const size_t pos = rnd.Below(4)
                                 ? rnd.Below(static_cast<uint32_t>(std::min(headers, file.size())))
                                 : rnd.Below(static_cast<uint32_t>(file.size()));
          switch (rnd.Below(6)) {
            case 0: file[pos] = static_cast<char>(rnd.Below(256)); break;
            case 1: file[pos] = static_cast<char>(file[pos] ^ (1 << rnd.Below(8))); break;
            case 2: file[pos] = rnd.Below(2) ? '\xFF' : '\0'; break;
            case 3: file.resize(pos); break;
            case 4: file.insert(pos, 1, static_cast<char>(rnd.Below(256))); break;
            default: file += std::string(rnd.Below(64), static_cast<char>(rnd.Below(256)));
          }
          if (file.empty()) file = "\x7F";
        }
        return file;
      },
      [](int i) { return static_cast<TImageMemory>(i % 3); }, tally);
  tally.Print();
  EXPECT_GT(tally.Outcomes["(no error)"], 1000);
  EXPECT_GT(tally.Outcomes["Format Error"], 500);
  EXPECT_GT(tally.Outcomes["Out of address!"], 30);
}

TEST(ImageMutation, BinaryFilesFillFromZeroOrAreRefusedWhole) {
  // Exact: a binary file is its bytes, so the result is known for each one.
  constexpr int32_t Size = 1024;
  TRandom rnd(3);
  TGuardedBuffer<> image(Size, 0x5A);
  int refused = 0;
  for (int i = 0; i < 5000; ++i) {
    const std::vector<uint8_t> data = RandomBytes(rnd.Below(Size + 40), rnd.Next());
    const std::string file(data.begin(), data.end());
    std::vector<uint8_t> expected = image.Image();
    const std::string result = ErrorOf(
        [&] { LoadImageData(file.data(), file.size(), "m.bin", imExtEE, image.Data(), Size); });
    if (file.size() > Size) {
      ++refused;
      ASSERT_EQ(result, "The file (" + std::to_string(file.size()) +
                            " bytes) is larger than the image (1024 bytes)!\nm.bin");
    } else if (file.empty()) {
      ASSERT_EQ(result, "The file contains no data!\nm.bin");
    } else {
      ASSERT_EQ(result, "(no error)");
      std::copy(data.begin(), data.end(), expected.begin());
    }
    ASSERT_TRUE(image.Image() == expected && image.GuardsIntact()) << "input " << i;
  }
  EXPECT_GT(refused, 100);
}

}  // namespace
