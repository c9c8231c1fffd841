#pragma once
// The card host of pellar-cli: the card commands' status texts, messages,
// questions and progress bars on the terminal (TConsole), and Ctrl+C as a
// stop request.
//
// - Status texts go to stderr as they come, except the texts a command
//   ends with ("Device programmed.", ...): the command's caller writes
//   those as its result.
// - Messages go to stderr (information messages not under --quiet).
// - The "...Abort?" questions are answered, and the answer is written
//   after the question: No (go on) with --force, Yes (abort) without it,
//   and Yes in any case once Ctrl+C was pressed.
// - The flash, internal and external EEPROM bars are drawn as the console
//   allows, with the time left of the whole command (TTimeLeft: the
//   command's planned work at the pace of the work done so far, as the
//   window tells it); the bar of the programming-mode attempts is not.
// - ProcessPendingEvents raises ECardStopped once for every new press of
//   Ctrl+C.

#include <chrono>
#include <string>

#include "card/TimeLeft.h"
#include "cli/Console.h"
#include "link/CardHost.h"

class TTerminalHost : public TCardHost {
public:
  TTerminalHost(TConsole& console, bool force);

  void SetStatusText(const std::string& text) override;
  void SetProgressMax(TProgressBarId bar, int max) override;
  void SetProgressStep(TProgressBarId bar, int step) override;
  void SetProgressPosition(TProgressBarId bar, int position) override;
  int ProgressPosition(TProgressBarId bar) override;
  void SetProgressVisible(TProgressBarId bar, bool visible) override;
  void StepProgress(TProgressBarId bar) override;
  void SetChipIdText(const std::string&) override {}  // detect writes the chip itself
  TMessageResult ShowMessageDialog(const std::string& text, TMessageKind kind,
                                   TMessageButtons buttons) override;
  void Beep() override {}
  void ProcessPendingEvents() override;
  void PlanWork(int64_t bytes) override;
  void EndWork() override;

  // Ctrl+C was pressed.
  bool Interrupted() const;

private:
  struct TBar {
    int Max = 100;
    int Step = 1;
    int Position = 0;
  };

  TConsole& Console;
  bool Force;
  // Presses of Ctrl+C already turned into a stop request; a press made
  // before the command started stops it at its first unit of work.
  int InterruptsSeen = 0;
  TBar Bars[4];
  TTimeLeft TimeLeft;
  std::chrono::steady_clock::time_point WorkStart;
  int64_t NowMs() const;
};
