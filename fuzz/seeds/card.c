/* A card program for the fuzz targets' seeds: code, initialised data
   (stored in flash after the code), a string in flash and internal EEPROM
   contents, as avr-gcc lays them out. */
#include <avr/eeprom.h>
#include <avr/io.h>
#include <avr/pgmspace.h>

uint8_t ee_table[] EEMEM = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
uint16_t ee_word EEMEM = 0xBEEF;
const char banner[] PROGMEM = "a string kept in flash";
volatile uint8_t counters[] = {11, 22, 33, 44, 55};
uint8_t scratch[32];

int main(void) {
  for (;;) {
    counters[0]++;
    scratch[counters[1] & 31] = counters[2];
    PORTB = pgm_read_byte(&banner[counters[1] & 15]) ^ eeprom_read_byte(&ee_table[counters[0] & 15]);
  }
}
