#include <gtest/gtest.h>

#include "link/IspLink.h"
#include "tests/link/RecordingPort.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct IspLinkTest : ::testing::Test {
  std::shared_ptr<TPortLog> Log = std::make_shared<TPortLog>();
  std::unique_ptr<TLptPort> Port = MakeRecordingPort(Log);
  TIspLink Link{*Port};
};

TEST_F(IspLinkTest, PowerOnFromAnyLatchResetsAndPulsesReset) {
  for (int latch : {0x00, 0x07, 0x5F, 0x7F}) {
    Log->Writes.clear();
    Log->Sleeps.clear();
    Link.DataLatch = static_cast<uint8_t>(latch);
    Link.PowerOn();
    EXPECT_EQ(Log->Writes, (Bytes{0x00, 0x07, 0x17, 0x1F, 0x17, 0x07})) << latch;
    EXPECT_EQ(Log->Sleeps, (std::vector<uint32_t>{100, 60}));
    EXPECT_EQ(Link.DataLatch, 0x07);
  }
}

TEST_F(IspLinkTest, PowerOffRaisesResetThenDropsEverything) {
  for (int latch : {0x07, 0x0F}) {
    Log->Writes.clear();
    Link.DataLatch = static_cast<uint8_t>(latch);
    Link.PowerOff();
    EXPECT_EQ(Log->Writes, (Bytes{0x17, 0x00}));
    EXPECT_EQ(Link.DataLatch, 0x00);
  }
}

TEST_F(IspLinkTest, StrobeTickTogglesOnlyTheClock) {
  Link.DataLatch = 0x47;
  Link.StrobeTick();
  EXPECT_EQ(Log->Writes, (Bytes{0x4F, 0x47}));
  EXPECT_EQ(Link.DataLatch, 0x47);
}

TEST_F(IspLinkTest, SendByteAC) {
  Link.DataLatch = 0x07;
  Link.SendByte(0xAC);
  const Bytes one{0x27, 0x67, 0x6F, 0x67, 0x27, 0x2F, 0x27};
  const Bytes zero{0x07, 0x47, 0x4F, 0x47, 0x07, 0x0F, 0x07};
  Bytes expected;
  for (int bit : {1, 0, 1, 0, 1, 1, 0, 0}) {
    const Bytes& b = bit ? one : zero;
    expected.insert(expected.end(), b.begin(), b.end());
  }
  // The closing tick also brings MOSI low (the last bit was already 0).
  expected.push_back(0x0F);
  expected.push_back(0x07);
  EXPECT_EQ(Log->Writes, expected);
  EXPECT_EQ(Log->Writes.size(), 58u);
  EXPECT_EQ(Log->Reads, 0);
}

TEST_F(IspLinkTest, SendByteEndingInOneDropsMosiWithTheClosingTick) {
  Link.DataLatch = 0x07;
  Link.SendByte(0x01);
  ASSERT_EQ(Log->Writes.size(), 58u);
  EXPECT_EQ(Log->Writes[56], 0x0F);
  EXPECT_EQ(Log->Writes[57], 0x07);
  EXPECT_EQ(Link.DataLatch, 0x07);
}

TEST_F(IspLinkTest, SendByteZeroKeepsMosiLow) {
  Link.DataLatch = 0x07;
  Link.SendByte(0x00);
  Bytes expected;
  for (int i = 0; i < 8; ++i)
    for (uint8_t b : {0x07, 0x47, 0x4F, 0x47, 0x07, 0x0F, 0x07}) expected.push_back(b);
  expected.push_back(0x0F);
  expected.push_back(0x07);
  EXPECT_EQ(Log->Writes, expected);
}

TEST_F(IspLinkTest, ReceiveByteSamplesMisoAfterTheFallingEdge) {
  Link.DataLatch = 0x07;
  Log->Status = [] { return uint8_t{0x40}; };
  EXPECT_EQ(Link.ReceiveByte(), 0xFF);
  EXPECT_EQ(Log->Writes.size(), 48u);
  EXPECT_EQ(Log->Reads, 8);
  // Per bit: SCK high, tick, SCK low, (sample), tick. MOSI untouched.
  EXPECT_EQ(Bytes(Log->Writes.begin(), Log->Writes.begin() + 6),
            (Bytes{0x47, 0x4F, 0x47, 0x07, 0x0F, 0x07}));

  Log->Writes.clear();
  Log->Reads = 0;
  Log->Status = [] { return uint8_t{0xBF}; };  // every bit but MISO
  EXPECT_EQ(Link.ReceiveByte(), 0x00);
  EXPECT_EQ(Log->Writes.size(), 48u);
  EXPECT_EQ(Log->Reads, 8);
}

TEST_F(IspLinkTest, ReceiveBytePutsTheFirstSampleInTheTopBit) {
  Link.DataLatch = 0x07;
  int n = 0;
  const uint8_t pattern = 0xA5;
  Log->Status = [&] { return uint8_t((pattern >> (7 - n++)) & 1 ? 0x40 : 0x00); };
  EXPECT_EQ(Link.ReceiveByte(), pattern);
}

TEST_F(IspLinkTest, ReceiveByteKeepsMosiLevel) {
  Link.DataLatch = 0x27;
  Link.ReceiveByte();
  for (uint8_t w : Log->Writes) EXPECT_TRUE(w & 0x20);
}

}  // namespace
