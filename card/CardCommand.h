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
  // not get back into the card (empty when all did).
  const TCardBackups& Unrestored() const { return FUnrestored; }

protected:
  TCardContext& Card;
  TCardBackups FUnrestored;
};
