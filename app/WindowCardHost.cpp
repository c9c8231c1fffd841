#include "app/WindowCardHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "app/UserDialogs.h"

TWindowCardHost::TWindowCardHost(TWindowCardHostSetup setup) : FSetup(std::move(setup)) {
  FProgressMax.fill(100);
  FProgressSteps.fill(10);
}

// ---- The status line --------------------------------------------------------

void TWindowCardHost::SetStatusText(const QString& text) {
  FSetup.Status->setText(text);
  if (FSetup.Status->isVisible()) FSetup.Status->repaint();
}

void TWindowCardHost::SetStatusText(const std::string& text) {
  SetStatusText(QString::fromStdString(text));
}

QString TWindowCardHost::StatusText() const { return FSetup.Status->text(); }

// ---- The progress bars and the time left -----------------------------------

void TWindowCardHost::SetProgressMax(TProgressBarId bar, int max) {
  FProgressMax[bar] = max < 0 ? 0 : max;
  QProgressBar* b = Bar(bar);
  const int position = b->value() < 0 ? 0 : std::min(b->value(), FProgressMax[bar]);
  // A range of 0..0 would turn the bar into a busy indicator.
  b->setRange(0, FProgressMax[bar] > 0 ? FProgressMax[bar] : 1);
  b->setValue(position);
}

void TWindowCardHost::SetProgressStep(TProgressBarId bar, int step) { FProgressSteps[bar] = step; }

void TWindowCardHost::SetProgressPosition(TProgressBarId bar, int position) {
  const int max = FProgressMax[bar];
  QProgressBar* b = Bar(bar);
  const int before = std::max(b->value(), 0);
  b->setValue(position < 0 ? 0 : (position > max ? max : position));
  // Forward steps of the transfer bars are the command's work done.
  if (bar != pbInit) WorkDone(b->value() - before);
}

void TWindowCardHost::PlanWork(int64_t bytes) {
  if (!FTimeLeft.Active()) FWorkClock.start();
  FTimeLeft.Plan(bytes, FWorkClock.elapsed());
  FTimeLeftShownMs = -1000;
}

void TWindowCardHost::EndWork() {
  FTimeLeft.End();
  FSetup.TimeLeft->clear();
  FSetup.TimeLeft->setVisible(false);
}

void TWindowCardHost::WorkDone(int64_t bytes) {
  if (!FTimeLeft.Active() || bytes <= 0) return;
  FTimeLeft.Advance(bytes);
  // A few times a second is enough for the eye.
  const int64_t now = FWorkClock.elapsed();
  if (now - FTimeLeftShownMs < 250) return;
  FTimeLeftShownMs = now;
  const std::string text = TTimeLeft::Text(FTimeLeft.SecondsLeft(now));
  FSetup.TimeLeft->setText(QString::fromStdString(text));
  FSetup.TimeLeft->setVisible(!text.empty());
}

int TWindowCardHost::ProgressPosition(TProgressBarId bar) {
  const int v = Bar(bar)->value();
  return v < 0 ? 0 : v;
}

void TWindowCardHost::SetProgressVisible(TProgressBarId bar, bool visible) {
  Bar(bar)->setVisible(visible);
}

void TWindowCardHost::StepProgress(TProgressBarId bar) {
  SetProgressPosition(bar, ProgressPosition(bar) + FProgressSteps[bar]);
}

// ---- The chips ----------------------------------------------------------------

void TWindowCardHost::SetChipIdText(const std::string& text) {
  FSetup.ChipId->setText(QString::fromStdString(text));
}

void TWindowCardHost::ProcessorDetected(int row) {
  if (FSetup.ShowProcessor) FSetup.ShowProcessor(row);
}

// ---- Questions, the beep, the window ------------------------------------------

TMessageResult TWindowCardHost::ShowMessageDialog(const std::string& text, TMessageKind kind,
                                                  TMessageButtons buttons) {
  return FSetup.Dialogs->MessageDialog(FSetup.Window, QString::fromStdString(text), kind, buttons);
}

void TWindowCardHost::Beep() { QApplication::beep(); }

void TWindowCardHost::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void TWindowCardHost::SetInterfaceLocked(bool locked) {
  if (FSetup.Lock) FSetup.Lock(locked);
}
