// The PC side of the loader link against a port with scripted MISO and
// against a behavioural model of the loader: the bits on the wire, the
// page-write run, retries, messages and the bounded handshake waits. The
// cycle-exact loader is proven on the virtual card in tests/card.
#include <gtest/gtest.h>

#include "images/DeviceCatalogue.h"
#include "link/LoaderLink.h"
#include "link/loader/ELoader.h"
#include "tests/link/LoaderLinkFakeCard.h"
#include "tests/link/RecordingPort.h"
#include "tests/link/ScriptedHost.h"
#include "tests/link/TestBytes.h"

namespace {

// ---- the bits on the wire, against a port whose MISO is scripted ---------

uint8_t Miso(bool high) { return high ? 0x40 : 0x00; }

struct LoaderWireTest : ::testing::Test {
  std::shared_ptr<TPortLog> Log = std::make_shared<TPortLog>();
  std::unique_ptr<TLptPort> Port = MakeRecordingPort(Log);
  TIspLink Link{*Port};
  TScriptedHost Host;
  TAvrCommands Avr{Link, Host};
  TLoaderLink Loader{Link, Avr, Host};

  void SetUp() override {
    Link.DataLatch = 0x17;  // powered, RESET released
    Avr.Chips = {0, 0, -1};  // the first rows, as a window starts with
  }
};

TEST_F(LoaderWireTest, SendByteWaitsForReadyThenHoldsEachBitFiveTicks) {
  // MISO low for 3 reads, high for the next 2 (ready, then still high after
  // the 40 ticks), then low (acknowledge).
  Log->Status = [this] { return Miso(Log->Reads > 3 && Log->Reads <= 5); };
  ASSERT_TRUE(Loader.LoaderSendByte(0xA5));
  EXPECT_EQ(Log->Reads, 6);
  const auto& w = Log->Writes;
  // 3 ticks of waiting, 40 ticks of bits, 1 tick waiting for the acknowledge.
  ASSERT_EQ(w.size(), 2u * (3 + 40 + 1));
  for (int t = 0; t < 3; ++t) {
    EXPECT_EQ(w[2 * t], 0x1F);
    EXPECT_EQ(w[2 * t + 1], 0x17);
  }
  for (int bit = 0; bit < 8; ++bit) {
    const uint8_t mosi = (0xA5 >> (7 - bit)) & 1 ? Lines::Mosi : 0;
    for (int t = 0; t < 5; ++t) {
      const size_t at = 6 + 2 * (5 * bit + t);
      EXPECT_EQ(w[at], 0x1F | mosi) << "bit " << bit << " tick " << t;
      EXPECT_EQ(w[at + 1], 0x17 | mosi);
    }
  }
  // MOSI is cleared in the latch without a write of its own.
  EXPECT_EQ(Link.DataLatch, 0x17);
  EXPECT_TRUE(Host.Messages.empty());
  EXPECT_EQ(Host.EventRounds, 0);  // never inside a byte
}

TEST_F(LoaderWireTest, ReceiveByteSamplesEverySeventhTick) {
  // Start seen at the first read; then the bits of 0x96 at the 8 samples;
  // then MISO high once more after the 2 closing ticks, then low.
  const uint8_t value = 0x96;
  Log->Status = [this, value] {
    const int r = Log->Reads;
    if (r == 1) return Miso(true);
    if (r >= 2 && r <= 9) return Miso((value >> (9 - r)) & 1);
    return Miso(r == 10);
  };
  uint8_t b = 0;
  ASSERT_TRUE(Loader.LoaderReceiveByte(b));
  EXPECT_EQ(b, value);
  EXPECT_EQ(Log->Reads, 11);
  EXPECT_EQ(Log->Writes.size(), 2u * (56 + 2 + 1));
  EXPECT_EQ(Link.DataLatch, 0x17);
}

TEST_F(LoaderWireTest, StartLoaderReleasesResetWaitsAndGivesTwelveTicks) {
  Link.DataLatch = 0x07;
  Loader.StartLoader();
  std::vector<uint8_t> expected{0x17};
  for (int i = 0; i < 12; ++i) {
    expected.push_back(0x1F);
    expected.push_back(0x17);
  }
  EXPECT_EQ(Log->Writes, expected);
  EXPECT_EQ(Log->Sleeps, (std::vector<uint32_t>{100}));
}

TEST_F(LoaderWireTest, HandshakeWaitsAreBoundedInTicks) {
  Loader.HandshakeTickLimit = 5000;
  // MISO never rises: the send gives up after the bound, powers off.
  EXPECT_FALSE(Loader.LoaderSendByte(0x00));
  EXPECT_EQ(Log->Writes.size(), 2u * 5000 + 2);  // ticks, then PowerOff's two writes
  EXPECT_EQ(Log->Writes[Log->Writes.size() - 2], 0x17);
  EXPECT_EQ(Log->Writes.back(), 0x00);
  EXPECT_EQ(Link.DataLatch, 0x00);
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text, TLoaderLink::HandshakeLostText);
  EXPECT_EQ(Host.Messages[0].Kind, mkError);
  EXPECT_EQ(Host.Messages[0].Buttons, mbOK);
  EXPECT_EQ(Host.Beeps, 1);

  // MISO stuck high: ready at once, but the acknowledge never comes; a
  // receive reads 0xFF and then waits for the end of the byte in vain.
  Log->Status = [] { return uint8_t{0x40}; };
  Log->Writes.clear();
  Link.DataLatch = 0x17;
  EXPECT_FALSE(Loader.LoaderSendByte(0x00));
  EXPECT_EQ(Log->Writes.size(), 2u * (40 + 5000) + 2);
  Log->Writes.clear();
  Link.DataLatch = 0x17;
  uint8_t b = 0x12;
  EXPECT_FALSE(Loader.LoaderReceiveByte(b));
  EXPECT_EQ(b, 0x12);  // untouched on failure
  EXPECT_EQ(Log->Writes.size(), 2u * (56 + 2 + 5000) + 2);
  EXPECT_EQ(Host.Messages.size(), 3u);
}

TEST_F(LoaderWireTest, DefaultBoundIsAMillionTicks) {
  EXPECT_EQ(Loader.HandshakeTickLimit, 1000000u);
  Log->Status = [] { return uint8_t{0x40}; };
  uint8_t b = 0;
  EXPECT_FALSE(Loader.LoaderReceiveByte(b));
  EXPECT_EQ(Log->Writes.size(), 2u * (56 + 2 + 1000000) + 2);
}

TEST_F(LoaderWireTest, WriteLoaderStatusTextsOnEraseAndWriteFailures) {
  // No card: the erase's programming enable never succeeds; the user
  // aborts.
  Host.Answers = {mrYes};
  EXPECT_FALSE(Loader.WriteLoader());
  EXPECT_EQ(Host.Statuses, (std::vector<std::string>{"writing loader...", "Error erasing chip!"}));

  // The user goes on without a device: the first loader byte never reads
  // back, so the flash write fails.
  Host.Statuses.clear();
  Host.Messages.clear();
  Host.Answers = {mrNo};
  Avr.PowerCycleAllowed = false;
  Avr.BeginCommand();
  EXPECT_FALSE(Loader.WriteLoader());
  EXPECT_EQ(Host.Statuses,
            (std::vector<std::string>{"writing loader...", "Error writing loader!"}));
  ASSERT_EQ(Host.Messages.size(), 2u);
  EXPECT_EQ(Host.Messages[1].Text, "Error programming Flash.");
  EXPECT_EQ(Host.Bars[pbFlash].Position, 0);
}

TEST(LoaderImageTest, ImageLayout) {
  // rjmp over the 13 vector words to word 14, padding 0xFF, 522 bytes.
  EXPECT_EQ(LoaderImage.size(), 522u);
  EXPECT_EQ(LoaderImage[0] | (LoaderImage[1] << 8), 0xC000 | 13);
  for (int i = 2; i < 28; ++i) EXPECT_EQ(LoaderImage[i], 0xFF) << i;
  EXPECT_EQ(LoaderImage.back(), 0xFF);
  EXPECT_EQ(TLoaderLink::StartWrite(32), 12);
  EXPECT_EQ(TLoaderLink::StartWrite(64), 20);
  EXPECT_EQ(TLoaderLink::StartWrite(128), 36);
  EXPECT_EQ(TLoaderLink::StartWrite(256), 68);
}

// ---- against the behavioural loader ----------------------------------------

struct LoaderProtocolTest : ::testing::Test {
  std::shared_ptr<TFakeLoaderCard> Card = std::make_shared<TFakeLoaderCard>();
  std::unique_ptr<TLptPort> Port;
  std::unique_ptr<TIspLink> Link;
  TScriptedHost Host;
  std::unique_ptr<TAvrCommands> Avr;
  std::unique_ptr<TLoaderLink> Loader;

  void SetUp() override {
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::make_unique<TFakeLoaderSource>(Card));
    Port = std::make_unique<TLptPort>(std::move(sources));
    Port->SetActive(true);
    Link = std::make_unique<TIspLink>(*Port);
    Avr = std::make_unique<TAvrCommands>(*Link, Host);
    Avr->Chips = {0, 0, -1};
    Loader = std::make_unique<TLoaderLink>(*Link, *Avr, Host);
    Link->PowerOn();
  }
  void UseEeprom(int row, uint8_t fill = 0xFF) {
    Avr->Chips.EepromRow = row;
    Card->Eeprom.assign(EepromTable[row].Size, fill);
  }
  // Data bytes of a page-write run without retries: the start byte, then
  // per page its data, ReadBackPage and, but for the last page, NextPage.
  int DataBytesSent(int page) const {
    return static_cast<int>(Card->Received.size()) / (page + 2) * page;
  }
};

TEST_F(LoaderProtocolTest, ShortImageWritesWholePagesAndReadsNothingPastItsEnd) {
  UseEeprom(0, 0x55);
  // The image is its own heap block of 100 bytes: the sanitizers catch a
  // read past it.
  auto image = std::make_unique<uint8_t[]>(100);
  for (int i = 0; i < 100; ++i) image[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(Loader->WriteExternalPages(image.get(), 100));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(Card->Eeprom[i], i);
  for (int i = 100; i < 128; ++i) EXPECT_EQ(Card->Eeprom[i], 0xFF) << i;
  EXPECT_EQ(Card->Eeprom[128], 0x55);
  EXPECT_EQ(DataBytesSent(32), 128);

  // Verify compares only the image's bytes, and stops there.
  SetUp();
  UseEeprom(0, 0x55);
  for (int i = 0; i < 100; ++i) Card->Eeprom[i] = static_cast<uint8_t>(i);
  Card->SentBytes = 0;
  EXPECT_TRUE(Loader->VerifyExternalEeprom(image.get(), 100));
  EXPECT_LE(Card->SentBytes, 101);

  // An image longer than the EEPROM: only Size bytes go.
  SetUp();
  Card->Received.clear();
  UseEeprom(0);
  const auto big = RandomBytes(10000, 4);
  ASSERT_TRUE(Loader->WriteExternalPages(big.data(), 10000));
  EXPECT_EQ(DataBytesSent(32), 8192);
}

TEST_F(LoaderProtocolTest, ReadStoresEveryByteAndLeavesTheLoaderRunning) {
  UseEeprom(1);
  Card->Eeprom = RandomBytes(16384, 5);
  Loader->StartLoader();
  std::vector<uint8_t> buffer(16384, 0);
  ASSERT_TRUE(Loader->ReadExternalEeprom(buffer.data(), 16384));
  EXPECT_EQ(buffer, Card->Eeprom);
  EXPECT_EQ(Card->Received, (std::vector<uint8_t>{TLoaderLink::ReadAll}));
  EXPECT_TRUE(Card->Running);
  EXPECT_EQ(Host.EventRounds, 16384);
  EXPECT_EQ(Host.Bars[pbExtEE].Max, 16384);
  EXPECT_EQ(Host.Steps[pbExtEE], 64);
  EXPECT_EQ(Host.Bars[pbExtEE].Position, 16384);  // the caller resets it

  // A buffer shorter than the EEPROM takes only its own length.
  SetUp();
  Loader->StartLoader();
  auto small = std::make_unique<uint8_t[]>(10);
  ASSERT_TRUE(Loader->ReadExternalEeprom(small.get(), 10));
  EXPECT_TRUE(std::equal(small.get(), small.get() + 10, Card->Eeprom.begin()));
}

TEST_F(LoaderProtocolTest, VerifyReportsTheFirstDifferenceAndPowersOff) {
  UseEeprom(0);
  Card->Eeprom = RandomBytes(8192, 6);
  auto image = Card->Eeprom;
  EXPECT_TRUE(Loader->VerifyExternalEeprom(image.data(), 8192));
  EXPECT_EQ(Link->DataLatch, 0x00);
  EXPECT_TRUE(Host.Messages.empty());
  EXPECT_EQ(Host.Bars[pbExtEE].Position, 0);

  SetUp();
  image[0] = static_cast<uint8_t>(Card->Eeprom[0] ^ 0xFF);
  Card->SentBytes = 0;
  EXPECT_FALSE(Loader->VerifyExternalEeprom(image.data(), 8192));
  EXPECT_EQ(Card->SentBytes, 1);  // stops receiving at once
  EXPECT_FALSE(Card->Running);
  EXPECT_EQ(Link->DataLatch, 0x00);
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text,
            "External eeprom verification error!\n\nvalue differ at address 0x0\nBuffer value: 0x" +
                HexText(image[0], 2) + "\nExternal eeprom value: 0x" + HexText(Card->Eeprom[0], 2));
  EXPECT_EQ(Host.Beeps, 0);

  SetUp();
  Host.Messages.clear();
  image = Card->Eeprom;
  image[0x1ABC] ^= 0x10;
  EXPECT_FALSE(Loader->VerifyExternalEeprom(image.data(), 8192));
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_NE(Host.Messages[0].Text.find("address 0x1ABC\n"), std::string::npos);
}

TEST_F(LoaderProtocolTest, LoaderThatStopsAnsweringEndsEachOperation) {
  UseEeprom(0);
  Loader->HandshakeTickLimit = 20000;
  const auto image = RandomBytes(8192, 7);

  // Stops after the first data byte (an EEPROM that never acknowledges).
  Card->HangAfterBytes = 2;
  EXPECT_FALSE(Loader->WriteExternalPages(image.data(), 8192));
  EXPECT_EQ(Link->DataLatch, 0x00);
  EXPECT_FALSE(Card->Running);
  EXPECT_LT(Card->Ticks, 21000u);
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text, TLoaderLink::HandshakeLostText);

  // MISO stuck low: read and verify end at their first handshake.
  for (int stuck : {0, 1}) {
    SetUp();
    Host.Messages.clear();
    Card->HangAfterBytes = -1;
    Card->StuckMiso = stuck;
    Loader->StartLoader();
    std::vector<uint8_t> buffer(8192, 0x11);
    EXPECT_FALSE(Loader->ReadExternalEeprom(buffer.data(), 8192)) << stuck;
    EXPECT_EQ(Link->DataLatch, 0x00);
    SetUp();
    EXPECT_FALSE(Loader->VerifyExternalEeprom(image.data(), 8192)) << stuck;
    EXPECT_EQ(Link->DataLatch, 0x00);
    EXPECT_EQ(Host.Messages.size(), 2u);
    EXPECT_EQ(Host.Bars[pbExtEE].Position, 0);
  }
}

}  // namespace
