#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/LinuxPortSource.h"
#include "link/TLpt.h"
#include "tests/link/RecordingPort.h"

namespace fs = std::filesystem;

namespace {

// A temporary directory that goes away with the test.
struct TTempTree {
  TTempTree() {
    Root = fs::temp_directory_path() /
           ("pellar-lpt-" + std::to_string(::getpid()) + "-" + std::to_string(Counter++));
    fs::create_directories(Root);
  }
  ~TTempTree() {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  void AddParport(int n, const std::string& baseAddr) {
    const fs::path dir = Root / "proc/sys/dev/parport" / ("parport" + std::to_string(n));
    fs::create_directories(dir);
    std::ofstream(dir / "base-addr") << baseAddr;
  }
  fs::path Root;
  static inline int Counter = 0;
};

std::unique_ptr<TLptPort> LinuxPort(const TTempTree& t) {
  std::vector<std::unique_ptr<TPortSource>> sources;
  // Raw I/O is not tried: a test run as root on x86 must not reach real ports.
  sources.push_back(std::make_unique<TLinuxPortSource>(t.Root.string(), t.Root.string(), false));
  return std::make_unique<TLptPort>(std::move(sources));
}

TEST(LinuxPortSource, FindsPortsInNumericOrderWithTheirNodes) {
  TTempTree t;
  t.AddParport(10, "1234\t0\n");
  t.AddParport(1, "632\t1912\n");
  t.AddParport(0, "888\t1912\n");
  fs::create_directories(t.Root / "proc/sys/dev/parport/default");  // not a port
  TLinuxPortSource source(t.Root.string(), "/x");
  std::vector<TDiscoveredPort> ports;
  source.FindPorts(ports);
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].Address, 0x378);
  EXPECT_EQ(ports[0].Node, "/x/dev/parport0");
  EXPECT_EQ(ports[1].Address, 0x278);
  EXPECT_EQ(ports[1].Node, "/x/dev/parport1");
  EXPECT_EQ(ports[2].Address, 1234);
}

TEST(LinuxPortSource, SkipsUnreadableOrJunkBaseAddresses) {
  TTempTree t;
  t.AddParport(0, "junk");
  t.AddParport(1, "");
  t.AddParport(2, "99999999");
  TLinuxPortSource source(t.Root.string(), "");
  std::vector<TDiscoveredPort> ports;
  source.FindPorts(ports);
  EXPECT_TRUE(ports.empty());
}

TEST(TLptPort, MachineWithoutPortsStaysInactive) {
  TTempTree t;
  auto port = LinuxPort(t);
  port->SetActive(true);
  EXPECT_FALSE(port->Active);
  EXPECT_EQ(port->LastError, "Cannot find any LPT ports.");
  EXPECT_EQ(port->GetPortAddress(0), 0);
  EXPECT_EQ(port->SelectedIo(), nullptr);
}

TEST(TLptPort, PortThatCannotBeOpenedMeansCannotLoadLibrary) {
  TTempTree t;
  t.AddParport(0, "888 1912");  // no device node in the tree
  auto port = LinuxPort(t);
  port->SetActive(true);
  EXPECT_FALSE(port->Active);
  EXPECT_EQ(port->LastError, "Cannot load library.");
  ASSERT_EQ(port->OpenErrors.size(), 1u);
  EXPECT_NE(port->OpenErrors[0].find("parport0"), std::string::npos);

  // A plain file is no parallel port device either.
  fs::create_directories(t.Root / "dev");
  std::ofstream(t.Root / "dev/parport0") << "x";
  port->SetActive(true);
  EXPECT_FALSE(port->Active);
  EXPECT_EQ(port->LastError, "Cannot load library.");
}

TEST(TLptPort, ThisMachineGoesOnWithoutPorts) {
  // Whatever the machine has, activation never throws.
  TLptPort port;
  EXPECT_NO_THROW(port.SetActive(true));
  if (!port.Active) {
    EXPECT_FALSE(port.LastError.empty());
  }
  port.SetActive(false);
}

TEST(TLptPort, ActivationSelectsTheFirstPortAndDeactivationReleases) {
  auto log = std::make_shared<TPortLog>();
  std::vector<std::unique_ptr<TPortSource>> sources;
  auto src = std::make_unique<TRecordingSource>(log, std::vector<uint16_t>{0x378, 0x278});
  TRecordingSource* raw = src.get();
  sources.push_back(std::move(src));
  TLptPort port(std::move(sources));
  EXPECT_TRUE(port.IsWinNT);

  port.SetActive(true);
  ASSERT_TRUE(port.Active);
  EXPECT_EQ(port.LastError, "");
  EXPECT_EQ(port.PortCount, 2);
  EXPECT_EQ(port.SelectedIndex, 0);
  EXPECT_EQ(port.SelectedAddress, 0x378);
  EXPECT_EQ(port.GetPortAddress(1), 0x278);
  EXPECT_EQ(port.GetPortAddress(2), 0);
  EXPECT_EQ(port.GetPortAddress(-1), 0);

  port.SetActive(true);  // already active: nothing happens
  EXPECT_EQ(raw->Opens, 2);

  port.SelectPort(1);
  EXPECT_EQ(port.SelectedAddress, 0x278);
  port.SelectPort(2);
  port.SelectPort(-1);
  EXPECT_EQ(port.SelectedIndex, 1);
  EXPECT_EQ(port.SelectedAddress, 0x278);

  port.WriteData(0x5A);
  log->Status = [] { return uint8_t{0x40}; };
  EXPECT_TRUE(port.ReadAck());
  log->Status = [] { return uint8_t{0xBF}; };
  EXPECT_FALSE(port.ReadAck());
  EXPECT_EQ(log->Writes, (std::vector<uint8_t>{0x5A}));

  port.Delay(5);
  EXPECT_EQ(port.TickCount(), 5u);

  port.SetActive(false);
  EXPECT_FALSE(port.Active);
  EXPECT_EQ(port.SelectedAddress, 0);
  EXPECT_EQ(port.SelectedIndex, 0);
  EXPECT_EQ(port.PortCount, 2);  // the table is kept
  EXPECT_EQ(port.GetPortAddress(0), 0);
  port.SelectPort(1);
  EXPECT_EQ(port.SelectedAddress, 0);
  port.SetActive(false);

  // Re-activation rebuilds the table from empty.
  raw->Addresses = {0x3BC};
  port.SetActive(true);
  ASSERT_TRUE(port.Active);
  EXPECT_EQ(port.PortCount, 1);
  EXPECT_EQ(port.GetPortAddress(0), 0x3BC);
}

TEST(TLptPort, AtMostTenPorts) {
  auto log = std::make_shared<TPortLog>();
  std::vector<uint16_t> many;
  for (int i = 0; i < 14; ++i) many.push_back(static_cast<uint16_t>(0x200 + i * 0x10));
  std::vector<std::unique_ptr<TPortSource>> sources;
  sources.push_back(std::make_unique<TRecordingSource>(log, many));
  TLptPort port(std::move(sources));
  port.SetActive(true);
  ASSERT_TRUE(port.Active);
  EXPECT_EQ(port.PortCount, 10);
  EXPECT_EQ(port.GetPortAddress(9), 0x290);
}

class TFailingSource : public TPortSource {
public:
  void FindPorts(std::vector<TDiscoveredPort>& ports) override {
    ports.push_back({0x378, "", ""});
    throw std::runtime_error("Invalid data type for 'Configuration Data'");
  }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort&, std::string&) override {
    ADD_FAILURE() << "opened after a discovery error";
    return nullptr;
  }
};

TEST(TLptPort, DiscoveryErrorEndsActivationWithItsMessage) {
  std::vector<std::unique_ptr<TPortSource>> sources;
  sources.push_back(std::make_unique<TFailingSource>());
  TLptPort port(std::move(sources));
  EXPECT_NO_THROW(port.SetActive(true));
  EXPECT_FALSE(port.Active);
  EXPECT_EQ(port.LastError, "Invalid data type for 'Configuration Data'");
  EXPECT_EQ(port.PortCount, 1);  // found before the error
  EXPECT_EQ(port.PortAddresses[0], 0x378);
}

class TUnopenableSource : public TPortSource {
public:
  void FindPorts(std::vector<TDiscoveredPort>& ports) override {
    ports.push_back({0x378, "", "/dev/parport0"});
  }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort&, std::string& error) override {
    error = "Permission denied";
    return nullptr;
  }
};

TEST(TLptPort, UnopenablePortsAreLeftOutWhenOthersOpen) {
  auto log = std::make_shared<TPortLog>();
  std::vector<std::unique_ptr<TPortSource>> sources;
  sources.push_back(std::make_unique<TUnopenableSource>());
  sources.push_back(std::make_unique<TRecordingSource>(log, std::vector<uint16_t>{0x0BC0}));
  TLptPort port(std::move(sources));
  port.SetActive(true);
  ASSERT_TRUE(port.Active);
  EXPECT_EQ(port.PortCount, 1);
  EXPECT_EQ(port.SelectedAddress, 0x0BC0);
  ASSERT_EQ(port.OpenErrors.size(), 1u);
  EXPECT_EQ(port.OpenErrors[0], "/dev/parport0: Permission denied");
}

}  // namespace
