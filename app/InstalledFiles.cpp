#include "app/InstalledFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifndef PELLAR_SOURCE_DOCS
#define PELLAR_SOURCE_DOCS ""
#endif
#ifndef PELLAR_DOCS_FROM_BINDIR
#define PELLAR_DOCS_FROM_BINDIR "../share/doc/pellar"
#endif
#ifndef PELLAR_APP_ID
#define PELLAR_APP_ID "pellar"
#endif

QString ExecutableDirectory() {
  const QFileInfo exe(QStringLiteral("/proc/self/exe"));
  const QString target = exe.canonicalFilePath();
  return target.isEmpty() ? QString() : QFileInfo(target).absolutePath();
}

QString InstalledUserGuidePath() {
  const QString name = QStringLiteral("USER_GUIDE.md");
  const QString bin = ExecutableDirectory();
  QStringList places;
  if (!bin.isEmpty()) places << bin + QLatin1Char('/') + QStringLiteral(PELLAR_DOCS_FROM_BINDIR);
  places << QStringLiteral(PELLAR_SOURCE_DOCS);
  for (const QString& dir : places) {
    if (dir.isEmpty()) continue;
    const QFileInfo file(QDir(dir), name);
    if (file.isFile()) return QDir::cleanPath(file.absoluteFilePath());
  }
  return {};
}

QIcon ApplicationIcon() {
  const QString id = QStringLiteral(PELLAR_APP_ID);
  // hicolor beside the program, <prefix>/share/icons/hicolor/<size>/apps:
  // found whatever the platform's icon theme (there may be none).
  QIcon icon;
  const QString bin = ExecutableDirectory();
  if (!bin.isEmpty()) {
    const QDir hicolor(bin + QStringLiteral("/../share/icons/hicolor"));
    for (const char* size : {"48x48", "128x128", "256x256"}) {
      const QString png =
          hicolor.filePath(QStringLiteral("%1/apps/%2.png").arg(QLatin1String(size), id));
      if (QFileInfo(png).isFile()) icon.addFile(png);
    }
  }
  return icon.isNull() ? QIcon::fromTheme(id) : icon;
}
