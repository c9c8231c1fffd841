#pragma once
// What the card routines need from the window they run in: the status
// line, the four progress bars, the chip id label, the detected
// processor, modal questions, the beep, and processing of pending window
// events between units of work. The chips an operation works with are its
// own (CardChips.h), not the host's. The main window implements it;
// tests implement it with a scripted fake.

#include <cstdint>
#include <stdexcept>
#include <string>

enum TProgressBarId { pbInit, pbFlash, pbIntEE, pbExtEE };

enum TMessageKind { mkError, mkInformation, mkConfirmation };
enum TMessageButtons { mbOK, mbYesNo };
// mrCancel: the box was closed with its close button (Escape answers No
// in a Yes/No box).
enum TMessageResult { mrOK, mrYes, mrNo, mrCancel };

// Raised by a host from ProcessPendingEvents when its user asks the running
// command to stop (pellar-cli on Ctrl+C): the work ends at the next unit (a
// byte, a page, a programming-mode attempt). A command that holds the
// card's own memories in backups takes it as a failed step: it writes the
// backups back as after any failure and returns. Every other command lets
// it pass, and its card session closes (card off, bars reset, interface
// unlocked). A host raises it once per request, so that the write-back can
// run unless the user asks again.
class ECardStopped : public std::runtime_error {
public:
  ECardStopped() : std::runtime_error("Stopped.") {}
};

class TCardHost {
public:
  virtual ~TCardHost() = default;

  virtual void SetStatusText(const std::string& text) = 0;

  // A progress bar's range, step and position; a bar that is not shown
  // keeps its values.
  virtual void SetProgressMax(TProgressBarId bar, int max) = 0;
  virtual void SetProgressStep(TProgressBarId bar, int step) = 0;
  virtual void SetProgressPosition(TProgressBarId bar, int position) = 0;
  virtual int ProgressPosition(TProgressBarId bar) = 0;
  virtual void SetProgressVisible(TProgressBarId bar, bool visible) = 0;
  // Position := Position + Step, kept within the bar's range.
  virtual void StepProgress(TProgressBarId bar) = 0;

  virtual void SetChipIdText(const std::string& text) = 0;

  // The card's signature named this processor (a row of the catalogue),
  // told once per signature read, so that the host can show it.
  virtual void ProcessorDetected(int /*row*/) {}

  virtual TMessageResult ShowMessageDialog(const std::string& text, TMessageKind kind,
                                           TMessageButtons buttons) = 0;
  virtual void Beep() = 0;
  virtual void ProcessPendingEvents() = 0;

  // Locks the host's own controls while a card command runs (the window's
  // menus, buttons, choices and editors); a host without any does nothing.
  virtual void SetInterfaceLocked(bool /*locked*/) {}

  // The work a card command has ahead, in bytes moved on the progress bars
  // (each bar's forward steps count as work done), so that the host can
  // tell the time left of the whole command from the time the work done so
  // far took. PlanWork may come again when the command knows more; EndWork
  // comes when the command's session closes.
  virtual void PlanWork(int64_t /*bytes*/) {}
  virtual void EndWork() {}
};
