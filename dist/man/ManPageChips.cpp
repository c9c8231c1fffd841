// Fills the chip names into a manual page at build time, from the chip
// catalogue itself, so that a new row of the catalogue shows in the pages
// without anyone writing it there:
//   pellar-man-chips IN OUT
// copies IN to OUT with {{PROCESSORS}} and {{EEPROMS}} replaced by the
// catalogue's names ("AT90S8515, AT90S4433, ..."), and {{DEFAULT_CARD}}
// by the virtual card's chips ("AT90S8515 with a 2464/2465"), each
// escaped for roff.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "images/DeviceCatalogue.h"
#include "sim/VirtualCardConfig.h"

namespace {

// A '-' is a hyphen to roff; names take the minus sign.
std::string Roff(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '-' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

void ReplaceAll(std::string& text, const std::string& token, const std::string& value) {
  for (size_t at = text.find(token); at != std::string::npos;
       at = text.find(token, at + value.size()))
    text.replace(at, token.size(), value);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: pellar-man-chips IN OUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    std::cerr << argv[1] << ": cannot be read\n";
    return 1;
  }
  std::string page = text.str();
  ReplaceAll(page, "{{PROCESSORS}}", Roff(ChipNameList(ProcessorTable)));
  ReplaceAll(page, "{{EEPROMS}}", Roff(ChipNameList(EepromTable)));
  const TVirtualCardConfig card;
  ReplaceAll(page, "{{DEFAULT_CARD}}",
             Roff(std::string(ProcessorTable[static_cast<size_t>(card.ProcessorRow)].Name) +
                  " with a " + EepromTable[static_cast<size_t>(card.EepromRow)].Name));
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << page;
  out.close();
  if (!out) {
    std::cerr << argv[2] << ": cannot be written\n";
    return 1;
  }
  return 0;
}
