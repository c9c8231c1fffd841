// The frame of every card command of pellar-cli: the card state file read
// and the inputs checked before the port is touched; then the command; then,
// however it ended (a result, a stop with Ctrl+C, an error), the virtual
// card's state written and the timing line.
#include <exception>

#include "card/CardSession.h"
#include "cli/CliCard.h"
#include "cli/CliCommands.h"
#include "cli/CliImages.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"

namespace {

int Dispatch(TCliCard& card, const TCliOptions& options, TCliImages& images, TConsole& console) {
  switch (options.Command) {
    case ccDetect: return RunDetect(card, console);
    case ccProgram: return RunProgram(card, options, images, console);
    case ccVerify: return RunVerify(card, images, console);
    case ccRead: return RunRead(card, options, console);
    case ccErase: return RunErase(card, console);
    default: break;
  }
  return ecUsage;
}

}  // namespace

int RunCardCommand(const TCliOptions& options, TConsole& console) {
  TCliCard card(options, console);
  // Every input is read, and every output's folder looked at, before the
  // port is touched.
  TCliImages images;
  if (options.Command == ccProgram || options.Command == ccVerify)
    images =
        LoadCommandImages(options, card.Avr.Chips.ProcessorRow, card.Avr.Chips.EepromRow);
  if (options.Command == ccRead) {
    if (!options.CardFile.isEmpty()) CheckOutputFile(options.CardFile);
    for (const QString& file : options.Files)
      if (!file.isEmpty()) CheckOutputFile(file);
  }
  // The card's new contents go to the state file at the end: a file that
  // cannot be written is refused now, not after the card has changed.
  if (!options.CardState.isEmpty()) CheckOutputFile(options.CardState);
  if (InterruptCount() > 0) return ecInterrupted;
  card.Open();

  int code = ecSuccess;
  std::exception_ptr error;
  try {
    code = Dispatch(card, options, images, console);
  } catch (const ECardStopped&) {
    code = ecInterrupted;
  } catch (...) {
    // Raised again once the state is saved: main gives it its exit code.
    error = std::current_exception();
  }
  if (card.Host.Interrupted()) {
    code = ecInterrupted;
    error = nullptr;
  }

  if (options.Timing) console.Error(card.TimingText());
  // The card keeps what the command left in it, whatever the end.
  try {
    card.SaveState();
  } catch (const std::exception& e) {
    console.Error(std::string("Cannot save the card state:\n") + e.what());
    if (!error && code == ecSuccess) code = ecFile;
  }
  if (error) std::rethrow_exception(error);
  if (code == ecInterrupted) console.Error("Interrupted.");
  return code;
}
