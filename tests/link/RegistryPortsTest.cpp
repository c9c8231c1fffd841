#include <gtest/gtest.h>

#include "link/RegistryPorts.h"

namespace {

const std::string Adapter = "HARDWARE\\DESCRIPTION\\System\\MultifunctionAdapter";

std::vector<uint8_t> ConfigurationData(uint16_t start) {
  std::vector<uint8_t> d(40, 0);
  d[20] = static_cast<uint8_t>(start);
  d[21] = static_cast<uint8_t>(start >> 8);
  return d;
}

TEST(FindPortsNT, TakesTheStartAddressOfEachControllerInRegistryOrder) {
  TMemoryRegistry reg;
  reg.AddKey(rrLocalMachine, Adapter + "\\0");  // no parallel controller: skipped
  reg.SetBinary(rrLocalMachine, Adapter + "\\1\\ParallelController\\0", "Configuration Data",
                ConfigurationData(0x378), rvFullResourceDescriptor);
  reg.SetBinary(rrLocalMachine, Adapter + "\\1\\ParallelController\\1", "Configuration Data",
                ConfigurationData(0x278), rvFullResourceDescriptor);
  reg.AddKey(rrLocalMachine, Adapter + "\\1\\ParallelController\\2");  // no value
  std::vector<TFoundPort> ports;
  FindPortsNT(reg, ports);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].Address, 0x378);
  EXPECT_EQ(ports[1].Address, 0x278);
  EXPECT_EQ(ports[0].Name, "");
}

TEST(FindPortsNT, RefusesOversizedOrClassifiedConfigurationData) {
  TMemoryRegistry reg;
  reg.SetBinary(rrLocalMachine, Adapter + "\\0\\ParallelController\\0", "Configuration Data",
                std::vector<uint8_t>(65, 0));
  std::vector<TFoundPort> ports;
  try {
    FindPortsNT(reg, ports);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Configuration Data'");
  }
  TMemoryRegistry reg2;
  reg2.SetString(rrLocalMachine, Adapter + "\\0\\ParallelController\\0", "Configuration Data", "x");
  EXPECT_THROW(FindPortsNT(reg2, ports), std::runtime_error);
}

TEST(FindPortsNT, StopsAtTheTableSize) {
  TMemoryRegistry reg;
  for (int i = 0; i < 12; ++i)
    reg.SetBinary(rrLocalMachine, Adapter + "\\0\\ParallelController\\" + std::to_string(i),
                  "Configuration Data", ConfigurationData(static_cast<uint16_t>(0x300 + i)));
  std::vector<TFoundPort> ports;
  FindPortsNT(reg, ports);
  EXPECT_EQ(ports.size(), 10u);
}

struct FindPorts9xTest : ::testing::Test {
  TMemoryRegistry Reg;
  void AddDevice(const std::string& k, const std::string& hw, const std::string& portName,
                 std::vector<uint8_t> problem, std::vector<uint8_t> allocation) {
    const std::string key = "Config Manager\\Enum\\" + k;
    Reg.SetString(rrDynData, key, "HardWareKey", hw);
    Reg.SetBinary(rrDynData, key, "Problem", std::move(problem));
    Reg.SetBinary(rrDynData, key, "Allocation", std::move(allocation));
    Reg.SetString(rrLocalMachine, "Enum\\" + hw, "PortName", portName);
  }
};

TEST_F(FindPorts9xTest, SkipsProblemDevicesSerialPortsAndTrailingWord12) {
  AddDevice("C29A0000", "ROOT\\PRINTER\\0000", "LPT1", {0, 0, 0, 0}, {0x0C, 0, 0x78, 0x03});
  AddDevice("C29A0001", "ROOT\\PRINTER\\0001", "LPT2", {0, 1, 0, 0}, {0x0C, 0, 0x78, 0x02});
  AddDevice("C29A0002", "ROOT\\PORTS\\0000", "COM1", {0, 0, 0, 0}, {0x0C, 0, 0xF8, 0x03});
  AddDevice("C29A0003", "ROOT\\PRINTER\\0003", "LPT3", {0}, {0x01, 0, 0x0C, 0x00});
  AddDevice("C29A0004", "ROOT\\PRINTER\\0004", "ECP LPT4", {0},
            {0x0C, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x78, 0x03});
  std::vector<TFoundPort> ports;
  FindPorts9x(Reg, ports);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].Address, 0x378);
  EXPECT_EQ(ports[0].Name, "LPT1");
  EXPECT_EQ(ports[1].Address, 0x378);  // the first word 12 is followed by 0
  EXPECT_EQ(ports[1].Name, "ECP LPT4");
}

TEST_F(FindPorts9xTest, MissingOrMistypedValuesContributeNothingButTextTypesRaise) {
  AddDevice("A", "HW\\A", "LPT1", {0}, {0x0C, 0, 0x78, 0x03});
  Reg.SetString(rrDynData, "Config Manager\\Enum\\A", "Problem", "0");  // wrong type: skipped
  AddDevice("B", "HW\\B", "lpt2", {0}, {0x0C, 0, 0x78, 0x02});          // case-sensitive
  std::vector<TFoundPort> ports;
  FindPorts9x(Reg, ports);
  EXPECT_TRUE(ports.empty());

  Reg.SetBinary(rrLocalMachine, "Enum\\HW\\B", "PortName", {'L', 'P', 'T'});
  try {
    FindPorts9x(Reg, ports);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'PortName'");
  }
}

}  // namespace
