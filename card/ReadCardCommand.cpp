#include "card/ReadCardCommand.h"

#include "card/ExternalRead.h"

bool TReadCardCommand::Run() {
  Flash.clear();
  Eeprom.clear();
  External.clear();
  std::optional<TExternalRead> read = ReadExternalThroughLoader(Card, true, FUnrestored);
  // A failure at any step leaves the caller's images as they were.
  if (!read || !read->Read || FUnrestored.Any()) return false;
  Flash = std::move(read->Memories.Flash);
  Eeprom = std::move(read->Memories.Eeprom);
  External = std::move(read->External);
  return true;
}
