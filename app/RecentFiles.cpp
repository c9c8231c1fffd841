// File -> Recent: the last files of each image and of whole-card images,
// newest first, kept in the settings beside the autoload entries
// ("<image>/Recent"). A file that has gone is listed greyed, with its path
// as the tool tip; choosing one loads it as the load commands do.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <vector>

#include "app/MainUnit.h"

QStringList TMainForm::RecentFiles(const QString& group) const {
  const QVariant stored = FSettings->value(group + QStringLiteral("/Recent"));
  QStringList files;
  for (const QString& f : stored.toStringList())
    if (!f.isEmpty() && !files.contains(f)) files << f;
  return files.mid(0, RecentFileCount);
}

void TMainForm::AddRecentFile(const QString& group, const QString& fileName) {
  QStringList files = RecentFiles(group);
  files.removeAll(fileName);
  files.prepend(fileName);
  FSettings->setValue(group + QStringLiteral("/Recent"), files.mid(0, RecentFileCount));
  // The menu is rebuilt when it is next opened: this may run from one of
  // its own entries.
}

void TMainForm::RebuildRecentMenu() {
  if (!miRecent) return;
  miRecent->clear();
  struct TSection {
    QString Title;
    QString Group;
    int Kind;  // an image, or -1 for card images
  };
  std::vector<TSection> sections;
  for (TImageKind kind : AllImageKinds)
    sections.push_back({QString::fromLatin1(Images[kind].RecentTitle), ImageName(kind), kind});
  sections.push_back({QStringLiteral("Card images"), CardImageGroup(), -1});
  bool any = false;
  for (const TSection& section : sections) {
    const QStringList files = RecentFiles(section.Group);
    if (files.isEmpty()) continue;
    any = true;
    miRecent->addSection(section.Title);
    for (const QString& file : files) {
      QAction* action = miRecent->addAction(QFileInfo(file).fileName());
      action->setToolTip(file);
      action->setData(file);
      action->setEnabled(QFileInfo(file).isFile());
      const int kind = section.Kind;
      connect(action, &QAction::triggered, this, [this, kind, file] {
        RunCommand([this, kind, file] {
          if (kind < 0)
            LoadCardImageFile(file);
          else
            OpenImageFile(static_cast<TImageKind>(kind), file);
        });
      });
    }
  }
  if (!any) miRecent->addAction(QStringLiteral("(none yet)"))->setEnabled(false);
}
