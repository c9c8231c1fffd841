#include "card/ReadCardCommand.h"

#include "card/CardSession.h"
#include "card/ExternalRead.h"

bool TReadCardCommand::Run() {
  Flash.clear();
  Eeprom.clear();
  External.clear();
  FUnrestored = {};
  TCardSession session(Card);
  session.ResetBarsOnClose({pbExtEE, pbIntEE, pbFlash});
  session.SetClosingStatus("");
  if (!session.Identify()) return false;
  TExternalRead read = ReadExternalThroughLoader(Card, true);
  FUnrestored = std::move(read.Unrestored);
  // A failure at any step leaves the caller's images as they were.
  if (!read.Read || FUnrestored.Any()) return false;
  Flash = std::move(read.Memories.Flash);
  Eeprom = std::move(read.Memories.Eeprom);
  External = std::move(read.External);
  return true;
}
