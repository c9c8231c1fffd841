#include <gtest/gtest.h>

#include "app/ProgramOptions.h"
#include "images/DeviceCatalogue.h"

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

// The chip names of --help come from the catalogue: a row added to it
// shows there without anyone writing it.
TEST(ProgramOptions, HelpNamesTheChipsOfTheCatalogue) {
  ProcessorInfo madeUp = ProcessorTable[0];
  madeUp.Name = "AT90S9999";
  madeUp.Signature = 0x1E99FF;
  const TAddedProcessor added(madeUp);
  const QString help = ProgramUsage(QStringLiteral("pellar"));
  for (const ProcessorInfo& row : ProcessorRows())
    EXPECT_TRUE(help.contains(QLatin1String(row.Name))) << row.Name;
  for (const EepromInfo& row : EepromTable)
    EXPECT_TRUE(help.contains(QLatin1String(row.Name))) << row.Name;
  for (const QString& line : help.split(QLatin1Char('\n')))
    EXPECT_LE(line.size(), 80) << line.toStdString();
}

}  // namespace
