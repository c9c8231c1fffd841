// The 24Cxx model driven bit by bit, with the bus primitives the loader
// uses (SCL and SDA changed one at a time).
#include <gtest/gtest.h>

#include "sim/Eeprom24Cxx.h"

namespace {

constexpr int Row2464 = 0;
constexpr int Row24256 = 2;
constexpr int Row241024 = 4;
constexpr int Row242048 = 5;

struct TI2cMaster {
  TEeprom24Cxx& Chip;
  uint64_t Now = 0;
  bool Scl = true;
  bool Sda = true;

  void Set(bool scl, bool sda) {
    Scl = scl;
    Sda = sda;
    Chip.Update(Scl, Sda, Now);
    Now += 1000;
  }
  bool Bus() const { return Sda && Chip.SdaOut(); }

  void Start() {
    Set(Scl, true);
    Set(true, true);
    Set(true, false);
    Set(false, false);
  }
  void Stop() {
    Set(Scl, false);
    Set(true, false);
    Set(true, true);
  }
  // True when the chip acknowledged.
  bool Write(uint8_t b) {
    for (int i = 7; i >= 0; --i) {
      Set(false, (b >> i) & 1);
      Set(true, Sda);
      Set(false, Sda);
    }
    Set(false, true);
    Set(true, true);
    const bool ack = !Bus();
    Set(false, true);
    return ack;
  }
  uint8_t Read(bool ack) {
    uint8_t b = 0;
    Set(false, true);
    for (int i = 0; i < 8; ++i) {
      Set(true, true);
      b = static_cast<uint8_t>((b << 1) | (Bus() ? 1 : 0));
      Set(false, true);
    }
    Set(false, !ack);
    Set(true, !ack);
    Set(false, !ack);
    return b;
  }
  // Control byte for writing, two address bytes.
  bool Address(uint8_t control, uint16_t address) {
    Start();
    return Write(control) && Write(static_cast<uint8_t>(address >> 8)) &&
           Write(static_cast<uint8_t>(address));
  }
  std::vector<uint8_t> RandomRead(uint8_t control, uint16_t address, int count) {
    EXPECT_TRUE(Address(control, address));
    Start();
    EXPECT_TRUE(Write(0xA1));
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) bytes.push_back(Read(i + 1 < count));
    Stop();
    return bytes;
  }
  void Wait(uint64_t ns) { Now += ns; }
};

struct Eeprom24CxxTest : ::testing::Test {
  TCardFaults Faults;
};

TEST_F(Eeprom24CxxTest, PageWriteWrapsInsideThePageAndTakesItsWriteCycle) {
  TEeprom24Cxx chip(EepromTable[Row2464], Faults);
  TI2cMaster bus{chip};
  ASSERT_TRUE(bus.Address(0xA0, 0x005E));  // page 0x40..0x5F, 32 bytes
  for (uint8_t b : {0x11, 0x22, 0x33, 0x44}) EXPECT_TRUE(bus.Write(b));
  bus.Stop();

  // Acknowledge polling: no acknowledge during the 5 ms write cycle, and
  // the data is not in yet.
  EXPECT_TRUE(chip.Busy(bus.Now));
  bus.Start();
  EXPECT_FALSE(bus.Write(0xA0));
  EXPECT_EQ(chip.Memory[0x5E], 0xFF);
  bus.Wait(5'000'000);
  bus.Start();
  EXPECT_TRUE(bus.Write(0xA0));
  bus.Stop();

  EXPECT_EQ(chip.Memory[0x5E], 0x11);
  EXPECT_EQ(chip.Memory[0x5F], 0x22);
  EXPECT_EQ(chip.Memory[0x40], 0x33);  // wrapped to the start of the page
  EXPECT_EQ(chip.Memory[0x41], 0x44);
  EXPECT_EQ(chip.Memory[0x60], 0xFF);
  EXPECT_EQ(chip.Memory[0x42], 0xFF);
}

TEST_F(Eeprom24CxxTest, MoreBytesThanAPageOverwriteTheFirstOnes) {
  TEeprom24Cxx chip(EepromTable[Row2464], Faults);
  TI2cMaster bus{chip};
  ASSERT_TRUE(bus.Address(0xA0, 0x0000));
  for (int i = 0; i < 34; ++i) bus.Write(static_cast<uint8_t>(i));
  bus.Stop();
  bus.Wait(5'000'000);
  chip.Settle(bus.Now);
  EXPECT_EQ(chip.Memory[0], 32);
  EXPECT_EQ(chip.Memory[1], 33);
  EXPECT_EQ(chip.Memory[2], 2);
  EXPECT_EQ(chip.Memory[32], 0xFF);
}

TEST_F(Eeprom24CxxTest, RandomAndSequentialReads) {
  TEeprom24Cxx chip(EepromTable[Row24256], Faults);
  for (size_t i = 0; i < chip.Memory.size(); ++i) chip.Memory[i] = static_cast<uint8_t>(i * 7);
  TI2cMaster bus{chip};
  EXPECT_EQ(bus.RandomRead(0xA0, 0x1234, 3),
            (std::vector<uint8_t>{chip.Memory[0x1234], chip.Memory[0x1235], chip.Memory[0x1236]}));
  // A current-address read goes on after the last byte read.
  bus.Start();
  ASSERT_TRUE(bus.Write(0xA1));
  EXPECT_EQ(bus.Read(false), chip.Memory[0x1237]);
  bus.Stop();
  // The whole chip wraps: the last byte is followed by the first.
  EXPECT_EQ(bus.RandomRead(0xA0, 0x7FFF, 2),
            (std::vector<uint8_t>{chip.Memory[0x7FFF], chip.Memory[0]}));
  // Address bits beyond the chip are ignored.
  EXPECT_EQ(bus.RandomRead(0xA0, 0x9234, 1), (std::vector<uint8_t>{chip.Memory[0x1234]}));
}

TEST_F(Eeprom24CxxTest, SequentialReadCrossesEveryBlockOfTheLargeParts) {
  for (int row : {Row241024, Row242048}) {
    TEeprom24Cxx chip(EepromTable[row], Faults);
    for (size_t i = 0; i < chip.Memory.size(); ++i)
      chip.Memory[i] = static_cast<uint8_t>((i >> 16) * 0x40 + (i & 0x3F));
    TI2cMaster bus{chip};
    const uint32_t size = static_cast<uint32_t>(chip.Memory.size());
    for (uint32_t base = 0; base < size; base += 0x10000) {
      const uint8_t block = static_cast<uint8_t>(base >> 16);
      const uint32_t end = base + 0xFFFE;
      const auto bytes =
          bus.RandomRead(static_cast<uint8_t>(0xA0 | (block << 1)), static_cast<uint16_t>(end), 4);
      for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(bytes[i], chip.Memory[(end + i) % size])
            << EepromTable[row].Name << " " << end + i;
    }
  }
}

TEST_F(Eeprom24CxxTest, BlockSelectBitsCarryTheHighAddressBits) {
  TEeprom24Cxx big(EepromTable[Row242048], Faults);
  TI2cMaster bus{big};
  ASSERT_TRUE(bus.Address(0xA6, 0x0102));  // block 3
  bus.Write(0x5A);
  bus.Stop();
  bus.Wait(5'000'000);
  big.Settle(bus.Now);
  EXPECT_EQ(big.Memory[0x30102], 0x5A);
  EXPECT_EQ(big.Memory[0x00102], 0xFF);
  // The read control byte keeps the block of the address set before.
  EXPECT_EQ(bus.RandomRead(0xA6, 0x0102, 1), (std::vector<uint8_t>{0x5A}));
  // The select bit above the block bits must be 0.
  bus.Start();
  EXPECT_FALSE(bus.Write(0xA8));
  bus.Stop();

  TEeprom24Cxx mid(EepromTable[Row241024], Faults);
  TI2cMaster bus2{mid};
  ASSERT_TRUE(bus2.Address(0xA2, 0xFFFF));
  bus2.Write(0x77);
  bus2.Stop();
  bus2.Wait(5'000'000);
  mid.Settle(bus2.Now);
  EXPECT_EQ(mid.Memory[0x1FFFF], 0x77);
  bus2.Start();
  EXPECT_FALSE(bus2.Write(0xA4));  // bit 2 is a chip select on this part
  bus2.Stop();

  // Up to 64 KiB all three select bits are chip selects.
  TEeprom24Cxx small(EepromTable[Row24256], Faults);
  TI2cMaster bus3{small};
  bus3.Start();
  EXPECT_FALSE(bus3.Write(0xA2));
  bus3.Start();
  EXPECT_FALSE(bus3.Write(0xB0));  // not the EEPROM's device code
  bus3.Start();
  EXPECT_TRUE(bus3.Write(0xA0));
  bus3.Stop();
}

TEST_F(Eeprom24CxxTest, WriteWithoutStopOrCutOffByPowerIsLost) {
  TEeprom24Cxx chip(EepromTable[Row2464], Faults);
  TI2cMaster bus{chip};
  ASSERT_TRUE(bus.Address(0xA0, 0x0010));
  bus.Write(0x01);
  bus.Start();  // a repeated start drops the loaded data
  bus.Write(0xA1);
  bus.Read(false);
  bus.Stop();
  EXPECT_FALSE(chip.Busy(bus.Now));

  ASSERT_TRUE(bus.Address(0xA0, 0x0010));
  bus.Write(0x02);
  bus.Stop();
  bus.Wait(4'000'000);
  chip.PowerLost(bus.Now);
  chip.PowerUp();
  bus.Wait(2'000'000);
  chip.Settle(bus.Now);
  EXPECT_EQ(chip.Memory[0x10], 0xFF);
}

TEST_F(Eeprom24CxxTest, Faults) {
  // Absent: never an acknowledge, SDA never driven.
  Faults.EepromAbsent = true;
  TEeprom24Cxx absent(EepromTable[Row2464], Faults);
  TI2cMaster bus{absent};
  bus.Start();
  EXPECT_FALSE(bus.Write(0xA0));
  EXPECT_FALSE(bus.Write(0x00));
  bus.Stop();
  Faults.EepromAbsent = false;

  // The next two write cycles store their first byte inverted; the third
  // is good again.
  Faults.CorruptPageWrites = 2;
  Faults.StuckExtEepromByte = 0x45;
  TEeprom24Cxx chip(EepromTable[Row2464], Faults);
  TI2cMaster bus2{chip};
  for (uint16_t page : {0x00, 0x20, 0x40}) {
    ASSERT_TRUE(bus2.Address(0xA0, static_cast<uint16_t>(page + 4)));
    for (uint8_t b : {0x0F, 0x10}) bus2.Write(b);
    bus2.Write(0x00);
    bus2.Stop();
    bus2.Wait(5'000'000);
    chip.Settle(bus2.Now);
  }
  EXPECT_EQ(Faults.CorruptPageWrites, 0);
  EXPECT_EQ(chip.Memory[0x04], 0xF0);
  EXPECT_EQ(chip.Memory[0x05], 0x10);
  EXPECT_EQ(chip.Memory[0x24], 0xF0);
  EXPECT_EQ(chip.Memory[0x44], 0x0F);
  EXPECT_EQ(chip.Memory[0x45], 0xFF);  // never programs
  EXPECT_EQ(chip.Memory[0x46], 0x00);
}

}  // namespace
