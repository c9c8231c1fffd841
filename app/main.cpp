// Program entry. The main window arrives with its own change; until then
// the program reports what the port object finds.
#include <cstdio>

#include "link/TLpt.h"

int main() {
  TLptPort port;
  port.SetActive(true);
  if (!port.Active) {
    std::printf("%s\n", port.LastError.c_str());
    return 0;
  }
  for (int i = 0; i < port.PortCount; ++i)
    std::printf("port %d: 0x%04X %s\n", i, port.PortAddresses[i], port.PortNodes[i].c_str());
  return 0;
}
