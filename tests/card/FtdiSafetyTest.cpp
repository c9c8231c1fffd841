// The FTDI adapter over the stand-in board in every state the chip can be
// in (card off outside bit-bang mode, the off state first after the mode
// change), with a board pulled during a write, with boards that cannot be
// had; and the bytes it writes for an ISP instruction and a loader byte.
#include <gtest/gtest.h>

#include <cstdio>

#include "card/CardSession.h"
#include "card/ProgramAllCommand.h"
#include "link/loader/ELoader.h"
#include "tests/card/CardCommandOutcomes.h"
#include "tests/card/FtdiRig.h"

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char b[4];
  for (uint8_t v : bytes) {
    std::snprintf(b, sizeof b, "%02X", v);
    text += b;
  }
  return text;
}

TEST(FtdiSafety, TheCardIsOffInEveryStateOfTheChip) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    TFtdiStandInModel model;
    model.Seed = seed;
    TFtdiRig rig(CardConfig(0, 0), model);
    TFtdiStandInDevice& board = *rig.Board;
    // Plugged in, not held: UART mode, the pins idle high.
    EXPECT_EQ(board.State(), TFtdiStandInState::Uart);
    EXPECT_FALSE(rig.Card->Powered());
    // The system opens the serial port: RTS and DTR go low.
    board.SetSerialPortOpen(true);
    EXPECT_FALSE(rig.Card->Powered());
    board.SetSerialPortOpen(false);
    // Pulled out and in again.
    board.Plug(false);
    EXPECT_FALSE(rig.Card->Powered());
    board.Plug(true);
    EXPECT_FALSE(rig.Card->Powered());
    // Taken: the mode changes (the pins glitch), the off state comes
    // first.
    std::string error;
    ASSERT_TRUE(rig.Port->OpenSelected(error)) << error;
    EXPECT_EQ(board.State(), TFtdiStandInState::BitBang);
    EXPECT_EQ(board.FirstByte(), 0x40);
    EXPECT_FALSE(rig.Card->Powered());
    // Powered by the program, then let go: off before the mode changes
    // back.
    rig.Link.PowerOn();
    rig.Link.Flush();
    EXPECT_TRUE(rig.Card->Powered());
    rig.Port->ReleaseSelected();
    EXPECT_EQ(board.State(), TFtdiStandInState::Uart);
    EXPECT_FALSE(board.Open());
    EXPECT_FALSE(rig.Card->Powered());
    // Taken again and the program ends with the card on: the port
    // object's end switches it off first.
    ASSERT_TRUE(rig.Port->OpenSelected(error)) << error;
    rig.Link.PowerOn();
    rig.Link.Flush();
    rig.Port->SetActive(false);
    EXPECT_EQ(board.State(), TFtdiStandInState::Uart);
    EXPECT_FALSE(rig.Card->Powered());
    // The rig checks that the supply was never on outside bit-bang mode.
  }
}

// What the warning is about: a supply switched on by a high pin is on
// whenever the program does not hold the board.
TEST(FtdiSafety, ASupplyOnAHighPinIsOnInUartMode) {
  TAdapterDefinition high = FtdiBreakoutAdapter();
  high.Lines[clVcc] = {{"DTR"}, false};
  TFtdiStandInDevice board(CardConfig(0, 0), high, {}, StandInDeviceInfo(TFtdiChipType::FT232R, "X"));
  EXPECT_TRUE(board.Card().Powered());
  EXPECT_GT(board.PoweredOutsideBitBang(), 0u);
  EXPECT_EQ(AdapterWarnings(high).size(), 1u);
}

TEST(FtdiSafety, ABoardPulledDuringAWriteEndsTheCommandAndKeepsTheBackups) {
  const TVirtualCardConfig config = CardConfig(3, 0);
  TCommandImages images(3, 0);
  // How many bytes a whole Program All with restore writes.
  uint64_t whole = 0;
  const auto cardFlash = RandomCardBytes(2048, 5), cardEeprom = RandomCardBytes(128, 6);
  {
    TFtdiRig rig(config);
    rig.Card->LoadFlash(cardFlash);
    rig.Card->InternalEeprom() = cardEeprom;
    TCardContext context{*rig.Port, rig.Link, rig.Commands, rig.Loader, rig.Host};
    ASSERT_TRUE(TProgramAllCommand(context).Run(images.Images(false, false, true), true, false));
    whole = rig.Board->Clocked();
  }
  // The external image goes in through the loader, after the card's own
  // memories were read and the chip erased; they go back at the end.
  for (uint64_t at : {whole / 2, whole * 3 / 4}) {
    SCOPED_TRACE(at);
    TFtdiRig rig(config);
    rig.Card->LoadFlash(cardFlash);
    rig.Card->InternalEeprom() = cardEeprom;
    const auto external = images.External;
    rig.Board->UnplugAfterWrittenBytes(at);
    TCardContext context{*rig.Port, rig.Link, rig.Commands, rig.Loader, rig.Host};
    TProgramAllCommand command(context);
    try {
      command.Run(images.Images(false, false, true), true, false);
      FAIL() << "the command ended without an error";
    } catch (const EAdapterLost& e) {
      EXPECT_EQ(std::string(e.what()),
                "The FT232R USB adapter A50285BI was lost (unplugged?): usb bulk write failed.");
    }
    // The card lost its supply with the board; the images are as they
    // were; what the card read before its erase is kept for the files.
    EXPECT_FALSE(rig.Card->Powered());
    EXPECT_EQ(images.External, external);
    const TCardBackups& kept = command.Unrestored();
    EXPECT_EQ(kept.Flash, cardFlash);
    EXPECT_EQ(kept.Eeprom, cardEeprom);
  }
}

TEST(FtdiSafety, BoardsThatCannotBeHadSayWhy) {
  const auto openError = [](TFtdiRig& rig) {
    std::string error;
    EXPECT_FALSE(rig.Port->OpenSelected(error));
    return error;
  };
  {
    TFtdiRig rig(CardConfig(0, 0));
    rig.Board->SetBusy(true);
    EXPECT_EQ(openError(rig), "The FT232R USB adapter A50285BI is in use by another program.");
    // A card command says the same, before anything is locked.
    TCardContext context{*rig.Port, rig.Link, rig.Commands, rig.Loader, rig.Host};
    try {
      TCardSession::CheckPort(context);
      FAIL();
    } catch (const ECardPortError& e) {
      EXPECT_EQ(std::string(e.what()), "The FT232R USB adapter A50285BI is in use by another program.");
    }
  }
  {
    TFtdiRig rig(CardConfig(0, 0));
    rig.Board->Plug(false);  // pulled out after it was listed
    EXPECT_EQ(openError(rig), "Cannot find the FT232R USB adapter A50285BI (unplugged?).");
  }
  {
    TFtdiRig rig(CardConfig(0, 0));
    rig.Port->ConfirmTake = [](int) { return false; };
    EXPECT_EQ(openError(rig),
              "The FT232R USB adapter A50285BI was left to the system (its serial port "
              "/dev/ttyUSB0).");
    EXPECT_FALSE(rig.Board->Open());
  }
  {
    // A device of the user's adapter file that is no FTDI chip: listed,
    // never put into bit-bang mode.
    TAdapterDefinition mine = FtdiBreakoutAdapter();
    mine.Name = "Mine";
    mine.UsbVendor = 0x1234;
    mine.UsbProduct = 0x5678;
    auto bus = std::make_unique<TFtdiStandInBus>();
    TFtdiStandInModel model;
    model.Type = TFtdiChipType::Unknown;
    TFtdiDeviceInfo info = StandInDeviceInfo(TFtdiChipType::FT232R, "Q1");
    info.Vendor = 0x1234;
    info.Product = 0x5678;
    TFtdiStandInDevice& board =
        bus->Add(std::make_unique<TFtdiStandInDevice>(CardConfig(0, 0), mine, model, info));
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::make_unique<TFtdiPortSource>(std::move(bus)));
    TLptPort port(std::move(sources));
    port.SetAdapters({mine});
    port.SetActive(true);
    ASSERT_EQ(port.PortCount, 1);
    EXPECT_EQ(port.PortLabel(0), "FTDI USB adapter Q1 (Mine)");
    EXPECT_EQ(port.PortNodes[0], "ftdi:Q1/Mine");
    std::string error;
    EXPECT_FALSE(port.OpenSelected(error));
    EXPECT_EQ(error, "The FTDI USB adapter Q1 (Mine) (USB id 1234:5678) is not an FT232R, FT232H "
                     "or FT2232H; it is left alone.");
    EXPECT_EQ(board.Clocked(), 0u);
    EXPECT_EQ(board.State(), TFtdiStandInState::Uart);
  }
}

TEST(FtdiSafety, ListsEachBoardWithTheBuiltInWiringAndTheUsersThatReachIt) {
  TAdapterDefinition mine = FtdiBreakoutAdapter();
  mine.Name = "My board";
  TFtdiRig rig(CardConfig(0, 0), TFtdiStandInModel::FT232R(), FtdiBreakoutAdapter(), {mine});
  ASSERT_EQ(rig.Port->PortCount, 2);
  EXPECT_EQ(rig.Port->PortLabel(0), "FT232R USB adapter A50285BI");
  EXPECT_EQ(rig.Port->PortNodes[0], "ftdi:A50285BI");
  EXPECT_EQ(rig.Port->PortSystemPorts[0], std::vector<std::string>{"/dev/ttyUSB0"});
  EXPECT_EQ(rig.Port->PortLabel(1), "FT232R USB adapter A50285BI (My board)");
  // Listing opened nothing.
  EXPECT_FALSE(rig.Board->Open());
}

// The bytes on the pins for one ISP instruction (Programming Enable) and
// for one byte sent to the loader: the parallel port's line states
// through the breakout's wiring (D0 CLK, D1 MOSI, D2 RESET, D4 SCK, D6
// supply, low: on).
TEST(FtdiSafety, GoldenBytesOfAnIspInstructionAndALoaderByte) {
  TFtdiRig rig(CardConfig(0, 0));
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(rig.Port->OpenSelected(error)) << error;
  rig.Link.PowerOn();
  rig.Link.Flush();
  rig.Board->RecordInto(&bytes);
  rig.Commands.SendInstruction(0xAC, 0x53, 0x00, 0x00);
  rig.Link.Flush();
  // Over USB a bit takes four states (the parallel port's seven, with the
  // line changes put together with the clock's): SCK high, a clock, SCK
  // low with MOSI at the next bit, a clock; MOSI takes a byte's first bit
  // a state ahead when it changes, and the clock goes low after the byte
  // (33 or 34 states a byte).
  const std::string instruction =
      "02" "12130001" "10110203" "12130001" "10110203" "12130203" "12130001" "10110001" "10110001" "00"
      "10110203" "12130001" "10110203" "12130001" "10110001" "10110203" "12130203" "12130001" "00"
      "10110001" "10110001" "10110001" "10110001" "10110001" "10110001" "10110001" "10110001" "00"
      "10110001" "10110001" "10110001" "10110001" "10110001" "10110001" "10110001" "10110001" "00";
  EXPECT_EQ(Hex(bytes), instruction);
  // Every byte has the supply pin low (on) and RESET low (held).
  for (uint8_t b : bytes) EXPECT_EQ(b & 0x44, 0);

  // One byte to the running loader.
  ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
  ASSERT_TRUE(rig.Loader.WriteLoader());
  rig.Loader.StartLoader();
  rig.Link.Flush();
  bytes.clear();
  ASSERT_TRUE(rig.Loader.LoaderSendByte(0x5A));
  rig.Link.Flush();
  // RESET released (D2 high): the loader runs. The handshake's ticks with
  // MOSI high, then 0x5A's bits, five ticks each, most significant first
  // (the loader's timing, the same on every adapter).
  const std::string loaderByte =
      "070607060706070607060706070607060706070607060706070607060706070607060706070607060706"
      "070607060706070607060706070607060706070607060706070607060706070607060706070607060706"
      "070607060706070607060706070607060706070607060706070607060706070606070607060706070607"
      "060706070607060706070607060706070607060706070607060504050405040504050407060706070607"
      "060706050405040504050405040706070607060706070607060706070607060706050405040504050405"
      "0407060706070607060706050405040504050405040504050405040504050404";
  EXPECT_EQ(Hex(bytes), loaderByte);
  rig.Board->RecordInto(nullptr);
  rig.Link.PowerOff();
}

}  // namespace
