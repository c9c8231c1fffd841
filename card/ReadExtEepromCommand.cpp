#include "card/ReadExtEepromCommand.h"

#include "card/ExternalRead.h"

bool TReadExtEepromCommand::Run(bool restore) {
  FBytes.clear();
  std::optional<TExternalRead> read = ReadExternalThroughLoader(Card, restore, FUnrestored);
  if (!read) return false;
  FBytes = std::move(read->External);
  return read->Read;
}
