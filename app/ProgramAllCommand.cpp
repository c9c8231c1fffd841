#include "app/ProgramAllCommand.h"

bool TProgramAllCommand::Run(const TCardImages& images, bool restore, bool verify) {
  Host.SetStatusText("Programming...");
  Link.PowerOn();
  bool programmed = false;
  // A Yes to either abort question leaves "Programming..." on the status line.
  if (Avr.EnterProgrammingMode() && Avr.ReadSignature())
    programmed = Program(images, restore, verify);
  Link.PowerOff();
  Host.SetProgressPosition(pbIntEE, 0);
  Host.SetProgressPosition(pbFlash, 0);
  return programmed;
}

bool TProgramAllCommand::Program(const TCardImages& images, bool restore, bool verify) {
  // The detected chips may be smaller than the images were made for.
  if (!CheckImagesFit(Host, images, "Nothing has been written to the card.")) {
    Host.SetStatusText("Programming error.");
    return false;
  }

  bool failed = false;
  bool verified = true;
  // The memories the user has no image for, saved before the chip is
  // erased (sized for the detected processor). Freed when the run ends.
  TCardBackups backups;
  if (restore)
    backups = ReadBackups(Avr, Host, !images.Flash.HasData(), !images.IntEE.HasData(),
                          "Reading flash...", "Reading internal eeprom...");
  // Set once a backup is being written back into the card.
  bool restoring = false;

  // The external EEPROM first: the loader it needs takes the flash.
  if (images.ExtEE.HasData()) {
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
  if (!failed) failed = !Avr.ChipErase();

  // Writes one memory and, with verify, compares it while no earlier
  // comparison has failed.
  using TTransfer = bool (TAvrCommands::*)(const uint8_t*, int);
  const auto writeMemory = [&](TTransfer write, TTransfer compare, const uint8_t* data, int size,
                               const char* writeText, const char* verifyText) {
    Host.SetStatusText(writeText);
    failed = !(Avr.*write)(data, size);
    if (!failed && verify) {
      Host.SetStatusText(verifyText);
      if (verified) verified = (Avr.*compare)(data, size);
    }
  };

  if (!failed) {
    if (images.Flash.HasData()) {
      writeMemory(&TAvrCommands::ProgramFlash, &TAvrCommands::VerifyFlash, images.Flash.Data,
                  images.Flash.Size, "Programming flash...", "Verifying flash...");
    } else if (restore && !backups.Flash.empty()) {
      restoring = true;
      writeMemory(&TAvrCommands::ProgramFlash, &TAvrCommands::VerifyFlash, backups.Flash.data(),
                  static_cast<int>(backups.Flash.size()), "Restoring flash...",
                  "Verifying flash...");
    }
  }

  if (!failed) {
    if (images.IntEE.HasData()) {
      writeMemory(&TAvrCommands::ProgramInternalEeprom, &TAvrCommands::VerifyInternalEeprom,
                  images.IntEE.Data, images.IntEE.Size, "Programming internal eeprom...",
                  "Verifying internal eeprom...");
    } else if (restore && !backups.Eeprom.empty()) {
      restoring = true;
      writeMemory(&TAvrCommands::ProgramInternalEeprom, &TAvrCommands::VerifyInternalEeprom,
                  backups.Eeprom.data(), static_cast<int>(backups.Eeprom.size()),
                  "Restoring internal eeprom...", "Verifying internal eeprom...");
    }
  }

  // A step failed after the chip was erased (every step after the backups
  // begins with an erase) and before any backup went back: the card's own
  // flash and internal EEPROM exist only in the backups now. Write them
  // back once. A write-back that fails by itself has shown its message and
  // is not tried again.
  if (failed && backups.Any() && !restoring)
    WriteBackBackups(Link, Avr, Host, backups, "Restoring flash...",
                     "Restoring internal eeprom...");

  const bool ok = !failed && verified;
  Host.SetStatusText(ok ? "Device programmed." : "Programming error.");
  return ok;
}
