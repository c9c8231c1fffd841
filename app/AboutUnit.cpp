#include "app/AboutUnit.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringList>
#include <QSysInfo>
#include <QUrl>
#include <QVBoxLayout>

#include "app/ReadableColors.h"
#include "app/UserDialogs.h"

#ifndef PELLAR_PRODUCT_NAME
#define PELLAR_PRODUCT_NAME ""
#endif
#ifndef PELLAR_VERSION_TEXT
#define PELLAR_VERSION_TEXT ""
#endif
#ifndef PELLAR_HOMEPAGE
#define PELLAR_HOMEPAGE ""
#endif

bool ParseVersionText(const QString& text, TVersionRecord& record) {
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() != 4) return false;
  int n[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    n[i] = parts[i].toInt(&ok);
    if (!ok || n[i] < 0 || n[i] > 65535) return false;
  }
  record.Major = n[0];
  record.Minor = n[1];
  record.Release = n[2];
  record.Build = n[3];
  return true;
}

TVersionRecord CompiledVersionRecord() {
  TVersionRecord r;
  r.ProductName = QStringLiteral(PELLAR_PRODUCT_NAME);
  r.Present = !r.ProductName.isEmpty() && ParseVersionText(QStringLiteral(PELLAR_VERSION_TEXT), r);
  r.Comments = QStringLiteral("For the latest information about the Orvane project please visit");
#ifdef PELLAR_DEBUG_BUILD
  r.Debug = true;
#endif
  return r;
}

QString OsVersionText() {
  const QString kernel = QSysInfo::kernelType();
  const QString kernelName = kernel == QLatin1String("linux") ? QStringLiteral("Linux") : kernel;
  QString text = QSysInfo::prettyProductName();
  const QString kernelText =
      QStringLiteral("%1 kernel %2").arg(kernelName, QSysInfo::kernelVersion());
  if (text.isEmpty() || text.startsWith(kernelName)) return kernelText;
  return text + QStringLiteral(", ") + kernelText;
}

QString ProjectUrl() { return QStringLiteral(PELLAR_HOMEPAGE); }

TAboutForm::TAboutForm(const TVersionRecord& record, TUserDialogs* dialogs, QWidget* parent)
    : QDialog(parent), Dialogs(dialogs) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(record.Present && record.Debug ? QStringLiteral("DebugBuild")
                                                : QStringLiteral("About"));

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);

  auto caption = [panel](const char* text) {
    auto* l = new QLabel(QString::fromLatin1(text), panel);
    l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return l;
  };
  auto value = [panel](const char* name) {
    auto* l = new QLabel(panel);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
  };

  productLabel = value("productLabel");
  versionLabel = value("versionLabel");
  winverLabel = value("winverLabel");
  commentsLabel = value("commentsLabel");
  URLLabel = value("URLLabel");
  copyLabel = value("copyLabel");

  commentsLabel->setWordWrap(true);
  SetMeaningColor(commentsLabel, Qt::darkBlue);
  winverLabel->setWordWrap(true);
  QFont bold = copyLabel->font();
  bold.setBold(true);
  copyLabel->setFont(bold);
  SetMeaningColor(copyLabel, Qt::darkBlue);
  QFont underlined = URLLabel->font();
  underlined.setUnderline(true);
  URLLabel->setFont(underlined);
  SetMeaningColor(URLLabel, Qt::blue);
  URLLabel->setCursor(Qt::PointingHandCursor);
  URLLabel->setText(ProjectUrl());
  // A click on the address opens it; the label is a plain text label, so
  // the click comes through its event filter.
  URLLabel->installEventFilter(this);

  if (record.Present) {
    productLabel->setText(record.ProductName + QStringLiteral(" (Beta 2)"));
    versionLabel->setText(QStringLiteral("%1.%2.%3 (Build %4)")
                              .arg(record.Major)
                              .arg(record.Minor)
                              .arg(record.Release)
                              .arg(record.Build));
    commentsLabel->setText(record.Comments);
    copyLabel->setText(record.LegalCopyright);
  }
  winverLabel->setText(OsVersionText());

  auto* grid = new QGridLayout(panel);
  grid->addWidget(caption("Product name:"), 0, 0);
  grid->addWidget(productLabel, 0, 1);
  grid->addWidget(caption("Version:"), 1, 0);
  grid->addWidget(versionLabel, 1, 1);
  grid->addWidget(winverLabel, 2, 0, 1, 2);
  grid->addWidget(commentsLabel, 3, 0, 1, 2);
  grid->addWidget(URLLabel, 4, 0, 1, 2);
  grid->addWidget(copyLabel, 5, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel, 1);
  layout->addLayout(buttons);

  // A fixed single border: the box keeps its size.
  setFixedSize(sizeHint().expandedTo(QSize(346, 197)));
}

void TAboutForm::URLLabelClick() {
  const QUrl url(URLLabel->text());
  if (Dialogs)
    Dialogs->OpenUrl(url);
  else
    QDesktopServices::openUrl(url);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == URLLabel && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    URLLabelClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
