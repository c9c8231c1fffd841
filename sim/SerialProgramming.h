#pragma once
// The AVR's serial programming interface, as it runs while the card is
// powered with RESET held.
//
// It is clocked by the card clock: on every rising CLK edge it compares
// SCK with its level at the previous rising edge. A rising SCK edge
// samples MOSI into the byte being received; a falling SCK edge puts the
// next bit of the output byte on MISO. So a level the PC writes is seen
// at the next card clock, and MISO changes only on a clock that sees SCK
// fall.
//
// Bytes are taken in frames of four. After every byte the interface
// echoes it, bit by bit on the falling SCK edges of the byte that follows
// (the second byte of the programming-enable frame thus comes back while
// the third is clocked); after the third byte of a read instruction it
// sends the data read instead, in the fourth byte. A frame that starts
// 0xAC 0x53 enables programming; until then every other frame is
// ignored.
//
// With the bit link's sequences this lines up with the PC's samples:
// - Programming enable: each bit is MOSI, SCK high, tick (the card sees
//   the rising SCK and takes the bit), SCK low, tick (it sees the falling
//   SCK and shifts out), two ticks, sample. Byte 2 completes on its last
//   rising edge, so the falling edge of that same bit puts bit 7 of the
//   echo on MISO, sampled as the PC's echo bit 7; the falling edges of
//   byte 3's first seven bits give echo bits 6..0.
// - Reading: the PC samples each bit of byte 4 after writing SCK low but
//   before the next tick, so it reads what the previous falling edge put
//   out: bit 7 of the data comes from the falling edge that ends byte 3
//   (byte 3 completes on its last rising edge, when the read is done),
//   bits 6..0 from the falling edges of byte 4's bits 7..1.
//
// Writes take their write time in virtual time. While a byte is being
// written, reading that byte gives the chip's polling values (NvmTiming.h)
// and further write or erase instructions are ignored; during a chip
// erase every flash and EEPROM read gives 0xFF. A write or erase takes
// effect when its time has passed. Flash programming only clears bits: a
// write without an erase stores the AND of the old and the new byte. The
// EEPROM erases each byte itself before programming it, so an EEPROM
// write stores the new byte.
//
// Power lost in the middle of an operation: the operation is lost and the
// memory keeps what it held, except an EEPROM byte whose auto-erase had
// finished, which is left erased (0xFF).

#include <array>
#include <cstdint>
#include <vector>

#include "sim/CardFaults.h"
#include "sim/NvmTiming.h"

class TSerialProgramming {
public:
  // The memories are the card's: flash words (low byte in bits 7..0) and
  // the internal EEPROM bytes. Their sizes must be powers of two.
  TSerialProgramming(std::vector<uint16_t>& flash, std::vector<uint8_t>& eeprom,
                     const ProcessorInfo& chip, const TCardFaults& faults);

  TNvmTiming Timing;

  // RESET held with power on: a fresh interface, programming not enabled.
  // `sck` is the SCK level at that moment.
  void Begin(bool sck);
  // One rising card-clock edge with these line levels, at virtual time
  // nowNs.
  void Clock(bool sck, bool mosi, uint64_t nowNs);

  bool Miso() const { return MisoLevel; }
  bool Enabled() const { return IsEnabled; }

  // Completes a write or erase whose time has passed.
  void Settle(uint64_t nowNs);
  // True while a write or erase is in progress.
  bool Busy(uint64_t nowNs);
  // Power is gone (see above).
  void PowerLost(uint64_t nowNs);

private:
  enum class TOp { None, Flash, Eeprom, Erase };

  void ByteDone(uint8_t b, uint64_t nowNs);
  uint8_t ReadResult(uint64_t nowNs);
  void Execute(uint64_t nowNs);
  void Commit();
  uint8_t FlashByte(uint32_t byteAddress) const;

  std::vector<uint16_t>& Flash;
  std::vector<uint8_t>& Eeprom;
  uint32_t Signature;
  const TCardFaults& Faults;

  bool LastSck = false;
  bool MisoLevel = false;
  bool IsEnabled = false;
  uint8_t Shift = 0;
  uint8_t OutByte = 0;
  int BitCount = 0;
  int ByteIndex = 0;
  std::array<uint8_t, 4> Frame{};

  TOp Pending = TOp::None;
  uint32_t PendingAddress = 0;  // flash: byte address (2w + high)
  uint8_t PendingValue = 0;
  uint64_t PendingStartNs = 0;
  uint64_t PendingEndNs = 0;
};
