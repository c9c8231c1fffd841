#include "card/ReadExtEepromCommand.h"

#include "card/ExternalRead.h"

bool TReadExtEepromCommand::Run(bool restore) {
  FBytes.clear();
  FUnrestored = {};
  std::optional<TExternalRead> read = ReadExternalThroughLoader(Card, restore);
  if (!read) return false;
  FBytes = std::move(read->External);
  FUnrestored = std::move(read->Unrestored);
  return read->Read;
}
