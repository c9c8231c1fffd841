#pragma once
// The frame of every card command, opened and closed in one place: a
// scoped guard. Opening checks the port, clears an earlier abort, locks
// the host's interface, shows the command's first status text and powers
// the card; Identify then enters programming mode and reads the signature.
// Closing, on every exit (a normal return or an exception), powers the
// card off, releases an adapter opened for the command, sets the chosen progress bars back to 0, unlocks the interface
// and, where the command asks for it, shows its closing status text.

#include <stdexcept>
#include <string>
#include <vector>

#include "card/CardContext.h"

// The port object is not active: no card command can run.
class ECardPortError : public std::runtime_error {
public:
  ECardPortError() : std::runtime_error(Text) {}
  // The selected adapter could not be opened: `reason` names it.
  explicit ECardPortError(const std::string& reason)
      : std::runtime_error(reason.empty() ? std::string(Text) : reason) {}
  static constexpr const char* Text = "Cannot initialize Port-driver!";
};

class TCardSession {
public:
  // Raises ECardPortError (before anything is locked or powered) when the
  // port is not active. `status`, when given, is shown once the interface
  // is locked, before the power goes on.
  explicit TCardSession(TCardContext& card, const char* status = nullptr);
  ~TCardSession();
  TCardSession(const TCardSession&) = delete;
  TCardSession& operator=(const TCardSession&) = delete;

  // The port check alone, for a command that has work to do before its
  // session opens (a dialog, the clock check of Verify Flash).
  static void CheckPort(const TCardContext& card);

  // Programming mode, then the signature (which selects the detected
  // processor). False when the user aborted at one of the questions, and
  // when the context expects another processor than the one detected
  // (after an error message naming both).
  bool Identify();

  // Progress bars set back to 0 when the session closes.
  void ResetBarsOnClose(std::vector<TProgressBarId> bars) { FBars = std::move(bars); }
  // A status text shown after the interface is unlocked ("" clears the line).
  void SetClosingStatus(const char* text) { FClosingStatus = text; }
  // As the reads through the loader close: all three transfer bars back to
  // 0, the status line cleared.
  void CloseAsALoaderRead() {
    ResetBarsOnClose({pbExtEE, pbIntEE, pbFlash});
    SetClosingStatus("");
  }

  TCardContext& Card;

private:
  std::vector<TProgressBarId> FBars;
  const char* FClosingStatus = nullptr;
};
