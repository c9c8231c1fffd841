#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "app/AboutUnit.h"
#include "app/ExtCmdUnit.h"
#include "app/MessageDialog.h"
#include "app/TextQueryDialog.h"
#include "app/UserDialogs.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/ScriptedDialogs.h"

namespace {

// Shows the box, presses a key in it and returns its answer.
TMessageResult AnswerWithKey(TMessageButtons buttons, Qt::Key key) {
  auto box = CreateMessageDialog(nullptr, "Question?", mkConfirmation, buttons);
  box->show();
  QTest::keyClick(box.get(), key);
  EXPECT_FALSE(box->isVisible());
  return MessageDialogResult(*box, buttons);
}

TEST(MessageDialog, KindsGiveCaptionIconAndButtons) {
  TestApp();
  auto error = CreateMessageDialog(nullptr, "Error programming Flash.", mkError, mbOK);
  EXPECT_EQ(error->windowTitle(), "Error");
  EXPECT_EQ(error->icon(), QMessageBox::Critical);
  ASSERT_EQ(error->buttons().size(), 1);
  EXPECT_EQ(error->buttons()[0]->text(), "OK");

  auto info = CreateMessageDialog(nullptr, "Installation complete.\n\nYou need to reboot.",
                                  mkInformation, mbOK);
  EXPECT_EQ(info->windowTitle(), "Information");
  EXPECT_EQ(info->icon(), QMessageBox::Information);
  // Line breaks are kept, and nothing is read as markup.
  EXPECT_EQ(info->text(), "Installation complete.\n\nYou need to reboot.");
  EXPECT_EQ(info->textFormat(), Qt::PlainText);

  auto confirm =
      CreateMessageDialog(nullptr, "Do you really want to erase?", mkConfirmation, mbYesNo);
  EXPECT_EQ(confirm->windowTitle(), "Confirm");
  EXPECT_EQ(confirm->icon(), QMessageBox::Question);
  QStringList texts;
  for (auto* b : confirm->buttons()) texts << b->text();
  texts.sort();
  EXPECT_EQ(texts, QStringList({"&No", "&Yes"}));
}

TEST(MessageDialog, EnterAnswersYesEscapeAnswersNo) {
  TestApp();
  EXPECT_EQ(AnswerWithKey(mbYesNo, Qt::Key_Return), mrYes);
  EXPECT_EQ(AnswerWithKey(mbYesNo, Qt::Key_Enter), mrYes);
  EXPECT_EQ(AnswerWithKey(mbYesNo, Qt::Key_Escape), mrNo);
  EXPECT_EQ(AnswerWithKey(mbOK, Qt::Key_Return), mrOK);
  EXPECT_EQ(AnswerWithKey(mbOK, Qt::Key_Escape), mrOK);

  // Closed with its close box, a Yes/No box answers Cancel (not No, which
  // would carry on after "...Abort?").
  auto box = CreateMessageDialog(nullptr, "Abort?", mkError, mbYesNo);
  box->show();
  box->close();
  EXPECT_EQ(MessageDialogResult(*box, mbYesNo), mrCancel);
}

TEST(ErrorBox, StopIconTitleAndClosingPeriod) {
  TestApp();
  auto box = CreateErrorBox(nullptr, "pellar", "Format Error");
  EXPECT_EQ(box->windowTitle(), "pellar");
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_EQ(box->text(), "Format Error.");

  EXPECT_EQ(ErrorBoxText("Cannot initialize Port-driver!"), "Cannot initialize Port-driver!");
  EXPECT_EQ(ErrorBoxText("Cannot save readonly file x."), "Cannot save readonly file x.");
  EXPECT_EQ(ErrorBoxText("Invalid bytes per unit value 3"), "Invalid bytes per unit value 3.");
  EXPECT_EQ(ErrorBoxText("Missing char in offset format: )"), "Missing char in offset format: )");
  EXPECT_EQ(ErrorBoxText(QString::fromUtf8("Fehler in Datei \xc3\xa4")),
            QString::fromUtf8("Fehler in Datei \xc3\xa4."));
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(TdlgExtCmd, StatesAsTheCallerSetsThem) {
  TestApp();
  {
    // Nothing offered: both boxes greyed.
    TdlgExtCmd none({});
    EXPECT_FALSE(Named<QCheckBox>(none, "cbRestore")->isEnabled());
    EXPECT_FALSE(Named<QCheckBox>(none, "cbVerify")->isEnabled());
  }
  {
    // Program All with only a flash image: verify offered, no restore.
    TdlgExtCmd dlg({.Verify = true});
    EXPECT_EQ(dlg.windowTitle(), "Confirm");
    auto* cbRestore = Named<QCheckBox>(dlg, "cbRestore");
    auto* cbVerify = Named<QCheckBox>(dlg, "cbVerify");
    auto* meRestore = Named<QPlainTextEdit>(dlg, "meRestore");
    EXPECT_FALSE(cbRestore->isEnabled());
    EXPECT_TRUE(cbVerify->isEnabled());
    dlg.show();
    EXPECT_FALSE(cbRestore->isChecked());
    EXPECT_FALSE(meRestore->isEnabled());  // the warning is greyed
    EXPECT_TRUE(cbVerify->isChecked());
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.RestoreChecked());
    EXPECT_TRUE(dlg.VerifyChecked());
  }
  {
    // Read Ext. EEprom: restore offered and checked, verify not.
    TdlgExtCmd dlg({.Restore = true});
    auto* meRestore = Named<QPlainTextEdit>(dlg, "meRestore");
    dlg.show();
    EXPECT_TRUE(meRestore->isEnabled());
    EXPECT_TRUE(meRestore->isReadOnly());
    EXPECT_FALSE(Named<QCheckBox>(dlg, "cbVerify")->isEnabled());
    EXPECT_TRUE(
        meRestore->toPlainText().startsWith("This command will erase flash/internal eeprom.\n"));
    // The user unchecks the restore: the dialog answers so.
    Named<QCheckBox>(dlg, "cbRestore")->setChecked(false);
    EXPECT_FALSE(dlg.RestoreChecked());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
  }
}

TEST(TAboutForm, ShowsTheVersionRecord) {
  TestApp();
  TVersionRecord r;
  r.Present = true;
  r.ProductName = "Pellar Remake";
  ASSERT_TRUE(ParseVersionText("3.0.0.358", r));
  r.Comments = "For the latest information about the Orvane project please visit";
  TAboutForm about(r);
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_EQ(Named<QLabel>(about, "productLabel")->text(), "Pellar Remake (Beta 2)");
  EXPECT_EQ(Named<QLabel>(about, "versionLabel")->text(), "3.0.0 (Build 358)");
  EXPECT_EQ(Named<QLabel>(about, "commentsLabel")->text(), r.Comments);
  EXPECT_EQ(Named<QLabel>(about, "copyLabel")->text(), "");
  EXPECT_FALSE(Named<QLabel>(about, "winverLabel")->text().isEmpty());
  EXPECT_EQ(Named<QLabel>(about, "URLLabel")->text(), ProjectUrl());
  EXPECT_GE(about.width(), 346);
  EXPECT_GE(about.height(), 197);

  r.Debug = true;
  EXPECT_EQ(TAboutForm(r).windowTitle(), "DebugBuild");
}

TEST(TAboutForm, ClickingTheAddressHandsItToTheDesktop) {
  TestApp();
  TScriptedDialogs dialogs;
  TAboutForm about(CompiledVersionRecord(), &dialogs);
  about.show();
  QTest::mouseClick(Named<QLabel>(about, "URLLabel"), Qt::LeftButton);
  ASSERT_EQ(dialogs.OpenedUrls.size(), 1u);
  EXPECT_EQ(dialogs.OpenedUrls[0].toString(), ProjectUrl());
  EXPECT_TRUE(dialogs.OpenedUrls[0].scheme().startsWith("http"));
}

TEST(TAboutForm, WithoutAVersionRecordOnlyTheSystemLineIsFilled) {
  TestApp();
  TVersionRecord none;
  none.Debug = true;  // ignored without a record
  TAboutForm about(none);
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_EQ(Named<QLabel>(about, "productLabel")->text(), "");
  EXPECT_EQ(Named<QLabel>(about, "versionLabel")->text(), "");
  EXPECT_EQ(Named<QLabel>(about, "commentsLabel")->text(), "");
  EXPECT_EQ(Named<QLabel>(about, "copyLabel")->text(), "");
  EXPECT_EQ(Named<QLabel>(about, "winverLabel")->text(), OsVersionText());
  EXPECT_TRUE(OsVersionText().contains(QSysInfo::kernelVersion()));
}

TEST(TAboutForm, CompiledRecordAndVersionParsing) {
  const TVersionRecord r = CompiledVersionRecord();
  EXPECT_TRUE(r.Present);
  EXPECT_EQ(r.ProductName, "Pellar Remake");
  EXPECT_EQ(r.Major, 3);
  EXPECT_EQ(r.Build, 358);
  TVersionRecord bad;
  EXPECT_FALSE(ParseVersionText("3.0.358", bad));
  EXPECT_FALSE(ParseVersionText("3.0.x.358", bad));
  EXPECT_FALSE(ParseVersionText("3.0.0.70000", bad));
  EXPECT_EQ(bad.Major, 0);
}

TEST(FileDialogFilters, PairsBecomeNameFilters) {
  EXPECT_EQ(FileDialogFilters("Intel hex files (*.hex)|*.hex|All files (*.*)|*.*"),
            QStringList({"Intel hex files (*.hex)", "All files (*)"}));
  EXPECT_EQ(FileDialogFilters("XML files|*.xml;*.XML"), QStringList({"XML files (*.xml *.XML)"}));
  EXPECT_TRUE(FileDialogFilters("").isEmpty());
  EXPECT_TRUE(FileDialogFilters("dangling").isEmpty());
}

}  // namespace

namespace {

// An object whose event handler refuses.
class TThrowingObject : public QObject {
public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Cannot change fixed filesize");
    return QObject::event(e);
  }
};

TEST(TPellarApplication, AnErrorInAnyEventHandlerIsShownAndTheLoopGoesOn) {
  TPellarApplication& app = TestApp();
  QStringList shown;
  app.SetErrorHandler([&shown](const QString& text) { shown << text; });
  TThrowingObject target;
  QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
  RunUntilIdle();
  app.SetErrorHandler(nullptr);
  EXPECT_EQ(shown, QStringList({"Cannot change fixed filesize", "Cannot change fixed filesize"}));
}

}  // namespace

namespace {

TEST(TextQueryDialog, ARefusedTextKeepsTheDialogOpenWithItsMessage) {
  TestApp();
  TTextQuery query;
  query.Title = QStringLiteral("Go to Offset");
  query.Label = QStringLiteral("&Offset:");
  query.Text = QStringLiteral("0x10");
  query.Check = [](const QString& t) {
    return t == QLatin1String("0x20") ? QString() : QStringLiteral("No: ") + t;
  };
  TTextQueryDialog dialog(query);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Go to Offset"));
  EXPECT_EQ(dialog.Text(), QStringLiteral("0x10"));
  QTest::keyClick(Named<QLineEdit>(dialog, "edText"), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.Message(), QStringLiteral("No: 0x10"));
  Named<QLineEdit>(dialog, "edText")->setText(QStringLiteral("0x20"));
  EXPECT_EQ(dialog.Message(), QString());  // typing hides the message
  Named<QPushButton>(dialog, "btnOK")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
