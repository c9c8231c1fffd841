// A card program that talks to the 24Cxx over PB0/PB1 the way the loader
// does: page write, acknowledge polling through the write cycle, random
// read. It proves the wiring (SDA open drain: released to the pin's
// pull-up or driven low, read back through PINB) and the pin timing under
// every nearby setting of the two delays; the same program with SDA
// driven both ways (push-pull) never sees an acknowledge.
#include <gtest/gtest.h>

#include <string>

#include "sim/VirtualCard.h"
#include "tests/sim/AvrAssemble.h"

namespace {

// The SDA discipline: DDR is DDRB at start (0x42: SDA released; 0x43:
// SDA an output for good), RELEASE and LOW the two SDA steps.
struct TSdaStyle {
  std::string Ddr;
  std::string Release;
  std::string Low;
};
const TSdaStyle OpenDrain{"0x42", "cbi DDRB, 0\n sbi PORTB, 0", "cbi PORTB, 0\n sbi DDRB, 0"};
const TSdaStyle PushPull{"0x43", "sbi PORTB, 0", "cbi PORTB, 0"};

std::string Styled(std::string text, const TSdaStyle& style) {
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"DDR", style.Ddr},
                                   {"RELEASE", style.Release},
                                   {"LOW", style.Low}}) {
    const std::string mark = "{" + key + "}";
    for (size_t at; (at = text.find(mark)) != std::string::npos;)
      text.replace(at, mark.size(), value);
  }
  return text;
}

const std::string Header = R"(
        .equ PINB, 0x16
        .equ DDRB, 0x17
        .equ PORTB, 0x18
        .equ SPL, 0x3D
        .text
        .org 0
        ldi r16, 0x03           ; bus idle: SDA pulled up, SCL high
        out PORTB, r16
        ldi r16, {DDR}          ; SCL and PB6 outputs
        out DDRB, r16
        ldi r16, 0x7F
        out SPL, r16
)";

const std::string WriteAndReadBack = Header + R"(
        clr r24                 ; polls
        rcall start
        ldi r16, 0xA0
        rcall wbyte
        ldi r16, 0x01
        rcall wbyte
        ldi r16, 0x23
        rcall wbyte
        ldi r16, 0xA5
        rcall wbyte
        ldi r16, 0x3C
        rcall wbyte
        rcall stop
poll:   inc r24
        rcall start
        ldi r16, 0xA0
        rcall wbyte
        sbrc r17, 0
        rjmp poll
        ldi r16, 0x01
        rcall wbyte
        ldi r16, 0x23
        rcall wbyte
        rcall start
        ldi r16, 0xA1
        rcall wbyte
        rcall rbyte
        mov r20, r16
        rcall mack
        rcall rbyte
        mov r21, r16
        rcall mnack
        rcall stop
        sbi PORTB, 6            ; done
park:   rjmp park
)";

// One byte written, then PB6 high right after the stop.
const std::string WriteOnly = Header + R"(
        rcall start
        ldi r16, 0xA0
        rcall wbyte
        ldi r16, 0x00
        rcall wbyte
        ldi r16, 0x10
        rcall wbyte
        ldi r16, 0x99
        rcall wbyte
        rcall stop
        sbi PORTB, 6
park:   rjmp park
)";

const std::string Subroutines = R"(
start:  {RELEASE}
        sbi PORTB, 1
        nop
        {LOW}
        nop
        cbi PORTB, 1
        ret
stop:   {LOW}
        nop
        sbi PORTB, 1
        nop
        {RELEASE}
        ret
; r16 out, most significant bit first; r17 = 1 when not acknowledged
wbyte:  ldi r18, 8
wb1:    sbrc r16, 7
        rjmp wbone
        {LOW}
        rjmp wbclk
wbone:  {RELEASE}
wbclk:  sbi PORTB, 1
        cbi PORTB, 1
        lsl r16
        dec r18
        brne wb1
        {RELEASE}
        sbi PORTB, 1
        clr r17
        sbic PINB, 0
        inc r17
        cbi PORTB, 1
        ret
; r16 in
rbyte:  {RELEASE}
        ldi r18, 8
rb1:    sbi PORTB, 1
        nop
        lsl r16
        sbic PINB, 0
        ori r16, 1
        cbi PORTB, 1
        dec r18
        brne rb1
        ret
mack:   {LOW}
        nop
        sbi PORTB, 1
        nop
        cbi PORTB, 1
        ret
mnack:  {RELEASE}
        nop
        sbi PORTB, 1
        nop
        cbi PORTB, 1
        ret
)";

TAvrAssembly Assemble(const std::string& program, const TSdaStyle& style = OpenDrain) {
  return AvrAssembleSource(Styled(program + Subroutines, style));
}

constexpr uint16_t Base = TVirtualCard::DefaultAddress;

// Runs the program until PB6 goes high or `limit` ticks have passed;
// returns the ticks it took, or -1.
int RunUntilDone(TVirtualCard& card, const std::vector<uint16_t>& words, int limit) {
  std::copy(words.begin(), words.end(), card.Flash().begin());
  card.WritePort(Base, 0x17);
  for (int t = 1; t <= limit; ++t) {
    card.WritePort(Base, 0x1F);
    card.WritePort(Base, 0x17);
    if (t % 16 == 0 && (card.ReadPort(Base + 1) & 0x40)) return t;
  }
  return -1;
}

TEST(VirtualCardI2c, ProgramWritesPollsAndReadsBack) {
  if (!AvrToolchainAvailable()) GTEST_SKIP() << "avr-as, avr-ld or avr-objcopy not found";
  const TAvrAssembly code = Assemble(WriteAndReadBack);
  ASSERT_TRUE(code.Ok) << code.Error;

  for (int output = 0; output <= 2; ++output) {
    for (int input = 0; input <= 2; ++input) {
      TVirtualCardConfig config;
      config.EepromRow = 2;  // 24256
      config.Timing.OutputDelayCycles = output;
      config.Timing.InputSyncCycles = input;
      TVirtualCard card(config);
      const int ticks = RunUntilDone(card, code.Words, 100000);
      ASSERT_GT(ticks, 0) << "delays " << output << "/" << input;
      EXPECT_EQ(card.ExternalEeprom().Memory[0x123], 0xA5);
      EXPECT_EQ(card.ExternalEeprom().Memory[0x124], 0x3C);
      EXPECT_EQ(card.Core().Reg(20), 0xA5);
      EXPECT_EQ(card.Core().Reg(21), 0x3C);
      // The chip stayed silent for its 5 ms write cycle (2 µs a tick).
      EXPECT_GT(card.Core().Reg(24), 1);
      EXPECT_GE(ticks, 2500);
      EXPECT_EQ(card.SdaContentions(), 0u);
      EXPECT_EQ(card.SdaFloatingReads(), 0u);
    }
  }
}

// Driven high, SDA wins against the EEPROM's acknowledge and reads back
// the program's own high: the polling never ends, and every acknowledge
// the EEPROM gave was a contention. With or without the card's pull-up.
TEST(VirtualCardI2c, PushPullSdaNeverSeesAnAcknowledge) {
  if (!AvrToolchainAvailable()) GTEST_SKIP() << "avr-as, avr-ld or avr-objcopy not found";
  const TAvrAssembly code = Assemble(WriteAndReadBack, PushPull);
  ASSERT_TRUE(code.Ok) << code.Error;
  for (bool pullUp : {false, true}) {
    TVirtualCardConfig config;
    config.EepromRow = 2;
    config.SdaPullUp = pullUp;
    TVirtualCard card(config);
    EXPECT_EQ(RunUntilDone(card, code.Words, 20000), -1);
    EXPECT_GT(card.Core().Reg(24), 10);  // still polling
    EXPECT_GE(card.SdaContentions(), 4u);
  }
}

// A released SDA without any pull-up floats: the program's reads of it
// are counted, and the line keeps the level it had.
TEST(VirtualCardI2c, ReleasedSdaWithoutPullUpFloats) {
  if (!AvrToolchainAvailable()) GTEST_SKIP() << "avr-as, avr-ld or avr-objcopy not found";
  const TAvrAssembly code = AvrAssembleSource(R"(
        .equ PINB, 0x16
        .equ DDRB, 0x17
        .equ PORTB, 0x18
        .org 0
        sbi DDRB, 0             ; SDA low
        nop
        cbi DDRB, 0             ; released, no pull-up: floats low
        nop
        in r20, PINB
        sbi PORTB, 0            ; pull-up on: the line rises
        nop
        nop
        in r21, PINB
park:   rjmp park
)");
  ASSERT_TRUE(code.Ok) << code.Error;
  for (bool pullUp : {false, true}) {
    TVirtualCardConfig config;
    config.SdaPullUp = pullUp;
    TVirtualCard card(config);
    std::copy(code.Words.begin(), code.Words.end(), card.Flash().begin());
    card.WritePort(Base, 0x17);
    for (int t = 0; t < 40; ++t) {
      card.WritePort(Base, 0x1F);
      card.WritePort(Base, 0x17);
    }
    EXPECT_EQ(card.Core().Reg(20) & 1, pullUp ? 1 : 0);
    EXPECT_EQ(card.Core().Reg(21) & 1, 1);
    EXPECT_EQ(card.SdaFloatingReads(), pullUp ? 0u : 1u);
    EXPECT_EQ(card.SdaContentions(), 0u);
  }
}

TEST(VirtualCardI2c, AbsentEepromKeepsTheProgramPolling) {
  if (!AvrToolchainAvailable()) GTEST_SKIP() << "avr-as, avr-ld or avr-objcopy not found";
  const TAvrAssembly code = Assemble(WriteAndReadBack);
  ASSERT_TRUE(code.Ok) << code.Error;
  TVirtualCardConfig config;
  config.Faults.EepromAbsent = true;
  TVirtualCard card(config);
  EXPECT_EQ(RunUntilDone(card, code.Words, 20000), -1);
  EXPECT_GT(card.Core().Reg(24), 10);
  EXPECT_EQ(card.ExternalEeprom().Memory[0x123], 0xFF);
}

// The write cycle starts at the virtual time of the clock edge that put
// the stop condition on the bus, however late the card catches up.
TEST(VirtualCardI2c, WriteCycleRunsFromTheEdgeOfTheStop) {
  if (!AvrToolchainAvailable()) GTEST_SKIP() << "avr-as, avr-ld or avr-objcopy not found";
  const TAvrAssembly code = Assemble(WriteOnly);
  ASSERT_TRUE(code.Ok) << code.Error;
  TVirtualCard card;
  const int ticks = RunUntilDone(card, code.Words, 10000);
  ASSERT_GT(ticks, 0);

  // Again, read nothing for 6 ms of ticks after the stop: the card runs
  // the program only now, yet the 5-ms write cycle is already over.
  auto lazyRun = [&](int extraTicks, uint32_t waitMs) {
    auto card = std::make_unique<TVirtualCard>();
    std::copy(code.Words.begin(), code.Words.end(), card->Flash().begin());
    card->WritePort(Base, 0x17);
    for (int t = 0; t < ticks + extraTicks; ++t) {
      card->WritePort(Base, 0x1F);
      card->WritePort(Base, 0x17);
    }
    card->Sleep(waitMs);
    return card->ExternalEeprom().Memory[0x10];
  };
  EXPECT_EQ(lazyRun(3000, 0), 0x99);
  EXPECT_EQ(lazyRun(100, 4), 0xFF);  // 4.2 ms after the stop: still writing
  EXPECT_EQ(lazyRun(100, 5), 0x99);
}

}  // namespace
