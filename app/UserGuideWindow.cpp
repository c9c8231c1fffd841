#include "app/UserGuideWindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The resource lives in a static library: it must be pulled in by name.
static void InitGuideResource() { Q_INIT_RESOURCE(pellar); }

QString TUserGuideWindow::GuideResource() { return QStringLiteral(":/docs/USER_GUIDE.md"); }

TUserGuideWindow::TUserGuideWindow(QWidget* parent) : QDialog(parent) {
  InitGuideResource();
  setObjectName(QStringLiteral("UserGuideWindow"));
  setWindowTitle(QStringLiteral("Pellar Remake - User guide"));
  setModal(false);
  resize(760, 640);

  Browser = new QTextBrowser(this);
  Browser->setObjectName(QStringLiteral("UserGuideBrowser"));
  Browser->setOpenExternalLinks(true);
  // Pictures of the guide are resources beside it.
  Browser->setSearchPaths({QStringLiteral(":/docs")});
  QFile guide(GuideResource());
  if (guide.open(QIODevice::ReadOnly))
    Browser->setMarkdown(QString::fromUtf8(guide.readAll()));
  else
    Browser->setPlainText(QStringLiteral("The user guide is missing from this build."));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Browser);
  layout->addWidget(buttons);
}
