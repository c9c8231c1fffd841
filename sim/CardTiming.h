#pragma once
// The timing model of the virtual card.
//
// Two clocks run side by side:
//
// * The card clock. The card's processor advances one clock cycle per
//   rising edge of the CLK line (data bit 3), and only while it is
//   powered. With RESET held, the serial programming interface runs off
//   the same clock. Cycle c (counted from 0) is the clock period that the
//   rising edge c + 1 starts.
//
// * Virtual time, in nanoseconds. Every port access (a read or a write of
//   either register) costs AccessCostNs, and every millisecond wait of the
//   port's Sleep adds its milliseconds. The millisecond tick counter, the
//   write and erase times of the AVR's flash and EEPROM and the write
//   cycle of the 24Cxx run on this time, as the real chips time their
//   writes on internal oscillators that do not depend on the PC's clock.
//
// Where the two meet, at the AVR's port pins:
//
// * Output delay. A pin write that an instruction makes in cycle w
//   reaches the card's lines (MISO, the 24Cxx) on the rising edge
//   w + 1 + OutputDelayCycles. The default 1 is the chip's: the port
//   register takes the new value on the clock edge that ends the writing
//   cycle.
//
// * Input synchroniser. An instruction that reads PINB in cycle c sees
//   the lines as they were on the rising edge c + 1 - InputSyncCycles. A
//   change the PC writes before the edge e (or together with it) counts
//   from edge e. The default 1 is the chip's synchroniser: the level is
//   latched while the clock is low and reaches PINB on the next rising
//   edge, so an IN sees a change one cycle after the cycle in which the
//   pin first had it; likewise a pin's own output is read back two cycles
//   after the OUT (OUT, NOP, IN).
//
// Both delays are settable per card (0 to MaxPinDelay) so that tests can
// show a card program still works with each shifted by a cycle.

#include <cstdint>

struct TCardTiming {
  static constexpr int MaxPinDelay = 4;

  uint32_t AccessCostNs = 1000;  // 1 µs: the order of an ISA-bus port access
  int OutputDelayCycles = 1;
  int InputSyncCycles = 1;
};
