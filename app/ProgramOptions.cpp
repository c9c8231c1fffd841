#include "app/ProgramOptions.h"

#include "sim/VirtualCardOption.h"

bool ParseProgramOptions(const QStringList& args, bool rejectUnknown, TProgramOptions& options,
                         QString& error) {
  const QString virtualCard = QStringLiteral("--virtual-card");
  for (const QString& arg : args) {
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      options.Help = true;
    } else if (arg == QLatin1String("--version")) {
      options.Version = true;
    } else if (arg == virtualCard || arg.startsWith(virtualCard + QLatin1Char('='))) {
      // What follows the option's name: "" or "=PROCESSOR[,EEPROM]".
      std::string message;
      TVirtualCardConfig config;
      if (!ParseVirtualCardOption(arg.mid(virtualCard.size()).toStdString(), config, message)) {
        error = QString::fromStdString(message);
        return false;
      }
      options.VirtualCard = true;
      options.VirtualCardConfig = config;
    } else if (rejectUnknown) {
      error = QStringLiteral("unknown argument \"%1\" (try --help)").arg(arg);
      return false;
    }
  }
  return true;
}

QString ProgramUsage(const QString& programName) {
  return QStringLiteral(
             "Usage: %1 [--virtual-card[=PROCESSOR,EEPROM]]\n"
             "\n"
             "Programmer for two-chip smart cards (AT90S AVR + 24Cxx EEPROM) on a\n"
             "parallel-port adapter.\n"
             "\n"
             "  --virtual-card[=PROCESSOR,EEPROM]\n"
             "%2"
             "  --version   print the version and where the user guide is, and exit\n"
             "  --help, -h  print this text and exit\n")
      .arg(programName, QString::fromStdString(VirtualCardOptionHelp(
                            "add a simulated card as the port 0x0CA0; ", 8, 78)));
}
