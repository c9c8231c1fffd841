// The loader link over a batched line stream: handshakes scheduled from
// the loader's cycle counts instead of waited for (LoaderLink.h,
// LoaderTiming.h).
#include <algorithm>

#include "link/LoaderLink.h"

namespace {

// The PC's receive loop (LoaderReceiveByte) run over a sample per tick:
// wait while MISO is low, 8 samples 7 ticks apart, 2 ticks, wait while
// MISO is high. Fed the samples in tick order.
class TReceiveLoop {
public:
  enum TResult { rsMore, rsByte, rsLost };

  explicit TReceiveLoop(uint32_t limit) : Limit(limit) {}

  TResult Feed(int64_t tick, bool high) {
    switch (Phase) {
      case phStart:
        if (high) {
          Start = tick;
          Value = 0;
          Phase = phBits;
          return rsMore;
        }
        return ++Waited > Limit ? rsLost : rsMore;
      case phBits: {
        const int64_t at = tick - Start;
        if (at % 7 == 0) Value = static_cast<uint8_t>((Value << 1) | (high ? 1 : 0));
        if (at == 56) Phase = phTail;
        return rsMore;
      }
      case phTail:
        if (tick - Start < 58) return rsMore;
        Phase = phEnd;
        Waited = 0;
        [[fallthrough]];
      case phEnd:
        if (!high) {
          // The same sample is the first of the next byte's wait.
          Phase = phStart;
          Waited = 0;
          return rsByte;
        }
        return ++Waited > Limit ? rsLost : rsMore;
    }
    return rsMore;
  }

  // Inside a byte (its start seen, its end not yet).
  bool InByte() const { return Phase != phStart; }

  int64_t Start = 0;  // of the byte in hand or just ended
  uint8_t Value = 0;

private:
  enum { phStart, phBits, phTail, phEnd } Phase = phStart;
  uint32_t Limit;
  uint32_t Waited = 0;
};

}  // namespace

void TLoaderLink::Tick() {
  Link.StrobeTick();
  ++FTick;
}

void TLoaderLink::TickTo(int64_t tick) {
  while (FTick < tick) Tick();
}

void TLoaderLink::Expect(bool level) {
  FSamples.push_back(0);
  Link.SampleMiso(&FSamples.back(), 1);
  FExpected.emplace_back(FSamples.size() - 1, level);
}

bool TLoaderLink::Checked() {
  Link.Flush();
  bool ok = true;
  for (const auto& [index, level] : FExpected) ok = ok && (FSamples[index] != 0) == level;
  FSamples.clear();
  FExpected.clear();
  if (!ok) HandshakeLost();
  return ok;
}

void TLoaderLink::SampledTicks(int64_t count, std::deque<uint8_t>& samples) {
  for (int64_t i = 0; i < count; ++i) {
    Tick();
    samples.push_back(0);
    Link.SampleMiso(&samples.back(), 1);
  }
}

bool TLoaderLink::Sync() {
  // MOSI has been high since StartLoader. The loader's first ready comes
  // after the processor's start-up; every byte it takes before the PC
  // answers is 0xFF, a command it ignores, after which it is ready again
  // a fixed number of ticks later. A chunk one tick shorter than that
  // period sees at most one ready, and ends before the next.
  using namespace LoaderTiming;
  constexpr int64_t chunk = ReadyToAck + AfterIgnored - 1;
  int64_t waited = 0;
  for (;;) {
    std::deque<uint8_t> samples;
    const int64_t first = FTick + 1;
    SampledTicks(chunk, samples);
    if (!Checked()) return false;
    const auto high = std::find(samples.begin(), samples.end(), uint8_t{1});
    if (high != samples.end()) {
      const int64_t ready = first + (high - samples.begin());
      FModel.Sent(0xFF, ready + ReadyToAck);
      FSynced = true;
      return true;
    }
    waited += chunk;
    if (waited >= HandshakeTickLimit) {
      HandshakeLost();
      return false;
    }
  }
}

bool TLoaderLink::SendScheduled(uint8_t b) {
  using namespace LoaderTiming;
  if (!FSynced && !Sync()) return false;
  const int64_t ready = FModel.Ready();
  if (ready <= FTick) {
    // The model has lost the loader's place: never so while it is right.
    HandshakeLost();
    return false;
  }
  // The loop that waits for ready: the line low one tick before, high at it.
  if (ready - 1 > FTick) {
    TickTo(ready - 1);
    Expect(false);
  }
  Tick();
  Expect(true);
  // Each bit on MOSI for 5 ticks; the first write of the first tick
  // carries the new level.
  for (uint8_t mask = 0x80; mask != 0; mask >>= 1) {
    if (b & mask)
      Link.DataLatch |= Lines::Mosi;
    else
      Link.DataLatch &= ~Lines::Mosi;
    for (int i = 0; i < 5; ++i) Tick();
  }
  // The acknowledge: high up to the tick before, low at it.
  TickTo(ready + ReadyToAck - 1);
  Expect(true);
  Tick();
  Expect(false);
  Link.DataLatch &= ~Lines::Mosi;
  switch (FModel.Sent(b, FTick)) {
    case TLoaderModel::nxReady:
      return true;
    case TLoaderModel::nxReadBack:
    case TLoaderModel::nxReadAll:
      // Bytes come next: ReceiveScheduled finds them.
      FSynced = false;
      return true;
  }
  return true;
}

bool TLoaderLink::ReceiveScheduled(uint8_t* dest, int count, bool readBack,
                                   const std::function<bool(int)>& each) {
  using namespace LoaderTiming;
  if (count <= 0) return true;
  // What was expected so far must hold before bytes are read.
  if (!Checked()) return false;
  TReceiveLoop loop(HandshakeTickLimit);
  int received = 0;
  // The last byte of a read-back starts (count - 1) bytes after the first,
  // and the loader is ready AfterReadBack ticks after that: the PC must
  // not tick past that ready before it knows where the first byte began.
  // A read-all stream has no end: a chunk is the bytes still wanted at
  // their least length plus the first byte's addressing (or a block's),
  // so that it rarely falls short and never ticks far past them; at most
  // ChunkBytes bytes (the bar and the window's events move at least that
  // often) and what one transfer of the stream carries (two states a
  // tick).
  constexpr int64_t Slack = 600;
  constexpr int64_t ChunkBytes = 256;
  const size_t most = Link.Port.Lines().MaxTransfer();
  const int64_t chunkTicks =
      std::min<int64_t>(ChunkBytes * StreamedByte + Slack,
                        most ? std::max<int64_t>(static_cast<int64_t>(most / 2) - 1, 1) : 1 << 20);
  const int64_t blindChunk =
      readBack ? int64_t{count - 1} * StreamedByte + AfterReadBack - 1 : 0;
  int64_t firstStart = -1;
  while (received < count) {
    int64_t ticks;
    if (!readBack)
      ticks = std::min(int64_t{count - received} * StreamedByte + Slack, chunkTicks);
    else if (firstStart < 0)
      ticks = blindChunk;
    else
      ticks = firstStart + int64_t{count - 1} * StreamedByte + AfterReadBack - 1 - FTick;
    std::deque<uint8_t> samples;
    const int64_t first = FTick + 1;
    SampledTicks(std::max<int64_t>(ticks, 1), samples);
    Link.Flush();
    int64_t tick = first;
    for (uint8_t level : samples) {
      switch (loop.Feed(tick, level != 0)) {
        case TReceiveLoop::rsMore:
          break;
        case TReceiveLoop::rsLost:
          HandshakeLost();
          return false;
        case TReceiveLoop::rsByte:
          if (received < count) {
            if (received == 0) firstStart = loop.Start;
            dest[received] = loop.Value;
            ++received;
            if (each && !each(received - 1)) return true;
          }
          break;
      }
      ++tick;
    }
    // The first byte has started but not yet ended.
    if (firstStart < 0 && loop.InByte()) firstStart = loop.Start;
  }
  if (readBack) {
    const int64_t lastStart = firstStart + int64_t{count - 1} * StreamedByte;
    FModel.ReadBackDone(lastStart);
    FSynced = true;
  }
  return true;
}
