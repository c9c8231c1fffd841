// Files without a single data byte are refused by pellar-cli before the
// card is touched: exit 3 (a file error), the message naming the file, and
// the card's state file as it was.
#include <QFile>

#include "tests/cli/CliProcess.h"
#include "tests/images/HexTestSupport.h"

namespace {

TEST(CliNoData, FilesWithoutDataAreFileErrorsAndLeaveTheCardAlone) {
  TCliProcess cli;
  const QStringList card = {QStringLiteral("--virtual-card=AT90S2323,2464/2465"),
                            QStringLiteral("--card-state"), QStringLiteral("card.json")};
  ASSERT_EQ(cli.Run(card + QStringList{"detect"}).Code, 0);
  const QByteArray state = cli.Contents(QStringLiteral("card.json"));
  ASSERT_FALSE(state.isEmpty());

  const std::pair<const char*, std::string> files[] = {
      {"empty.hex", ""},
      {"end.hex", hextest::EndRecord + "\r\n"},
      {"end.srec", hextest::SRecord(9, 0) + "\r\n"},
  };
  for (const auto& [name, text] : files) hextest::WriteBytes(cli.Path(name), text);
  const struct {
    QStringList Args;
    QString File;
  } runs[] = {
      {card + QStringList{"program", "--flash", "empty.hex"}, "empty.hex"},
      {card + QStringList{"program", "--ext-eeprom", "/dev/null"}, "/dev/null"},
      {card + QStringList{"program", "--card", "end.hex"}, "end.hex"},
      {card + QStringList{"verify", "--eeprom", "end.srec"}, "end.srec"},
      {QStringList{"convert", "end.srec", "out.bin"}, "end.srec"},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.Args.join(QLatin1Char(' ')).toStdString());
    const TCliRun run = cli.Run(r.Args);
    EXPECT_EQ(run.Code, 3) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("The file contains no data!\n")))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(r.File)) << run.Err.toStdString();
    EXPECT_EQ(cli.Contents(QStringLiteral("card.json")), state);
  }
  EXPECT_FALSE(QFile::exists(cli.Path(QStringLiteral("out.bin"))));
}

}  // namespace
