#pragma once
// What a virtual card is made of: its processor and external EEPROM (rows
// of the chip catalogue), its timing parameters and the faults it shows.

#include "sim/CardFaults.h"
#include "sim/CardTiming.h"

struct TVirtualCardConfig {
  int ProcessorRow = 0;  // ProcessorTable row; 0 = AT90S8515
  int EepromRow = 0;     // EepromTable row; 0 = "2464/2465"
  TCardTiming Timing;
  // A pull-up resistor on the card's SDA line. Without it a released SDA
  // is held high only by the processor's own pull-up.
  bool SdaPullUp = false;
  TCardFaults Faults;
};
