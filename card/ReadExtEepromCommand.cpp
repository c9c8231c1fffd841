#include "card/ReadExtEepromCommand.h"

#include "card/CardSession.h"
#include "card/ExternalRead.h"

bool TReadExtEepromCommand::Run(bool restore) {
  FBytes.clear();
  FUnrestored = {};
  TCardSession session(Card);
  session.ResetBarsOnClose({pbExtEE, pbIntEE, pbFlash});
  session.SetClosingStatus("");
  if (!session.Identify()) return false;
  TExternalRead read = ReadExternalThroughLoader(Card, restore);
  FBytes = std::move(read.External);
  FUnrestored = std::move(read.Unrestored);
  return read.Read;
}
