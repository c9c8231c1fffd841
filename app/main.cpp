// Program entry: the application object, the main window and the message
// loop. The command line may add the virtual card as a port
// (--virtual-card[=PROCESSOR,EEPROM]); a bad value ends the program with a
// message on stderr and exit code 2. --version prints the version and the
// installed user guide's path. Ctrl+C and SIGTERM close the window as its
// close button does (QuitSignals.h).
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "app/InstalledFiles.h"
#include "app/MainUnit.h"
#include "app/PellarApplication.h"
#include "app/ProgramOptions.h"
#include "app/QuitSignals.h"
#include "link/TLpt.h"
#include "link/FtdiPortSource.h"
#include "sim/VirtualCardPortSource.h"

namespace {

QStringList RawArguments(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

// The version and, for the installation's sake, where the guide is.
QString VersionText() {
  const QString guide = InstalledUserGuidePath();
  return QStringLiteral("%1 %2\nUser guide: %3\n")
      .arg(QStringLiteral(PELLAR_PRODUCT_NAME), QStringLiteral(PELLAR_VERSION_TEXT),
           guide.isEmpty() ? QStringLiteral("not installed (Help -> Contents shows it)") : guide);
}

}  // namespace

int main(int argc, char** argv) {
  const QString programName =
      argc > 0 ? QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() : QStringLiteral("pellar");

  // Our own options are read before the display is opened, so that --help
  // and a bad value work without one; the toolkit's options pass.
  TProgramOptions options;
  QString error;
  if (!ParseProgramOptions(RawArguments(argc, argv), false, options, error)) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(programName), qPrintable(error));
    return 2;
  }
  if (options.Help) {
    std::fputs(qPrintable(ProgramUsage(programName)), stdout);
    return 0;
  }
  if (options.Version) {
    std::fputs(qPrintable(VersionText()), stdout);
    return 0;
  }

  TPellarApplication app(argc, argv);
  // The desktop entry (and so the icon) that belongs to the window.
  QGuiApplication::setDesktopFileName(QStringLiteral(PELLAR_APP_ID));
  QApplication::setWindowIcon(ApplicationIcon());
  // What is left once the toolkit has taken its own options must be ours.
  if (!ParseProgramOptions(app.arguments().mid(1), true, options, error)) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(programName), qPrintable(error));
    return 2;
  }

  auto port = std::make_unique<TLptPort>();
  // USB boards with an FTDI chip, after the parallel ports.
  port->AddSource(std::make_unique<TFtdiPortSource>());
  if (options.VirtualCard)
    port->AddSource(std::make_unique<TVirtualCardPortSource>(options.VirtualCardConfig));

  TMainFormOptions formOptions;
  formOptions.Port = std::move(port);
  if (options.VirtualCard) {
    // The window starts with the virtual card's chips chosen.
    formOptions.ProcessorRow = options.VirtualCardConfig.ProcessorRow;
    formOptions.EepromRow = options.VirtualCardConfig.EepromRow;
  }
  TMainForm form(std::move(formOptions));
  // Errors that end any other event's handling are shown the same way.
  app.SetErrorHandler([&form](const QString& text) { form.ShowCommandError(text); });
  form.show();
  CloseOnQuitSignals(form);
  const int result = app.exec();
  app.SetErrorHandler(nullptr);
  return result;
}
