#include <gtest/gtest.h>

#include "app/ProgramOptions.h"

namespace {

TEST(ProgramOptions, VirtualCardWithAndWithoutChips) {
  TProgramOptions o;
  QString error;
  ASSERT_TRUE(ParseProgramOptions({"--virtual-card"}, true, o, error));
  EXPECT_TRUE(o.VirtualCard);
  EXPECT_EQ(o.VirtualCardConfig.ProcessorRow, 0);
  EXPECT_EQ(o.VirtualCardConfig.EepromRow, 0);

  TProgramOptions p;
  ASSERT_TRUE(ParseProgramOptions({"--virtual-card=at90s2323,24256"}, true, p, error));
  EXPECT_EQ(p.VirtualCardConfig.ProcessorRow, 4);
  EXPECT_EQ(p.VirtualCardConfig.EepromRow, 2);
}

TEST(ProgramOptions, BadValuesAndUnknownArgumentsAreErrors) {
  for (const char* bad : {"--virtual-card=AT90S9999", "--virtual-card=AT90S8515,24999",
                          "--virtual-card=", "--virtual-cardX"}) {
    TProgramOptions o;
    QString error;
    EXPECT_FALSE(ParseProgramOptions({bad}, true, o, error)) << bad;
    EXPECT_FALSE(error.isEmpty()) << bad;
    EXPECT_FALSE(o.VirtualCard) << bad;
  }
  // Before the toolkit has taken its options, others pass; afterwards not.
  TProgramOptions o;
  QString error;
  EXPECT_TRUE(ParseProgramOptions({"-platform", "offscreen", "--help"}, false, o, error));
  EXPECT_TRUE(o.Help);
  EXPECT_FALSE(ParseProgramOptions({"--bogus"}, true, o, error));
  EXPECT_TRUE(error.contains("--bogus"));
}

}  // namespace
