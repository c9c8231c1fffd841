#include "app/StatusTexts.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// "Flash image", "Internal eeprom image", "External eeprom image".
QString ImageText(TImageKind kind) {
  QString title = QString::fromLatin1(ImagePageNames[kind].Title);
  title[0] = title[0].toUpper();
  return title + QStringLiteral(" image");
}

QString FileText(const QString& fileName) { return QFileInfo(fileName).fileName(); }

QString ImageList(const std::array<bool, 3>& images) {
  QStringList parts;
  for (TImageKind kind : AllImageKinds)
    if (images[kind]) parts << QString::fromLatin1(ImagePageNames[kind].Title);
  return parts.join(QStringLiteral(", "));
}

}  // namespace

QString ImageLoadedText(TImageKind kind, const QString& fileName) {
  return QStringLiteral("%1 loaded from %2.").arg(ImageText(kind), FileText(fileName));
}

QString ImageSavedText(TImageKind kind, const QString& fileName) {
  return QStringLiteral("%1 saved to %2.").arg(ImageText(kind), FileText(fileName));
}

QString ImageReadText(TImageKind kind) {
  return QStringLiteral("%1 read from the card.").arg(ImageText(kind));
}

QString CardReadText() {
  return QStringLiteral("Card read: %1.").arg(ImageList({true, true, true}));
}

QString CardImageText(const QString& fileName, const char* verb,
                      const std::array<bool, 3>& images) {
  const QString list = ImageList(images);
  return QStringLiteral("Card image %1 %2: %3.")
      .arg(FileText(fileName), QString::fromLatin1(verb),
           list.isEmpty() ? QStringLiteral("every image is empty") : list);
}
