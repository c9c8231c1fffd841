#pragma once
// The card's lines as a stream: line states applied in order, and samples
// of MISO taken at given points between them. The bit link (IspLink.h)
// writes every line change here and asks for MISO here; the port object
// points the stream at the selected port's backend (LineBackend.h).
//
// On an immediate backend a state reaches the lines before Put returns
// and a sample is read at once: the stream costs what the port costs (the
// passive parallel adapter's data register is written directly). On a
// batched backend states and samples are queued and handed over when the
// stream is flushed: a sample's value arrives with the flush that covers
// it. The queue flushes by itself when it reaches the backend's largest
// transfer, before a wait (Sleep: a reset pulse or a write wait must
// follow the states before it on the wire, not in the queue), before the
// clock is read (TickCount counts what was applied, never what is still
// queued) and whenever a value is asked for now (Miso).
//
// The stream also tells where a command's time went: chip waits (Sleep,
// and polling that the caller marks as such), flush round trips, and the
// rest, the line traffic.

#include <cstdint>
#include <string>
#include <vector>

#include "link/LineBackend.h"
#include "link/PortIo.h"

struct TLineTiming {
  uint64_t ChipWaitNs = 0;   // Sleep, and waits marked with Begin/EndChipWait
  uint64_t RoundTripNs = 0;  // what flushes cost beyond their states
  uint64_t Flushes = 0;      // flushes that carried something
};

// "chip waits 38.125 s, line traffic 17.500 s, round trips 0.000 s in 0
// flushes": where `totalNs` went, the line traffic being the rest.
std::string TimeSplitText(const TLineTiming& timing, uint64_t totalNs);

class TLineStream {
public:
  // Points the stream at `backend` (null: none; the clock is then real
  // time). Anything still queued for the old backend is dropped.
  void Attach(TLineBackend* backend);
  TLineBackend* Backend() const { return FBackend; }
  bool Batched() const { return FBatched; }

  // One line state (Lines:: bits).
  void Put(uint8_t lines) {
    if (FDirect)
      FDirect->WritePort(FAddress, lines);
    else
      PutSlow(lines);
  }

  // MISO now; a batched stream is flushed first.
  bool Miso() {
    if (FDirect) return (FDirect->ReadPort(static_cast<uint16_t>(FAddress + 1)) & 0x40) != 0;
    return MisoSlow();
  }
  // MISO at this point of the stream into the bits `mask` of *dest (set
  // when high, cleared when low): at once on an immediate backend, by the
  // flush that covers it on a batched one, so *dest must stay valid until
  // then.
  void SampleInto(uint8_t* dest, uint8_t mask);
  // Applies what is queued and delivers its samples; nothing on an
  // immediate backend or an empty queue.
  void Flush() {
    if (FBatched && (!FQueue.empty() || !FPending.empty())) Transfer();
  }

  // Waits `ms` on the backend's clock after what is queued has been applied.
  void Sleep(uint32_t ms);
  uint32_t TickCount();
  uint64_t NowNs();

  // Polling a chip that is still writing counts as a chip wait.
  void BeginChipWait() { FWaitStartNs = NowNs(); }
  void EndChipWait() { FTiming.ChipWaitNs += NowNs() - FWaitStartNs; }

  // What a flush costs beyond its states, and a state's time on the wire
  // (0 on immediate backends).
  uint64_t RoundTripNs() const { return FBackend ? FBackend->RoundTripNs() : 0; }
  uint64_t StateNs() const { return FBackend ? FBackend->StateNs() : 0; }

  // The most states one flush carries (0: no limit, immediate backends).
  size_t MaxTransfer() const { return FMaxQueue; }

  const TLineTiming& Timing() const { return FTiming; }
  void ResetTiming() { FTiming = {}; }

private:
  struct TPending {
    uint8_t* Dest;
    uint8_t Mask;
  };
  void PutSlow(uint8_t lines);
  bool MisoSlow();
  void Transfer();
  void Drop();

  TPortIo* FDirect = nullptr;
  uint16_t FAddress = 0;
  TLineBackend* FBackend = nullptr;
  bool FBatched = false;
  size_t FMaxQueue = 0;
  std::vector<uint8_t> FQueue;
  std::vector<uint32_t> FSampleAt;
  std::vector<TPending> FPending;
  std::vector<uint8_t> FLevels;
  TLineTiming FTiming;
  uint64_t FWaitStartNs = 0;
};
