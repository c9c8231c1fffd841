#pragma once
// What the card commands that erase the chip have in common: the card
// they work on, and the card's own flash and internal EEPROM that they
// read before the erase and could not write back.

#include "card/CardCommandSupport.h"
#include "card/CardContext.h"

class TCardCommand {
public:
  explicit TCardCommand(TCardContext& card) : Card(card) {}

  // The card's own memories, read before the chip was erased, that did
  // not get back into the card (empty when all did). Set also when an
  // error (an exception) ends the command.
  const TCardBackups& Unrestored() const { return FUnrestored; }

protected:
  TCardContext& Card;
  TCardBackups FUnrestored;
};

// Runs a command (`run` calls its Run and returns what Run returns) and
// hands what it could not write back to `keep`, also when an error ends
// it; the error then goes on to the caller.
template <typename TRun, typename TKeep>
auto RunKeepingBackups(const TCardCommand& command, TRun run, TKeep keep) {
  try {
    auto result = run();
    keep(command.Unrestored());
    return result;
  } catch (...) {
    keep(command.Unrestored());
    throw;
  }
}
