// detect, program, verify, read and erase: the window's card commands
// (card/) over the terminal host, with the window's texts; what the window
// asks in dialogs comes from the options.
#include <array>

#include "card/CardSession.h"
#include "card/MemoryCommands.h"
#include "card/ProgramAllCommand.h"
#include "card/ReadCardCommand.h"
#include "card/ReadExtEepromCommand.h"
#include "card/VerifyExtEepromCommand.h"
#include "cli/CliCard.h"
#include "cli/CliCommands.h"
#include "cli/CliImages.h"
#include "cli/ExitCodes.h"
#include "cli/KeptBackups.h"
#include "images/CardImageFile.h"
#include "images/DeviceCatalogue.h"

namespace {

// The exit code of a command that did not end as it should: the images
// did not fit the detected chips (the command refused them), or the card
// failed.
int FailureCode(TCliCard& card, TCliImages& images) {
  return ImagesFit(images, card.Avr.Chips.ProcessorRow, card.Avr.Chips.EepromRow)
             ? ecCard
             : ecFile;
}

}  // namespace

int RunDetect(TCliCard& card, TConsole& console) {
  TCardSession session(card.Context);
  if (!session.Identify()) return ecCard;
  // The bytes as the card gives them: with --force an unknown signature
  // gets this far.
  std::array<uint8_t, 3> signature{};
  for (uint8_t i = 0; i < 3; ++i) signature[i] = card.Avr.ReadInstruction(0x30, 0x00, i);
  const uint32_t value = (signature[0] << 16) | (signature[1] << 8) | signature[2];
  const std::string bytes =
      HexText(signature[0], 2) + " " + HexText(signature[1], 2) + " " + HexText(signature[2], 2);
  const int row = FindProcessorBySignature(value);
  if (row < 0) {
    console.Error("Unknown processor ID! " + bytes);
    return ecCard;
  }
  console.Result(std::string(ProcessorAt(row)->Name) + " " + bytes);
  return ecSuccess;
}

int RunProgram(TCliCard& card, const TCliOptions& options, TCliImages& images, TConsole& console) {
  TProgramAllCommand command(card.Context);
  bool ok = false;
  try {
    ok = KeepingBackups(command, console, [&] {
      return command.Run(images.Refs(), options.Restores(), !options.NoVerify);
    });
  } catch (const ECardStopped&) {
    // Stopped before anything was erased.
  }
  if (ok) {
    console.Result("Device programmed.");
    return ecSuccess;
  }
  console.Error("Programming error.");
  if (card.Host.Interrupted()) return ecInterrupted;
  if (command.Failed()) return FailureCode(card, images);
  return ecDifferent;
}

int RunVerify(TCliCard& card, TCliImages& images, TConsole& console) {
  bool same = true;
  const TCardImages refs = images.Refs();
  if (images.Given[imFlash] || images.Given[imIntEE]) {
    const TCompareResult result = VerifyCard(card.Context, refs.Flash, refs.IntEE);
    if (result == crNotCompared) {
      console.Error("Verification error.");
      return FailureCode(card, images);
    }
    same = result == crSame;
  }
  if (images.Given[imExtEE]) {
    // The external EEPROM is reached through the loader, which takes the
    // flash: flash and internal EEPROM are saved and written back.
    TVerifyExtEepromCommand command(card.Context);
    const TCompareResult result =
        KeepingBackups(command, console, [&] { return command.Run(refs.ExtEE); });
    if (result == crNotCompared) {
      console.Error("Verification error.");
      return FailureCode(card, images);
    }
    same = result == crSame && same;
  }
  if (same) {
    console.Result("Device verified.");
    return ecSuccess;
  }
  console.Error("Verification error.");
  return ecDifferent;
}

int RunRead(TCliCard& card, const TCliOptions& options, TConsole& console) {
  std::array<std::vector<uint8_t>, ImageMemoryCount> memories;
  const bool flash = options.Wants(imFlash);
  const bool eeprom = options.Wants(imIntEE);
  if (options.Wants(imExtEE)) {
    if (flash || eeprom) {
      // All three in one go; flash and internal EEPROM go back afterwards.
      TReadCardCommand command(card.Context);
      const bool read = KeepingBackups(command, console, [&] { return command.Run(); });
      if (!read) return ecCard;
      memories = {command.Flash, command.Eeprom, command.External};
    } else {
      TReadExtEepromCommand command(card.Context);
      const bool read =
          KeepingBackups(command, console, [&] { return command.Run(options.Restores()); });
      if (!read) return ecCard;
      memories[imExtEE] = command.Bytes();
    }
  } else {
    if (flash && !ReadCardMemory(card.Context, AvrFlash, memories[imFlash])) return ecCard;
    if (eeprom && !ReadCardMemory(card.Context, AvrEeprom, memories[imIntEE])) return ecCard;
  }
  if (card.Host.Interrupted()) return ecInterrupted;

  // Every memory came: only now the files are written.
  for (int m = 0; m < ImageMemoryCount; ++m)
    if (!options.Files[m].isEmpty())
      console.Result(SaveMemoryFile(options.Files[m], TImageMemory(m), memories[m]));
  if (!options.CardFile.isEmpty()) {
    TConstCardBuffers buffers{};
    for (int m = 0; m < ImageMemoryCount; ++m)
      buffers[m] = {memories[m].data(), static_cast<int32_t>(memories[m].size())};
    WriteCardImageFile(options.CardFile, buffers);
    console.Result("card image written to " + options.CardFile.toStdString());
  }
  return ecSuccess;
}

int RunErase(TCliCard& card, TConsole& console) {
  // The erase reads no signature: an expected processor is looked at in a
  // session of its own first.
  if (card.Avr.Chips.ExpectedProcessorRow >= 0) {
    TCardSession session(card.Context);
    if (!session.Identify()) return ecCard;
  }
  if (!EraseCard(card.Context)) return ecCard;
  console.Result("Chip erased...");
  return ecSuccess;
}
