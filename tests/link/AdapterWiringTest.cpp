// The user's own parallel wirings: each is listed beside every parallel
// port of the machine, drives that port's registers through its line map
// (any bit order, inverted lines) and leaves the passive adapter's entry
// as it was.
#include <gtest/gtest.h>

#include "link/AdapterFile.h"
#include "link/IspLink.h"
#include "tests/link/RecordingPort.h"

namespace {

class TMachinePortSource : public TRecordingSource {
public:
  using TRecordingSource::TRecordingSource;
  void FindPorts(std::vector<TDiscoveredPort>& ports) override {
    TDiscoveredPort port(0x378, "", "/dev/parport0");
    port.TakesParallelWirings = true;
    ports.push_back(port);
  }
};

TEST(AdapterWiring, AUserWiringDrivesThePortThroughItsMap) {
  const TAdapterFileResult file = ParseAdapterText(
      "[Inverted board]\n"
      "kind = parallel\n"
      "VCC = !D7\nCLK = D0\nRESET = D1\nMOSI = D2\nSCK = D3\nMISO = !S5\n"
      "[Broken]\nkind = parallel\nVCC = D9\n",
      "adapters.ini");
  ASSERT_EQ(file.Adapters.size(), 1u);
  EXPECT_EQ(file.Messages.size(), 2u);  // the unknown pin and the missing lines

  auto log = std::make_shared<TPortLog>();
  std::vector<std::unique_ptr<TPortSource>> sources;
  sources.push_back(std::make_unique<TMachinePortSource>(log));
  TLptPort port(std::move(sources));
  port.SetAdapters(file.Adapters);
  port.SetActive(true);
  ASSERT_EQ(port.PortCount, 2);
  EXPECT_EQ(port.PortLabel(0), "0x0378");
  EXPECT_EQ(port.PortLabel(1), "0x0378 (Inverted board)");

  TIspLink link(port);
  // The passive adapter writes the line states as they are.
  link.PowerOn();
  EXPECT_EQ(log->Writes, (std::vector<uint8_t>{0x00, 0x07, 0x17, 0x1F, 0x17, 0x07}));

  // The user's wiring: VCC on with D7 low, CLK D0, RESET D1; off = D7 high.
  port.SelectPort(1);
  log->Writes.clear();
  link.DataLatch = 0;
  link.PowerOn();
  EXPECT_EQ(log->Writes, (std::vector<uint8_t>{0x80, 0x00, 0x02, 0x03, 0x02, 0x00}));
  log->Writes.clear();
  link.PowerOff();
  EXPECT_EQ(log->Writes, (std::vector<uint8_t>{0x02, 0x80}));
  // MISO on status bit 5, inverted.
  log->Status = [] { return uint8_t{0x20}; };
  EXPECT_FALSE(link.ReadMiso());
  log->Status = [] { return uint8_t{0x00}; };
  EXPECT_TRUE(link.ReadMiso());
  EXPECT_EQ(link.ReceiveByte(), 0xFF);
}

}  // namespace
