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
  TRun run{.Images = images, .Restore = restore, .Verify = verify};
  if (!PlanRun(run)) {
    Card.Host.SetStatusText("Programming error.");
    return false;
  }
  try {
    ReadRunBackups(run);
    // The external EEPROM first: the loader it needs takes the flash.
    WriteExternal(run);
    Erase(run);
    WriteMemories(run);
  } catch (const ECardStopped&) {
    // A stopped step is a failed one: the backups go back as below.
    run.Failed = true;
  } catch (...) {
    // Any other error (the port's I/O, memory running out) fails the step
    // too: the backups go back as below, then the error goes on to the
    // caller, with what did not get back in Unrestored.
    run.Failed = true;
    run.Error = std::current_exception();
  }
  RestoreLeft(run);
  return Finish(run);
}

bool TProgramAllCommand::PlanRun(const TRun& run) {
  // The detected chips may be smaller than the images were made for.
  if (!CheckImagesFit(Card.Host, Card.Avr.Chips, run.Images,
                      "Nothing has been written to the card."))
    return false;
  // The work ahead, for the host's time left, in the bytes the bars step
  // through: the loader, then every memory written (the external EEPROM
  // page-verified as it goes) and, with verify, compared (its passes); a
  // backup is read once before that.
  const int64_t passes = run.Verify ? 2 : 1;
  int64_t work = 0;
  if (run.Images.ExtEE.HasData()) work += LoaderImageSize + int64_t{run.Images.ExtEE.Size} * passes;
  for (const TAvrMemory* memory : AvrMemories) {
    const TImageRef& image = run.Images.Of(*memory);
    const int64_t size = Card.Avr.MemorySize(*memory);
    if (image.HasData())
      work += std::min<int64_t>(image.Size, size) * passes;
    else if (run.Restore)
      work += size * (1 + passes);
  }
  Card.Host.PlanWork(work);
  return true;
}

void TProgramAllCommand::ReadRunBackups(TRun& run) {
  if (run.Restore)
    run.Backups = ReadBackups(Card.Avr, Card.Host, run.Images, &TAvrMemory::ReadingText);
  run.Left = run.Backups;
}

void TProgramAllCommand::WriteExternal(TRun& run) {
  const TImageRef& image = run.Images.ExtEE;
  if (run.Failed || !image.HasData()) return;
  run.Holds = chBackupsOnly;
  run.Failed = !Card.Avr.ChipErase() || !Card.Loader.WriteExternalEeprom(image.Data, image.Size);
  if (run.Failed || !run.Verify) return;
  Card.Host.SetStatusText("Verifying external eeprom...");
  run.Verified = Card.Loader.VerifyExternalEeprom(image.Data, image.Size);
  // The verification leaves the card off.
  Card.Link.Delay(50);
  Card.Link.PowerOn();
  run.Failed = !(Card.Avr.EnterProgrammingMode() && Card.Avr.ReadSignature());
}

void TProgramAllCommand::Erase(TRun& run) {
  if (run.Failed) return;
  run.Holds = chBackupsOnly;
  run.Failed = !Card.Avr.ChipErase();
}

void TProgramAllCommand::WriteMemories(TRun& run) {
  const std::span<const TAvrMemory* const> memories(AvrMemories);
  for (size_t i = 0; i < memories.size() && !run.Failed; ++i) {
    if (WriteMemory(run, *memories[i])) continue;
    run.Failed = true;
    // The write failed while the chip still answered (no abort): the
    // backups of the memories after it go back all the same (unverified;
    // the run has failed already), since their contents exist nowhere else.
    if (!Card.Avr.Aborted()) WriteBackupsOf(run, memories.subspan(i + 1));
  }
}

bool TProgramAllCommand::WriteMemory(TRun& run, const TAvrMemory& memory) {
  const TImageRef& image = run.Images.Of(memory);
  if (image.HasData())
    return ProgramAndVerify(run, memory, image.Data, image.Size, memory.ProgrammingText);
  const std::vector<uint8_t>& backup = run.Backups.Of(memory);
  if (backup.empty()) return true;
  run.Holds = chWritingBack;
  if (!ProgramAndVerify(run, memory, backup.data(), static_cast<int>(backup.size()),
                        memory.RestoringText))
    return false;
  run.Left.Of(memory).clear();
  return true;
}

// Writes one memory and, with verify, compares it while no earlier
// comparison has failed. False when the write failed.
bool TProgramAllCommand::ProgramAndVerify(TRun& run, const TAvrMemory& memory, const uint8_t* data,
                                          int size, const char* writeText) {
  Card.Host.SetStatusText(writeText);
  if (!Card.Avr.ProgramMemory(memory, data, size)) return false;
  if (run.Verify) {
    Card.Host.SetStatusText(memory.VerifyingText);
    if (run.Verified) run.Verified = Card.Avr.VerifyMemory(memory, data, size);
  }
  return true;
}

void TProgramAllCommand::WriteBackupsOf(TRun& run, std::span<const TAvrMemory* const> memories) {
  for (const TAvrMemory* memory : memories) {
    const std::vector<uint8_t>& backup = run.Backups.Of(*memory);
    if (backup.empty()) continue;
    run.Holds = chWritingBack;
    Card.Host.SetStatusText(memory->RestoringText);
    if (Card.Avr.ProgramMemory(*memory, backup.data(), static_cast<int>(backup.size())))
      run.Left.Of(*memory).clear();
  }
}

void TProgramAllCommand::RestoreLeft(TRun& run) {
  // A step failed after the chip was erased and before any backup went
  // back: write them back once (nothing after an abort). A write-back
  // that fails by itself has shown its message and is not tried again.
  if (!run.Failed || run.Holds != chBackupsOnly || !run.Left.Any()) return;
  run.Holds = chWritingBack;
  try {
    WriteBackBackups(Card.Link, Card.Avr, Card.Host, run.Left, &TAvrMemory::RestoringText);
  } catch (...) {
    if (!run.Error) run.Error = std::current_exception();
  }
}

bool TProgramAllCommand::Finish(TRun& run) {
  // Before the erase the card still holds its own contents.
  if (run.Holds != chOwnContents) FUnrestored = std::move(run.Left);
  FFailed = run.Failed;
  FVerifyFailed = !run.Verified;
  const bool ok = !run.Failed && run.Verified;
  Card.Host.SetStatusText(ok ? "Device programmed." : "Programming error.");
  if (run.Error) std::rethrow_exception(run.Error);
  return ok;
}
