// pellar-cli: the card programmer on the command line. Reads the options,
// runs one command and ends with its exit code (ExitCodes.h); every error
// is one message on stderr.
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <unistd.h>

#include <cstdio>

#include "card/CardSession.h"
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "images/ImageFileErrors.h"

namespace {

int Run(const TCliOptions& options, TConsole& console) {
  switch (options.Command) {
    case ccList: return RunList(options, console);
    case ccConvert: return RunConvert(options, console);
    default: return RunCardCommand(options, console);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The window's data folder: backups the card did not take back go there.
  QCoreApplication::setOrganizationName(QStringLiteral("pellar-remake"));
  QCoreApplication::setApplicationName(QStringLiteral("pellar"));

  const QString programName = argc > 0 ? QFileInfo(QString::fromLocal8Bit(argv[0])).fileName()
                                       : QStringLiteral("pellar-cli");
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  TCliOptions options;
  QString error;
  if (!ParseCliOptions(args, options, error)) {
    std::fprintf(stderr, "%s: %s\n%s", qPrintable(programName), qPrintable(error),
                 qPrintable(CliUsageHint(programName)));
    return ecUsage;
  }
  if (options.Help) {
    std::fputs(qPrintable(CliUsage(programName)), stdout);
    return ecSuccess;
  }
  if (options.Version) {
    std::printf("%s %s\n", PELLAR_PRODUCT_NAME, PELLAR_VERSION_TEXT);
    return ecSuccess;
  }

  InstallInterruptHandler();
  TConsole console({options.Quiet, options.Progress || isatty(STDERR_FILENO) == 1});
  const std::string prefix = programName.toStdString() + ": ";
  try {
    return Run(options, console);
  } catch (const ECliError& e) {
    console.Error(prefix + e.what());
    return e.Code;
  } catch (const EHexFileError& e) {
    console.Error(prefix + e.what());
    return ecFile;
  } catch (const EOSError& e) {
    console.Error(prefix + e.what());
    return ecFile;
  } catch (const ECardPortError& e) {
    console.Error(prefix + e.what());
    return ecCard;
  } catch (const std::exception& e) {
    console.Error(prefix + e.what());
    return ecCard;
  }
}
