#include "link/LineStream.h"

#include <algorithm>
#include <cstdio>

void TLineStream::Attach(TLineBackend* backend) {
  Drop();
  FBackend = backend;
  FBatched = backend && backend->Batched();
  FDirect = backend && !FBatched ? backend->DirectIo() : nullptr;
  FAddress = FDirect ? backend->DirectAddress() : 0;
  FMaxQueue = FBatched ? std::max<size_t>(backend->MaxTransfer(), 1) : 0;
}

void TLineStream::PutSlow(uint8_t lines) {
  if (!FBackend) return;
  if (!FBatched) {
    FBackend->Put(lines);
    return;
  }
  FQueue.push_back(lines);
  if (FQueue.size() >= FMaxQueue) Transfer();
}

bool TLineStream::MisoSlow() {
  if (!FBackend) return false;
  if (!FBatched) return FBackend->Miso();
  uint8_t level = 0;
  SampleInto(&level, 1);
  Transfer();
  return level != 0;
}

void TLineStream::SampleInto(uint8_t* dest, uint8_t mask) {
  if (FBatched) {
    FSampleAt.push_back(static_cast<uint32_t>(FQueue.size()));
    FPending.push_back({dest, mask});
    return;
  }
  const bool high = FDirect ? (FDirect->ReadPort(static_cast<uint16_t>(FAddress + 1)) & 0x40) != 0
                            : (FBackend && FBackend->Miso());
  if (high)
    *dest |= mask;
  else
    *dest &= static_cast<uint8_t>(~mask);
}

void TLineStream::Transfer() {
  FLevels.assign(FPending.size(), 0);
  const uint64_t start = FBackend->NowNs();
  try {
    FBackend->Transfer(FQueue.data(), FQueue.size(), FSampleAt.data(), FSampleAt.size(),
                       FLevels.data());
  } catch (...) {
    // The device is gone: nothing queued will ever be applied.
    Drop();
    throw;
  }
  const uint64_t spent = FBackend->NowNs() - start;
  const uint64_t wire = FQueue.size() * FBackend->StateNs();
  FTiming.RoundTripNs += spent > wire ? spent - wire : 0;
  ++FTiming.Flushes;
  for (size_t i = 0; i < FPending.size(); ++i) {
    const TPending& p = FPending[i];
    if (FLevels[i])
      *p.Dest |= p.Mask;
    else
      *p.Dest &= static_cast<uint8_t>(~p.Mask);
  }
  FQueue.clear();
  FSampleAt.clear();
  FPending.clear();
}

void TLineStream::Drop() {
  FQueue.clear();
  FSampleAt.clear();
  FPending.clear();
}

void TLineStream::Sleep(uint32_t ms) {
  Flush();
  if (!FBackend) {
    RealSleep(ms);
    return;
  }
  const uint64_t start = FBackend->NowNs();
  FBackend->Sleep(ms);
  FTiming.ChipWaitNs += FBackend->NowNs() - start;
}

uint32_t TLineStream::TickCount() {
  Flush();
  return FBackend ? FBackend->TickCount() : RealTickCount();
}

uint64_t TLineStream::NowNs() { return FBackend ? FBackend->NowNs() : RealNowNs(); }

std::string TimeSplitText(const TLineTiming& timing, uint64_t totalNs) {
  const uint64_t waits = std::min(timing.ChipWaitNs, totalNs);
  const uint64_t trips = std::min(timing.RoundTripNs, totalNs - waits);
  char text[160];
  std::snprintf(text, sizeof text,
                "chip waits %.3f s, line traffic %.3f s, round trips %.3f s in %llu flushes",
                static_cast<double>(waits) / 1e9,
                static_cast<double>(totalNs - waits - trips) / 1e9,
                static_cast<double>(trips) / 1e9,
                static_cast<unsigned long long>(timing.Flushes));
  return text;
}
