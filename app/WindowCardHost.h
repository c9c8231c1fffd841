#pragma once
// The card host the main window gives the card layer: the status line,
// the four progress bars and the time left beside the status line, the
// chip id, the detected processor, the questions (through the window's
// TUserDialogs), the beep and the window's pending events between units
// of work. The widgets are the window's; the host only reports on them.
// Locking the window and showing a detected processor in its choice are
// the window's own: it gives them as calls.

#include <QElapsedTimer>
#include <QString>
#include <array>
#include <functional>

#include "card/TimeLeft.h"
#include "link/CardHost.h"

class QLabel;
class QProgressBar;
class QWidget;
class TUserDialogs;

// What the host reports on and asks with.
struct TWindowCardHostSetup {
  // The window the questions belong to, and how they are asked.
  QWidget* Window = nullptr;
  TUserDialogs* Dialogs = nullptr;
  // The status line, the time left beside it, the chip id.
  QLabel* Status = nullptr;
  QLabel* TimeLeft = nullptr;
  QLabel* ChipId = nullptr;
  // Locks (true) or unlocks the window while a card command runs.
  std::function<void(bool)> Lock;
  // Shows the processor a signature named (a catalogue row).
  std::function<void(int)> ShowProcessor;
  // The bars, by TProgressBarId.
  std::array<QProgressBar*, 4> Bars{};
};

class TWindowCardHost : public TCardHost {
public:
  // Every bar starts at 0 of 100, stepping by 10.
  explicit TWindowCardHost(TWindowCardHostSetup setup);

  void SetStatusText(const std::string& text) override;
  void SetProgressMax(TProgressBarId bar, int max) override;
  void SetProgressStep(TProgressBarId bar, int step) override;
  void SetProgressPosition(TProgressBarId bar, int position) override;
  int ProgressPosition(TProgressBarId bar) override;
  void SetProgressVisible(TProgressBarId bar, bool visible) override;
  void StepProgress(TProgressBarId bar) override;
  void SetChipIdText(const std::string& text) override;
  void ProcessorDetected(int row) override;
  TMessageResult ShowMessageDialog(const std::string& text, TMessageKind kind,
                                   TMessageButtons buttons) override;
  void Beep() override;
  void ProcessPendingEvents() override;
  void SetInterfaceLocked(bool locked) override;
  void PlanWork(int64_t bytes) override;
  void EndWork() override;

  // The status line's text.
  QString StatusText() const;
  void SetStatusText(const QString& text);
  void SetStatusText(const char* text) { SetStatusText(QString::fromUtf8(text)); }

private:
  QProgressBar* Bar(TProgressBarId bar) const { return FSetup.Bars[bar]; }
  // Work done on the progress bars, for the time left.
  void WorkDone(int64_t bytes);

  TWindowCardHostSetup FSetup;
  std::array<int, 4> FProgressSteps{};
  std::array<int, 4> FProgressMax{};
  TTimeLeft FTimeLeft;
  QElapsedTimer FWorkClock;
  int64_t FTimeLeftShownMs = -1000;
};
