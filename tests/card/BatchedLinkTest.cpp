// The card link over a batched adapter (states collected and applied at
// each flush, with a round trip of virtual time): the same results as
// over the immediate parallel port, in few flushes.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "card/MemoryCommands.h"
#include "card/ProgramAllCommand.h"
#include "card/ReadCardCommand.h"
#include "card/ReadExtEepromCommand.h"
#include "link/LoaderLink.h"
#include "link/loader/ELoader.h"
#include "sim/BatchedCardLines.h"
#include "tests/card/VirtualCardRig.h"

namespace {

struct TBatchedRig {
  explicit TBatchedRig(const TVirtualCardConfig& config, const TBatchedModel& model = {})
      : Port(MakePort(config, model, Source)), Card(Source->Card()) {
    Commands.Chips = {config.ProcessorRow, config.EepromRow, -1};
    Commands.PowerCycleAllowed = false;
  }
  ~TBatchedRig() {
    EXPECT_EQ(Card->SdaContentions(), 0u);
    EXPECT_EQ(Card->SdaFloatingReads(), 0u);
  }
  uint64_t Flushes() const { return Port->Lines().Timing().Flushes; }

  static std::unique_ptr<TLptPort> MakePort(const TVirtualCardConfig& config,
                                            const TBatchedModel& model,
                                            TBatchedCardPortSource*& source) {
    auto owned = std::make_unique<TBatchedCardPortSource>(config, model);
    source = owned.get();
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::move(owned));
    auto port = std::make_unique<TLptPort>(std::move(sources));
    port->SetActive(true);
    return port;
  }

  TBatchedCardPortSource* Source = nullptr;
  std::unique_ptr<TLptPort> Port;
  TVirtualCard* Card = nullptr;
  TIspLink Link{*Port};
  TScriptedHost Host;
  TAvrCommands Commands{Link, Host};
  TLoaderLink Loader{Link, Commands, Host};
};

std::vector<uint8_t> Random(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(gen());
  return v;
}

TEST(BatchedLink, LoaderWritesReadsAndVerifies) {
  TBatchedRig rig(CardConfig(0, 0));
  const auto image = Random(8192, 3);
  rig.Link.PowerOn();
  ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
  ASSERT_TRUE(rig.Commands.ReadSignature());
  ASSERT_TRUE(rig.Loader.WriteExternalEeprom(image.data(), 8192)) << rig.Host.MessageTexts().size();
  EXPECT_EQ(rig.Card->ExternalEeprom().Memory, image);
  EXPECT_TRUE(rig.Loader.VerifyExternalEeprom(image.data(), 8192));
  rig.Link.PowerOn();
  ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
  rig.Loader.StartLoader();
  const uint64_t before = rig.Flushes();
  std::vector<uint8_t> read(8192);
  ASSERT_TRUE(rig.Loader.ReadExternalEeprom(read.data(), 8192));
  EXPECT_EQ(read, image);
  EXPECT_LE(rig.Flushes() - before, 64u);
  for (const auto& m : rig.Host.MessageTexts()) ADD_FAILURE() << m;
}

// A card behind the immediate parallel port, for comparison.
struct TImmediateRig {
  explicit TImmediateRig(const TVirtualCardConfig& config)
      : Port(TVirtualCardRig::MakePort(config, Source)), Card(Source->Card()) {
    Commands.Chips = {config.ProcessorRow, config.EepromRow, -1};
    Commands.PowerCycleAllowed = false;
  }
  TVirtualCardPortSource* Source = nullptr;
  std::unique_ptr<TLptPort> Port;
  TVirtualCard* Card = nullptr;
  TIspLink Link{*Port};
  TScriptedHost Host;
  TAvrCommands Commands{Link, Host};
  TLoaderLink Loader{Link, Commands, Host};
};

// What a command left behind: its result, what it read, the card's
// memories, and what the user saw.
struct TOutcome {
  int Result = 0;
  std::vector<uint8_t> Read;
  std::vector<uint8_t> Flash, Eeprom, External;
  std::vector<std::string> Statuses, Messages;
  bool operator==(const TOutcome&) const = default;
};

template <typename Rig>
TOutcome RunOn(Rig& rig, const std::function<int(TCardContext&, std::vector<uint8_t>&)>& command) {
  TCardContext context{*rig.Port, rig.Link, rig.Commands, rig.Loader, rig.Host};
  rig.Host.Statuses.clear();
  rig.Host.Messages.clear();
  TOutcome o;
  o.Result = command(context, o.Read);
  rig.Card->Sync();
  std::vector<uint8_t> flash;
  for (uint16_t w : rig.Card->Flash()) {
    flash.push_back(static_cast<uint8_t>(w));
    flash.push_back(static_cast<uint8_t>(w >> 8));
  }
  o.Flash = flash;
  o.Eeprom = rig.Card->InternalEeprom();
  o.External = rig.Card->ExternalEeprom().Memory;
  o.Statuses = rig.Host.Statuses;
  o.Messages = rig.Host.MessageTexts();
  return o;
}

// Every card command, on every processor with two EEPROM sizes, gives
// over a batched link what it gives over the parallel port.
struct BatchedCommands : ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(BatchedCommands, AsOnTheParallelPort) {
  {
    {
      const auto [processor, eeprom] = GetParam();
      const TVirtualCardConfig config = CardConfig(processor, eeprom);
      TImmediateRig immediate(config);
      TBatchedRig batched(config);
      const ProcessorInfo& chip = ProcessorTable[processor];
      const unsigned seed = static_cast<unsigned>(processor * 10 + eeprom);
      // A quarter of the flash and an odd byte.
      auto flash = Random(static_cast<size_t>(chip.FlashSize / 4 + 1), seed);
      auto ee = Random(static_cast<size_t>(chip.EepromSize), seed + 100);
      // An external image of two pages and a half.
      auto ext = Random(static_cast<size_t>(EepromTable[eeprom].PageSize * 5 / 2), seed + 200);
      const auto images = [&](bool f, bool e, bool x) {
        return TCardImages{{f ? flash.data() : nullptr, f ? static_cast<int>(flash.size()) : 0},
                           {e ? ee.data() : nullptr, e ? static_cast<int>(ee.size()) : 0},
                           {x ? ext.data() : nullptr, x ? static_cast<int>(ext.size()) : 0}};
      };
      using TCommand = std::function<int(TCardContext&, std::vector<uint8_t>&)>;
      const std::vector<std::pair<const char*, TCommand>> commands = {
          {"program all", [&](TCardContext& c, auto&) {
             return int{TProgramAllCommand(c).Run(images(true, true, true), false, true)};
           }},
          {"verify", [&](TCardContext& c, auto&) {
             return int{VerifyCard(c, images(true, true, false).Flash, images(true, true, false).IntEE)};
           }},
          {"read flash", [&](TCardContext& c, auto& out) { return int{ReadCardMemory(c, AvrFlash, out)}; }},
          {"read eeprom", [&](TCardContext& c, auto& out) { return int{ReadCardMemory(c, AvrEeprom, out)}; }},
          {"verify flash", [&](TCardContext& c, auto&) {
             return int{VerifyCardMemory(c, AvrFlash, images(true, false, false).Flash)};
           }},
          {"verify eeprom, one byte off", [&](TCardContext& c, auto&) {
             auto changed = ee;
             changed[changed.size() / 3] ^= 0x10;
             return int{VerifyCardMemory(c, AvrEeprom, {changed.data(), static_cast<int>(changed.size())})};
           }},
          {"program all, external only, restore and verify", [&](TCardContext& c, auto&) {
             return int{TProgramAllCommand(c).Run(images(false, false, true), true, true)};
           }},
          {"read ext eeprom, restore", [&](TCardContext& c, auto& out) {
             TReadExtEepromCommand command(c);
             const bool ok = command.Run(true);
             out = command.Bytes();
             return int{ok};
           }},
          {"read card", [&](TCardContext& c, auto& out) {
             TReadCardCommand command(c);
             const bool ok = command.Run();
             out = command.Flash;
             out.insert(out.end(), command.Eeprom.begin(), command.Eeprom.end());
             out.insert(out.end(), command.External.begin(), command.External.end());
             return int{ok};
           }},
          {"erase", [&](TCardContext& c, auto&) { return int{EraseCard(c)}; }},
          {"program all, no restore, no verify", [&](TCardContext& c, auto&) {
             return int{TProgramAllCommand(c).Run(images(false, true, true), false, false)};
           }},
      };
      for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        const TOutcome a = RunOn(immediate, command);
        const TOutcome b = RunOn(batched, command);
        EXPECT_EQ(a.Result, b.Result);
        EXPECT_TRUE(a.Read == b.Read);
        EXPECT_TRUE(a.Flash == b.Flash);
        EXPECT_TRUE(a.Eeprom == b.Eeprom);
        EXPECT_TRUE(a.External == b.External);
        EXPECT_EQ(a.Statuses, b.Statuses);
        EXPECT_EQ(a.Messages, b.Messages);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryChip, BatchedCommands,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(ProcessorTable.size())),
                                            ::testing::Values(0, 1)));

// An adapter lost in the middle of Program All (restore chosen) ends it
// with its error, and the card's own flash and internal EEPROM are never
// lost: each is still in the card or handed back as unrestored, at
// whatever transfer the adapter goes.
TEST(BatchedLink, AnAdapterLostMidCommandKeepsTheCardsMemories) {
  int afterTheErase = 0;
  for (uint64_t lostAfter : {3u, 40u, 130u, 140u, 180u, 400u, 900u}) {
    SCOPED_TRACE(lostAfter);
    TBatchedRig rig(CardConfig(0, 0));
    const auto flash = Random(8192, 21);
    const auto eeprom = Random(512, 22);
    rig.Card->LoadFlash(flash);
    rig.Card->InternalEeprom() = eeprom;
    auto ext = Random(100, 23);
    TCardContext context{*rig.Port, rig.Link, rig.Commands, rig.Loader, rig.Host};
    TProgramAllCommand command(context);
    rig.Source->Lines()->FailAfter(lostAfter);
    bool lost = false;
    try {
      command.Run({{}, {}, {ext.data(), 100}}, true, true);
    } catch (const EAdapterLost& e) {
      lost = true;
      EXPECT_STREQ(e.what(), TBatchedCardLines::LostText);
    }
    EXPECT_TRUE(lost);
    rig.Card->Sync();
    std::vector<uint8_t> cardFlash;
    for (uint16_t w : rig.Card->Flash()) {
      cardFlash.push_back(static_cast<uint8_t>(w));
      cardFlash.push_back(static_cast<uint8_t>(w >> 8));
    }
    EXPECT_TRUE(cardFlash == flash || command.Unrestored().Flash == flash);
    EXPECT_TRUE(rig.Card->InternalEeprom() == eeprom || command.Unrestored().Eeprom == eeprom);
    if (command.Unrestored().Any()) ++afterTheErase;
  }
  // Most of those points lie after the chip erase.
  EXPECT_GE(afterTheErase, 4);
}

// The reads and verifies of a memory take one flush a step of the bar,
// and the whole command only a few more.
TEST(BatchedLink, FlushesOfAFlashReadAndVerify) {
  TBatchedRig rig(CardConfig(0, 0));
  auto flash = Random(8192, 9);
  rig.Card->LoadFlash(flash);
  TCardContext context{*rig.Port, rig.Link, rig.Commands, rig.Loader, rig.Host};
  std::vector<uint8_t> read;
  uint64_t before = rig.Flushes();
  ASSERT_TRUE(ReadCardMemory(context, AvrFlash, read));
  EXPECT_EQ(read, flash);
  EXPECT_LE(rig.Flushes() - before, 72u);
  before = rig.Flushes();
  EXPECT_EQ(VerifyCardMemory(context, AvrFlash, {flash.data(), 8192}), crSame);
  EXPECT_LE(rig.Flushes() - before, 72u);
  // The read alone.
  rig.Link.PowerOn();
  ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
  before = rig.Flushes();
  rig.Commands.ReadFlash(read.data(), 8192);
  EXPECT_LE(rig.Flushes() - before, 64u);
  EXPECT_EQ(read, flash);
  rig.Link.PowerOff();
}

}  // namespace
