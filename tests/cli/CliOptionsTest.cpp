// The command line of pellar-cli, case by case: what each argument list
// means, or the usage error it gives (before anything is touched).
#include <gtest/gtest.h>

#include <functional>

#include <QFile>

#include "cli/CliOptions.h"
#include "images/DeviceCatalogue.h"

namespace {

struct TCase {
  QStringList Args;
  QString Error;  // "" when the arguments are good
  std::function<void(const TCliOptions&)> Check = {};
};

TEST(CliOptions, EveryRuleOfTheCommandLine) {
  const std::vector<TCase> cases = {
      {{"--virtual-card", "detect"},
       "",
       [](const TCliOptions& o) {
         EXPECT_EQ(o.Command, ccDetect);
         EXPECT_TRUE(o.VirtualCard);
         EXPECT_FALSE(o.VirtualCardChipsNamed);
       }},
      // Global options also after the command, values after '=' too.
      {{"program", "--flash=a.hex", "--virtual-card=at90s2323,24256", "--restore", "--force"},
       "",
       [](const TCliOptions& o) {
         EXPECT_EQ(o.Files[imFlash], "a.hex");
         EXPECT_TRUE(o.Restore && o.Force && o.VirtualCardChipsNamed);
         EXPECT_EQ(o.VirtualCardConfig.ProcessorRow, 4);
         EXPECT_EQ(o.VirtualCardConfig.EepromRow, 2);
       }},
      {{"--eeprom-type", "2465", "--processor", "at90s4433", "read", "--ext-eeprom", "x.bin"},
       "",
       [](const TCliOptions& o) {
         EXPECT_EQ(o.EepromRow, 0);
         EXPECT_EQ(o.ProcessorRow, 1);
         EXPECT_TRUE(o.Wants(imExtEE));
         EXPECT_FALSE(o.Wants(imFlash));
       }},
      // One rule for chip names everywhere: case ignored, an EEPROM also by
      // one part of its name.
      {{"--virtual-card=at90S8515,2464", "--eeprom-type", "2464/2465", "--processor", "AT90s2343",
        "detect"},
       "",
       [](const TCliOptions& o) {
         EXPECT_EQ(o.VirtualCardConfig.ProcessorRow, 0);
         EXPECT_EQ(o.VirtualCardConfig.EepromRow, 0);
         EXPECT_EQ(o.EepromRow, 0);
         EXPECT_EQ(o.ProcessorRow, 3);
       }},
      {{"--virtual-card=AT90S4414,2465", "--eeprom-type", "24512", "detect"},
       "",
       [](const TCliOptions& o) {
         EXPECT_EQ(o.VirtualCardConfig.ProcessorRow, 2);
         EXPECT_EQ(o.VirtualCardConfig.EepromRow, 0);
         EXPECT_EQ(o.EepromRow, 3);
       }},
      // Restore is the default; --no-restore turns it off.
      {{"--virtual-card", "read", "--ext-eeprom", "x.bin"},
       "",
       [](const TCliOptions& o) { EXPECT_TRUE(o.Restores()); }},
      {{"--virtual-card", "program", "--no-restore", "--ext-eeprom", "x.bin"},
       "",
       [](const TCliOptions& o) { EXPECT_FALSE(o.Restores()); }},
      {{"--virtual-card", "read", "--card", "c.hex"},
       "",
       [](const TCliOptions& o) {
         EXPECT_TRUE(o.Wants(imFlash) && o.Wants(imIntEE) && o.Wants(imExtEE));
       }},
      {{"convert", "a.hex", "b.bin", "--memory", "ext-eeprom"},
       "",
       [](const TCliOptions& o) {
         EXPECT_EQ(o.ConvertIn, "a.hex");
         EXPECT_EQ(o.ConvertOut, "b.bin");
         EXPECT_EQ(o.ConvertMemory, imExtEE);
       }},
      {{"--port", "378", "detect"}, "", [](const TCliOptions& o) { EXPECT_EQ(o.Port, "378"); }},
      {{"--port=/dev/parport1", "erase"}, ""},
      {{"convert", "--", "-in.hex", "out.bin"},
       "",
       [](const TCliOptions& o) { EXPECT_EQ(o.ConvertIn, "-in.hex"); }},
      {{"--help", "--bogus-after-help"}, "unknown option \"--bogus-after-help\""},
      {{"-h"}, "", [](const TCliOptions& o) { EXPECT_TRUE(o.Help); }},

      {{}, "no command given"},
      {{"flash"}, "unknown command \"flash\""},
      {{"-x", "list"}, "unknown option \"-x\""},
      {{"--flash", "a.hex", "program"}, "--flash is an option of a command"},
      {{"verify", "--restore", "--flash", "a"}, "--restore is not an option of verify"},
      {{"read", "--no-verify", "--flash", "a"}, "--no-verify is not an option of read"},
      {{"verify", "--no-restore", "--flash", "a"}, "--no-restore is not an option of verify"},
      {{"read", "--restore", "--no-restore", "--flash", "a"},
       "--restore and --no-restore contradict each other"},
      {{"program", "--flash"}, "--flash needs a value"},
      {{"program", "--flash="}, "--flash needs a value"},
      {{"--quiet=yes", "list"}, "--quiet takes no value"},
      {{"list", "more"}, "unexpected argument \"more\""},
      {{"convert", "a.hex"}, "convert takes two files"},
      {{"convert", "a", "b", "--memory", "sram"}, "--memory takes flash, eeprom or ext-eeprom"},
      {{"erase", "--port", "LPT1"}, "--port takes a port address"},
      {{"--port", "0x10000", "erase"}, "--port takes a port address"},
      {{"--processor", "AT90S2313", "detect"},
       "unknown processor \"AT90S2313\"; valid processors: AT90S8515"},
      {{"--eeprom-type", "24C02", "detect"}, "unknown EEPROM type \"24C02\""},
      {{"--virtual-card=AT90S8515,2402", "detect"}, "Unknown EEPROM \"2402\""},
      {{"--eeprom-type", "2464/", "detect"}, "unknown EEPROM type \"2464/\""},
      {{"--virtual-card=AT90S8515,/", "detect"}, "Unknown EEPROM \"/\""},
      {{"--card-state", "s.json", "detect"}, "--card-state is for the virtual card"},
      {{"read", "--ext-eeprom", "x.bin"}, "the external EEPROM needs --eeprom-type"},
      {{"program", "--card", "c.hex"}, "the external EEPROM needs --eeprom-type"},
      {{"verify"}, "verify needs a file"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args.join(QLatin1Char(' ')).toStdString());
    TCliOptions options;
    QString error;
    const bool ok = ParseCliOptions(c.Args, options, error);
    EXPECT_EQ(ok, c.Error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(error.contains(c.Error)) << error.toStdString();
    if (ok && c.Check) c.Check(options);
  }
}

// The chip names of --help come from the catalogue: a row added to it
// shows there without anyone writing it, and the lines stay within 80
// columns.
TEST(CliUsage, ChipNamesComeFromTheCatalogue) {
  ProcessorInfo madeUp = ProcessorTable[0];
  madeUp.Name = "AT90S9999";
  madeUp.Signature = 0x1E99FF;
  const TAddedProcessor added(madeUp);
  const QString help = CliUsage(QStringLiteral("pellar-cli"));
  for (const ProcessorInfo& row : ProcessorRows())
    EXPECT_TRUE(help.contains(QLatin1String(row.Name))) << row.Name;
  for (const EepromInfo& row : EepromTable)
    EXPECT_TRUE(help.contains(QLatin1String(row.Name))) << row.Name;
  EXPECT_TRUE(help.simplified().contains(QLatin1String("(default AT90S8515,2464/2465)")));
  for (const QString& line : help.split(QLatin1Char('\n')))
    EXPECT_LE(line.size(), 80) << line.toStdString();
}

// The manual pages are filled from the catalogue when they are built.
TEST(CliManPages, ChipNamesComeFromTheCatalogue) {
  for (const char* page : {"pellar.1", "pellar-cli.1"}) {
    SCOPED_TRACE(page);
    QFile file(QStringLiteral(PELLAR_MAN_DIR "/") + QLatin1String(page));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_FALSE(text.contains(QLatin1String("{{"))) << "a name left unfilled";
    for (const ProcessorInfo& row : ProcessorTable)
      EXPECT_TRUE(text.contains(QLatin1String(row.Name))) << row.Name;
    for (const EepromInfo& row : EepromTable)
      EXPECT_TRUE(text.contains(QLatin1String(row.Name))) << row.Name;
  }
}

}  // namespace
