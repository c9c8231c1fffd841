// The loader on the virtual card, cycle for cycle, through the real port
// object, bit link, programming commands and loader link: every processor
// with every external EEPROM, the page-write run, block re-addressing,
// ignored commands, pin-timing margins and cards that stop answering. The
// card's SDA pin behaves as the silicon's: every test ends with no
// contention on SDA and no read of a floating SDA, with and without the
// card's pull-up; a push-pull variant of the loader fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

#include "link/LoaderLink.h"
#include "link/loader/ELoader.h"
#include "tests/card/VirtualCardRig.h"
#include "tests/link/TestBytes.h"
#include "tests/sim/AvrAssemble.h"

namespace {

// The loader link with the byte stream recorded, and a hook before each
// byte the PC sends.
class TSpyLoaderLink : public TLoaderLink {
public:
  using TLoaderLink::TLoaderLink;
  bool LoaderSendByte(uint8_t b) override {
    if (BeforeSend) BeforeSend(Sent.size(), b);
    Sent.push_back(b);
    return TLoaderLink::LoaderSendByte(b);
  }
  bool LoaderReceiveByte(uint8_t& b) override {
    const bool ok = TLoaderLink::LoaderReceiveByte(b);
    if (ok) ++ReceivedBytes;
    return ok;
  }
  std::vector<uint8_t> Sent;
  int ReceivedBytes = 0;
  std::function<void(size_t index, uint8_t b)> BeforeSend;
};

struct TLoaderRig : TVirtualCardRig {
  explicit TLoaderRig(const TVirtualCardConfig& config = {}) : TVirtualCardRig(config) {}
  ~TLoaderRig() {
    if (!CleanSdaExpected) return;
    EXPECT_EQ(Card->SdaContentions(), 0u) << "the loader drove SDA high against the EEPROM";
    EXPECT_EQ(Card->SdaFloatingReads(), 0u) << "the loader read a floating SDA";
  }
  bool CleanSdaExpected = true;

  // Powered, in programming mode, signature read.
  void Ready() {
    ASSERT_TRUE(Enter());
    ASSERT_TRUE(Commands.ReadSignature());
  }
  // The loader in flash and running.
  void Running() {
    ASSERT_NO_FATAL_FAILURE(Ready());
    ASSERT_TRUE(Loader.WriteLoader());
    Loader.StartLoader();
  }
  std::vector<uint8_t>& Eeprom() { return Card->ExternalEeprom().Memory; }
  void ExpectNoMessages() {
    for (const auto& m : Host.MessageTexts()) ADD_FAILURE() << "message: " << m;
  }

  TSpyLoaderLink Loader{Link, Commands, Host};
};

// Writes `image` (its own length, at most the EEPROM), reads it back,
// verifies it; the EEPROM model then holds the image and 0xFF beyond it.
void WriteReadVerify(TLoaderRig& rig, const std::vector<uint8_t>& image) {
  const int n = static_cast<int>(image.size());
  ASSERT_NO_FATAL_FAILURE(rig.Ready());
  ASSERT_TRUE(rig.Loader.WriteExternalEeprom(image.data(), n));
  // Power-cycled, in programming mode again, the loader still in flash.
  EXPECT_TRUE(rig.Card->Powered());
  EXPECT_TRUE(rig.Card->Programming().Enabled());
  EXPECT_EQ(rig.Card->Flash()[0], LoaderImage[0] | (LoaderImage[1] << 8));
  const auto& memory = rig.Eeprom();
  EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
  EXPECT_TRUE(std::all_of(memory.begin() + n, memory.end(), [](uint8_t b) { return b == 0xFF; }));

  rig.Loader.StartLoader();
  std::vector<uint8_t> read(image.size(), 0);
  ASSERT_TRUE(rig.Loader.ReadExternalEeprom(read.data(), n));
  EXPECT_EQ(read, image);
  rig.Link.PowerOff();

  rig.Link.PowerOn();
  ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
  EXPECT_TRUE(rig.Loader.VerifyExternalEeprom(image.data(), n));
  EXPECT_FALSE(rig.Card->Powered());
  rig.ExpectNoMessages();
}

// ---- every processor with every EEPROM ---------------------------------------
// The full chip for two pairs; 1024 bytes (several pages, page addresses
// carrying into the high address byte) for the rest, so that the whole
// matrix stays within seconds under the sanitizers. The pairs take turns
// with the card's SDA pull-up on and off and with the pin delays at the
// chip's values or shifted by one cycle either way. Block addressing past
// 64 KiB has tests of its own below, the read benchmark reads all of a
// 262144-byte chip, and LoaderWholeChips below writes every whole chip
// under every setting (a long run, started by hand).

// The pin delays: the chip's (1, 1), then each shifted by one cycle.
const std::array<std::pair<int, int>, 5> PinDelays{{{1, 1}, {0, 1}, {2, 1}, {1, 0}, {1, 2}}};

TVirtualCardConfig MatrixConfig(int processor, int eeprom, bool pullUp, int delays) {
  TVirtualCardConfig config = CardConfig(processor, eeprom);
  config.SdaPullUp = pullUp;
  config.Timing.OutputDelayCycles = PinDelays[static_cast<size_t>(delays)].first;
  config.Timing.InputSyncCycles = PinDelays[static_cast<size_t>(delays)].second;
  return config;
}

struct LoaderMatrix : ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(LoaderMatrix, WriteReadVerify) {
  const auto [processor, eeprom] = GetParam();
  const int pair = 6 * processor + eeprom;
  TLoaderRig rig(MatrixConfig(processor, eeprom, (processor + eeprom) % 2 == 1, pair % 5));
  const bool full = (processor == 0 && eeprom == 0) || (processor == 4 && eeprom == 1);
  const size_t size = full ? EepromTable[eeprom].Size : 1024;
  WriteReadVerify(rig, RandomBytes(size, 100 + 10 * processor + eeprom));
  EXPECT_EQ(rig.Host.ChipId, ProcessorTable[processor].Name);
}

// Every processor with every EEPROM, the whole chip, the card's pull-up
// off and on, the pin delays at the chip's values and each shifted by one
// cycle either way: 300 runs, about seven minutes in a Release build.
// Run with --gtest_also_run_disabled_tests --gtest_filter='*LoaderWholeChips*'.
TEST(LoaderWholeChips, DISABLED_EveryChipEverySetting) {
  for (int processor = 0; processor < static_cast<int>(ProcessorTable.size()); ++processor)
    for (int eeprom = 0; eeprom < static_cast<int>(EepromTable.size()); ++eeprom)
      for (bool pullUp : {false, true})
        for (int delays = 0; delays < static_cast<int>(PinDelays.size()); ++delays) {
          SCOPED_TRACE(std::string(ProcessorTable[processor].Name) + " " +
                       EepromTable[eeprom].Name + (pullUp ? " pull-up" : " no pull-up") +
                       " delays " + std::to_string(PinDelays[delays].first) + "/" +
                       std::to_string(PinDelays[delays].second));
          TLoaderRig rig(MatrixConfig(processor, eeprom, pullUp, delays));
          WriteReadVerify(rig, RandomBytes(EepromTable[eeprom].Size, 1000 + processor + eeprom));
          if (HasFailure()) return;
        }
}

INSTANTIATE_TEST_SUITE_P(AllChips, LoaderMatrix,
                         ::testing::Combine(::testing::Range(0, 5), ::testing::Range(0, 6)),
                         [](const auto& info) {
                           std::string name = ProcessorTable[std::get<0>(info.param)].Name;
                           name += "_";
                           for (char c : std::string(EepromTable[std::get<1>(info.param)].Name))
                             name += (c == '/') ? '_' : c;
                           return name;
                         });

// ---- the page-write run --------------------------------------------------------

struct TRun {
  uint8_t First = 0;
  int DataBytes = 0;
  int ReadBacks = 0;
  std::vector<uint8_t> After;  // the command after each read-back
};

TRun Split(const std::vector<uint8_t>& sent, int page) {
  TRun run;
  size_t i = 0;
  if (sent.empty()) return run;
  run.First = sent[i++];
  while (i < sent.size()) {
    run.DataBytes += std::min<int>(page, static_cast<int>(sent.size() - i));
    i += page;
    if (i >= sent.size()) break;
    EXPECT_EQ(sent[i], TLoaderLink::ReadBackPage) << "at " << i;
    ++run.ReadBacks;
    if (++i < sent.size()) run.After.push_back(sent[i++]);
  }
  return run;
}

TEST(LoaderCard, FullGoodWriteOf2464) {
  TLoaderRig rig(CardConfig(0, 0));
  ASSERT_NO_FATAL_FAILURE(rig.Ready());
  const auto image = RandomBytes(8192, 1);
  ASSERT_TRUE(rig.Loader.WriteExternalEeprom(image.data(), 8192));
  const TRun run = Split(rig.Loader.Sent, 32);
  EXPECT_EQ(run.First, 12);
  EXPECT_EQ(run.DataBytes, 8192);
  EXPECT_EQ(run.ReadBacks, 256);
  EXPECT_EQ(run.After, std::vector<uint8_t>(255, TLoaderLink::NextPage));
  EXPECT_EQ(rig.Loader.Sent.size(), 1u + 8192 + 256 + 255);  // nothing after the last read-back
  EXPECT_EQ(rig.Loader.ReceivedBytes, 8192);
  EXPECT_EQ(rig.Eeprom(), image);
  EXPECT_EQ(rig.Host.Statuses,
            (std::vector<std::string>{"writing loader...",
                                      "Writing and page verifying external eeprom...", ""}));
  rig.ExpectNoMessages();
}

TEST(LoaderCard, LargePagesStartWith68) {
  for (int eeprom : {4, 5}) {
    TLoaderRig rig(CardConfig(1, eeprom));
    ASSERT_NO_FATAL_FAILURE(rig.Ready());
    const auto image = RandomBytes(512, eeprom);
    ASSERT_TRUE(rig.Loader.WriteExternalEeprom(image.data(), 512));
    ASSERT_FALSE(rig.Loader.Sent.empty());
    EXPECT_EQ(rig.Loader.Sent[0], 68);
    const TRun run = Split(rig.Loader.Sent, 256);
    EXPECT_EQ(run.DataBytes, 512);
    EXPECT_EQ(run.After, std::vector<uint8_t>{TLoaderLink::NextPage});
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.Eeprom().begin()));
  }
}

TEST(LoaderCard, CorruptedPageIsSentAgainAndTheNextPageCountsAfresh) {
  TLoaderRig rig(CardConfig(0, 0));
  ASSERT_NO_FATAL_FAILURE(rig.Ready());
  const auto image = RandomBytes(256, 2);
  // The first write of page 0 stores a wrong byte; then page 0x20 fails
  // five times in a row, which must still pass: its count starts at 0.
  rig.Card->Faults().CorruptPageWrites = 1;
  rig.Loader.BeforeSend = [&](size_t index, uint8_t) {
    // Index 69: the first data byte of page 0x20, after the start byte,
    // page 0 twice with ReadBackPage and RepeatPage, ReadBackPage, NextPage.
    if (index == 1 + 32 + 2 + 32 + 2) rig.Card->Faults().CorruptPageWrites = 5;
  };
  ASSERT_TRUE(rig.Loader.WriteExternalEeprom(image.data(), 256));
  const TRun run = Split(rig.Loader.Sent, 32);
  const std::vector<uint8_t> head(run.After.begin(), run.After.begin() + 7);
  EXPECT_EQ(head, (std::vector<uint8_t>{6, 5, 6, 6, 6, 6, 6}));
  EXPECT_EQ(run.After[7], 5);
  EXPECT_EQ(run.ReadBacks, 8 + 1 + 5);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.Eeprom().begin()));
  rig.ExpectNoMessages();
}

TEST(LoaderCard, PageFailingSixTimesAt1E0EndsUnpowered) {
  TLoaderRig rig(CardConfig(0, 0));
  ASSERT_NO_FATAL_FAILURE(rig.Ready());
  const auto image = RandomBytes(8192, 3);
  rig.Loader.BeforeSend = [&](size_t index, uint8_t) {
    // Index 1 + 0x1E0 + 2 * 15: the first data byte of page 0x1E0 (after
    // the start byte and 15 pairs of ReadBackPage and NextPage).
    if (index == 1 + 0x1E0 + 2 * 15) rig.Card->Faults().CorruptPageWrites = 6;
  };
  EXPECT_FALSE(rig.Loader.WriteExternalEeprom(image.data(), 8192));
  ASSERT_EQ(rig.Host.MessageTexts(), std::vector<std::string>{"Page verify error at: 0x1E0"});
  EXPECT_EQ(rig.Host.Messages[0].Buttons, mbOK);
  EXPECT_EQ(rig.Host.Beeps, 0);
  EXPECT_FALSE(rig.Card->Powered());
  EXPECT_EQ(rig.Link.DataLatch, 0);
  const TRun run = Split(rig.Loader.Sent, 32);
  EXPECT_EQ(std::count(run.After.begin(), run.After.end(), TLoaderLink::RepeatPage), 5);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 0x1E0, rig.Eeprom().begin()));
}

// ---- 64 KiB blocks -------------------------------------------------------------

// The loader's address is set just below a 64 KiB boundary through the
// core's registers, so that the crossing costs a few pages instead of
// 64 KiB of transfers.

// Ticks until the loader is ready for a command (MISO high), looking after
// every tick as the PC does.
bool AwaitReady(TLoaderRig& rig) {
  for (int ticks = 0; ticks < 100000; ++ticks) {
    if (rig.Link.Port.ReadAck()) return true;
    rig.Link.StrobeTick();
  }
  return false;
}

void SetAddress(TLoaderRig& rig, uint32_t address) {
  TAvrCore& core = rig.Card->Core();
  core.SetReg(17, address & 0xFF);
  core.SetReg(18, (address >> 8) & 0xFF);
  core.SetReg(19, (address >> 16) & 0xFF);
}

TEST(LoaderCard, NextPageCarriesIntoTheBlockByte) {
  TLoaderRig rig(CardConfig(0, 4));  // 241024, pages of 256
  ASSERT_NO_FATAL_FAILURE(rig.Running());
  const auto page0 = RandomBytes(256, 10);
  const auto page1 = RandomBytes(256, 11);
  auto sendPage = [&](const std::vector<uint8_t>& data) {
    for (uint8_t b : data) ASSERT_TRUE(rig.Loader.LoaderSendByte(b));
    ASSERT_TRUE(rig.Loader.LoaderSendByte(TLoaderLink::ReadBackPage));
    for (uint8_t b : data) {
      uint8_t r = 0;
      ASSERT_TRUE(rig.Loader.LoaderReceiveByte(r));
      ASSERT_EQ(r, b);
    }
  };
  ASSERT_TRUE(rig.Loader.LoaderSendByte(68));
  ASSERT_NO_FATAL_FAILURE(sendPage(page0));
  ASSERT_TRUE(AwaitReady(rig));
  SetAddress(rig, 0xFF00);
  ASSERT_TRUE(rig.Loader.LoaderSendByte(TLoaderLink::NextPage));  // 0xFF00 + 256
  ASSERT_NO_FATAL_FAILURE(sendPage(page1));
  ASSERT_TRUE(AwaitReady(rig));
  EXPECT_EQ(rig.Card->Core().Reg(19), 1);
  const auto& m = rig.Eeprom();
  EXPECT_TRUE(std::equal(page0.begin(), page0.end(), m.begin()));
  EXPECT_TRUE(std::equal(page1.begin(), page1.end(), m.begin() + 0x10000));
  EXPECT_TRUE(
      std::all_of(m.begin() + 0xFF00, m.begin() + 0x10000, [](uint8_t b) { return b == 0xFF; }));
  EXPECT_TRUE(
      std::all_of(m.begin() + 0x100, m.begin() + 0x200, [](uint8_t b) { return b == 0xFF; }));
  rig.ExpectNoMessages();
}

TEST(LoaderCard, ReadAllReaddressesTheNextBlockAt0x10000) {
  for (int eeprom : {4, 5}) {
    TLoaderRig rig(CardConfig(0, eeprom));
    rig.Eeprom() = RandomBytes(EepromTable[eeprom].Size, 12 + eeprom);
    const auto& m = rig.Eeprom();
    ASSERT_NO_FATAL_FAILURE(rig.Running());
    ASSERT_TRUE(rig.Loader.LoaderSendByte(TLoaderLink::ReadAll));
    uint8_t b = 0;
    ASSERT_TRUE(rig.Loader.LoaderReceiveByte(b));
    EXPECT_EQ(b, m[0]);
    // The loader counts on from 0xFFF0 (or 0xFFF1, had it counted byte 0
    // already) while the EEPROM streams on from address 1; at the boundary
    // the loader stops and addresses block 1 (control byte 0xA2).
    SetAddress(rig, 0xFFF0);
    std::vector<uint8_t> stream;
    for (int i = 0; i < 64; ++i) {
      ASSERT_TRUE(rig.Loader.LoaderReceiveByte(b));
      stream.push_back(b);
    }
    const size_t k = std::equal(stream.begin(), stream.begin() + 16, m.begin() + 1) &&
                             std::equal(stream.begin() + 16, stream.end(), m.begin() + 0x10000)
                         ? 16
                         : 15;
    EXPECT_TRUE(std::equal(stream.begin(), stream.begin() + k, m.begin() + 1)) << eeprom;
    EXPECT_TRUE(std::equal(stream.begin() + k, stream.end(), m.begin() + 0x10000)) << eeprom;
    EXPECT_EQ(rig.Card->Core().Reg(19), 1);
  }
}

// ---- commands ------------------------------------------------------------------

TEST(LoaderCard, CommandSevenIsIgnoredAndReadAllTakesAnyOfItsBytes) {
  TLoaderRig rig(CardConfig(3, 0));
  rig.Eeprom() = RandomBytes(8192, 5);
  ASSERT_NO_FATAL_FAILURE(rig.Running());
  for (uint8_t ignored : {uint8_t{0x07}, uint8_t{0xFF}}) {
    ASSERT_TRUE(rig.Loader.LoaderSendByte(ignored));
    // The loader goes back to wait for the next command with MISO high
    // (the PC looks after every tick: the loader samples from that edge on).
    int ticks = 0;
    while (!rig.Link.Port.ReadAck() && ticks < 100) {
      rig.Link.StrobeTick();
      ++ticks;
    }
    EXPECT_LT(ticks, 100);
    EXPECT_TRUE(rig.Card->Running());
  }
  ASSERT_TRUE(rig.Loader.LoaderSendByte(0x02));  // read all, like 0x00
  for (int i = 0; i < 300; ++i) {
    uint8_t b = 0;
    ASSERT_TRUE(rig.Loader.LoaderReceiveByte(b));
    ASSERT_EQ(b, rig.Eeprom()[i]) << i;
  }
  rig.ExpectNoMessages();
}

TEST(LoaderCard, LoaderImageInFlash) {
  TLoaderRig rig(CardConfig(4, 0));
  ASSERT_NO_FATAL_FAILURE(rig.Ready());
  ASSERT_TRUE(rig.Loader.WriteLoader());
  for (int w = 0; w < LoaderImageSize / 2; ++w)
    ASSERT_EQ(rig.Card->Flash()[w], LoaderImage[2 * w] | (LoaderImage[2 * w + 1] << 8)) << w;
  EXPECT_EQ(rig.Card->Flash()[LoaderImageSize / 2], 0xFFFF);
  EXPECT_EQ(rig.Host.Statuses, std::vector<std::string>{"writing loader..."});
  EXPECT_EQ(rig.Host.Bars[pbFlash].Position, 0);
}

// ---- timing margins ------------------------------------------------------------

struct LoaderTimingMargin : ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(LoaderTimingMargin, FullWriteReadVerify) {
  const auto [output, input] = GetParam();
  TVirtualCardConfig config = CardConfig(0, 0);
  config.Timing.OutputDelayCycles = output;
  config.Timing.InputSyncCycles = input;
  TLoaderRig rig(config);
  ASSERT_EQ(rig.Card->Timing().OutputDelayCycles, output);
  ASSERT_EQ(rig.Card->Timing().InputSyncCycles, input);
  WriteReadVerify(rig, RandomBytes(8192, 6));
}

// The chip's delays are 1 and 1: each shifted by one cycle either way.
INSTANTIATE_TEST_SUITE_P(OneCycleEitherWay, LoaderTimingMargin,
                         ::testing::Values(std::make_tuple(0, 1), std::make_tuple(2, 1),
                                           std::make_tuple(1, 0), std::make_tuple(1, 2)),
                         [](const auto& info) {
                           return "Output" + std::to_string(std::get<0>(info.param)) + "Input" +
                                  std::to_string(std::get<1>(info.param));
                         });

struct LoaderTimingCorner : ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(LoaderTimingCorner, ShortWriteReadVerify) {
  const auto [output, input] = GetParam();
  TVirtualCardConfig config = CardConfig(0, 1);
  config.Timing.OutputDelayCycles = output;
  config.Timing.InputSyncCycles = input;
  TLoaderRig rig(config);
  WriteReadVerify(rig, RandomBytes(1024, 7));
}

// Both shifted at once.
INSTANTIATE_TEST_SUITE_P(BothShifted, LoaderTimingCorner,
                         ::testing::Values(std::make_tuple(0, 0), std::make_tuple(2, 2),
                                           std::make_tuple(0, 2), std::make_tuple(2, 0)),
                         [](const auto& info) {
                           return "Output" + std::to_string(std::get<0>(info.param)) + "Input" +
                                  std::to_string(std::get<1>(info.param));
                         });

// ---- SDA driven both ways --------------------------------------------------------

// The loader with SDA made push-pull: "released" becomes an output at 1.
// On a card whose pins behave as the silicon's, the AVR then wins against
// the EEPROM's acknowledges and its 0 bits and reads back its own high.
std::vector<uint8_t> PushPullLoader() {
  std::ifstream in(std::string(PELLAR_SOURCE_DIR) + "/link/loader/Loader.S", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string source = text.str();
  const std::pair<std::string, std::string> edits[] = {
      {".equ    DDR_SDA_RELEASED, 0x5E", ".equ    DDR_SDA_RELEASED, 0x5F"},
      {"        .macro  SDA_RELEASE\n        cbi     DDRB, SDA",
       "        .macro  SDA_RELEASE\n        sbi     DDRB, SDA"},
  };
  for (const auto& [from, to] : edits) {
    const size_t at = source.find(from);
    if (at == std::string::npos) {
      ADD_FAILURE() << "Loader.S no longer has: " << from;
      return {};
    }
    source.replace(at, from.size(), to);
  }
  const TAvrAssembly code = AvrAssembleSource(source, "at90s2313");
  if (!code.Ok) {
    ADD_FAILURE() << code.Error;
    return {};
  }
  std::vector<uint8_t> image;
  for (uint16_t w : code.Words) {
    image.push_back(static_cast<uint8_t>(w));
    image.push_back(static_cast<uint8_t>(w >> 8));
  }
  return image;
}

TEST(LoaderCard, PushPullSdaFailsOnSiliconPins) {
  if (!AvrToolchainAvailable()) GTEST_SKIP() << "avr-as, avr-ld or avr-objcopy not found";
  const std::vector<uint8_t> loader = PushPullLoader();
  ASSERT_FALSE(loader.empty());
  for (bool pullUp : {false, true}) {
    SCOPED_TRACE(pullUp ? "pull-up" : "no pull-up");
    TVirtualCardConfig config = CardConfig(0, 0);
    config.SdaPullUp = pullUp;
    // A page write never sees the control byte acknowledged: the loader
    // polls until the PC gives up on the handshake.
    {
      TLoaderRig rig(config);
      rig.CleanSdaExpected = false;
      ASSERT_NO_FATAL_FAILURE(rig.Ready());
      rig.Card->LoadFlash(loader);
      rig.Loader.StartLoader();
      bool ok = rig.Loader.LoaderSendByte(12);
      for (int i = 0; ok && i < 4; ++i) ok = rig.Loader.LoaderSendByte(0x55);
      EXPECT_FALSE(ok);
      EXPECT_GT(rig.Card->SdaContentions(), 0u);
      EXPECT_EQ(rig.Card->Core().Reg(22), 0x55);  // stuck polling with the first byte
      EXPECT_TRUE(std::all_of(rig.Eeprom().begin(), rig.Eeprom().end(),
                              [](uint8_t b) { return b == 0xFF; }));
    }
    // A read gets the AVR's own high back: every byte 0xFF.
    {
      TLoaderRig rig(config);
      rig.CleanSdaExpected = false;
      rig.Eeprom() = RandomBytes(8192, 30);
      ASSERT_NO_FATAL_FAILURE(rig.Ready());
      rig.Card->LoadFlash(loader);
      rig.Loader.StartLoader();
      ASSERT_TRUE(rig.Loader.LoaderSendByte(TLoaderLink::ReadAll));
      std::vector<uint8_t> read(256, 0);
      for (uint8_t& b : read) ASSERT_TRUE(rig.Loader.LoaderReceiveByte(b));
      EXPECT_EQ(read, std::vector<uint8_t>(256, 0xFF));
      EXPECT_GT(rig.Card->SdaContentions(), 0u);
    }
  }
}

// ---- cards that stop answering -------------------------------------------------

void ExpectHandshakeLost(TLoaderRig& rig, uint64_t edgesBefore) {
  EXPECT_FALSE(rig.Card->Powered());
  EXPECT_EQ(rig.Link.DataLatch, 0);
  EXPECT_EQ(rig.Host.MessageTexts(), std::vector<std::string>{TLoaderLink::HandshakeLostText});
  EXPECT_EQ(rig.Host.Bars[pbExtEE].Position, 0);
  // Bounded: the limit plus the ticks of the bytes before.
  EXPECT_LE(rig.Card->ClockEdges() - edgesBefore,
            uint64_t{TLoaderLink::DefaultHandshakeTickLimit} + 2'000'000u);
}

TEST(LoaderCard, EepromThatNeverAnswers) {
  const auto image = RandomBytes(8192, 8);
  {
    // The loader polls for the control byte's acknowledge forever; the PC
    // gives up waiting for it to take the second data byte.
    TLoaderRig rig(CardConfig(0, 0));
    rig.Card->Faults().EepromAbsent = true;
    ASSERT_NO_FATAL_FAILURE(rig.Ready());
    const uint64_t before = rig.Card->ClockEdges();
    EXPECT_FALSE(rig.Loader.WriteExternalEeprom(image.data(), 8192));
    ExpectHandshakeLost(rig, before);
    EXPECT_EQ(rig.Loader.Sent.size(), 3u);  // start byte, two data bytes
  }
  {
    // Reads ignore acknowledges: the bus reads high, every byte 0xFF.
    TLoaderRig rig(CardConfig(0, 0));
    rig.Card->Faults().EepromAbsent = true;
    ASSERT_NO_FATAL_FAILURE(rig.Running());
    std::vector<uint8_t> read(1024, 0);
    EXPECT_TRUE(rig.Loader.ReadExternalEeprom(read.data(), 1024));
    EXPECT_EQ(read, std::vector<uint8_t>(1024, 0xFF));
    rig.Link.PowerOff();
    // Verify finds the difference at once and powers off.
    rig.Link.PowerOn();
    ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
    EXPECT_FALSE(rig.Loader.VerifyExternalEeprom(image.data(), 8192));
    EXPECT_FALSE(rig.Card->Powered());
    ASSERT_EQ(rig.Host.Messages.size(), 1u);
    EXPECT_EQ(rig.Host.Messages[0].Text.rfind("External eeprom verification error!", 0), 0u);
  }
}

TEST(LoaderCard, MisoThatSticks) {
  const auto image = RandomBytes(8192, 9);
  for (bool high : {false, true}) {
    SCOPED_TRACE(high ? "stuck high" : "stuck low");
    // Read: MISO sticks while the loader streams.
    {
      TLoaderRig rig(CardConfig(0, 0));
      ASSERT_NO_FATAL_FAILURE(rig.Running());
      rig.Card->Faults().MisoStuckAfterHigh = high;
      rig.Card->Faults().MisoStuckAfterAccesses = rig.Card->PortAccesses() + 5000;
      const uint64_t before = rig.Card->ClockEdges();
      std::vector<uint8_t> read(8192, 0);
      EXPECT_FALSE(rig.Loader.ReadExternalEeprom(read.data(), 8192));
      ExpectHandshakeLost(rig, before);
    }
    // Write: MISO sticks during the page-write run.
    {
      TLoaderRig rig(CardConfig(0, 0));
      ASSERT_NO_FATAL_FAILURE(rig.Ready());
      rig.Loader.BeforeSend = [&](size_t index, uint8_t) {
        if (index == 40) {
          rig.Card->Faults().MisoStuckAfterHigh = high;
          rig.Card->Faults().MisoStuckAfterAccesses = rig.Card->PortAccesses() + 1;
        }
      };
      const uint64_t before = rig.Card->ClockEdges();
      EXPECT_FALSE(rig.Loader.WriteExternalEeprom(image.data(), 8192));
      EXPECT_FALSE(rig.Card->Powered());
      EXPECT_EQ(rig.Host.MessageTexts(), std::vector<std::string>{TLoaderLink::HandshakeLostText});
      EXPECT_LE(rig.Card->ClockEdges() - before, 20'000'000u);
    }
    // Verify: MISO stuck from the start of the loader.
    {
      TLoaderRig rig(CardConfig(0, 0));
      ASSERT_NO_FATAL_FAILURE(rig.Ready());
      ASSERT_TRUE(rig.Loader.WriteLoader());
      rig.Card->Faults().MisoStuckAfterHigh = high;
      rig.Card->Faults().MisoStuckAfterAccesses = rig.Card->PortAccesses() + 1;
      const uint64_t before = rig.Card->ClockEdges();
      EXPECT_FALSE(rig.Loader.VerifyExternalEeprom(image.data(), 8192));
      ExpectHandshakeLost(rig, before);
    }
  }
}

}  // namespace
