#include "app/MessageDialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#ifndef PELLAR_PRODUCT_NAME
#define PELLAR_PRODUCT_NAME "Pellar Remake"
#endif

namespace {

QMessageBox::Icon KindIcon(TMessageKind kind) {
  switch (kind) {
    case mkError: return QMessageBox::Critical;
    case mkInformation: return QMessageBox::Information;
    case mkConfirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// Centres a dialog on the primary screen (a box without a window on
// screen to stand over).
void CenterOnScreen(QWidget& dialog) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  dialog.adjustSize();
  QRect frame(QPoint(0, 0), dialog.size());
  frame.moveCenter(screen->availableGeometry().center());
  dialog.move(frame.topLeft());
}

}  // namespace

QString MessageDialogCaption(TMessageKind kind) {
  switch (kind) {
    case mkError: return QStringLiteral("Error");
    case mkInformation: return QStringLiteral("Information");
    case mkConfirmation: return QStringLiteral("Confirm");
  }
  return {};
}

namespace {

// Remembers whether the box was closed with its close button, which Qt
// reports as a press of the escape button.
class TMessageBox : public QMessageBox {
public:
  using QMessageBox::QMessageBox;
  bool ClosedByWindow() const { return FClosedByWindow; }

protected:
  void closeEvent(QCloseEvent* event) override {
    FClosedByWindow = true;
    QMessageBox::closeEvent(event);
  }

private:
  bool FClosedByWindow = false;
};

}  // namespace

bool MessageBoxClosedByWindow(const QMessageBox& box) {
  const auto* own = dynamic_cast<const TMessageBox*>(&box);
  return own && own->ClosedByWindow();
}

std::unique_ptr<QMessageBox> CreateMessageDialog(QWidget* parent, const QString& text,
                                                 TMessageKind kind, TMessageButtons buttons) {
  auto box = std::make_unique<TMessageBox>(parent);
  box->setWindowTitle(MessageDialogCaption(kind));
  box->setIcon(KindIcon(kind));
  box->setTextFormat(Qt::PlainText);
  box->setText(text);
  if (buttons == mbYesNo) {
    QPushButton* yes = box->addButton(QMessageBox::Yes);
    QPushButton* no = box->addButton(QMessageBox::No);
    yes->setText(QStringLiteral("&Yes"));
    no->setText(QStringLiteral("&No"));
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
  } else {
    QPushButton* ok = box->addButton(QMessageBox::Ok);
    ok->setText(QStringLiteral("OK"));
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
  }
  return box;
}

TMessageResult MessageDialogResult(const QMessageBox& box, TMessageButtons buttons) {
  auto* clicked = box.clickedButton();
  if (buttons == mbOK) return mrOK;
  if (MessageBoxClosedByWindow(box)) return mrCancel;
  if (clicked && box.standardButton(const_cast<QAbstractButton*>(clicked)) == QMessageBox::Yes)
    return mrYes;
  return mrNo;
}

TMessageResult ShowMessageDialog(QWidget* parent, const QString& text, TMessageKind kind,
                                 TMessageButtons buttons) {
  auto box = CreateMessageDialog(parent, text, kind, buttons);
  // Over the window, like the window's other boxes: an error titled with
  // the program's name, and centred on the window (Qt places a dialog
  // with a parent so) while the window is on screen.
  if (parent && kind == mkError) box->setWindowTitle(QStringLiteral(PELLAR_PRODUCT_NAME));
  if (!parent || !parent->window()->isVisible()) CenterOnScreen(*box);
  box->exec();
  return MessageDialogResult(*box, buttons);
}

QString ErrorBoxText(const QString& text) {
  if (!text.isEmpty() && text.back().isLetterOrNumber()) return text + QLatin1Char('.');
  return text;
}

std::unique_ptr<QMessageBox> CreateErrorBox(QWidget* parent, const QString& title,
                                            const QString& text) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(title);
  box->setIcon(QMessageBox::Critical);
  box->setTextFormat(Qt::PlainText);
  box->setText(ErrorBoxText(text));
  QPushButton* ok = box->addButton(QMessageBox::Ok);
  ok->setText(QStringLiteral("OK"));
  box->setDefaultButton(ok);
  box->setEscapeButton(ok);
  return box;
}
