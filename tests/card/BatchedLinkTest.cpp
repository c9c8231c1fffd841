// The card link over a batched adapter (states collected and applied at
// each flush, with a round trip of virtual time): the same results as
// over the immediate parallel port, in few flushes.
#include <gtest/gtest.h>

#include <random>

#include "link/LoaderLink.h"
#include "link/loader/ELoader.h"
#include "sim/BatchedCardLines.h"
#include "tests/card/VirtualCardRig.h"

namespace {

struct TBatchedRig {
  explicit TBatchedRig(const TVirtualCardConfig& config, const TBatchedModel& model = {})
      : Port(MakePort(config, model, Source)), Card(Source->Card()) {
    Host.ProcessorRow = config.ProcessorRow;
    Host.EepromRow = config.EepromRow;
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

}  // namespace
