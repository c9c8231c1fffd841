#include "card/ProgramAllCommand.h"

#include <algorithm>
#include <exception>

#include "card/CardSession.h"
#include "link/loader/ELoader.h"

bool TProgramAllCommand::Run(const TCardImages& images, bool restore, bool verify) {
  FUnrestored = {};
  FFailed = true;
  FVerifyFailed = false;
  TCardSession session(Card, "Programming...");
  session.ResetBarsOnClose({pbIntEE, pbFlash});
  // A Yes to either abort question leaves "Programming..." on the status line.
  if (!session.Identify()) return false;
  return Program(images, restore, verify);
}

bool TProgramAllCommand::Program(const TCardImages& images, bool restore, bool verify) {
  // The detected chips may be smaller than the images were made for.
  if (!CheckImagesFit(Card.Host, Card.Avr.Chips, images, "Nothing has been written to the card.")) {
    Card.Host.SetStatusText("Programming error.");
    return false;
  }

  // The work ahead, for the host's time left, in the bytes the bars step
  // through: the loader, then every memory written (the external EEPROM
  // page-verified as it goes) and, with verify, compared (its passes); a
  // backup is read once before that.
  {
    const int64_t passes = verify ? 2 : 1;
    int64_t work = 0;
    if (images.ExtEE.HasData()) work += LoaderImageSize + int64_t{images.ExtEE.Size} * passes;
    for (const TAvrMemory* memory : AvrMemories) {
      const TImageRef& image = images.Of(*memory);
      const int64_t size = Card.Avr.MemorySize(*memory);
      if (image.HasData())
        work += std::min<int64_t>(image.Size, size) * passes;
      else if (restore)
        work += size * (1 + passes);
    }
    Card.Host.PlanWork(work);
  }

  bool failed = false;
  bool verified = true;
  // The memories the user has no image for, saved before the chip is
  // erased (sized for the detected processor). Freed when the run ends.
  TCardBackups backups;
  // Set once the chip erase has been sent: from then on the card's own
  // flash and internal EEPROM exist only in the backups.
  bool erased = false;
  // Set once a backup write into the card has been tried; the backups
  // that went in are dropped from `left`.
  bool restoring = false;
  TCardBackups left;
  std::exception_ptr error;
  try {
    if (restore) backups = ReadBackups(Card.Avr, Card.Host, images, &TAvrMemory::ReadingText);
    left = backups;

    // The external EEPROM first: the loader it needs takes the flash.
    if (images.ExtEE.HasData()) {
      erased = true;
      failed = !Card.Avr.ChipErase();
      if (!failed) failed = !Card.Loader.WriteExternalEeprom(images.ExtEE.Data, images.ExtEE.Size);
      if (!failed && verify) {
        Card.Host.SetStatusText("Verifying external eeprom...");
        verified = Card.Loader.VerifyExternalEeprom(images.ExtEE.Data, images.ExtEE.Size);
        // The verification leaves the card off.
        Card.Link.Delay(50);
        Card.Link.PowerOn();
        failed = !(Card.Avr.EnterProgrammingMode() && Card.Avr.ReadSignature());
      }
    }

    // Erased on every run: this also removes the loader.
    if (!failed) {
      erased = true;
      failed = !Card.Avr.ChipErase();
    }

    // Writes one memory and, with verify, compares it while no earlier
    // comparison has failed. False when the write failed.
    const auto writeMemory = [&](const TAvrMemory& memory, const uint8_t* data, int size,
                                 const char* writeText) {
      Card.Host.SetStatusText(writeText);
      if (!Card.Avr.ProgramMemory(memory, data, size)) return false;
      if (verify) {
        Card.Host.SetStatusText(memory.VerifyingText);
        if (verified) verified = Card.Avr.VerifyMemory(memory, data, size);
      }
      return true;
    };

    // Set when a memory's write failed while the chip still answered: the
    // backups of the memories after it go back all the same (unverified;
    // the run has failed already), since their contents exist nowhere else.
    bool writeFailed = false;
    for (const TAvrMemory* memory : AvrMemories) {
      const TImageRef& image = images.Of(*memory);
      const std::vector<uint8_t>& backup = backups.Of(*memory);
      const int backupSize = static_cast<int>(backup.size());
      if (!failed) {
        if (image.HasData()) {
          failed = !writeMemory(*memory, image.Data, image.Size, memory->ProgrammingText);
        } else if (!backup.empty()) {
          restoring = true;
          failed = !writeMemory(*memory, backup.data(), backupSize, memory->RestoringText);
          if (!failed) left.Of(*memory).clear();
        }
        writeFailed = failed && !Card.Avr.Aborted();
      } else if (writeFailed && !backup.empty()) {
        restoring = true;
        Card.Host.SetStatusText(memory->RestoringText);
        if (Card.Avr.ProgramMemory(*memory, backup.data(), backupSize)) left.Of(*memory).clear();
      }
    }
  } catch (const ECardStopped&) {
    // A stopped step is a failed one: the backups go back as below.
    failed = true;
  } catch (...) {
    // Any other error (the port's I/O, memory running out) fails the step
    // too: the backups go back as below, then the error goes on to the
    // caller, with what did not get back in Unrestored.
    failed = true;
    error = std::current_exception();
  }

  // A step failed after the chip was erased and before any backup went
  // back: write them back once (nothing after an abort). A write-back
  // that fails by itself has shown its message and is not tried again.
  if (failed && erased && left.Any() && !restoring) {
    try {
      WriteBackBackups(Card.Link, Card.Avr, Card.Host, left, &TAvrMemory::RestoringText);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  // Before the erase the card still holds its own contents.
  if (erased) FUnrestored = std::move(left);

  FFailed = failed;
  FVerifyFailed = !verified;
  const bool ok = !failed && verified;
  Card.Host.SetStatusText(ok ? "Device programmed." : "Programming error.");
  if (error) std::rethrow_exception(error);
  return ok;
}
