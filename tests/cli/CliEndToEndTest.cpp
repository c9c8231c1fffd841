// pellar-cli end to end: the built program run as a process on the virtual
// card, one state file carrying the card from run to run, as a script
// would drive it. Each step names its arguments, the exit code and texts
// it must give, and what it leaves behind.
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <unistd.h>

#include <csignal>

#include "images/CardImageFile.h"
#include "images/ImageFormats.h"
#include "tests/cli/CliProcess.h"

namespace {

// The chips of the card the steps run on: the smallest, so that the
// sanitizer build gets through quickly.
const QString Card = QStringLiteral("--virtual-card=AT90S2323,2464/2465");
constexpr int FlashSize = 2048;
constexpr int EepromSize = 128;
constexpr int ExternalSize = 8192;

struct TStep {
  QStringList Args;
  int Code;
  QString OutHas;  // a text stdout must hold ("" for none)
  QString ErrHas;  // a text stderr must hold ("" for none)
  std::function<void(const TCliRun&)> Then = {};
};

class CliEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    Write(QStringLiteral("flash.hex"), Flash);
    Write(QStringLiteral("eeprom.srec"), Eeprom);
    Write(QStringLiteral("ext.bin"), External);
  }

  void Write(const QString& name, const std::vector<uint8_t>& bytes) {
    SaveImageFile(Cli.Path(name), bytes.data(), static_cast<int32_t>(bytes.size()));
  }

  std::vector<uint8_t> Load(const QString& name, TImageMemory memory, int size) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size), 0xFF);
    LoadImageFile(Cli.Path(name), memory, bytes.data(), size);
    return bytes;
  }

  void RunSteps(const std::vector<TStep>& steps) {
    for (const TStep& step : steps) {
      SCOPED_TRACE(step.Args.join(QLatin1Char(' ')).toStdString());
      const TCliRun run = Cli.Run(step.Args);
      EXPECT_EQ(run.Code, step.Code) << run.Err.toStdString();
      EXPECT_TRUE(run.Out.contains(step.OutHas)) << run.Out.toStdString();
      EXPECT_TRUE(run.Err.contains(step.ErrHas)) << run.Err.toStdString();
      if (step.Then) step.Then(run);
    }
  }

  static QStringList On(QStringList args) {
    return QStringList{Card, QStringLiteral("--card-state"), QStringLiteral("card.json")} + args;
  }

  TCliProcess Cli;
  const std::vector<uint8_t> Flash = RandomImage(FlashSize, 1);
  const std::vector<uint8_t> Eeprom = RandomImage(EepromSize, 2);
  const std::vector<uint8_t> External = RandomImage(ExternalSize, 3);
};

TEST_F(CliEndToEnd, ProgramReadVerifyEraseAcrossRuns) {
  std::vector<uint8_t> changedFlash = Flash;
  changedFlash[0x123] ^= 0x10;
  Write(QStringLiteral("changed-flash.bin"), changedFlash);
  std::vector<uint8_t> changedExternal = External;
  changedExternal[0x1F00] ^= 0x01;
  Write(QStringLiteral("changed-ext.bin"), changedExternal);
  Write(QStringLiteral("too-large.bin"), RandomImage(FlashSize + 1, 4));
  QFile bad(Cli.Path(QStringLiteral("bad.hex")));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(":020000000102FB\n:020002000304F5\n:02000400zz06F2\n:00000001FF\n");
  bad.close();
  const TConstCardBuffers flashAndEeprom = {
      {{Flash.data(), FlashSize}, {Eeprom.data(), EepromSize}, {nullptr, 0}}};
  WriteCardImageFile(Cli.Path("flash-eeprom.hex"), flashAndEeprom);
  // Chips named as the options take them (case ignored, one part of the
  // EEPROM's name); a flash too short for the chip.
  QFile shortState(Cli.Path(QStringLiteral("short.json")));
  ASSERT_TRUE(shortState.open(QIODevice::WriteOnly));
  shortState.write(R"({"format": "pellar-virtual-card", "version": 1, "processor": "at90s2323",
                      "eeprom": "2464", "flash": "AAAA", "internal-eeprom": "",
                      "external-eeprom": ""})");
  shortState.close();
  QByteArray state;

  RunSteps({
      // Three images in three formats, then back in another run: byte for
      // byte the files written, and the whole-card image.
      {On({"--quiet", "program", "--flash", "flash.hex", "--eeprom", "eeprom.srec", "--ext-eeprom",
           "ext.bin"}),
       0, "Device programmed.", "",
       [&](const TCliRun& run) {
         EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
         EXPECT_TRUE(QFileInfo::exists(Cli.Path("card.json")));
       }},
      {On({"read", "--flash", "back.hex", "--eeprom", "back.srec", "--ext-eeprom", "back.bin",
           "--card", "card.hex"}),
       0, "external EEPROM: 8192 bytes written to back.bin (binary)", "Restoring flash",
       [&](const TCliRun&) {
         EXPECT_EQ(Cli.Contents("back.hex"), Cli.Contents("flash.hex"));
         EXPECT_EQ(Cli.Contents("back.srec"), Cli.Contents("eeprom.srec"));
         EXPECT_EQ(Cli.Contents("back.bin"), Cli.Contents("ext.bin"));
         std::vector<uint8_t> images[3] = {std::vector<uint8_t>(FlashSize),
                                           std::vector<uint8_t>(EepromSize),
                                           std::vector<uint8_t>(ExternalSize)};
         TCardBuffers buffers{};
         for (int m = 0; m < 3; ++m)
           buffers[m] = {images[m].data(), static_cast<int32_t>(images[m].size())};
         ReadCardImageFile(Cli.Path("card.hex"), buffers);
         EXPECT_EQ(images[0], Flash);
         EXPECT_EQ(images[1], Eeprom);
         EXPECT_EQ(images[2], External);
       }},
      {On({"verify", "--flash", "flash.hex", "--eeprom", "eeprom.srec", "--ext-eeprom", "ext.bin"}),
       0, "Device verified.", ""},
      // A card image without the external EEPROM: no loader needed.
      {On({"verify", "--card", "flash-eeprom.hex"}), 0, "Device verified.", ""},
      {On({"verify", "--flash", "changed-flash.bin"}), 1, "",
       "Flash verification error!\n\nvalue differ at address 0x0091"},
      {On({"verify", "--ext-eeprom", "changed-ext.bin"}), 1, "",
       "External eeprom verification error!\n\nvalue differ at address 0x1F00"},
      {On({"--timing", "detect"}), 0, "AT90S2323 1E 91 02", "virtual time",
       [&](const TCliRun&) { state = Cli.Contents("card.json"); }},
      // Where the time went: the parts add up to the virtual time, and a
      // verify's power-up and reset waits are chip waits.
      {On({"--timing", "verify", "--flash", "flash.hex"}), 0, "", "Of that: chip waits",
       [&](const TCliRun& run) {
         const QRegularExpressionMatch total =
             QRegularExpression(QStringLiteral("([0-9.]+) s virtual time")).match(run.Err);
         const QRegularExpressionMatch split =
             QRegularExpression(QStringLiteral("chip waits ([0-9.]+) s, line traffic ([0-9.]+) s, "
                                               "round trips ([0-9.]+) s in (\\d+) flushes"))
                 .match(run.Err);
         ASSERT_TRUE(total.hasMatch() && split.hasMatch()) << run.Err.toStdString();
         const double waits = split.captured(1).toDouble();
         EXPECT_GE(waits, 0.16);
         EXPECT_NEAR(waits + split.captured(2).toDouble() + split.captured(3).toDouble(),
                     total.captured(1).toDouble(), 0.002);
         EXPECT_EQ(split.captured(4), QStringLiteral("0"));  // an immediate port
       }},
      // Refused before the card is touched: the state stays as it was.
      {On({"program", "--flash", "bad.hex"}), 3, "", "bad.hex, line 3"},
      {On({"program", "--flash", "too-large.bin"}), 3, "", "too-large.bin"},
      {On({"--bogus", "detect"}), 2, "", "Usage: pellar-cli"},
      {On({"program", "--no-verify"}), 2, "", "program needs a file"},
      {On({"verify", "--flash"}), 2, "", "--flash needs a value"},
      {On({"--processor", "AT90S2313", "detect"}), 2, "", "unknown processor \"AT90S2313\""},
      {On({"--processor", "AT90S8515", "program", "--flash", "flash.hex"}), 4, "",
       "not the expected AT90S8515",
       [&](const TCliRun&) {
         EXPECT_EQ(Cli.Contents("card.json"), state);
         const TCliRun again = Cli.Run(On({"--quiet", "verify", "--card", "card.hex"}));
         EXPECT_EQ(again.Code, 0) << again.Err.toStdString();
       }},
      {{"--virtual-card=AT90S8515,2464/2465", "--card-state", "card.json", "detect"},
       3,
       "",
       "refused"},
      {{"--virtual-card", "--card-state", "flash.hex", "detect"},
       3,
       "",
       "not a virtual card state file"},
      {{"--virtual-card", "--card-state", "short.json", "detect"},
       3,
       "",
       "\"flash\" holds 3 bytes; the chip has 2048"},
      // Erased: the comparison runs and finds the difference.
      {On({"erase"}), 0, "Chip erased...", ""},
      {On({"verify", "--flash", "flash.hex"}), 1, "", "Verification error."},
      {On({"--progress", "program", "--eeprom", "eeprom.srec"}), 0, "Device programmed.", "100%"},
  });
}

// The card's own flash and internal EEPROM survive a command that needs
// the loader unless the command line says otherwise: program and read put
// them back by default (--restore is that default), --no-restore leaves
// the chip erased or the loader in it.
TEST_F(CliEndToEnd, FlashAndEepromAreWrittenBackUnlessNoRestore) {
  const QStringList verifyAvr = On({"verify", "--flash", "flash.hex", "--eeprom", "eeprom.srec"});
  RunSteps({
      {On({"--quiet", "program", "--flash", "flash.hex", "--eeprom", "eeprom.srec"}), 0, "", ""},
      {On({"program", "--ext-eeprom", "ext.bin"}), 0, "Device programmed.", "Restoring flash..."},
      {verifyAvr, 0, "Device verified.", ""},
      {On({"read", "--ext-eeprom", "back.bin"}), 0, "", "Restoring internal eeprom"},
      {verifyAvr, 0, "Device verified.", ""},
      {On({"program", "--ext-eeprom", "ext.bin", "--restore"}), 0, "Device programmed.", ""},
      {verifyAvr, 0, "Device verified.", ""},
      {On({"program", "--ext-eeprom", "ext.bin", "--restore", "--no-restore"}), 2, "",
       "contradict"},
      {On({"read", "--ext-eeprom", "back.bin", "--no-restore"}), 0, "", ""},
      {On({"verify", "--flash", "flash.hex"}), 1, "", "Verification error."},
      {On({"--quiet", "program", "--flash", "flash.hex", "--eeprom", "eeprom.srec"}), 0, "", ""},
      {On({"program", "--ext-eeprom", "ext.bin", "--no-restore"}), 0, "Device programmed.", ""},
      {On({"verify", "--eeprom", "eeprom.srec"}), 1, "", "Verification error."},
  });
  EXPECT_EQ(Cli.Contents("back.bin"), Cli.Contents("ext.bin"));
  EXPECT_EQ(Load("back.bin", imExtEE, ExternalSize), External);
}

// A state file the run could not write, or one of another EEPROM than
// --eeprom-type names, is refused before the card is touched (exit 3): no
// command runs whose result would be lost or fail later.
TEST_F(CliEndToEnd, AStateFileThatCannotServeIsRefusedFirst) {
  ASSERT_EQ(Cli.Run(On({"--quiet", "program", "--flash", "flash.hex"})).Code, 0);
  const QByteArray state = Cli.Contents("card.json");
  const QStringList nowhere = {Card, "--card-state", "no-such-folder/card.json"};
  RunSteps({
      {nowhere + QStringList{"program", "--flash", "flash.hex"}, 3, "",
       "no-such-folder/card.json: the folder",
       [](const TCliRun& run) {
         EXPECT_FALSE(run.Out.contains("Device programmed.")) << run.Out.toStdString();
         EXPECT_FALSE(run.Err.contains("Programming flash")) << run.Err.toStdString();
       }},
      {{Card, "--card-state", "flash.hex/card.json", "detect"}, 3, "", "does not exist"},
      {{Card, "--card-state", ".", "detect"}, 3, "", "Is a directory"},
      // The state is of a card with a 2464/2465.
      {{"--virtual-card", "--card-state", "card.json", "--eeprom-type", "24256", "program",
        "--ext-eeprom", "ext.bin"},
       3, "",
       "card.json: the card state is of a card with a 2464/2465, --eeprom-type names a 24256"},
      {{"--virtual-card=AT90S2323,24256", "--eeprom-type", "2465", "detect"}, 2, "",
       "--virtual-card names a card with a 24256, --eeprom-type names a 2464/2465"},
      {{"--virtual-card", "--card-state", "card.json", "--eeprom-type", "2464", "detect"}, 0,
       "AT90S2323", ""},
  });
  EXPECT_EQ(Cli.Contents("card.json"), state);
  EXPECT_FALSE(QFileInfo::exists(Cli.Path("no-such-folder")));
  if (::geteuid() != 0) {
    // Read-only, for a user the permissions bind.
    QFile::setPermissions(Cli.Path("card.json"), QFile::ReadOwner);
    RunSteps({{On({"program", "--flash", "flash.hex"}), 3, "", "card.json: the file is read-only"}});
  }
}

TEST_F(CliEndToEnd, ConvertRoundTripsEveryFormat) {
  // Through every format that is written, and out of a card image and back.
  const std::vector<TStep> steps = {
      {{"convert", "flash.hex", "a.srec"},
       0,
       "flash: 2048 bytes written to a.srec (Motorola S-record)",
       ""},
      {{"convert", "a.srec", "b.bin"}, 0, "(binary)", ""},
      {{"convert", "b.bin", "c.s19"}, 0, "", ""},
      {{"convert", "c.s19", "d.hex"}, 0, "(Intel HEX)", ""},
      {{"convert", "ext.bin", "e.hex", "--memory", "ext-eeprom"},
       0,
       "external EEPROM: 8192 bytes",
       ""},
      {{"convert", "eeprom.srec", "f.eep", "--memory", "eeprom"}, 0, "", ""},
      {{"convert", "missing.hex", "g.bin"}, 3, "", "missing.hex"},
      {{"convert", "flash.hex"}, 2, "", "convert takes two files"},
  };
  RunSteps(steps);
  EXPECT_EQ(Cli.Contents("d.hex"), Cli.Contents("flash.hex"));
  EXPECT_EQ(Load("b.bin", imFlash, FlashSize), Flash);
  EXPECT_EQ(Load("e.hex", imExtEE, ExternalSize), External);
  EXPECT_EQ(Load("f.eep", imIntEE, EepromSize), Eeprom);

  // A whole-card image gives each memory to --memory.
  const TConstCardBuffers card = {
      {{Flash.data(), FlashSize}, {Eeprom.data(), EepromSize}, {External.data(), ExternalSize}}};
  WriteCardImageFile(Cli.Path("card.hex"), card);
  RunSteps({{{"convert", "card.hex", "x.bin", "--memory", "ext-eeprom"}, 0, "", ""},
            {{"convert", "card.hex", "i.bin", "--memory", "eeprom"}, 0, "", ""}});
  EXPECT_EQ(Cli.Contents("x.bin"), Cli.Contents("ext.bin"));
  EXPECT_EQ(Load("i.bin", imIntEE, EepromSize), Eeprom);
}

// Ctrl+C while the external EEPROM is written, with the card's own flash
// and internal EEPROM saved first: the run ends with 130, and what the
// card held is back in it.
TEST_F(CliEndToEnd, InterruptWritesTheBackupsBack) {
  const QStringList card = {QStringLiteral("--virtual-card=AT90S2323,242048"),
                            QStringLiteral("--card-state"), QStringLiteral("big.json")};
  Write(QStringLiteral("big.bin"), RandomImage(262144, 5));
  const TCliRun first = Cli.Run(
      card + QStringList{"--quiet", "program", "--flash", "flash.hex", "--eeprom", "eeprom.srec"});
  ASSERT_EQ(first.Code, 0) << first.Err.toStdString();

  bool sent = false;
  const TCliRun stopped = Cli.Run(
      card + QStringList{"program", "--ext-eeprom", "big.bin", "--restore"},
      [&](QProcess& process, const QString& err) {
        if (!sent && err.contains(QStringLiteral("Writing and page verifying external eeprom"))) {
          ::kill(static_cast<pid_t>(process.processId()), SIGINT);
          sent = true;
        }
      });
  ASSERT_TRUE(sent);
  EXPECT_EQ(stopped.Code, 130) << stopped.Err.toStdString();
  EXPECT_TRUE(stopped.Err.contains(QStringLiteral("Restoring flash...")));
  EXPECT_TRUE(stopped.Err.contains(QStringLiteral("Programming error.")));

  const TCliRun verify =
      Cli.Run(card + QStringList{"verify", "--flash", "flash.hex", "--eeprom", "eeprom.srec"});
  EXPECT_EQ(verify.Code, 0) << verify.Err.toStdString();
}

// A card that stops answering halfway through Program All with restore:
// exit 4, the backups that could not go back kept in files, and the card
// mended from them once it answers again. Then a card without its 24Cxx.
TEST_F(CliEndToEnd, ACardThatStopsAnsweringKeepsTheBackups) {
  const auto setFaults = [&](const QJsonObject& faults) {
    QJsonObject json = QJsonDocument::fromJson(Cli.Contents("card.json")).object();
    if (faults.isEmpty())
      json.remove(QStringLiteral("faults"));
    else
      json.insert(QStringLiteral("faults"), faults);
    QFile file(Cli.Path(QStringLiteral("card.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(json).toJson());
  };
  const QStringList programExt = On({"program", "--ext-eeprom", "ext.bin", "--restore"});

  ASSERT_EQ(
      Cli.Run(On({"--quiet", "program", "--flash", "flash.hex", "--eeprom", "eeprom.srec"})).Code,
      0);
  const TCliRun timed = Cli.Run(QStringList{"--timing"} + programExt);
  ASSERT_EQ(timed.Code, 0) << timed.Err.toStdString();
  const auto accesses = QRegularExpression(QStringLiteral("Timing: (\\d+) port accesses"))
                            .match(timed.Err)
                            .captured(1)
                            .toULongLong();
  ASSERT_GT(accesses, 0u) << timed.Err.toStdString();

  // Pulled out in the middle of the external EEPROM's write.
  setFaults({{QStringLiteral("stop-answering-after"), static_cast<double>(accesses / 2)}});
  const TCliRun failed = Cli.Run(programExt);
  EXPECT_EQ(failed.Code, 4) << failed.Err.toStdString();
  const QRegularExpression kept(QStringLiteral("could not be written back\\. [^\\n]*\\n([^\\n]+)"));
  QStringList files;
  for (auto it = kept.globalMatch(failed.Err); it.hasNext();) files << it.next().captured(1);
  ASSERT_EQ(files.size(), 2) << failed.Err.toStdString();
  EXPECT_TRUE(QJsonDocument::fromJson(Cli.Contents("card.json"))
                  .object()
                  .contains(QStringLiteral("faults")));

  // Answering again: the kept files put the card back as it was.
  setFaults({});
  RunSteps({{On({"--quiet", "program", "--flash", files[0], "--eeprom", files[1]}), 0, "", ""},
            {On({"verify", "--flash", "flash.hex", "--eeprom", "eeprom.srec"}), 0,
             "Device verified.", ""}});

  setFaults({{QStringLiteral("eeprom-absent"), true}});
  RunSteps({{programExt, 4, "", ""},
            {On({"verify", "--flash", "flash.hex", "--eeprom", "eeprom.srec"}), 0,
             "Device verified.", ""}});
  setFaults({{QStringLiteral("stop-answering-after"), QStringLiteral("soon")}});
  RunSteps({{On({"detect"}), 3, "", "\"stop-answering-after\" is not a count"}});
}

// The port failing with an I/O error (an exception, not a card that does
// not answer) in the middle of the external EEPROM's write, after the chip
// erase: the card's flash and internal EEPROM, which cannot go back over
// the failed port, are kept in files; exit 4 with the port's error.
TEST_F(CliEndToEnd, APortErrorAfterTheEraseKeepsTheBackupsInFiles) {
  ASSERT_EQ(
      Cli.Run(On({"--quiet", "program", "--flash", "flash.hex", "--eeprom", "eeprom.srec"})).Code,
      0);
  const QStringList programExt = On({"program", "--ext-eeprom", "ext.bin"});
  const TCliRun timed = Cli.Run(QStringList{"--timing"} + programExt);
  ASSERT_EQ(timed.Code, 0) << timed.Err.toStdString();
  const auto accesses = QRegularExpression(QStringLiteral("Timing: (\\d+) port accesses"))
                            .match(timed.Err)
                            .captured(1)
                            .toULongLong();
  ASSERT_GT(accesses, 0u) << timed.Err.toStdString();

  const auto setFaults = [&](const QJsonObject& faults) {
    QJsonObject json = QJsonDocument::fromJson(Cli.Contents("card.json")).object();
    json.insert(QStringLiteral("faults"), faults);
    QFile file(Cli.Path(QStringLiteral("card.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(json).toJson());
  };
  setFaults({{QStringLiteral("io-error-after"), static_cast<double>(accesses / 2)}});
  const TCliRun failed = Cli.Run(programExt);
  EXPECT_EQ(failed.Code, 4) << failed.Err.toStdString();
  EXPECT_TRUE(failed.Err.contains(QStringLiteral("The port failed: input/output error")))
      << failed.Err.toStdString();
  const QRegularExpression kept(QStringLiteral("could not be written back\\. [^\\n]*\\n([^\\n]+)"));
  QStringList files;
  for (auto it = kept.globalMatch(failed.Err); it.hasNext();) files << it.next().captured(1);
  ASSERT_EQ(files.size(), 2) << failed.Err.toStdString();
  // The fault stays in the state until it is taken out.
  EXPECT_TRUE(QJsonDocument::fromJson(Cli.Contents("card.json"))
                  .object()
                  .value(QStringLiteral("faults"))
                  .toObject()
                  .contains(QStringLiteral("io-error-after")));

  setFaults({});
  RunSteps({{On({"--quiet", "program", "--flash", files[0], "--eeprom", files[1]}), 0, "", ""},
            {On({"verify", "--flash", "flash.hex", "--eeprom", "eeprom.srec"}), 0,
             "Device verified.", ""}});
}

TEST(CliProgram, HelpAndLinkage) {
  TCliProcess cli;
  const TCliRun help = cli.Run({QStringLiteral("--help")});
  EXPECT_EQ(help.Code, 0);
  for (const char* text :
       {"list",        "detect",          "program",   "verify",         "read",
        "erase",       "convert",         "--port",    "--virtual-card", "--card-state",
        "--processor", "--eeprom-type",   "--force",   "--timing",       "--quiet",
        "--progress",  "--no-verify",     "--restore", "--memory",       "--version",
        "--no-restore",
        "Exit codes",  "130  interrupted"})
    EXPECT_TRUE(help.Out.contains(QLatin1String(text))) << text;

  // The libraries the program needs: QtCore, no widgets, no GUI.
  QProcess readelf;
  readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral(PELLAR_CLI)});
  if (!readelf.waitForStarted()) GTEST_SKIP() << "readelf is not installed";
  ASSERT_TRUE(readelf.waitForFinished());
  const QString needed = QString::fromLocal8Bit(readelf.readAllStandardOutput());
  EXPECT_TRUE(needed.contains(QStringLiteral("libQt6Core"))) << needed.toStdString();
  EXPECT_FALSE(needed.contains(QStringLiteral("libQt6Widgets"))) << needed.toStdString();
  EXPECT_FALSE(needed.contains(QStringLiteral("libQt6Gui"))) << needed.toStdString();
}

}  // namespace
