#pragma once
// "Program All" in one card session (CardSession.h), over the card link
// and a host (the main window, pellar-cli, or a quiet host in benchmarks).
// The caller asks the confirm dialog's questions first.
//
// Order: power on; programming mode and signature; the check that every
// image fits the detected chips; backups of the memories the user has no
// image for (restore chosen); the external EEPROM through the loader
// (which erases the chip) and its verification; the chip erase; flash;
// internal EEPROM; power off. A failed write ends the run; a failed
// verification does not, but skips the later verifications. The status
// line ends "Device programmed." or "Programming error.". After the user
// aborts at one of the "...Abort?" questions nothing more is asked and
// the card is not touched again.
//
// Backups are never lost: when a step fails after the chip was erased and
// before the backups were written back, the card is power-cycled, put in
// programming mode again, erased, and the backups are written into it.
// The internal EEPROM's backup is written back even when the flash would
// not program. What still could not be written back (a failure, an
// abort, a card that stopped answering) is left in Unrestored for the
// caller to keep. A stop request from the host (ECardStopped) fails the
// step it comes in; the backups then go back as after any failure. So
// does any other error (an exception from the port or the host, memory
// running out): after the write-back it leaves Run, and Unrestored holds
// what did not get back, for the caller to keep before it reports the
// error.

#include "card/CardCommand.h"

class TProgramAllCommand : public TCardCommand {
public:
  explicit TProgramAllCommand(TCardContext& card) : TCardCommand(card) {}

  // The confirm dialog offers "Restore after execute" only when the
  // external image has data and the flash or the internal EEPROM image
  // has none.
  static bool RestoreOffered(const TCardImages& images) {
    return images.ExtEE.HasData() && (!images.Flash.HasData() || !images.IntEE.HasData());
  }

  // True when the status line ends "Device programmed.". Raises
  // ECardPortError when the port is not active.
  bool Run(const TCardImages& images, bool restore, bool verify);

  // How the last run ended: a write, an erase or the card failed (or the
  // user aborted); a verification found a difference.
  bool Failed() const { return FFailed; }
  bool VerifyFailed() const { return FVerifyFailed; }

private:
  bool Program(const TCardImages& images, bool restore, bool verify);

  bool FFailed = false;
  bool FVerifyFailed = false;
};
