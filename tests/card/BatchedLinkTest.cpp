// The card link over a batched adapter (states collected and applied at
// each flush, with a round trip of virtual time): the same results as
// over the immediate parallel port, in few flushes.
#include <gtest/gtest.h>

#include "card/MemoryCommands.h"
#include "card/ProgramAllCommand.h"
#include "card/ReadCardCommand.h"
#include "card/ReadExtEepromCommand.h"
#include "link/LoaderLink.h"
#include "link/loader/ELoader.h"
#include "sim/BatchedCardLines.h"
#include "tests/card/CardCommandOutcomes.h"
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

TEST(BatchedLink, LoaderWritesReadsAndVerifies) {
  TBatchedRig rig(CardConfig(0, 0));
  const auto image = RandomCardBytes(8192, 3);
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

// Every card command, on every processor with two EEPROM sizes, gives
// over a batched link what it gives over the parallel port.
struct BatchedCommands : ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(BatchedCommands, AsOnTheParallelPort) {
  const auto [processor, eeprom] = GetParam();
  const TVirtualCardConfig config = CardConfig(processor, eeprom);
  TImmediateRig immediate(config);
  TBatchedRig batched(config);
  ExpectSameOutcomes(immediate, batched, processor, eeprom);
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
    const auto flash = RandomCardBytes(8192, 21);
    const auto eeprom = RandomCardBytes(512, 22);
    rig.Card->LoadFlash(flash);
    rig.Card->InternalEeprom() = eeprom;
    auto ext = RandomCardBytes(100, 23);
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
  auto flash = RandomCardBytes(8192, 9);
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
