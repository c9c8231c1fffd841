#include "card/ProgramAllCommand.h"

#include <algorithm>

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
  if (!CheckImagesFit(Host, images, "Nothing has been written to the card.")) {
    Host.SetStatusText("Programming error.");
    return false;
  }

  // The work ahead, for the host's time left: every transfer's bytes.
  {
    const int64_t passes = verify ? 2 : 1;
    const int64_t flash = std::min<int64_t>(images.Flash.Size, Avr.FlashSize());
    const int64_t eeprom = std::min<int64_t>(images.IntEE.Size, Avr.EepromSize());
    int64_t work = 0;
    if (images.ExtEE.HasData())
      work += LoaderImageSize + int64_t{images.ExtEE.Size} * (verify ? 3 : 2);
    work += (images.Flash.HasData() ? flash : (restore ? 2 * Avr.FlashSize() : 0)) * passes;
    work += (images.IntEE.HasData() ? eeprom : (restore ? 2 * Avr.EepromSize() : 0)) * passes;
    Host.PlanWork(work);
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
  try {
    if (restore)
      backups = ReadBackups(Avr, Host, !images.Flash.HasData(), !images.IntEE.HasData(),
                            "Reading flash...", "Reading internal eeprom...");
    left = backups;
    // Set when a flash write failed while the chip still answered.
    bool flashWriteFailed = false;

    // The external EEPROM first: the loader it needs takes the flash.
    if (images.ExtEE.HasData()) {
      erased = true;
      failed = !Avr.ChipErase();
      if (!failed) failed = !Loader.WriteExternalEeprom(images.ExtEE.Data, images.ExtEE.Size);
      if (!failed && verify) {
        Host.SetStatusText("Verifying external eeprom...");
        verified = Loader.VerifyExternalEeprom(images.ExtEE.Data, images.ExtEE.Size);
        // The verification leaves the card off.
        Link.Delay(50);
        Link.PowerOn();
        failed = !(Avr.EnterProgrammingMode() && Avr.ReadSignature());
      }
    }

    // Erased on every run: this also removes the loader.
    if (!failed) {
      erased = true;
      failed = !Avr.ChipErase();
    }

    // Writes one memory and, with verify, compares it while no earlier
    // comparison has failed. False when the write failed.
    using TTransfer = bool (TAvrCommands::*)(const uint8_t*, int);
    const auto writeMemory = [&](TTransfer write, TTransfer compare, const uint8_t* data, int size,
                                 const char* writeText, const char* verifyText) {
      Host.SetStatusText(writeText);
      if (!(Avr.*write)(data, size)) return false;
      if (verify) {
        Host.SetStatusText(verifyText);
        if (verified) verified = (Avr.*compare)(data, size);
      }
      return true;
    };

    if (!failed) {
      if (images.Flash.HasData()) {
        failed =
            !writeMemory(&TAvrCommands::ProgramFlash, &TAvrCommands::VerifyFlash, images.Flash.Data,
                         images.Flash.Size, "Programming flash...", "Verifying flash...");
      } else if (!backups.Flash.empty()) {
        restoring = true;
        failed = !writeMemory(&TAvrCommands::ProgramFlash, &TAvrCommands::VerifyFlash,
                              backups.Flash.data(), static_cast<int>(backups.Flash.size()),
                              "Restoring flash...", "Verifying flash...");
        if (!failed) left.Flash.clear();
      }
      flashWriteFailed = failed && !Avr.Aborted();
    }

    if (!failed) {
      if (images.IntEE.HasData()) {
        failed =
            !writeMemory(&TAvrCommands::ProgramInternalEeprom, &TAvrCommands::VerifyInternalEeprom,
                         images.IntEE.Data, images.IntEE.Size, "Programming internal eeprom...",
                         "Verifying internal eeprom...");
      } else if (!backups.Eeprom.empty()) {
        restoring = true;
        failed =
            !writeMemory(&TAvrCommands::ProgramInternalEeprom, &TAvrCommands::VerifyInternalEeprom,
                         backups.Eeprom.data(), static_cast<int>(backups.Eeprom.size()),
                         "Restoring internal eeprom...", "Verifying internal eeprom...");
        if (!failed) left.Eeprom.clear();
      }
    } else if (flashWriteFailed && !left.Eeprom.empty()) {
      // The flash would not program, but the chip answers: the internal
      // EEPROM's own contents go back all the same (unverified; the run has
      // failed already).
      restoring = true;
      Host.SetStatusText("Restoring internal eeprom...");
      if (Avr.ProgramInternalEeprom(left.Eeprom.data(), static_cast<int>(left.Eeprom.size())))
        left.Eeprom.clear();
    }
  } catch (const ECardStopped&) {
    // A stopped step is a failed one: the backups go back as below.
    failed = true;
  }

  // A step failed after the chip was erased and before any backup went
  // back: write them back once (nothing after an abort). A write-back
  // that fails by itself has shown its message and is not tried again.
  if (failed && erased && left.Any() && !restoring)
    left = WriteBackBackups(Link, Avr, Host, left, "Restoring flash...",
                            "Restoring internal eeprom...");
  // Before the erase the card still holds its own contents.
  if (erased) FUnrestored = std::move(left);

  FFailed = failed;
  FVerifyFailed = !verified;
  const bool ok = !failed && verified;
  Host.SetStatusText(ok ? "Device programmed." : "Programming error.");
  return ok;
}
