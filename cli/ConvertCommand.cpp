// convert IN OUT [--memory M]: one memory of any image file (the part of a
// card image or ELF file --memory names) as far as the file covers it,
// written in the format OUT's extension names.
#include "cli/CliCommands.h"
#include "cli/CliImages.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"

int RunConvert(const TCliOptions& options, TConsole& console) {
  CheckOutputFile(options.ConvertOut);
  const std::vector<uint8_t> bytes = LoadMemoryExtent(options.ConvertIn, options.ConvertMemory);
  if (bytes.empty())
    throw ECliError(ecFile, options.ConvertIn.toStdString() + ": holds no " +
                                ImageMemoryName(options.ConvertMemory) + " data.");
  if (InterruptCount() > 0) return ecInterrupted;
  console.Result(SaveMemoryFile(options.ConvertOut, options.ConvertMemory, bytes));
  return ecSuccess;
}
