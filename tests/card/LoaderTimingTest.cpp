// The loader's handshake ticks as TLoaderModel predicts them, against the
// assembled loader running on the virtual card through the immediate
// link, whose loops find every handshake by waiting for it: page writes
// of random bytes at every address layout, repeated pages, read-backs and
// ignored commands, on every processor, with the card's pin delays
// shifted. A batched link schedules its ticks from this model.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "link/LoaderLink.h"
#include "link/LoaderTiming.h"
#include "tests/card/VirtualCardRig.h"

namespace {

// Records the tick at which each byte's transfer ended: the acknowledge
// of a sent byte, the end of a received one.
class TTickSpy : public TLoaderLink {
public:
  TTickSpy(TIspLink& link, TAvrCommands& avr, TCardHost& host, TVirtualCard*& card)
      : TLoaderLink(link, avr, host), Card(card) {}
  bool LoaderSendByte(uint8_t b) override {
    const bool ok = TLoaderLink::LoaderSendByte(b);
    Events.push_back({true, b, static_cast<int64_t>(Card->ClockEdges())});
    return ok;
  }
  bool LoaderReceiveByte(uint8_t& b) override {
    const bool ok = TLoaderLink::LoaderReceiveByte(b);
    Events.push_back({false, b, static_cast<int64_t>(Card->ClockEdges())});
    return ok;
  }
  struct TEvent {
    bool Sent;
    uint8_t Byte;
    int64_t End;
  };
  TVirtualCard*& Card;
  std::vector<TEvent> Events;
};

// Replays the events through the model: every acknowledge where the model
// put the ready (plus ReceiveByte's fixed length), every read-back byte
// one streamed byte after the one before.
void ExpectTheModel(const std::vector<TTickSpy::TEvent>& events) {
  using namespace LoaderTiming;
  TLoaderModel model;
  model.Reset();
  bool known = false;  // the first ready after a start is the card's to choose
  size_t i = 0;
  while (i < events.size()) {
    const TTickSpy::TEvent& e = events[i];
    ASSERT_TRUE(e.Sent) << "event " << i;
    if (known) {
      EXPECT_EQ(e.End, model.Ready() + ReadyToAck) << "byte " << i << " 0x" << std::hex << int{e.Byte};
    }
    known = true;
    const TLoaderModel::TNext next = model.Sent(e.Byte, e.End);
    ++i;
    if (next == TLoaderModel::nxReady) continue;
    ASSERT_EQ(next, TLoaderModel::nxReadBack) << "event " << i;
    int64_t start = -1;
    for (int k = 0; k < model.PageLength(); ++k, ++i) {
      ASSERT_LT(i, events.size());
      ASSERT_FALSE(events[i].Sent);
      const int64_t s = events[i].End - StartToEnd(events[i].Byte);
      if (start >= 0) {
        EXPECT_EQ(s - start, StreamedByte) << "read-back byte " << k;
      }
      start = s;
    }
    model.ReadBackDone(start);
  }
}

TEST(LoaderTiming, TheModelFindsEveryHandshake) {
  std::mt19937 gen(11);
  for (int processor = 0; processor < static_cast<int>(ProcessorTable.size()); ++processor) {
    // Page sizes 32, 64, 128 and 256.
    const int eeprom = std::array{0, 1, 3, 4, 5}[static_cast<size_t>(processor)];
    SCOPED_TRACE(std::string(ProcessorTable[static_cast<size_t>(processor)].Name) + " " +
                 EepromTable[static_cast<size_t>(eeprom)].Name);
    TVirtualCardConfig config = CardConfig(processor, eeprom);
    // The card's pin delays shift every MISO edge alike.
    config.Timing.OutputDelayCycles = processor % 3;
    config.Timing.InputSyncCycles = 1 + processor % 2;
    TVirtualCardRig rig(config);
    TTickSpy loader(rig.Link, rig.Commands, rig.Host, rig.Card);
    ASSERT_TRUE(rig.Enter());
    ASSERT_TRUE(rig.Commands.ReadSignature());
    ASSERT_TRUE(loader.WriteLoader());
    const int page = EepromTable[static_cast<size_t>(eeprom)].PageSize;
    // Three pages, the first written twice.
    std::vector<uint8_t> image(static_cast<size_t>(page * 3));
    for (auto& b : image) b = static_cast<uint8_t>(gen());
    rig.Card->Faults().CorruptPageWrites = 1;
    ASSERT_TRUE(loader.WriteExternalPages(image.data(), static_cast<int>(image.size())));
    ASSERT_TRUE(loader.LoaderSendByte(0x07));  // ignored
    ASSERT_TRUE(loader.LoaderSendByte(0xFF));  // ignored
    for (const auto& m : rig.Host.MessageTexts()) ADD_FAILURE() << m;
    ExpectTheModel(loader.Events);
  }
}

}  // namespace
