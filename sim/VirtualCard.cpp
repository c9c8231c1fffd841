#include "sim/VirtualCard.h"

#include <algorithm>

namespace {

constexpr uint8_t LineVcc = 0x07;
constexpr uint8_t LineClk = 0x08;
constexpr uint8_t LineReset = 0x10;
constexpr uint8_t LineMosi = 0x20;
constexpr uint8_t LineSck = 0x40;

constexpr uint8_t PinSda = 0x01;  // PB0
constexpr uint8_t PinScl = 0x02;  // PB1

TVirtualCardConfig Checked(TVirtualCardConfig config) {
  const int processors = static_cast<int>(ProcessorRows().size());
  const int eeproms = static_cast<int>(EepromTable.size());
  config.ProcessorRow = std::clamp(config.ProcessorRow, 0, processors - 1);
  config.EepromRow = std::clamp(config.EepromRow, 0, eeproms - 1);
  config.Timing.OutputDelayCycles =
      std::clamp(config.Timing.OutputDelayCycles, 0, TCardTiming::MaxPinDelay);
  config.Timing.InputSyncCycles =
      std::clamp(config.Timing.InputSyncCycles, 0, TCardTiming::MaxPinDelay);
  return config;
}

}  // namespace

TVirtualCard::TVirtualCard(const TVirtualCardConfig& config, uint16_t address)
    : Base(address),
      Conf(Checked(config)),
      CostNs(Conf.Timing.AccessCostNs),
      Cpu(*ProcessorAt(Conf.ProcessorRow), *this),
      Eeprom(static_cast<size_t>(Processor().EepromSize), 0xFF),
      Spi(Cpu.Flash, Eeprom, Processor(), Conf.Faults),
      Ext(EepromTable[Conf.EepromRow], Conf.Faults),
      PinMosi(static_cast<uint8_t>(1u << Processor().Pins.Mosi)),
      PinMiso(static_cast<uint8_t>(1u << Processor().Pins.Miso)),
      PinSck(static_cast<uint8_t>(1u << Processor().Pins.Sck)) {
  RecordLines(0, 0);
}

TVirtualCard::~TVirtualCard() {
  if (OnDestroyed) OnDestroyed(this);
}

// ---------------------------------------------------------------- the port

void TVirtualCard::WritePort(uint16_t address, uint8_t value) {
  ++Accesses;
  if (static_cast<uint8_t>(value ^ DataReg) == LineClk && address == Base) {
    // CLK alone moved: count the rising edge, run nothing yet.
    DataReg = value;
    Edges += (value >> 3) & EdgeInc;
    return;
  }
  if (address == Base) WriteLines(value);
}

uint8_t TVirtualCard::ReadPort(uint16_t address) {
  ++Accesses;
  if (address == Base) return DataReg;
  if (address != Base + 1) return 0xFF;
  CatchUp();
  MarkSync();
  return static_cast<uint8_t>(0x3F | (Miso() ? 0x40 : 0));
}

void TVirtualCard::Sleep(uint32_t ms) { Wait(uint64_t{ms} * 1'000'000); }

void TVirtualCard::Wait(uint64_t ns) {
  CatchUp();
  BaseNs = NowNsValue() + ns;
  BaseAccesses = Accesses;
  MarkSync();
  Spi.Settle(NowNsValue());
  Ext.Settle(NowNsValue());
}

uint32_t TVirtualCard::TickCount() { return static_cast<uint32_t>(NowNsValue() / 1'000'000); }

bool TVirtualCard::SampleMiso() {
  CatchUp();
  MarkSync();
  return Miso();
}

bool TVirtualCard::Miso() {
  bool level;
  if (!IsPowered)
    level = false;
  else if (!ResetReleased)
    level = Spi.Miso();
  else
    level = PinMisoLevel();
  if (Conf.Faults.Miso != TMisoFault::None) level = Conf.Faults.Miso == TMisoFault::StuckHigh;
  if (Conf.Faults.MisoStuckAfterAccesses != 0 && Accesses > Conf.Faults.MisoStuckAfterAccesses)
    level = Conf.Faults.MisoStuckAfterHigh;
  return level;
}

// PB6 as the PC sees it at the present edge: the applied pin state and
// any queued write that is due by now.
bool TVirtualCard::PinMisoLevel() const {
  uint8_t port = PinPort;
  uint8_t ddr = PinDdr;
  for (unsigned i = 0; i < QueueCount; ++i) {
    const TPinWrite& w = PinQueue[(QueueHead + i) % PinQueue.size()];
    if (w.At > Edges) break;
    port = w.Port;
    ddr = w.Ddr;
  }
  return (ddr & PinMiso) ? (port & PinMiso) != 0 : true;
}

// ----------------------------------------------------------- line changes

void TVirtualCard::WriteLines(uint8_t value) {
  // Everything up to the present edge happened with the old levels.
  CatchUp();
  const uint8_t old = DataReg;
  DataReg = value;
  const bool power = (value & LineVcc) == LineVcc;
  if (power != IsPowered) {
    if (power)
      PowerUp();
    else
      PowerDown();
  } else if (IsPowered && ((old ^ value) & LineReset)) {
    if (value & LineReset)
      ReleaseReset();
    else
      HoldReset();
  }
  // The new levels count from the next rising edge, which may be this
  // very write.
  RecordLines(Edges + 1, value);
  if (IsPowered && (value & LineClk) && !(old & LineClk)) ++Edges;
  MarkSync();
}

void TVirtualCard::PowerUp() {
  IsPowered = true;
  EdgeInc = 1;
  Cpu.PowerUp();
  Ext.PowerUp();
  ResetPins();
  HistoryCount = 0;
  ResetReleased = (DataReg & LineReset) != 0;
  if (ResetReleased) {
    Cpu.Cycle = Edges;
  } else {
    Spi.Begin((DataReg & LineSck) != 0);
    SpiEdges = Edges;
  }
}

void TVirtualCard::PowerDown() {
  // What the pins showed before the power went still reached the bus.
  ApplyPinWrites(Edges);
  const uint64_t now = NowNsValue();
  Spi.PowerLost(now);
  Ext.PowerLost(now);
  IsPowered = false;
  EdgeInc = 0;
  ResetReleased = false;
  QueueCount = 0;
  PinPort = 0;
  PinDdr = 0;
}

void TVirtualCard::ReleaseReset() {
  ResetReleased = true;
  Cpu.Reset();
  Cpu.Cycle = Edges;
  ResetPins();
}

void TVirtualCard::HoldReset() {
  ResetReleased = false;
  ResetPins();
  Spi.Begin((DataReg & LineSck) != 0);
  SpiEdges = Edges;
}

// A reset makes every pin an input: SCL is pulled high, SDA is released
// (and floats unless the card has a pull-up on it). Pin writes already on
// the lines reach the bus first.
void TVirtualCard::ResetPins() {
  ApplyPinWrites(Edges);
  QueueCount = 0;
  PinPort = 0;
  PinDdr = 0;
  Ext.Update(true, SdaDrive(0, 0), NowNsValue());
}

void TVirtualCard::CatchUp() {
  if (!IsPowered) return;
  if (ResetReleased) {
    if (Cpu.Cycle < Edges) Cpu.RunUntil(Edges);
    // Later reads happen no earlier than the core's next cycle.
    const int64_t horizon = static_cast<int64_t>(Cpu.Cycle) + 1 - Conf.Timing.InputSyncCycles;
    if (horizon > 0) ApplyPinWrites(std::min(static_cast<uint64_t>(horizon), Edges));
  } else if (SpiEdges != Edges) {
    // The lines were the same on every pending edge, so only the first
    // of them can see SCK move.
    Spi.Clock((DataReg & LineSck) != 0, (DataReg & LineMosi) != 0, NowNsValue());
    SpiEdges = Edges;
  }
}

void TVirtualCard::Sync() {
  CatchUp();
  Spi.Settle(NowNsValue());
  Ext.Settle(NowNsValue());
}

void TVirtualCard::MarkSync() {
  // Queued pin writes whose edge has passed keep that edge's time.
  for (unsigned i = 0; i < QueueCount; ++i) {
    TPinWrite& w = PinQueue[(QueueHead + i) % PinQueue.size()];
    if (w.At > Edges) break;
    if (w.Ns == 0) w.Ns = EdgeNs(w.At);
  }
  SyncEdges = Edges;
  SyncNs = NowNsValue();
  SyncClkHigh = (DataReg & LineClk) != 0;
}

// Virtual time of a rising edge: after the last slow-path access only CLK
// has moved, one access per level. Edges before that access are placed
// two accesses apart, which is near enough for the 24Cxx's write cycle.
uint64_t TVirtualCard::EdgeNs(uint64_t edge) const {
  if (edge > SyncEdges) {
    const uint64_t accesses = 2 * (edge - SyncEdges) - (SyncClkHigh ? 0 : 1);
    return SyncNs + accesses * CostNs;
  }
  const uint64_t back = 2 * (SyncEdges - edge) * CostNs;
  return SyncNs > back ? SyncNs - back : 0;
}

// ------------------------------------------------------------- port B pins

void TVirtualCard::PortBWritten(uint8_t port, uint8_t ddr, uint64_t cycle) {
  if (QueueCount == PinQueue.size()) {
    // Cannot happen with pin delays up to MaxPinDelay; keep the order.
    ApplyPinWrite(PinQueue[QueueHead]);
    QueueHead = (QueueHead + 1) % PinQueue.size();
    --QueueCount;
  }
  const uint64_t at = cycle + 1 + static_cast<uint64_t>(Conf.Timing.OutputDelayCycles);
  PinQueue[(QueueHead + QueueCount) % PinQueue.size()] = {at, 0, port, ddr};
  ++QueueCount;
  // No later read looks further back than this.
  const int64_t horizon = static_cast<int64_t>(cycle) + 1 - Conf.Timing.InputSyncCycles;
  if (horizon > 0) ApplyPinWrites(std::min(static_cast<uint64_t>(horizon), Edges));
}

uint8_t TVirtualCard::ReadPinB(uint64_t cycle) {
  const int64_t t = static_cast<int64_t>(cycle) + 1 - Conf.Timing.InputSyncCycles;
  const uint64_t edge = t > 0 ? static_cast<uint64_t>(t) : 0;
  ApplyPinWrites(std::min(edge, Edges));
  const uint8_t lines = LinesAt(edge);
  const uint8_t port = PinPort;
  const uint8_t ddr = PinDdr;
  // Pins with nothing attached (PB2-PB4): the output level, or the pull-up
  // as an input.
  uint8_t v = port & static_cast<uint8_t>(~(PinSda | PinScl | PinMosi | PinMiso | PinSck));
  // SDA: the processor's own level while PB0 is an output, else the line
  // as the EEPROM and the pull-ups leave it.
  if (SdaDrive(port, ddr) == TSdaDrive::Floating) ++FloatingReads;
  if (Ext.SdaLine()) v |= PinSda;
  if (!(ddr & PinScl) || (port & PinScl)) v |= PinScl;
  if (lines & LineMosi) v |= PinMosi;
  if (!(ddr & PinMiso) || (port & PinMiso)) v |= PinMiso;
  if (lines & LineSck) v |= PinSck;
  return v;
}

void TVirtualCard::ApplyPinWrites(uint64_t upTo) {
  while (QueueCount != 0 && PinQueue[QueueHead].At <= upTo) {
    ApplyPinWrite(PinQueue[QueueHead]);
    QueueHead = (QueueHead + 1) % PinQueue.size();
    --QueueCount;
  }
}

void TVirtualCard::ApplyPinWrite(const TPinWrite& w) {
  PinPort = w.Port;
  PinDdr = w.Ddr;
  const bool scl = (w.Ddr & PinScl) ? (w.Port & PinScl) != 0 : true;
  Ext.Update(scl, SdaDrive(w.Port, w.Ddr), w.Ns != 0 ? w.Ns : EdgeNs(w.At));
}

// PB0 as the silicon has it: an output drives its level; an input is
// pulled up by its PORTB bit or by the card's resistor, or floats.
TSdaDrive TVirtualCard::SdaDrive(uint8_t port, uint8_t ddr) const {
  if (ddr & PinSda) return (port & PinSda) ? TSdaDrive::High : TSdaDrive::Low;
  return ((port & PinSda) || Conf.SdaPullUp) ? TSdaDrive::PulledUp : TSdaDrive::Floating;
}

void TVirtualCard::RecordLines(uint64_t from, uint8_t lines) {
  if (HistoryCount != 0 && History[HistoryHead].From == from) {
    History[HistoryHead].Lines = lines;
    return;
  }
  HistoryHead = (HistoryHead + 1) % History.size();
  History[HistoryHead] = {from, lines};
  if (HistoryCount < History.size()) ++HistoryCount;
}

uint8_t TVirtualCard::LinesAt(uint64_t edge) const {
  unsigned index = HistoryHead;
  for (unsigned i = 0; i < HistoryCount; ++i) {
    if (History[index].From <= edge) return History[index].Lines;
    index = (index + History.size() - 1) % History.size();
  }
  // Older than the history: the oldest levels known.
  const unsigned oldest = (HistoryHead + History.size() - (HistoryCount - 1)) % History.size();
  return HistoryCount ? History[oldest].Lines : DataReg;
}

// --------------------------------------------------------------- inspection

TAvrCore& TVirtualCard::Core() {
  Sync();
  return Cpu;
}

std::vector<uint16_t>& TVirtualCard::Flash() {
  Sync();
  return Cpu.Flash;
}

std::vector<uint8_t>& TVirtualCard::InternalEeprom() {
  Sync();
  return Eeprom;
}

TEeprom24Cxx& TVirtualCard::ExternalEeprom() {
  Sync();
  return Ext;
}

TSerialProgramming& TVirtualCard::Programming() {
  Sync();
  return Spi;
}

void TVirtualCard::LoadFlash(const std::vector<uint8_t>& image) {
  Sync();
  for (size_t i = 0; i < image.size() && i / 2 < Cpu.Flash.size(); ++i) {
    uint16_t& word = Cpu.Flash[i / 2];
    word = (i & 1) ? static_cast<uint16_t>((word & 0x00FF) | (image[i] << 8))
                   : static_cast<uint16_t>((word & 0xFF00) | image[i]);
  }
}

void TVirtualCard::SetTiming(const TCardTiming& timing) {
  Sync();
  BaseNs = NowNsValue();
  BaseAccesses = Accesses;
  TVirtualCardConfig c = Conf;
  c.Timing = timing;
  Conf.Timing = Checked(c).Timing;
  CostNs = Conf.Timing.AccessCostNs;
  MarkSync();
}
