// The --virtual-card option and the port source that opens the card.
#include <gtest/gtest.h>

#include "link/TLpt.h"
#include "sim/VirtualCardPortSource.h"

namespace {

TEST(VirtualCardOption, ChoosesTheCatalogueRows) {
  TVirtualCardConfig c;
  c.ProcessorRow = 3;
  c.EepromRow = 3;
  std::string error = "old";
  ASSERT_TRUE(ParseVirtualCardOption("", c, error));
  EXPECT_EQ(c.ProcessorRow, 0);  // AT90S8515
  EXPECT_EQ(c.EepromRow, 0);     // 2464/2465
  EXPECT_TRUE(error.empty());

  ASSERT_TRUE(ParseVirtualCardOption("=AT90S8515,24256", c, error));
  EXPECT_EQ(c.ProcessorRow, 0);
  EXPECT_EQ(c.EepromRow, 2);
  ASSERT_TRUE(ParseVirtualCardOption("=at90s2323,2464/2465", c, error));
  EXPECT_EQ(c.ProcessorRow, 4);
  EXPECT_EQ(c.EepromRow, 0);
  ASSERT_TRUE(ParseVirtualCardOption("=AT90S4433", c, error));
  EXPECT_EQ(c.ProcessorRow, 1);
  EXPECT_EQ(c.EepromRow, 0);
  ASSERT_TRUE(ParseVirtualCardOption("=AT90S4414,242048", c, error));
  EXPECT_EQ(c.EepromRow, 5);
}

TEST(VirtualCardOption, BadNamesListTheValidOnes) {
  TVirtualCardConfig c;
  c.ProcessorRow = 2;
  c.EepromRow = 4;
  std::string error;
  EXPECT_FALSE(ParseVirtualCardOption("=ATmega8,24256", c, error));
  EXPECT_EQ(error,
            "Unknown processor \"ATmega8\" for --virtual-card; valid processors: AT90S8515, "
            "AT90S4433, AT90S4414, AT90S2343, AT90S2323.");
  EXPECT_FALSE(ParseVirtualCardOption("=AT90S8515,24C256", c, error));
  EXPECT_EQ(error,
            "Unknown EEPROM \"24C256\" for --virtual-card; valid EEPROMs: 2464/2465, 24128, "
            "24256, 24512, 241024, 242048.");
  EXPECT_FALSE(ParseVirtualCardOption("=AT90S8515,", c, error));
  EXPECT_FALSE(ParseVirtualCardOption("=", c, error));
  EXPECT_FALSE(ParseVirtualCardOption("s", c, error));
  EXPECT_NE(error.find("--virtual-card"), std::string::npos);
  EXPECT_EQ(c.ProcessorRow, 2);  // untouched
  EXPECT_EQ(c.EepromRow, 4);
}

TEST(VirtualCardPortSource, OneCardWhileThePortIsOpen) {
  TVirtualCardConfig config;
  config.ProcessorRow = 4;
  config.EepromRow = 5;
  auto owned = std::make_unique<TVirtualCardPortSource>(config);
  TVirtualCardPortSource* source = owned.get();
  EXPECT_EQ(source->Card(), nullptr);
  std::vector<std::unique_ptr<TPortSource>> sources;
  sources.push_back(std::move(owned));
  TLptPort port(std::move(sources));

  port.SetActive(true);
  ASSERT_TRUE(port.Active);
  ASSERT_EQ(port.PortCount, 1);
  EXPECT_EQ(port.PortAddresses[0], 0x0CA0);
  EXPECT_EQ(port.PortNames[0], "Virtual card");
  TVirtualCard* card = source->Card();
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(port.SelectedIo(), card);
  EXPECT_STREQ(card->Processor().Name, "AT90S2323");
  EXPECT_EQ(card->ExternalEeprom().Memory.size(), 262144u);

  // The port's clock is the card's virtual clock.
  port.WriteData(0x07);
  port.Delay(1000);
  EXPECT_EQ(port.TickCount(), 1000u);
  EXPECT_EQ(card->TickCount(), 1000u);

  port.SetActive(false);
  EXPECT_EQ(source->Card(), nullptr);
  port.SetActive(true);
  ASSERT_NE(source->Card(), nullptr);
  EXPECT_EQ(source->Card()->TickCount(), 0u);  // a new card
}

}  // namespace
