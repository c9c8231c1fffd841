// How long a read through the loader that keeps flash and internal EEPROM
// takes, told before it starts (ExternalReadSeconds, which Verify Ext.
// EEprom's question quotes), against the virtual time it takes on the
// virtual card (1 µs a port access, the chips' write times), with every
// byte of flash and internal EEPROM holding data.
#include <gtest/gtest.h>

#include "card/ExternalRead.h"
#include "card/ReadExtEepromCommand.h"
#include "link/LoaderLink.h"
#include "tests/card/VirtualCardRig.h"
#include "tests/link/TestBytes.h"

namespace {

TEST(ExternalReadTime, TheToldTimeIsAboutTheTimeTaken) {
  TVirtualCardRig rig(CardConfig(4, 0));  // AT90S2323 with a 2464/2465
  auto flash = RandomBytes(2048, 7);
  for (auto& b : flash) b = b == 0xFF ? 0x5A : b;
  rig.Card->LoadFlash(flash);
  rig.Card->InternalEeprom() = std::vector<uint8_t>(128, 0x33);
  TLoaderLink loader(rig.Link, rig.Commands, rig.Host);
  TCardContext card{*rig.Port, rig.Link, rig.Commands, loader, rig.Host};

  const int64_t told = ExternalReadSeconds(*ProcessorAt(4), EepromTable[0].Size, true);
  const uint64_t before = rig.Card->VirtualTimeNs();
  TReadExtEepromCommand command(card);
  ASSERT_TRUE(command.Run(true));
  EXPECT_FALSE(command.Unrestored().Any());
  const double taken = static_cast<double>(rig.Card->VirtualTimeNs() - before) / 1e9;
  EXPECT_GE(static_cast<double>(told), taken * 0.9) << told << " s told, " << taken << " s taken";
  EXPECT_LE(static_cast<double>(told), taken * 1.2 + 1) << told << " s told, " << taken << " s taken";
}

}  // namespace
