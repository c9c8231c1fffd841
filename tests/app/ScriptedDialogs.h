#pragma once
// Dialogs for tests of the main window: every question is recorded and
// answered from a script; no window is ever shown modally.

#include <QDialog>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/UserDialogs.h"

class TScriptedDialogs : public TUserDialogs {
public:
  struct TMessage {
    QString Text;
    TMessageKind Kind;
    TMessageButtons Buttons;
    bool ParentVisible;  // whether the asking window was on screen
  };
  struct TError {
    QString Title;
    QString Text;
  };

  QString OpenFileName(QWidget*, const TFileDialogRequest& request) override {
    OpenRequests.push_back(request);
    return Next(OpenAnswers);
  }
  QString SaveFileName(QWidget*, const TFileDialogRequest& request) override {
    SaveRequests.push_back(request);
    return Next(SaveAnswers);
  }
  TMessageResult MessageDialog(QWidget* parent, const QString& text, TMessageKind kind,
                               TMessageButtons buttons) override {
    Messages.push_back({text, kind, buttons, parent && parent->isVisible()});
    if (buttons == mbOK) return mrOK;
    if (Answers.empty()) return DefaultAnswer;
    const TMessageResult r = Answers.front();
    Answers.pop_front();
    return r;
  }
  TSaveChoice AskSaveChanges(QWidget*, const QString&, const QString& text) override {
    SaveQuestions << text;
    if (SaveChoices.empty()) return DefaultSaveChoice;
    const TSaveChoice c = SaveChoices.front();
    SaveChoices.pop_front();
    return c;
  }
  void ErrorBox(QWidget*, const QString& title, const QString& text) override {
    Errors.push_back({title, text});
  }
  int ExecDialog(QDialog& dialog) override {
    ++DialogsShown;
    return OnDialog ? OnDialog(dialog) : QDialog::Rejected;
  }
  bool OpenUrl(const QUrl& url) override {
    OpenedUrls.push_back(url);
    return true;
  }
  // Takes answers from TextAnswers as a user would type them: each goes
  // through the query's check, and a refused one (its message kept in
  // TextRefusals) leaves the dialog open for the next. No answer left:
  // cancelled.
  std::optional<QString> AskText(QWidget*, const TTextQuery& query) override {
    TextQueries.push_back(query);
    while (!TextAnswers.empty()) {
      const QString answer = Next(TextAnswers);
      const QString message = query.Check ? query.Check(answer) : QString();
      if (message.isEmpty()) return answer;
      TextRefusals << message;
    }
    return std::nullopt;
  }

  QStringList MessageTexts() const {
    QStringList texts;
    for (const auto& m : Messages) texts << m.Text;
    return texts;
  }

  std::deque<QString> OpenAnswers;  // "" = cancelled
  std::deque<QString> SaveAnswers;
  std::deque<TMessageResult> Answers;
  std::deque<QString> TextAnswers;
  TMessageResult DefaultAnswer = mrYes;
  // Answers to the unsaved-changes question, and the questions asked.
  std::deque<TSaveChoice> SaveChoices;
  TSaveChoice DefaultSaveChoice = scCancel;
  QStringList SaveQuestions;
  // Runs in place of the modal loop of ExecDialog; returns the dialog's
  // result. Unset: every dialog is cancelled.
  std::function<int(QDialog&)> OnDialog;

  std::vector<TFileDialogRequest> OpenRequests;
  std::vector<TFileDialogRequest> SaveRequests;
  std::vector<TMessage> Messages;
  std::vector<TError> Errors;
  std::vector<QUrl> OpenedUrls;
  std::vector<TTextQuery> TextQueries;
  QStringList TextRefusals;
  int DialogsShown = 0;

private:
  static QString Next(std::deque<QString>& answers) {
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
  }
};
