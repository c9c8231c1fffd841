#include "link/FtdiLines.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string UsbId(uint16_t vendor, uint16_t product) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", vendor, product);
  return text;
}

// Why the chip could not be opened, from libftdi1's code for
// ftdi_usb_open_desc.
std::string OpenError(const std::string& name, int code, const std::string& library) {
  switch (code) {
    case -3: return "Cannot find the " + name + " (unplugged?).";
    case -4:
      return "Cannot open the " + name +
             ": no access to its USB device. Install the udev rule 60-pellar-ftdi.rules (see the "
             "README's set-up section) and plug the board in again.";
    case -5: return "The " + name + " is in use by another program.";
    default: return "Cannot open the " + name + ": " + library + ".";
  }
}

}  // namespace

TFtdiLines::TFtdiLines(std::unique_ptr<TFtdiChip> chip, const TAdapterDefinition& adapter,
                       const TTarget& target)
    : Chip(std::move(chip)), Map(CompileByteLineMap(adapter)), Target(target) {}

std::unique_ptr<TFtdiLines> TFtdiLines::Open(std::unique_ptr<TFtdiChip> chip,
                                             const TAdapterDefinition& adapter,
                                             const TTarget& target, std::string& error) {
  std::unique_ptr<TFtdiLines> lines(new TFtdiLines(std::move(chip), adapter, target));
  TFtdiChip& c = *lines->Chip;
  const std::string& name = target.Name;
  if (const int code = c.Open(target.Vendor, target.Product, target.Serial, target.Interface);
      code < 0) {
    lines->Closed = true;  // nothing to close
    error = OpenError(name, code, c.ErrorText());
    return nullptr;
  }
  // From here on a failure closes the chip again (the destructor), after
  // the off state once it is in bit-bang mode.
  const TFtdiChipType type = c.Type();
  if (type == TFtdiChipType::Unknown) {
    error = "The " + name + " (USB id " + UsbId(target.Vendor, target.Product) +
            ") is not an FT232R, FT232H or FT2232H; it is left alone.";
    return nullptr;
  }
  const TFtdiChipFacts& facts = FtdiChipFacts(type);
  if (target.Interface >= facts.Interfaces) {
    error = "The " + name + " has no interface " + std::string(1, static_cast<char>('A' + target.Interface)) +
            " (an " + facts.Name + " has " + (facts.Interfaces == 1 ? "only A" : "A and B") + ").";
    return nullptr;
  }
  lines->Buffer = facts.BufferBytes;
  const uint32_t rate = target.Rate ? target.Rate : facts.HighestRate;
  lines->Pace = c.Pace(rate);
  // The pins are still in UART mode, high: the card is off. A step that
  // fails leaves the chip to the destructor, which writes the off state
  // where it can and closes it.
  std::string step;
  if (c.SetLatencyTimer(1) < 0) {
    step = "latency timer";
  } else if (c.Flush() < 0) {
    step = "flush";
  } else if (c.SetBitMode(lines->Map.OutputMask, FtdiModeSyncBang) < 0) {
    step = "bit-bang mode";
  } else {
    lines->BitBang = true;
    if (c.SetBaudRate(static_cast<int>(rate)) < 0) step = "bit-bang rate " + std::to_string(rate);
  }
  if (!step.empty()) {
    error = "Cannot set up the " + name + " (" + step + "): " + c.ErrorText() + ".";
    return nullptr;
  }
  // The first byte in bit-bang mode is the off state.
  try {
    const uint8_t off[2] = {lines->Map.OffState(), lines->Map.OffState()};
    uint8_t in[2];
    lines->Exchange(off, 2, in, nullptr, 0);
    lines->LastOut = lines->Map.OffState();
  } catch (const EAdapterLost& e) {
    error = e.what();
    return nullptr;
  }
  return lines;
}

TFtdiLines::~TFtdiLines() { Shut(); }

void TFtdiLines::Shut() {
  if (Closed) return;
  Closed = true;
  // Out of bit-bang mode only with the card off: when the off state
  // cannot be written (the chip is gone), the chip is left as it is.
  if (BitBang && !Gone) {
    try {
      const uint8_t off[2] = {Map.OffState(), Map.OffState()};
      uint8_t in[2];
      Exchange(off, 2, in, nullptr, 0);
      // The card is off: UART mode again, where the pins idle high.
      Chip->SetBitMode(0, FtdiModeReset);
    } catch (const EAdapterLost&) {
      // Gone: the chip stays as it is.
    }
  }
  Chip->Close();
}

void TFtdiLines::Lost(const std::string& what) {
  Gone = true;
  throw EAdapterLost("The " + Target.Name + " was lost (unplugged?): " + what + ".");
}

void TFtdiLines::Exchange(const uint8_t* out, size_t count, uint8_t* in, const TLineWait* waits,
                          size_t waitCount) {
  if (Gone) Lost("it is no longer open");
  size_t written = 0, got = 0, wait = 0;
  uint64_t lastAnswer = Chip->NowNs();
  // When every byte written so far is on the pins at the latest: the chip
  // clocks what it holds at least one state time a byte, and never stalls
  // (it never holds more than its buffer towards the host takes).
  uint64_t appliedBy = lastAnswer;
  while (got < count || wait < waitCount) {
    // A wait: the bytes before it are written; it runs on the host's clock
    // from when they are on the pins. The chip sends what it read
    // meanwhile as soon as it is asked (its latency timer has run out).
    if (wait < waitCount && waits[wait].At <= written) {
      const uint64_t end = appliedBy + waits[wait].Ns;
      const uint64_t now = Chip->NowNs();
      if (end > now) Chip->SleepNs(end - now);
      appliedBy = lastAnswer = Chip->NowNs();
      ++wait;
      continue;
    }
    const size_t until = wait < waitCount ? waits[wait].At : count;
    const size_t outstanding = written - got;
    const size_t room = Buffer - outstanding;
    // Write when a quarter of the chip's buffer is free, or all that is
    // left before the next wait fits.
    if (written < until && room >= std::min(Buffer / 4, until - written)) {
      const int chunk = static_cast<int>(std::min(until - written, room));
      const int done = Chip->WriteData(out + written, chunk);
      if (done < 0) Lost(Chip->ErrorText());
      appliedBy = std::max(appliedBy, Chip->NowNs()) + static_cast<uint64_t>(done) * Pace.StateNs;
      written += static_cast<size_t>(done);
      FMostOutstanding = std::max(FMostOutstanding, written - got);
      continue;
    }
    if (written == got) continue;
    const int read = Chip->ReadData(in + got, static_cast<int>(written - got));
    if (read < 0) Lost(Chip->ErrorText());
    const uint64_t now = Chip->NowNs();
    if (read > 0) {
      got += static_cast<size_t>(read);
      lastAnswer = now;
    } else if (now - lastAnswer > AnswerTimeoutNs) {
      Lost("it stopped answering");
    }
  }
}

void TFtdiLines::Transfer(const uint8_t* states, size_t count, const uint32_t* sampleAt,
                          size_t samples, uint8_t* levels, const TLineWait* waits,
                          size_t waitCount) {
  // A sample after the last state needs one more byte: the last state
  // again, which changes no pin (after the waits at the end).
  const bool tail = samples > 0 && sampleAt[samples - 1] >= count;
  const size_t bytes = count + (tail ? 1 : 0);
  if (bytes == 0 && waitCount == 0) return;
  OutBytes.resize(bytes);
  InBytes.resize(bytes);
  for (size_t i = 0; i < count; ++i) OutBytes[i] = Map.Out[states[i]];
  if (tail) OutBytes[count] = count ? OutBytes[count - 1] : LastOut;
  Exchange(OutBytes.data(), bytes, InBytes.data(), waits, waitCount);
  if (bytes) LastOut = OutBytes[bytes - 1];
  // Byte k read shows the pins before byte k was applied: after the
  // first k states.
  for (size_t i = 0; i < samples; ++i) levels[i] = Map.Miso(InBytes[sampleAt[i]]) ? 1 : 0;
}

void TFtdiLines::Put(uint8_t lines) { Transfer(&lines, 1, nullptr, 0, nullptr, nullptr, 0); }

bool TFtdiLines::Miso() {
  const uint32_t at = 0;
  uint8_t level = 0;
  Transfer(nullptr, 0, &at, 1, &level, nullptr, 0);
  return level != 0;
}

void TFtdiLines::Sleep(uint32_t ms) {
  if (Gone) Lost("it is no longer open");
  Chip->SleepNs(uint64_t{ms} * 1'000'000);
}

uint32_t TFtdiLines::TickCount() { return static_cast<uint32_t>(Chip->NowNs() / 1'000'000); }

uint64_t TFtdiLines::NowNs() { return Chip->NowNs(); }
