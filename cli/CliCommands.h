#pragma once
// The commands of pellar-cli. Each returns its exit code (ExitCodes.h) or
// raises ECliError; results go to the console's stdout, everything else to
// its stderr.

#include "cli/CliOptions.h"
#include "cli/Console.h"

class TCliCard;
struct TCliImages;

// list, convert: no card.
int RunList(const TCliOptions& options, TConsole& console);
int RunConvert(const TCliOptions& options, TConsole& console);

// detect, program, verify, read, erase: reads the input files, opens the
// port, runs the command, writes the virtual card's state file and the
// timing line, whatever the command's end.
int RunCardCommand(const TCliOptions& options, TConsole& console);

// The card commands themselves, over an open card.
int RunDetect(TCliCard& card, TConsole& console);
int RunProgram(TCliCard& card, const TCliOptions& options, TCliImages& images, TConsole& console);
int RunVerify(TCliCard& card, TCliImages& images, TConsole& console);
int RunRead(TCliCard& card, const TCliOptions& options, TConsole& console);
int RunErase(TCliCard& card, TConsole& console);
