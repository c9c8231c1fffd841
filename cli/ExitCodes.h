#pragma once
// The exit codes of pellar-cli, and the error that ends a run with one of
// them. Scripts rely on these numbers; --help lists them.

#include <stdexcept>
#include <string>

enum TExitCode {
  ecSuccess = 0,
  ecDifferent = 1,  // a comparison ran and found a difference
  ecUsage = 2,      // unknown option, missing or bad argument
  ecFile = 3,       // a file unreadable, malformed, too large for the chip, or not writable
  ecCard = 4,       // no port or card, unknown or unexpected signature, no answer, a failed write
  ecInterrupted = 130  // stopped with Ctrl+C
};

// Ends the run: main prints the text on stderr and exits with the code.
class ECliError : public std::runtime_error {
public:
  ECliError(TExitCode code, const std::string& text) : std::runtime_error(text), Code(code) {}
  TExitCode Code;
};
