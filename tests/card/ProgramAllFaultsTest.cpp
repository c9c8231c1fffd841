// Program All with restore chosen, on a card that misbehaves at random:
// it stops answering (MISO stuck) at a random port access after its
// memories were read, a flash, internal EEPROM or 24Cxx byte never takes,
// or the 24Cxx spoils its first page writes. Whatever happens, each memory
// the user had no image for is in the card as it was, or handed back in
// Unrestored; a run that succeeds leaves its images and the backups in the
// card and hands nothing back.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "card/ProgramAllCommand.h"
#include "tests/card/CardCommandOutcomes.h"

namespace {

// A scripted host that notes, for every status text, the card's port
// accesses at that moment.
struct TWatchingHost : TScriptedHost {
  void SetStatusText(const std::string& text) override {
    TScriptedHost::SetStatusText(text);
    AccessesAt.push_back(Card ? Card->PortAccesses() : 0);
  }
  // The accesses when `text` was first shown; 0 when it never was.
  uint64_t FirstAccessesAt(const std::string& text) const {
    for (size_t i = 0; i < Statuses.size(); ++i)
      if (Statuses[i] == text) return AccessesAt[i];
    return 0;
  }
  TVirtualCard* Card = nullptr;
  std::vector<uint64_t> AccessesAt;
};

using TFaultRig = TImmediateRigWith<TWatchingHost>;

// An AT90S2323 (small memories, polled writes: a byte that does not take
// fails its write) with a 2464.
constexpr int Processor = 4;
constexpr int FlashSize = 2048;
constexpr int EepromSize = 128;
// A value a write is polled for, so that a byte that does not take is found.
constexpr uint8_t PolledValue = 0x3C;

// Which images the user has: the external one always (restore is offered
// only with it), and perhaps one of flash and internal EEPROM.
enum TImageSet { isExternalOnly, isWithFlash, isWithEeprom };

struct TTrial {
  TImageSet Images = isExternalOnly;
  bool Verify = false;
  uint64_t MisoStuckAt = 0;  // port accesses; 0 = the card keeps answering
  bool MisoStuckHigh = false;
  int StuckFlashByte = -1;
  int StuckEepromByte = -1;
  int StuckExtByte = -1;
  int CorruptPageWrites = 0;
};

struct TRunResult {
  bool Ok = false;
  bool HandedBack = false;     // Unrestored holds a backup
  uint64_t BackupsReadAt = 0;  // accesses once the backups were read
  uint64_t EndedAt = 0;        // accesses at the end
};

// `n` bytes of which about one in `every` holds data, the rest erased
// (0xFF, which a write skips): spread over a memory, and quick to write.
std::vector<uint8_t> ScatteredBytes(size_t n, unsigned seed, int every) {
  std::vector<uint8_t> v = RandomCardBytes(n, seed);
  for (uint8_t& b : v)
    if (b % every != 0) b = 0xFF;
  return v;
}

// The user's images and the card's own contents.
struct TContents {
  std::vector<uint8_t> CardFlash = ScatteredBytes(FlashSize, 51, 8);
  std::vector<uint8_t> CardEeprom = ScatteredBytes(EepromSize, 52, 4);
  std::vector<uint8_t> Flash = ScatteredBytes(FlashSize / 2 + 1, 53, 8);
  std::vector<uint8_t> Eeprom = ScatteredBytes(EepromSize, 54, 4);
  std::vector<uint8_t> External = RandomCardBytes(80, 55);

  // A copy in which each byte that does not take is, in the card and in
  // the images, one whose write is polled: its write fails instead of
  // passing unnoticed.
  TContents WithStuckBytes(const TTrial& trial) const {
    TContents c = *this;
    const auto mark = [](std::vector<uint8_t>& bytes, int at) {
      if (at >= 0 && at < static_cast<int>(bytes.size()))
        bytes[static_cast<size_t>(at)] = PolledValue;
    };
    for (auto* bytes : {&c.CardFlash, &c.Flash}) mark(*bytes, trial.StuckFlashByte);
    for (auto* bytes : {&c.CardEeprom, &c.Eeprom}) mark(*bytes, trial.StuckEepromByte);
    return c;
  }

  TCardImages Images(TImageSet set) {
    const bool flash = set == isWithFlash;
    const bool eeprom = set == isWithEeprom;
    return {{flash ? Flash.data() : nullptr, flash ? static_cast<int>(Flash.size()) : 0},
            {eeprom ? Eeprom.data() : nullptr, eeprom ? static_cast<int>(Eeprom.size()) : 0},
            {External.data(), static_cast<int>(External.size())}};
  }
};

// The prefix of `memory` that `image` covers equals it.
bool Holds(const std::vector<uint8_t>& memory, const TImageRef& image) {
  return std::equal(image.Data, image.Data + image.Size, memory.begin());
}

// Runs Program All on a fresh card with the trial's faults and checks
// what became of the card's own memories.
TRunResult RunTrial(const TContents& base, const TTrial& trial) {
  TFaultRig rig(CardConfig(Processor, 0));
  rig.Host.Card = rig.Card;
  // The handshake bound well above the 24Cxx's write cycle, but short, so
  // that a card that stopped answering ends the run soon.
  rig.Loader.HandshakeTickLimit = 50000;
  TContents contents = base.WithStuckBytes(trial);
  const std::vector<uint8_t>& cardFlash = contents.CardFlash;
  const std::vector<uint8_t>& cardEeprom = contents.CardEeprom;
  rig.Card->LoadFlash(cardFlash);
  rig.Card->InternalEeprom() = cardEeprom;
  TCardFaults& faults = rig.Card->Faults();
  faults.MisoStuckAfterAccesses = trial.MisoStuckAt;
  faults.MisoStuckAfterHigh = trial.MisoStuckHigh;
  faults.StuckFlashByte = trial.StuckFlashByte;
  faults.StuckEepromByte = trial.StuckEepromByte;
  faults.StuckExtEepromByte = trial.StuckExtByte;
  faults.CorruptPageWrites = trial.CorruptPageWrites;

  const TCardImages images = contents.Images(trial.Images);
  TCardContext context{*rig.Port, rig.Link, rig.Commands, rig.Loader, rig.Host};
  TProgramAllCommand command(context);
  TRunResult result;
  result.Ok = command.Run(images, true, trial.Verify);
  result.EndedAt = rig.Card->PortAccesses();
  result.BackupsReadAt = rig.Host.FirstAccessesAt("writing loader...");

  const TCardBackups& unrestored = command.Unrestored();
  result.HandedBack = unrestored.Any();
  const std::vector<uint8_t> flash = CardFlashBytes(*rig.Card);
  const std::vector<uint8_t>& eeprom = rig.Card->InternalEeprom();
  if (!images.Flash.HasData()) {
    EXPECT_TRUE(flash == cardFlash || unrestored.Flash == cardFlash) << "flash lost";
  }
  if (!images.IntEE.HasData()) {
    EXPECT_TRUE(eeprom == cardEeprom || unrestored.Eeprom == cardEeprom) << "eeprom lost";
  }
  // A card that kept answering has every backup back that its memory
  // could take, also when the other memory's write failed.
  if (trial.MisoStuckAt == 0 || trial.MisoStuckAt > result.EndedAt) {
    if (trial.StuckFlashByte < 0) {
      EXPECT_TRUE(unrestored.Flash.empty());
    }
    if (trial.StuckEepromByte < 0) {
      EXPECT_TRUE(unrestored.Eeprom.empty());
    }
  }
  EXPECT_EQ(rig.Host.Statuses.back(), result.Ok ? "Device programmed." : "Programming error.");
  if (result.Ok) {
    EXPECT_FALSE(unrestored.Any());
    // A run that verified has found every image in the card.
    if (trial.Verify) {
      EXPECT_TRUE(Holds(flash, images.Flash));
      EXPECT_TRUE(Holds(eeprom, images.IntEE));
      EXPECT_TRUE(Holds(rig.Card->ExternalEeprom().Memory, images.ExtEE));
    }
  }
  return result;
}

TEST(ProgramAllFaults, EveryBackupGoesBackOrIsHandedBack) {
  TContents contents;
  // The runs without faults (verify chosen: the longest) succeed and give
  // the span of port accesses, from the backups read to the end, where a
  // card may stop answering.
  std::map<TImageSet, TRunResult> clean;
  for (TImageSet set : {isExternalOnly, isWithFlash, isWithEeprom}) {
    SCOPED_TRACE(testing::Message() << "clean run, images " << set);
    const TRunResult r = RunTrial(contents, {.Images = set, .Verify = true});
    EXPECT_TRUE(r.Ok);
    EXPECT_FALSE(r.HandedBack);
    ASSERT_GT(r.BackupsReadAt, 0u);
    ASSERT_GT(r.EndedAt, r.BackupsReadAt);
    clean[set] = r;
  }

  std::mt19937 random(20240529);
  const auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  const auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  int failed = 0;
  int handedBack = 0;
  constexpr int Trials = 20;
  for (int i = 0; i < Trials; ++i) {
    TTrial trial;
    trial.Images = static_cast<TImageSet>(below(3));
    trial.Verify = chance(50);
    // One fault, sometimes two.
    for (int faults = chance(30) ? 2 : 1; faults > 0; --faults) {
      switch (below(5)) {
        case 0:
        case 1: {
          const TRunResult& span = clean[trial.Images];
          trial.MisoStuckAt =
              std::uniform_int_distribution<uint64_t>(span.BackupsReadAt, span.EndedAt)(random);
          trial.MisoStuckHigh = chance(50);
          break;
        }
        case 2: trial.StuckFlashByte = below(FlashSize); break;
        case 3: trial.StuckEepromByte = below(EepromSize); break;
        default:
          if (chance(50))
            trial.StuckExtByte = below(static_cast<int>(contents.External.size()));
          else
            trial.CorruptPageWrites = 1 + below(8);
      }
    }
    SCOPED_TRACE(testing::Message()
                 << "trial " << i << ": images " << trial.Images << ", verify " << trial.Verify
                 << ", MISO stuck " << (trial.MisoStuckHigh ? "high" : "low") << " at "
                 << trial.MisoStuckAt << ", stuck bytes " << trial.StuckFlashByte << " "
                 << trial.StuckEepromByte << " " << trial.StuckExtByte << ", corrupt page writes "
                 << trial.CorruptPageWrites);
    const TRunResult r = RunTrial(contents, trial);
    failed += r.Ok ? 0 : 1;
    handedBack += r.HandedBack ? 1 : 0;
  }
  // Most trials meet a fault that fails the run; in some the backups go
  // back into the card, in others they are handed back.
  EXPECT_GE(failed, Trials / 2);
  EXPECT_GE(handedBack, 2);
  EXPECT_GE(failed - handedBack, 2);
}

}  // namespace
