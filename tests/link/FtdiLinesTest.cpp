// The FTDI backend over a scripted chip: the bytes it writes, how it reads
// the samples back (one byte behind), the buffer it never overfills, and
// what it says when the chip cannot be had or goes away.
#include <gtest/gtest.h>

#include <deque>

#include "link/AdapterFile.h"
#include "link/FtdiLines.h"
#include "link/IspLink.h"

namespace {

// What the chip saw; it outlives the chip, which the backend owns.
struct TChipLog {
  std::vector<uint8_t> Modes, Written;
  uint8_t Mask = 0;
  int Latency = 0, Rate = 0;
  bool Closed = false;
  size_t Most = 0;
};

// A chip whose MISO pin (CTS, D3) is wired back to MOSI's (RXD, D1): in
// synchronous bit-bang mode each read byte is the pins before the byte
// written with it. Reads bring at most `Chunk` bytes.
class TLoopbackChip final : public TFtdiChip {
public:
  int Open(uint16_t, uint16_t, const std::string&, int) override { return OpenCode; }
  TFtdiChipType Type() const override { return ChipType; }
  int SetLatencyTimer(uint8_t ms) override { return Log->Latency = ms, 0; }
  int SetBitMode(uint8_t mask, uint8_t mode) override {
    Log->Modes.push_back(mode);
    Log->Mask = mask;
    return 0;
  }
  int SetBaudRate(int rate) override { return Log->Rate = rate, 0; }
  int Flush() override { return 0; }
  int WriteData(const uint8_t* data, int size) override {
    if (FailWrites) return -666;
    for (int i = 0; i < size; ++i) {
      const uint8_t loop = (Pins & 0x02) ? 0x08 : 0x00;
      Pending.push_back(static_cast<uint8_t>((Pins & ~0x08) | loop));
      Pins = data[i];
      Log->Written.push_back(data[i]);
    }
    Log->Most = std::max(Log->Most, Pending.size());
    return size;
  }
  int ReadData(uint8_t* data, int size) override {
    Now += 1000;
    int n = 0;
    while (n < size && n < Chunk && !Pending.empty()) {
      data[n++] = Pending.front();
      Pending.pop_front();
    }
    return n;
  }
  int Close() override { return Log->Closed = true, 0; }
  std::string ErrorText() const override { return "usb bulk write failed"; }
  TFtdiPace Pace(uint32_t) const override { return {2000, 1'000'000}; }
  void SleepNs(uint64_t ns) override { Now += ns; }
  uint64_t NowNs() override { return Now; }

  int OpenCode = 0;
  TFtdiChipType ChipType = TFtdiChipType::FT232R;
  bool FailWrites = false;
  int Chunk = 62;
  uint8_t Pins = 0xFF;  // the pins entering bit-bang mode
  std::deque<uint8_t> Pending;
  uint64_t Now = 0;
  std::shared_ptr<TChipLog> Log = std::make_shared<TChipLog>();
};

struct TOpened {
  TLoopbackChip* Chip = nullptr;  // while Lines lives
  std::shared_ptr<TChipLog> Log;
  std::unique_ptr<TFtdiLines> Lines;
  std::string Error;
};

TOpened OpenLoopback(const std::function<void(TLoopbackChip&)>& setUp = {}) {
  auto chip = std::make_unique<TLoopbackChip>();
  TOpened o;
  o.Chip = chip.get();
  o.Log = chip->Log;
  if (setUp) setUp(*chip);
  TFtdiLines::TTarget target;
  target.Product = 0x6001;
  target.Serial = "A50285BI";
  target.Name = "FT232R USB adapter A50285BI";
  o.Lines = TFtdiLines::Open(std::move(chip), FtdiBreakoutAdapter(), target, o.Error);
  return o;
}

TEST(FtdiLines, OpensInSyncBitBangWithTheCardOffAndClosesTheSameWay) {
  TOpened o = OpenLoopback();
  ASSERT_TRUE(o.Lines) << o.Error;
  const TChipLog& chip = *o.Log;
  // The breakout: D0 CLK, D1 MOSI, D2 RESET, D4 SCK, D6 VCC (low: on)
  // drive; D3 MISO reads.
  EXPECT_EQ(chip.Mask, 0x57);
  EXPECT_EQ(chip.Modes, std::vector<uint8_t>{FtdiModeSyncBang});
  EXPECT_EQ(chip.Latency, 1);
  EXPECT_EQ(chip.Rate, 750'000);
  // The first bytes after the mode change: the off state (supply pin
  // high, every card line low).
  EXPECT_EQ(chip.Written, (std::vector<uint8_t>{0x40, 0x40}));
  EXPECT_EQ(o.Lines->StateNs(), 2000u);
  EXPECT_EQ(o.Lines->RoundTripNs(), 1'000'000u);
  o.Lines->Put(Lines::Vcc | Lines::Reset);
  EXPECT_EQ(chip.Written.back(), 0x04);  // supply pin low, RESET high
  o.Lines.reset();
  // Closing: the off state again, then UART mode, then the chip closed.
  EXPECT_EQ(chip.Written.back(), 0x40);
  EXPECT_EQ(chip.Modes, (std::vector<uint8_t>{FtdiModeSyncBang, FtdiModeReset}));
  EXPECT_TRUE(chip.Closed);
}

TEST(FtdiLines, SamplesComeOneByteBehind) {
  TOpened o = OpenLoopback();
  ASSERT_TRUE(o.Lines) << o.Error;
  const size_t before = o.Log->Written.size();
  // MOSI high, low, high, high; MISO (looped back) sampled before the
  // first state, after each, and after the last.
  const uint8_t on = Lines::Vcc;
  const uint8_t states[] = {static_cast<uint8_t>(on | Lines::Mosi), on,
                            static_cast<uint8_t>(on | Lines::Mosi),
                            static_cast<uint8_t>(on | Lines::Mosi)};
  const uint32_t at[] = {0, 1, 2, 3, 4};
  uint8_t levels[5] = {9, 9, 9, 9, 9};
  o.Lines->Transfer(states, 4, at, 5, levels, nullptr, 0);
  EXPECT_EQ(std::vector<uint8_t>(levels, levels + 5), (std::vector<uint8_t>{0, 1, 0, 1, 1}));
  // A sample after the last state costs one byte more: the last again.
  const std::vector<uint8_t> sent(o.Log->Written.begin() + static_cast<long>(before),
                                  o.Log->Written.end());
  EXPECT_EQ(sent, (std::vector<uint8_t>{0x02, 0x00, 0x02, 0x02, 0x02}));
  // Without a sample at the end, no extra byte.
  o.Lines->Transfer(states, 2, at, 2, levels, nullptr, 0);
  EXPECT_EQ(o.Log->Written.size(), before + 7);
  EXPECT_EQ(levels[0], 1);  // the pins as the last transfer left them
  EXPECT_EQ(levels[1], 1);
}

TEST(FtdiLines, LargeTransfersKeepWithinTheChipsBufferWhateverTheReadsBring) {
  for (int chunk : {1, 7, 62, 500}) {
    TOpened o = OpenLoopback([&](TLoopbackChip& c) { c.Chunk = chunk; });
    ASSERT_TRUE(o.Lines) << o.Error;
    std::vector<uint8_t> states(5000);
    std::vector<uint32_t> at;
    for (size_t i = 0; i < states.size(); ++i) {
      states[i] = static_cast<uint8_t>(Lines::Vcc | ((i * 7919 % 3) ? Lines::Mosi : 0));
      at.push_back(static_cast<uint32_t>(i + 1));
    }
    std::vector<uint8_t> levels(at.size());
    o.Lines->Transfer(states.data(), states.size(), at.data(), at.size(), levels.data(), nullptr,
                      0);
    for (size_t i = 0; i < states.size(); ++i)
      ASSERT_EQ(levels[i], (states[i] & Lines::Mosi) ? 1 : 0) << "chunk " << chunk << " at " << i;
    EXPECT_LE(o.Log->Most, 128u);
    EXPECT_LE(o.Lines->MostOutstanding(), 128u);
  }
}

TEST(FtdiLines, ChipsThatCannotBeHadSayWhy) {
  const std::string name = "FT232R USB adapter A50285BI";
  const auto error = [](const std::function<void(TLoopbackChip&)>& setUp) {
    return OpenLoopback(setUp).Error;
  };
  EXPECT_EQ(error([](TLoopbackChip& c) { c.OpenCode = -3; }),
            "Cannot find the " + name + " (unplugged?).");
  EXPECT_EQ(error([](TLoopbackChip& c) { c.OpenCode = -5; }),
            "The " + name + " is in use by another program.");
  EXPECT_NE(error([](TLoopbackChip& c) { c.OpenCode = -4; }).find("60-pellar-ftdi.rules"),
            std::string::npos);
  // Not one of the three chips: left alone, never put into bit-bang mode.
  TOpened other = OpenLoopback([](TLoopbackChip& c) { c.ChipType = TFtdiChipType::Unknown; });
  EXPECT_FALSE(other.Lines);
  EXPECT_NE(other.Error.find("is not an FT232R, FT232H or FT2232H"), std::string::npos);
  EXPECT_TRUE(other.Log->Modes.empty());
  EXPECT_TRUE(other.Log->Closed);
}

TEST(FtdiLines, AUsbErrorLosesTheAdapterWithItsName) {
  TOpened o = OpenLoopback();
  ASSERT_TRUE(o.Lines) << o.Error;
  o.Chip->FailWrites = true;
  try {
    o.Lines->Put(Lines::Vcc);
    FAIL() << "no error";
  } catch (const EAdapterLost& e) {
    EXPECT_EQ(std::string(e.what()),
              "The FT232R USB adapter A50285BI was lost (unplugged?): usb bulk write failed.");
  }
  // Later calls fail the same way; closing writes nothing more.
  EXPECT_THROW(o.Lines->Put(0), EAdapterLost);
  const size_t written = o.Log->Written.size();
  o.Lines.reset();
  EXPECT_EQ(o.Log->Written.size(), written);
}

TEST(FtdiLines, AChipThatStopsAnsweringIsLost) {
  TOpened o = OpenLoopback();
  ASSERT_TRUE(o.Lines) << o.Error;
  o.Chip->Chunk = 0;  // reads bring nothing any more
  EXPECT_THROW(o.Lines->Put(Lines::Vcc), EAdapterLost);
  EXPECT_GE(o.Chip->Now, TFtdiLines::AnswerTimeoutNs);
}

// Adapter files: a pin no FTDI chip has in bit-bang mode, and the
// warnings about the supply pin.
TEST(FtdiLines, AdapterFileFaultsAndWarnings) {
  const TAdapterFileResult r = ParseAdapterText(
      "[Cbus]\nkind = ftdi\nVCC = !CBUS0\nCLK = D0\nRESET = D2\nMOSI = D1\nSCK = D4\nMISO = D3\n"
      "[High]\nkind = ftdi\nVCC = D6\nCLK = D0\nRESET = D2\nMOSI = D1\nSCK = D4\nMISO = D3\n"
      "[Dtr]\nkind = ftdi\nVCC = !DTR\nCLK = D0\nRESET = D2\nMOSI = D1\nSCK = D6\nMISO = D3\n",
      "adapters.ini");
  ASSERT_EQ(r.Messages.size(), 1u);
  EXPECT_EQ(r.Messages[0], "adapters.ini, line 3: [Cbus] VCC: unknown pin \"CBUS0\"");
  ASSERT_EQ(r.Adapters.size(), 2u);
  ASSERT_EQ(r.Warnings.size(), 2u);
  EXPECT_NE(r.Warnings[0].find("[High]: VCC is switched on by a high pin"), std::string::npos);
  EXPECT_NE(r.Warnings[1].find("[Dtr]: VCC is on DTR (D4)"), std::string::npos);
  EXPECT_TRUE(AdapterWarnings(FtdiBreakoutAdapter()).empty());
}

}  // namespace
