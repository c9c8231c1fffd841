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

private:
  int64_t FPlanned = 0;
  int64_t FDone = 0;
  int64_t FStartMs = 0;
};
