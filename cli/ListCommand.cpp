// list: the ports the port object finds (or the virtual card's) and the
// chip catalogue.
#include <cstdarg>
#include <cstdio>

#include "cli/CliCard.h"
#include "cli/CliCommands.h"
#include "cli/ExitCodes.h"
#include "images/DeviceCatalogue.h"

namespace {

std::string Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Line(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

}  // namespace

int RunList(const TCliOptions& options, TConsole& console) {
  TCliCard card(options, console);
  console.Result("Ports:");
  if (card.Activate()) {
    const TLptPort& port = *card.Port;
    for (int i = 0; i < port.PortCount; ++i) {
      if (!port.PortLabels[i].empty()) {
        // An adapter without an address: the name --port takes, then its
        // label.
        console.Result("  " + (port.PortNodes[i].empty() ? "" : port.PortNodes[i] + "  ") +
                       port.PortLabels[i]);
        continue;
      }
      std::string name = port.PortNodes[i].empty() ? port.PortNames[i] : port.PortNodes[i];
      // A wiring of the user's on a port of the machine.
      if (!port.PortNodes[i].empty() && !port.PortNames[i].empty()) name += " (" + port.PortNames[i] + ")";
      console.Result(Line("  0x%04X  %s", port.PortAddresses[i], name.c_str()));
    }
  } else {
    console.Result("  none: " + card.Port->LastError);
  }
  for (const std::string& error : card.Port->OpenErrors) console.Result("  not usable: " + error);

  console.Result("Processors:");
  for (const ProcessorInfo& p : ProcessorRows())
    console.Result(Line("  %-10s  signature %02X %02X %02X  flash %5d bytes  EEPROM %3d bytes",
                        p.Name, (p.Signature >> 16) & 0xFF, (p.Signature >> 8) & 0xFF,
                        p.Signature & 0xFF, p.FlashSize, p.EepromSize));
  console.Result("EEPROM types:");
  for (const EepromInfo& e : EepromTable)
    console.Result(Line("  %-10s  %6d bytes  pages of %3d bytes", e.Name, e.Size, e.PageSize));
  return ecSuccess;
}
