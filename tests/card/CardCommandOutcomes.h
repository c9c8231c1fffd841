#pragma once
// Every card command run on a rig (a port, a link, commands, a loader and
// a scripted host over a virtual card), and what it left behind, so that
// two rigs (the parallel port and a batched adapter) can be compared.

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "card/MemoryCommands.h"
#include "card/ProgramAllCommand.h"
#include "card/ReadCardCommand.h"
#include "card/ReadExtEepromCommand.h"
#include "images/DeviceCatalogue.h"
#include "link/LoaderLink.h"
#include "tests/card/VirtualCardRig.h"

inline std::vector<uint8_t> RandomCardBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(gen());
  return v;
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

using TCardCommandRun = std::function<int(TCardContext&, std::vector<uint8_t>&)>;

template <typename Rig>
TOutcome RunOn(Rig& rig, const TCardCommandRun& command) {
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

// The images the commands write: a quarter of the flash and an odd byte,
// the whole internal EEPROM, two pages and a half of the external one.
struct TCommandImages {
  TCommandImages(int processor, int eeprom) {
    const ProcessorInfo& chip = ProcessorTable[processor];
    const unsigned seed = static_cast<unsigned>(processor * 10 + eeprom);
    Flash = RandomCardBytes(static_cast<size_t>(chip.FlashSize / 4 + 1), seed);
    Eeprom = RandomCardBytes(static_cast<size_t>(chip.EepromSize), seed + 100);
    External = RandomCardBytes(static_cast<size_t>(EepromTable[eeprom].PageSize * 5 / 2), seed + 200);
  }
  TCardImages Images(bool f, bool e, bool x) {
    return TCardImages{{f ? Flash.data() : nullptr, f ? static_cast<int>(Flash.size()) : 0},
                       {e ? Eeprom.data() : nullptr, e ? static_cast<int>(Eeprom.size()) : 0},
                       {x ? External.data() : nullptr, x ? static_cast<int>(External.size()) : 0}};
  }
  std::vector<uint8_t> Flash, Eeprom, External;
};

// Every card command, in an order that leaves each the card the one
// before made.
inline std::vector<std::pair<const char*, TCardCommandRun>> EveryCardCommand(TCommandImages& im) {
  return {
      {"program all", [&](TCardContext& c, auto&) {
         return int{TProgramAllCommand(c).Run(im.Images(true, true, true), false, true)};
       }},
      {"verify", [&](TCardContext& c, auto&) {
         return int{VerifyCard(c, im.Images(true, true, false).Flash, im.Images(true, true, false).IntEE)};
       }},
      {"read flash", [&](TCardContext& c, auto& out) { return int{ReadCardMemory(c, AvrFlash, out)}; }},
      {"read eeprom", [&](TCardContext& c, auto& out) { return int{ReadCardMemory(c, AvrEeprom, out)}; }},
      {"verify flash", [&](TCardContext& c, auto&) {
         return int{VerifyCardMemory(c, AvrFlash, im.Images(true, false, false).Flash)};
       }},
      {"verify eeprom, one byte off", [&](TCardContext& c, auto&) {
         auto changed = im.Eeprom;
         changed[changed.size() / 3] ^= 0x10;
         return int{VerifyCardMemory(c, AvrEeprom, {changed.data(), static_cast<int>(changed.size())})};
       }},
      {"program all, external only, restore and verify", [&](TCardContext& c, auto&) {
         return int{TProgramAllCommand(c).Run(im.Images(false, false, true), true, true)};
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
         return int{TProgramAllCommand(c).Run(im.Images(false, true, true), false, false)};
       }},
  };
}

// The two rigs' outcomes of every command agree.
template <typename RigA, typename RigB>
void ExpectSameOutcomes(RigA& a, RigB& b, int processor, int eeprom) {
  TCommandImages images(processor, eeprom);
  for (const auto& [name, command] : EveryCardCommand(images)) {
    SCOPED_TRACE(name);
    const TOutcome x = RunOn(a, command);
    const TOutcome y = RunOn(b, command);
    EXPECT_EQ(x.Result, y.Result);
    EXPECT_TRUE(x.Read == y.Read);
    EXPECT_TRUE(x.Flash == y.Flash);
    EXPECT_TRUE(x.Eeprom == y.Eeprom);
    EXPECT_TRUE(x.External == y.External);
    EXPECT_EQ(x.Statuses, y.Statuses);
    EXPECT_EQ(x.Messages, y.Messages);
  }
}
