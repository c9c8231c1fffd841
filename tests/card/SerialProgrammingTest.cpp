// The serial programming interface of the virtual card, driven through the
// real port object, bit link and programming commands.
#include <gtest/gtest.h>

#include "tests/card/VirtualCardRig.h"

namespace {

constexpr int Rows8515 = 0;
constexpr int Rows2323 = 4;

TVirtualCardConfig Processor(int row) {
  TVirtualCardConfig c;
  c.ProcessorRow = row;
  return c;
}

TEST(SerialProgramming, EnableSucceedsAtTheFirstAttemptOnAPoweredCard) {
  TVirtualCardRig rig;
  rig.Link.PowerOn();
  uint8_t echo = 0;
  EXPECT_TRUE(rig.Commands.SendProgrammingEnable(echo));
  EXPECT_EQ(echo, 0x53);
  EXPECT_TRUE(rig.Card->Programming().Enabled());

  // Through the retry loop: no reset pulse, no question.
  TVirtualCardRig again;
  EXPECT_TRUE(again.Enter());
  EXPECT_EQ(again.Host.Steps[pbInit], 0);
  EXPECT_TRUE(again.Host.Messages.empty());
}

TEST(SerialProgramming, EnableNeverSucceedsWithoutPower) {
  TVirtualCardRig rig;
  rig.Link.DataLatch = 0;
  rig.Link.Write();
  uint8_t echo = 0xFF;
  EXPECT_FALSE(rig.Commands.SendProgrammingEnable(echo));
  EXPECT_EQ(echo, 0x00);

  rig.Host.DefaultAnswer = mrYes;
  EXPECT_FALSE(rig.Commands.EnterProgrammingMode());
  EXPECT_EQ(rig.Host.Steps[pbInit], 32);
  ASSERT_EQ(rig.Host.MessageTexts().size(), 1u);
  EXPECT_EQ(rig.Host.MessageTexts()[0], "No device found at selected LPT port! Abort?");
  EXPECT_FALSE(rig.Card->Powered());
}

TEST(SerialProgramming, SignatureSelectsTheProcessor) {
  TVirtualCardRig rig(Processor(Rows2323));
  rig.Commands.Chips.ProcessorRow = 0;
  ASSERT_TRUE(rig.Enter());
  EXPECT_EQ(rig.Commands.ReadInstruction(0x30, 0x00, 0), 0x1E);
  EXPECT_EQ(rig.Commands.ReadInstruction(0x30, 0x00, 1), 0x91);
  EXPECT_EQ(rig.Commands.ReadInstruction(0x30, 0x00, 2), 0x02);
  EXPECT_TRUE(rig.Commands.ReadSignature());
  EXPECT_EQ(rig.Host.ProcessorRow, Rows2323);
  EXPECT_EQ(rig.Commands.Chips.ProcessorRow, Rows2323);
  EXPECT_EQ(rig.Host.ChipId, "AT90S2323");
}

TEST(SerialProgramming, WrittenFlashAndEepromReadBack) {
  TVirtualCardRig rig;
  ASSERT_TRUE(rig.Enter());
  const std::vector<uint8_t> image = {0x12, 0x34, 0xFF, 0x7F, 0x00, 0xA5, 0x7F, 0x7F};
  ASSERT_TRUE(rig.Commands.ProgramFlash(image.data(), static_cast<int>(image.size())));
  EXPECT_EQ(rig.Card->Flash()[0], 0x3412);
  EXPECT_EQ(rig.Card->Flash()[1], 0x7FFF);
  EXPECT_EQ(rig.Card->Flash()[3], 0x7F7F);
  EXPECT_TRUE(rig.Commands.VerifyFlash(image.data(), static_cast<int>(image.size())));

  std::vector<uint8_t> read(8192);
  rig.Commands.ReadFlash(read.data(), static_cast<int>(read.size()));
  EXPECT_TRUE(std::equal(image.begin(), image.end(), read.begin()));
  EXPECT_EQ(read[8], 0xFF);

  std::vector<uint8_t> eeprom(512, 0xFF);
  eeprom[0] = 0x55;
  eeprom[1] = 0x80;
  eeprom[511] = 0x7F;
  ASSERT_TRUE(rig.Commands.ProgramInternalEeprom(eeprom.data(), 512));
  EXPECT_EQ(rig.Card->InternalEeprom(), eeprom);
  EXPECT_TRUE(rig.Commands.VerifyInternalEeprom(eeprom.data(), 512));
  EXPECT_TRUE(rig.Host.Messages.empty());
}

TEST(SerialProgramming, ReadingAByteBeingWrittenGivesThePollingValues) {
  TVirtualCardRig rig;
  ASSERT_TRUE(rig.Enter());
  TAvrCommands& avr = rig.Commands;

  avr.SendInstruction(0x48, 0x00, 0x05, 0x12);  // flash word 5, high byte
  EXPECT_EQ(avr.ReadFlashByte(5, true), 0x7F);
  EXPECT_EQ(avr.ReadFlashByte(5, false), 0xFF);  // the other byte reads as it is
  rig.Link.Delay(4);
  EXPECT_EQ(avr.ReadFlashByte(5, true), 0x12);

  avr.SendInstruction(0xC0, 0x01, 0x02, 0x34);  // EEPROM 0x102
  EXPECT_EQ(avr.ReadEepromByte(0x102), 0x80);   // erasing
  rig.Link.Delay(2);
  EXPECT_EQ(avr.ReadEepromByte(0x102), 0x7F);  // programming
  rig.Link.Delay(2);
  EXPECT_EQ(avr.ReadEepromByte(0x102), 0x34);

  TVirtualCardRig small(Processor(Rows2323));
  ASSERT_TRUE(small.Enter());
  small.Commands.SendInstruction(0x40, 0x00, 0x00, 0x12);
  EXPECT_EQ(small.Commands.ReadFlashByte(0, false), 0xFF);
  small.Commands.SendInstruction(0xC0, 0x00, 0x03, 0x34);
  EXPECT_EQ(small.Commands.ReadEepromByte(3), 0xFF);
}

TEST(SerialProgramming, WritesTakeTheirTimeInVirtualTime) {
  TVirtualCardRig rig;
  ASSERT_TRUE(rig.Enter());
  const uint32_t start = rig.Port->TickCount();
  const std::vector<uint8_t> image = {0x01, 0x02, 0x03, 0x04};
  ASSERT_TRUE(rig.Commands.ProgramFlash(image.data(), 4));
  // Four bytes of 4 ms each, confirmed by polling.
  const uint32_t spent = rig.Port->TickCount() - start;
  EXPECT_GE(spent, 16u);
  EXPECT_LE(spent, 18u);
}

TEST(SerialProgramming, ChipEraseClearsFlashAndEeprom) {
  TVirtualCardRig rig;
  ASSERT_TRUE(rig.Enter());
  rig.Card->Flash()[100] = 0x1234;
  rig.Card->InternalEeprom()[7] = 0x00;
  rig.Commands.SendInstruction(0xAC, 0x80, 0x00, 0x00);
  rig.Link.Delay(1);
  EXPECT_EQ(rig.Card->Flash()[100], 0x1234);  // not yet: the erase takes 8 ms
  EXPECT_EQ(rig.Commands.ReadFlashByte(100, false), 0xFF);
  rig.Link.Delay(8);
  EXPECT_EQ(rig.Card->Flash()[100], 0xFFFF);

  rig.Card->Flash()[100] = 0x1234;
  EXPECT_TRUE(rig.Commands.ChipErase());
  for (uint16_t w : rig.Card->Flash()) ASSERT_EQ(w, 0xFFFF);
  for (uint8_t b : rig.Card->InternalEeprom()) ASSERT_EQ(b, 0xFF);
}

TEST(SerialProgramming, FlashWritesWithoutEraseAndTheEepromReplaces) {
  TVirtualCardRig rig;
  ASSERT_TRUE(rig.Enter());
  TAvrCommands& avr = rig.Commands;
  avr.SendInstruction(0x40, 0x00, 0x09, 0xF0);
  rig.Link.Delay(5);
  avr.SendInstruction(0x40, 0x00, 0x09, 0x3C);
  rig.Link.Delay(5);
  EXPECT_EQ(avr.ReadFlashByte(9, false), 0x30);

  avr.SendInstruction(0xC0, 0x00, 0x09, 0xF0);
  rig.Link.Delay(5);
  avr.SendInstruction(0xC0, 0x00, 0x09, 0x3C);
  rig.Link.Delay(5);
  EXPECT_EQ(avr.ReadEepromByte(9), 0x3C);
}

TEST(SerialProgramming, AWriteCutOffByPowerLossIsLost) {
  TVirtualCardRig rig;
  ASSERT_TRUE(rig.Enter());
  rig.Commands.SendInstruction(0x40, 0x00, 0x00, 0x00);
  rig.Commands.SendInstruction(0xC0, 0x00, 0x01, 0x00);  // ignored: the chip is busy
  rig.Link.PowerOff();
  EXPECT_EQ(rig.Card->Flash()[0], 0xFFFF);
  EXPECT_EQ(rig.Card->InternalEeprom()[1], 0xFF);

  // An EEPROM byte cut off after its auto-erase is left erased.
  rig.Card->InternalEeprom()[2] = 0x11;
  ASSERT_TRUE(rig.Enter());
  rig.Commands.SendInstruction(0xC0, 0x00, 0x02, 0x22);
  rig.Link.Delay(3);
  rig.Link.PowerOff();
  EXPECT_EQ(rig.Card->InternalEeprom()[2], 0xFF);
}

TEST(SerialProgramming, FrameBeforeProgrammingEnableIsIgnored) {
  TVirtualCardRig rig;
  rig.Link.PowerOn();
  rig.Commands.SendInstruction(0x40, 0x00, 0x00, 0x00);
  rig.Link.Delay(10);
  EXPECT_EQ(rig.Card->Flash()[0], 0xFFFF);
  EXPECT_FALSE(rig.Card->Programming().Enabled());
}

}  // namespace
