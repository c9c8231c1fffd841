#pragma once
// Assembles AVR source with the binutils-avr tools found at configure time
// (PELLAR_AVR_AS, PELLAR_AVR_LD, PELLAR_AVR_OBJCOPY) into a flash image of
// words, for tests that run programs on the simulated core.

#include <cstdint>
#include <string>
#include <vector>

struct TAvrAssembly {
  bool Ok = false;
  std::string Error;            // tool output or the reason, when not Ok
  std::vector<uint16_t> Words;  // flash words from word address 0
};

// True when all three tools were found. Tests GTEST_SKIP() otherwise.
bool AvrToolchainAvailable();

// Assembles `source` (GNU as syntax) for `mcu` and links it at address 0.
TAvrAssembly AvrAssembleSource(const std::string& source, const std::string& mcu = "at90s8515");

// The same for a file; `path` relative to the source tree when not absolute.
TAvrAssembly AvrAssembleFile(const std::string& path, const std::string& mcu = "at90s8515");
