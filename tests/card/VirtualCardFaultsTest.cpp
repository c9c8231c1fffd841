// The virtual card's faults, seen through the programming commands as the
// program would meet them on a real adapter.
#include <gtest/gtest.h>

#include "tests/card/VirtualCardRig.h"

namespace {

TEST(VirtualCardFaults, NoCardMeansNoDevice) {
  for (TMisoFault fault : {TMisoFault::StuckLow, TMisoFault::StuckHigh}) {
    TVirtualCardConfig c;
    c.Faults.Miso = fault;
    TVirtualCardRig rig(c);
    rig.Host.DefaultAnswer = mrYes;
    EXPECT_FALSE(rig.Enter());
    EXPECT_EQ(rig.Host.Steps[pbInit], 32);
    // Reads give whatever MISO shows.
    EXPECT_EQ(rig.Commands.ReadFlashByte(0, false), fault == TMisoFault::StuckHigh ? 0xFF : 0x00);
  }
}

TEST(VirtualCardFaults, ASignatureOutsideTheCatalogue) {
  TVirtualCardConfig c;
  c.Faults.Signature = 0x1E9302;
  TVirtualCardRig rig(c);
  ASSERT_TRUE(rig.Enter());
  rig.Host.DefaultAnswer = mrYes;
  EXPECT_FALSE(rig.Commands.ReadSignature());
  EXPECT_EQ(rig.Host.MessageTexts().back(), "Unknown processor ID! Abort?");

  // Changed while the card runs: the next command's read sees it.
  rig.Card->Faults().Signature = 0x1E9102;
  rig.Commands.BeginCommand();
  EXPECT_TRUE(rig.Commands.ReadSignature());
  EXPECT_EQ(rig.Host.ChipId, "AT90S2323");
}

TEST(VirtualCardFaults, BytesThatNeverProgram) {
  TVirtualCardConfig c;
  c.Faults.StuckFlashByte = 3;  // word 1, high byte
  c.Faults.StuckEepromByte = 2;
  TVirtualCardRig rig(c);
  ASSERT_TRUE(rig.Enter());
  const std::vector<uint8_t> image = {0x01, 0x02, 0x03, 0x04};
  EXPECT_FALSE(rig.Commands.ProgramFlash(image.data(), 4));
  EXPECT_EQ(rig.Host.MessageTexts().back(), "Error programming Flash.");
  EXPECT_EQ(rig.Card->Flash()[1], 0xFF03);

  const std::vector<uint8_t> eeprom = {0x10, 0x20, 0x30};
  EXPECT_FALSE(rig.Commands.ProgramInternalEeprom(eeprom.data(), 3));
  EXPECT_EQ(rig.Host.MessageTexts().back(), "Error programming internal eeprom.");
  EXPECT_EQ(rig.Card->InternalEeprom()[1], 0x20);
  EXPECT_EQ(rig.Card->InternalEeprom()[2], 0xFF);
}

TEST(VirtualCardFaults, MisoStuckPartWayThrough) {
  TVirtualCardRig probe;
  ASSERT_TRUE(probe.Enter());
  const uint64_t afterEnable = probe.Card->PortAccesses();

  TVirtualCardConfig c;
  c.Faults.MisoStuckAfterAccesses = afterEnable;
  c.Faults.MisoStuckAfterHigh = true;
  TVirtualCardRig rig(c);
  ASSERT_TRUE(rig.Enter());
  EXPECT_EQ(rig.Commands.ReadInstruction(0x30, 0x00, 0), 0xFF);
  rig.Host.DefaultAnswer = mrYes;
  EXPECT_FALSE(rig.Commands.ReadSignature());
  EXPECT_EQ(rig.Host.MessageTexts().back(), "Unknown processor ID! Abort?");
}

// A program that runs into an undefined opcode leaves the card usable.
TEST(VirtualCardFaults, CardProgramsAfterItsProgramStopped) {
  TVirtualCardRig rig;
  rig.Card->LoadFlash({0x01, 0x01});  // an opcode the AT90S lacks
  rig.Link.PowerOn();
  rig.Link.DataLatch |= Lines::Reset;
  rig.Link.Write();
  for (int i = 0; i < 20; ++i) rig.Link.StrobeTick();
  EXPECT_EQ(rig.Card->Core().Stop, TAvrStop::UndefinedOpcode);
  rig.Link.DataLatch &= ~Lines::Reset;
  rig.Link.Write();
  EXPECT_TRUE(rig.Commands.EnterProgrammingMode());
  EXPECT_TRUE(rig.Commands.ChipErase());
  EXPECT_EQ(rig.Card->Flash()[0], 0xFFFF);
}

}  // namespace
