#include "app/UserGuideWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/GuideFindBar.h"

// The resource lives in a static library: it must be pulled in by name.
static void InitGuideResource() { Q_INIT_RESOURCE(pellar); }

QString TUserGuideWindow::GuideResource() { return QStringLiteral(":/docs/USER_GUIDE.md"); }

namespace {

// Where a block starts in the view's coordinates (the scroll bar's value
// that puts it at the top).
int BlockTop(const QTextBlock& block) {
  return int(block.document()->documentLayout()->blockBoundingRect(block).top());
}

}  // namespace

TUserGuideWindow::TUserGuideWindow(QWidget* parent) : QDialog(parent) {
  InitGuideResource();
  setObjectName(QStringLiteral("UserGuideWindow"));
  setWindowTitle(QStringLiteral("Pellar Remake - User guide"));
  setModal(false);
  resize(960, 660);

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

  Contents = new QTreeWidget(this);
  Contents->setObjectName(QStringLiteral("UserGuideContents"));
  Contents->setHeaderHidden(true);
  Contents->setRootIsDecorated(true);
  Contents->header()->setStretchLastSection(true);
  FillContents();
  connect(Contents, &QTreeWidget::itemActivated, this, &TUserGuideWindow::ShowSection);
  connect(Contents, &QTreeWidget::itemClicked, this, &TUserGuideWindow::ShowSection);
  connect(Browser->verticalScrollBar(), &QScrollBar::valueChanged, this,
          &TUserGuideWindow::FollowReadingPlace);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(Contents);
  splitter->addWidget(Browser);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({240, 720});
  splitter->setChildrenCollapsible(false);

  FindBar = new TGuideFindBar(Browser, this);
  auto* find = new QAction(QStringLiteral("Find"), this);
  find->setObjectName(QStringLiteral("actGuideFind"));
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  find->setShortcutContext(Qt::WindowShortcut);
  connect(find, &QAction::triggered, FindBar, &TGuideFindBar::Open);
  addAction(find);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addWidget(FindBar);
  layout->addWidget(buttons);
}

void TUserGuideWindow::FillContents() {
  // The last entry of each level, for nesting the next deeper heading.
  std::vector<QTreeWidgetItem*> parents;
  for (QTextBlock block = Browser->document()->begin(); block.isValid(); block = block.next()) {
    const int level = block.blockFormat().headingLevel();
    if (level <= 0) continue;
    parents.resize(static_cast<size_t>(level - 1), nullptr);
    QTreeWidgetItem* parent = nullptr;
    for (auto it = parents.rbegin(); it != parents.rend() && !parent; ++it) parent = *it;
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(Contents);
    item->setText(0, block.text());
    item->setToolTip(0, block.text());
    item->setData(0, Qt::UserRole, block.position());
    parents.push_back(item);
  }
  Contents->expandAll();
}

void TUserGuideWindow::ShowSection(QTreeWidgetItem* item) {
  if (!item) return;
  const QTextBlock block = Browser->document()->findBlock(item->data(0, Qt::UserRole).toInt());
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  Browser->setTextCursor(cursor);
  QScrollBar* bar = Browser->verticalScrollBar();
  bar->setValue(std::min(BlockTop(block), bar->maximum()));
}

void TUserGuideWindow::FollowReadingPlace() {
  const int top = Browser->verticalScrollBar()->value();
  QTreeWidgetItem* current = nullptr;
  for (QTreeWidgetItemIterator it(Contents); *it; ++it) {
    const QTextBlock block = Browser->document()->findBlock((*it)->data(0, Qt::UserRole).toInt());
    if (BlockTop(block) > top + 4) break;
    current = *it;
  }
  const QSignalBlocker block(Contents);
  Contents->setCurrentItem(current);
}
