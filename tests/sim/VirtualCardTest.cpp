// The virtual card's port registers, wiring, clocking and pin timing,
// driven directly through its two registers.
#include <gtest/gtest.h>

#include "sim/VirtualCard.h"

namespace {

constexpr uint16_t Base = TVirtualCard::DefaultAddress;
constexpr uint8_t Released = 0x17;  // powered, RESET released, CLK low
constexpr uint8_t Hold = 0x07;      // powered, RESET held
constexpr uint8_t Clk = 0x08;
constexpr uint8_t Mosi = 0x20;
constexpr uint8_t Sck = 0x40;

// Hand-encoded AT90S words.
constexpr uint16_t LdiR16_0x40 = 0xE400;
constexpr uint16_t LdiR17_0x40 = 0xE410;
constexpr uint16_t OutDdrbR16 = 0xBB07;
constexpr uint16_t OutDdrbR17 = 0xBB17;
constexpr uint16_t OutPortbR16 = 0xBB08;
constexpr uint16_t OutPortbR1 = 0xBA18;
constexpr uint16_t InR16Pinb = 0xB306;
constexpr uint16_t LslR16 = 0x0F00;
constexpr uint16_t LsrR16 = 0x9506;
constexpr uint16_t RjmpSelf = 0xCFFF;
constexpr uint16_t Movw = 0x0101;  // not an AT90S instruction

struct TDriver {
  explicit TDriver(const TVirtualCardConfig& config = {}) : Card(config) {}

  void Write(uint8_t v) {
    Lines = v;
    Card.WritePort(Base, v);
  }
  void Tick() {
    Write(Lines | Clk);
    Write(Lines & ~Clk);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Tick();
  }
  bool Miso() { return (Card.ReadPort(Base + 1) & 0x40) != 0; }
  void Program(std::initializer_list<uint16_t> words) {
    std::copy(words.begin(), words.end(), Card.Flash().begin());
  }

  TVirtualCard Card;
  uint8_t Lines = 0;
};

TVirtualCardConfig WithDelays(int output, int input) {
  TVirtualCardConfig c;
  c.Timing.OutputDelayCycles = output;
  c.Timing.InputSyncCycles = input;
  return c;
}

TEST(VirtualCard, RegistersAndVirtualTime) {
  TDriver d;
  d.Write(0x5A);
  EXPECT_EQ(d.Card.ReadPort(Base), 0x5A);
  EXPECT_EQ(d.Card.ReadPort(Base + 1), 0x3F);  // unpowered: MISO low
  EXPECT_EQ(d.Card.ReadPort(Base + 2), 0xFF);
  d.Card.WritePort(Base + 2, 0x00);  // ignored
  EXPECT_EQ(d.Card.ReadPort(Base), 0x5A);

  EXPECT_EQ(d.Card.PortAccesses(), 6u);
  EXPECT_EQ(d.Card.VirtualTimeNs(), 6000u);
  d.Card.Sleep(25);
  EXPECT_EQ(d.Card.TickCount(), 25u);
  EXPECT_EQ(d.Card.VirtualTimeNs(), 25'006'000u);

  TVirtualCardConfig slow;
  slow.Timing.AccessCostNs = 250'000;
  TDriver s(slow);
  s.Ticks(4);
  EXPECT_EQ(s.Card.TickCount(), 2u);
}

TEST(VirtualCard, ClockCountsOnlyRisingEdgesWithPower) {
  TDriver d;
  d.Write(0x03);  // two of the three supply lines are not enough
  d.Ticks(5);
  EXPECT_FALSE(d.Card.Powered());
  EXPECT_EQ(d.Card.ClockEdges(), 0u);
  d.Write(Hold);
  d.Ticks(5);
  d.Write(Hold | Clk);
  EXPECT_EQ(d.Card.ClockEdges(), 6u);
  d.Write(Hold | Clk);  // no edge without a low level in between
  EXPECT_EQ(d.Card.ClockEdges(), 6u);
}

// ldi; out DDRB; then PB6 toggles with a 4-cycle period. A pin write in
// cycle w shows on MISO from edge w + 1 + OutputDelayCycles.
TEST(VirtualCard, PinWritesReachMisoAfterTheOutputDelay) {
  for (int delay = 0; delay <= 2; ++delay) {
    TDriver d(WithDelays(delay, 1));
    d.Program({LdiR16_0x40, OutDdrbR16, OutPortbR16, OutPortbR1, 0xCFFD});
    d.Write(Released);
    std::string seen;
    for (int n = 0; n <= 14; ++n) {
      seen += d.Miso() ? 'H' : 'L';
      d.Tick();
    }
    // DDRB in cycle 1, PORTB set in 2, cleared in 3, set in 6, cleared in 7...
    std::string expected;
    for (int n = 0; n <= 14; ++n) {
      const int e = n - delay - 1;  // the last cycle whose write is visible
      char c = 'H';
      if (e >= 1) c = (e >= 2 && (e - 2) % 4 == 0) ? 'H' : 'L';
      expected += c;
    }
    EXPECT_EQ(seen, expected) << "output delay " << delay;

    // Read only once, late: the same level as read tick by tick.
    TDriver late(WithDelays(delay, 1));
    late.Program({LdiR16_0x40, OutDdrbR16, OutPortbR16, OutPortbR1, 0xCFFD});
    late.Write(Released);
    late.Ticks(13);
    EXPECT_EQ(late.Miso(), expected[13] == 'H') << "output delay " << delay;
  }
}

// in r16, PINB runs in cycle 2; a line the PC changes before edge e counts
// from e, and the read sees the lines of edge 3 - InputSyncCycles.
TEST(VirtualCard, InputSynchroniserDelaysWhatPinbReads) {
  for (int sync = 0; sync <= 2; ++sync) {
    for (int k = 0; k <= 3; ++k) {
      for (bool withEdge : {false, true}) {
        for (bool sck : {false, true}) {
          TDriver d(WithDelays(1, sync));
          d.Program(
              {LdiR17_0x40, OutDdrbR17, InR16Pinb, sck ? LsrR16 : LslR16, OutPortbR16, RjmpSelf});
          d.Write(Released);
          d.Ticks(k);
          const uint8_t line = sck ? Sck : Mosi;
          if (withEdge) {
            d.Write(Released | line | Clk);  // the change comes with the rising edge
            d.Write(Released | line);
            d.Ticks(11 - k);
          } else {
            d.Write(Released | line);
            d.Ticks(12 - k);
          }
          EXPECT_EQ(d.Miso(), k + 1 <= 3 - sync)
              << "sync " << sync << " changed after " << k << " edges, sck " << sck;
        }
      }
    }
  }
}

TEST(VirtualCard, LazyRunsMatchTickByTickObservation) {
  // PB5 copied to PB6 every 5 cycles; the PC moves MOSI at odd moments.
  auto run = [](int readEvery, std::vector<int>& levels) {
    TDriver d;
    d.Program({LdiR17_0x40, OutDdrbR17, InR16Pinb, LslR16, OutPortbR16, 0xCFFC});
    d.Write(Released);
    uint32_t seed = 12345;
    for (int t = 1; t <= 600; ++t) {
      seed = seed * 1103515245u + 12345u;
      if ((seed >> 16) % 9 == 0) d.Write(static_cast<uint8_t>(d.Lines ^ Mosi));
      d.Tick();
      if (t % readEvery == 0) levels.push_back(d.Miso());
    }
    return std::make_pair(d.Card.Core().Cycle, d.Card.Core().Pc);
  };
  std::vector<int> every;
  std::vector<int> seventh;
  const auto a = run(1, every);
  const auto b = run(7, seventh);
  EXPECT_EQ(a, b);
  ASSERT_EQ(seventh.size(), 600u / 7);
  for (size_t i = 0; i < seventh.size(); ++i) EXPECT_EQ(seventh[i], every[7 * i + 6]) << i;
  EXPECT_NE(std::count(every.begin(), every.end(), 1), 0);
  EXPECT_NE(std::count(every.begin(), every.end(), 0), 0);
}

TEST(VirtualCard, UndefinedOpcodeStopsTheCoreHarmlessly) {
  TDriver d;
  d.Program({LdiR16_0x40, Movw});
  d.Write(Released);
  d.Ticks(50);
  EXPECT_EQ(d.Card.Core().Stop, TAvrStop::UndefinedOpcode);
  EXPECT_EQ(d.Card.Core().StopPc, 1);
  EXPECT_EQ(d.Card.Core().StopOpcode, Movw);
  EXPECT_EQ(d.Card.Core().Reg(16), 0x40);
  EXPECT_TRUE(d.Miso());  // PB6 is still an input
  EXPECT_EQ(d.Card.ClockEdges(), 50u);
  // A reset starts it again from word 0.
  d.Write(Hold);
  d.Write(Released);
  d.Tick();
  EXPECT_EQ(d.Card.Core().Stop, TAvrStop::None);
}

TEST(VirtualCard, PowerOffLosesWhatIsVolatile) {
  TDriver d;
  d.Program({LdiR16_0x40, OutDdrbR16, OutPortbR16, RjmpSelf});
  d.Write(Released);
  d.Ticks(10);
  EXPECT_EQ(d.Card.Core().Reg(16), 0x40);
  d.Card.Core().Data[0x60] = 0x99;
  EXPECT_TRUE(d.Miso());
  d.Write(0x00);
  EXPECT_FALSE(d.Miso());
  EXPECT_FALSE(d.Card.Running());
  d.Write(Hold);
  EXPECT_EQ(d.Card.Core().Reg(16), 0x00);
  EXPECT_EQ(d.Card.Core().Data[0x60], 0x00);
  EXPECT_EQ(d.Card.Flash()[0], LdiR16_0x40);
  EXPECT_FALSE(d.Card.Programming().Enabled());
}

TEST(VirtualCard, MisoFaults) {
  TDriver d;
  d.Program({LdiR16_0x40, OutDdrbR16, RjmpSelf});
  d.Write(Released);
  d.Ticks(5);
  EXPECT_FALSE(d.Miso());
  d.Card.Faults().Miso = TMisoFault::StuckHigh;
  EXPECT_TRUE(d.Miso());
  d.Card.Faults().Miso = TMisoFault::StuckLow;
  d.Write(0x00);
  d.Write(Released);
  EXPECT_FALSE(d.Miso());  // undriven PB6 would read high
  d.Card.Faults().Miso = TMisoFault::None;
  EXPECT_TRUE(d.Miso());

  TVirtualCardConfig c;
  c.Faults.MisoStuckAfterAccesses = 4;
  c.Faults.MisoStuckAfterHigh = false;
  TDriver s(c);
  s.Write(Released);       // access 1
  EXPECT_TRUE(s.Miso());   // access 2
  s.Tick();                // accesses 3, 4
  EXPECT_FALSE(s.Miso());  // access 5: stuck from here on
}

TEST(VirtualCard, BadConfigurationIsClamped) {
  TVirtualCardConfig c;
  c.ProcessorRow = 99;
  c.EepromRow = -3;
  c.Timing.OutputDelayCycles = 100;
  c.Timing.InputSyncCycles = -1;
  TVirtualCard card(c);
  EXPECT_STREQ(card.Processor().Name, "AT90S2323");
  EXPECT_STREQ(card.EepromChip().Name, "2464/2465");
  EXPECT_EQ(card.Timing().OutputDelayCycles, TCardTiming::MaxPinDelay);
  EXPECT_EQ(card.Timing().InputSyncCycles, 0);
  EXPECT_EQ(card.Flash().size(), 1024u);
}

}  // namespace
