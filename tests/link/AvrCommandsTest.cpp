// The programming commands against a scripted port: frames, polling,
// fixed waits, retries and messages. End-to-end runs on the virtual card
// live in tests/card.
#include <gtest/gtest.h>

#include "link/AvrCommands.h"
#include "tests/link/RecordingPort.h"
#include "tests/link/ScriptedHost.h"

namespace {

// Decodes the port writes back into the bytes sent with SendByte-shaped
// sequences (MOSI sampled at each rising SCK edge).
std::vector<uint8_t> SentBits(const std::vector<uint8_t>& writes) {
  std::vector<uint8_t> bits;
  uint8_t prev = 0;
  for (uint8_t w : writes) {
    if ((w & Lines::Sck) && !(prev & Lines::Sck)) bits.push_back((w & Lines::Mosi) ? 1 : 0);
    prev = w;
  }
  return bits;
}

struct AvrCommandsTest : ::testing::Test {
  std::shared_ptr<TPortLog> Log = std::make_shared<TPortLog>();
  std::unique_ptr<TLptPort> Port = MakeRecordingPort(Log);
  TIspLink Link{*Port};
  TScriptedHost Host;
  TAvrCommands Avr{Link, Host};

  void SetUp() override {
    Link.DataLatch = 0x07;
    Avr.Chips = {0, 0, -1};
  }
};

TEST_F(AvrCommandsTest, AllErasedFlashImageSendsNothingAndRunsTheBar) {
  std::vector<uint8_t> image(2048, 0xFF);
  Avr.Chips.ProcessorRow = 4;  // 2048 bytes of flash
  EXPECT_TRUE(Avr.ProgramFlash(image.data(), 2048));
  EXPECT_TRUE(Log->Writes.empty());
  EXPECT_EQ(Host.Bars[pbFlash].Max, 2048);
  EXPECT_EQ(Host.Bars[pbFlash].Step, 32);
  EXPECT_EQ(Host.Bars[pbFlash].Position, 2048);
  EXPECT_EQ(Host.Steps[pbFlash], 64);
}

TEST_F(AvrCommandsTest, FixedWaitsForValuesThatLookLikeAWriteInProgress) {
  Avr.Chips.ProcessorRow = 4;
  std::vector<uint8_t> flash(2048, 0xFF);
  flash[0] = flash[1] = 0x7F;
  EXPECT_TRUE(Avr.ProgramFlash(flash.data(), 2048));
  EXPECT_EQ(Log->Sleeps, (std::vector<uint32_t>{30, 30}));
  EXPECT_EQ(Log->Reads, 0);  // no polling
  EXPECT_EQ(Log->Writes.size(), 2u * 4 * 58);

  Log->Writes.clear();
  Log->Sleeps.clear();
  std::vector<uint8_t> ee(128, 0xFF);
  ee[3] = 0x80;
  ee[4] = 0x7F;
  EXPECT_TRUE(Avr.ProgramInternalEeprom(ee.data(), 128));
  EXPECT_EQ(Log->Sleeps, (std::vector<uint32_t>{20, 20}));
  EXPECT_EQ(Log->Reads, 0);
}

TEST_F(AvrCommandsTest, CardAnsweringFFFailsAtByteZeroAfter5000Polls) {
  Log->Status = [] { return uint8_t{0x40}; };
  Avr.Chips.ProcessorRow = 4;
  std::vector<uint8_t> flash(2048, 0x12);
  EXPECT_FALSE(Avr.ProgramFlash(flash.data(), 2048));
  EXPECT_EQ(Log->Reads, 5000 * 8);
  EXPECT_EQ(Host.Beeps, 1);
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text, "Error programming Flash.");
  EXPECT_EQ(Host.Messages[0].Buttons, mbOK);

  Host.Messages.clear();
  std::vector<uint8_t> ee(128, 0x12);
  EXPECT_FALSE(Avr.ProgramInternalEeprom(ee.data(), 128));
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text, "Error programming internal eeprom.");
}

TEST_F(AvrCommandsTest, FramesAreSentMostSignificantBitFirstWithAddressHighThenLow) {
  Log->Status = [] { return uint8_t{0x40}; };  // reads 0xFF
  Avr.Chips.ProcessorRow = 0;
  EXPECT_EQ(Avr.ReadFlashByte(0x0123, true), 0xFF);
  const auto bits = SentBits(Log->Writes);
  // Three sent bytes; the fourth is read (SCK edges with MOSI low).
  ASSERT_EQ(bits.size(), 32u);
  auto byteAt = [&](int k) {
    uint8_t b = 0;
    for (int i = 0; i < 8; ++i) b = static_cast<uint8_t>(b << 1 | bits[k * 8 + i]);
    return b;
  };
  EXPECT_EQ(byteAt(0), 0x28);
  EXPECT_EQ(byteAt(1), 0x01);
  EXPECT_EQ(byteAt(2), 0x23);
}

TEST_F(AvrCommandsTest, VerificationMessagesNameWordAndByteAddresses) {
  // The card reads 0xFF everywhere.
  Log->Status = [] { return uint8_t{0x40}; };
  Avr.Chips.ProcessorRow = 0;
  std::vector<uint8_t> flash(8192, 0xFF);
  flash[0x0101] = 0x12;
  EXPECT_FALSE(Avr.VerifyFlash(flash.data(), 8192));
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text,
            "Flash verification error!\n\nvalue differ at address 0x0080"
            "\nBuffer value: 0x12FF\nFlash value: 0xFFFF");
  EXPECT_EQ(Host.Beeps, 0);
  EXPECT_EQ(Host.Bars[pbFlash].Position, 0);

  Host.Messages.clear();
  std::vector<uint8_t> ee(512, 0xFF);
  ee[5] = 0x0A;
  EXPECT_FALSE(Avr.VerifyInternalEeprom(ee.data(), 512));
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text,
            "Internal eeprom verification error!\n\nvalue differ at address 0x5"
            "\nBuffer value: 0x0A\ninternal eeprom value: 0xFF");
}

TEST_F(AvrCommandsTest, NoCardMeans32AttemptsThenOnePowerCyclePerRun) {
  Host.DefaultAnswer = mrYes;
  EXPECT_FALSE(Avr.EnterProgrammingMode());
  // 32 resets, a power cycle (with its own reset pulse), 32 more.
  EXPECT_EQ(std::count(Log->Sleeps.begin(), Log->Sleeps.end(), 100u), 32 + 1 + 1 + 32);
  EXPECT_FALSE(Avr.PowerCycleAllowed);
  EXPECT_EQ(Host.MessageTexts(),
            std::vector<std::string>{"No device found at selected LPT port! Abort?"});
  EXPECT_EQ(Host.Beeps, 1);
  EXPECT_FALSE(Host.Bars[pbInit].Visible);
  EXPECT_EQ(Host.Bars[pbInit].Position, 32);

  // Aborted: nothing more is asked or sent until the next command.
  Log->Sleeps.clear();
  const size_t writes = Log->Writes.size();
  EXPECT_TRUE(Avr.Aborted());
  EXPECT_FALSE(Avr.EnterProgrammingMode());
  EXPECT_FALSE(Avr.ReadSignature());
  EXPECT_FALSE(Avr.ChipErase());
  EXPECT_EQ(Log->Writes.size(), writes);
  EXPECT_TRUE(Log->Sleeps.empty());
  EXPECT_EQ(Host.Messages.size(), 1u);

  // A closed box aborts too; only No goes on.
  Avr.BeginCommand();
  Host.Answers = {mrCancel};
  EXPECT_FALSE(Avr.EnterProgrammingMode());
  EXPECT_TRUE(Avr.Aborted());
  Avr.BeginCommand();
  Log->Sleeps.clear();
  Host.Answers = {mrNo};  // go on without a device
  EXPECT_TRUE(Avr.EnterProgrammingMode());
  EXPECT_FALSE(Avr.Aborted());
  EXPECT_EQ(std::count(Log->Sleeps.begin(), Log->Sleeps.end(), 100u), 32);
}

TEST_F(AvrCommandsTest, SignatureSelectsTheCatalogueRow) {
  // Script MISO bit by bit for the three received signature bytes.
  std::vector<uint8_t> bytes{0x1E, 0x91, 0x02};
  int read = 0;
  Log->Status = [&] {
    const int byte = read / 8, bit = 7 - read % 8;
    ++read;
    return uint8_t(byte < 3 && ((bytes[byte] >> bit) & 1) ? 0x40 : 0x00);
  };
  EXPECT_TRUE(Avr.ReadSignature());
  EXPECT_EQ(Host.ProcessorRow, 4);
  EXPECT_EQ(Host.ChipId, "AT90S2323");

  bytes = {0x1E, 0x93, 0x02};
  read = 0;
  Host.ProcessorRow = 1;
  Host.Answers = {mrYes};
  EXPECT_FALSE(Avr.ReadSignature());
  EXPECT_EQ(Host.ProcessorRow, 1);
  EXPECT_EQ(Host.ChipId, "");
  EXPECT_EQ(Host.MessageTexts(), std::vector<std::string>{"Unknown processor ID! Abort?"});
}

TEST_F(AvrCommandsTest, TransfersStopAtTheBufferEnd) {
  Log->Status = [] { return uint8_t{0x00}; };
  Avr.Chips.ProcessorRow = 0;  // 8192 bytes of flash
  std::vector<uint8_t> small(100, 0xEE);
  Avr.ReadFlash(small.data(), 100);
  EXPECT_EQ(small, std::vector<uint8_t>(100, 0x00));
  EXPECT_EQ(Host.Bars[pbFlash].Max, 100);
  // Odd length: the last word's high byte is compared against erased flash.
  std::vector<uint8_t> odd(3, 0x00);
  EXPECT_FALSE(Avr.VerifyFlash(odd.data(), 3));
  EXPECT_NE(Host.Messages.back().Text.find("address 0x0001"), std::string::npos);
  EXPECT_NE(Host.Messages.back().Text.find("Buffer value: 0xFF00"), std::string::npos);
}

}  // namespace
