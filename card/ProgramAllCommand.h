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
//
// The private part follows the run: its state (TRun), then one function
// a step, in the order Program calls them; ProgramAllCommand.cpp keeps
// that order.

#include <exception>
#include <span>

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
  // What the card holds of its own flash and internal EEPROM.
  enum TCardHolds {
    chOwnContents,  // not erased yet: nothing to write back
    chBackupsOnly,  // the chip erase has been sent: they exist only in the backups
    chWritingBack,  // a backup write into the card has been tried: what did
                    // not go in stays in Left and is not tried again
  };

  // One run of Program: what it was asked and what it knows as it goes.
  struct TRun {
    const TCardImages& Images;
    bool Restore;
    bool Verify;
    // The memories the user has no image for, read before the chip is
    // erased (sized for the detected processor). Freed when the run ends.
    TCardBackups Backups{};
    // The backups not (yet) back in the card.
    TCardBackups Left{};
    TCardHolds Holds = chOwnContents;
    bool Failed = false;         // a write, an erase or the card failed, or an abort
    bool Verified = true;        // no comparison has found a difference
    std::exception_ptr Error{};  // to pass on once the backups are back
  };

  // The steps, in order. From the external EEPROM to the last memory a
  // step is taken only while the run has not failed.
  bool Program(const TCardImages& images, bool restore, bool verify);
  // The fit check and the host's plan of work; false (after the message)
  // when an image does not fit.
  bool PlanRun(const TRun& run);
  // The backups (restore chosen), and Left as a copy of them.
  void ReadRunBackups(TRun& run);
  // Loader, pages and their verification (which erase the chip first).
  void WriteExternal(TRun& run);
  // Erased on every run: this also removes the loader.
  void Erase(TRun& run);
  // Flash, then internal EEPROM, each from its image or its backup.
  void WriteMemories(TRun& run);
  // One memory; false when its write failed.
  bool WriteMemory(TRun& run, const TAvrMemory& memory);
  bool ProgramAndVerify(TRun& run, const TAvrMemory& memory, const uint8_t* data, int size,
                        const char* writeText);
  // The backups of `memories` (those after a failed write), unverified.
  void WriteBackupsOf(TRun& run, std::span<const TAvrMemory* const> memories);
  // After a failure past the erase, the backups go back once.
  void RestoreLeft(TRun& run);
  // Unrestored, the results, the status text; rethrows the run's error.
  bool Finish(TRun& run);

  bool FFailed = false;
  bool FVerifyFailed = false;
};
