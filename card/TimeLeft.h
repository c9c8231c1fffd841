#pragma once
// The time left of a whole card command, told from the time the work done
// so far took: the command plans its work in bytes (TCardHost::PlanWork),
// each forward step of a progress bar is work done, and the rest is
// expected to go at the pace so far. Plain arithmetic over a millisecond
// clock the host gives, so the window and pellar-cli share it.

#include <cstdint>
#include <string>

class TTimeLeft {
public:
  // A new plan; work done so far counts towards it. The first plan of a
  // command also starts its clock.
  void Plan(int64_t plannedBytes, int64_t nowMs);
  void Advance(int64_t bytes) {
    if (bytes > 0) FDone += bytes;
  }
  void End() { FPlanned = 0; }
  bool Active() const { return FPlanned > 0; }

  // Seconds left; -1 while too little is done to tell (under 2 % of the
  // plan, or under half a second).
  int64_t SecondsLeft(int64_t nowMs) const;

  // "12 s left", "3 min 20 s left", "1 h 05 min left"; "" for -1.
  static std::string Text(int64_t seconds);
  // The same without " left": "12 s", "3 min 20 s", "1 h 05 min".
  static std::string DurationText(int64_t seconds);

private:
  int64_t FPlanned = 0;
  int64_t FDone = 0;
  int64_t FStartMs = 0;
};

// The pace of card work before any has been measured, in microseconds, on
// a parallel port at about 1 µs an access (the virtual card's default
// cost, on which these were measured): a byte read through the
// programming interface (four bytes exchanged), a byte written (sent, then
// polled: its cost beyond the chip's write time, which the caller adds
// from the catalogue), a byte received from the loader (its handshakes
// and the 24Cxx's clocking), and the power cycle with its resets between
// steps. A command tells its user beforehand how long it may take from
// these; the time left while it runs comes from the pace measured then.
struct TNominalPace {
  static constexpr int64_t ReadByteUs = 230;
  static constexpr int64_t WriteByteUs = 500;
  static constexpr int64_t LoaderByteUs = 415;
  static constexpr int64_t PowerCycleUs = 200000;
};
