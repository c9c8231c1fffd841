#pragma once
// The PC side of the loader link: the external EEPROM is wired to the
// card's processor, not to the adapter, so it is reached through the
// loader (link/loader/Loader.S), a small program written into the card's
// flash. The loader takes bytes on MOSI and hands bytes back on MISO, with
// MISO also carrying the handshake; the PC supplies every clock cycle of
// the card and counts ticks instead of waiting on time.
//
// Byte protocol (PC side):
//   send:    wait while MISO is low; 8 bits, most significant first, each
//            on MOSI for 5 ticks; wait while MISO is high.
//   receive: wait while MISO is low; 8 samples of MISO, 7 ticks apart;
//            2 ticks; wait while MISO is high.
//
// Every handshake wait is bounded: after HandshakeTickLimit ticks without
// the awaited MISO level the running operation ends. The card is powered
// off, the host shows HandshakeLostText (after a beep), and the routine
// returns false. A tick costs two port writes and the wait's status read,
// about 0.2 to 3 us on real ports, so the default bound of 1,000,000 ticks
// is 0.2 s or more: at least twenty times the longest 24Cxx write cycle
// (10 ms) the loader may be polling through, and about 3 s of the virtual
// card's time (1 us per port access).
//
// Images are the caller's byte arrays with their length. A transfer covers
// min(length, Size of the selected external EEPROM) bytes; nothing is read
// or written past the array. A write always sends whole pages: when the
// image ends inside a page, that page is completed with 0xFF (the erased
// value) and read back as such; the EEPROM beyond it is not touched. An
// empty image (or no EEPROM row selected) writes nothing and succeeds
// without touching the card.
//
// Calling order, as the window's commands use it (the window owns the
// TIspLink, the TAvrCommands and the host, and builds one TLoaderLink over
// them, as it builds TAvrCommands):
//
//   Program All, external image:
//     PowerOn; EnterProgrammingMode; ReadSignature;
//     WriteExternalEeprom(image)   erases the chip, writes and starts the
//                                  loader, writes the pages, power-cycles
//                                  the card and enters programming mode
//                                  again (the loader stays in flash);
//     VerifyExternalEeprom(image)  restarts the loader, compares, powers
//                                  off (verify chosen);
//     then, powered and in programming mode again, ChipErase before the
//     user's flash is written: the loader occupies flash until erased.
//   Read Ext. EEprom:
//     PowerOn; EnterProgrammingMode; ReadSignature;
//     WriteLoader; StartLoader;
//     ReadExternalEeprom(buffer)   leaves the loader running;
//     PowerOff; the caller resets the external bar.
//
// A false from any of them means the routine has already shown its message
// (or the host's abort question was answered Yes); the caller stops.
//
// Over a batched link (LineStream.h) the PC cannot afford a round trip per
// handshake. It schedules them instead: the loader runs a fixed number of
// cycles between two handshakes (LoaderTiming.h), so the PC ticks to the
// tick where the loader will be ready, puts the bits on MOSI there, and
// ticks through the acknowledge, exactly as the waiting loops would;
// samples at each predicted edge are checked after the next flush, and a
// handshake that is not where it must be ends the operation as a lost
// handshake does. Bytes from the loader are found in a sample per tick,
// read by the same loop the immediate link runs, in chunks that never
// reach past the loader's next ready. The two places where the loader's
// timing is not fixed cost a round trip or two: its start (the processor's
// start-up; MOSI is held high meanwhile, so a byte the loader takes early
// is 0xFF, a command it ignores) and the acknowledge polling of a page's
// read-back (the EEPROM's write cycle).

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/AvrCommands.h"
#include "link/CardHost.h"
#include "link/IspLink.h"
#include "link/LoaderTiming.h"

class TLoaderLink {
public:
  TLoaderLink(TIspLink& link, TAvrCommands& avr, TCardHost& host)
      : Link(link), Avr(avr), Host(host) {}
  virtual ~TLoaderLink() = default;

  // Command bytes of the loader.
  static constexpr uint8_t ReadAll = 0x00;
  static constexpr uint8_t ReadBackPage = 0x03;
  static constexpr uint8_t NextPage = 0x05;
  static constexpr uint8_t RepeatPage = 0x06;
  // The first byte of a page-write run: 4 + page / 4 (its low 8 bits).
  static uint8_t StartWrite(int pageSize) { return static_cast<uint8_t>(4 + pageSize / 4); }

  // A page is written at most this many times.
  static constexpr int MaxPageWrites = 6;

  static constexpr uint32_t DefaultHandshakeTickLimit = 1000000;
  uint32_t HandshakeTickLimit = DefaultHandshakeTickLimit;
  // "External eeprom verification error!" with the first byte that
  // differs: its address, the image's value and the card's.
  static std::string VerifyErrorText(int address, uint8_t image, uint8_t card);
  // Added to "Page verify error at: 0x0": the first page never verified.
  static constexpr const char* FirstPageHintText =
      "The first page did not read back as written: check the Eeprom type setting. "
      "It must name the external EEPROM on the card (its size and page size).";
  static constexpr const char* HandshakeLostText =
      "The card does not answer: no handshake from the loader.\n\nThe card has been switched off.";

  // Erases the chip and writes LoaderImage into flash. The card must be
  // powered and in programming mode.
  bool WriteLoader();
  // Releases RESET: the card runs the loader from word address 0.
  void StartLoader();

  // One byte to or from the running loader; false when a handshake wait
  // ran out (the card is then off and the message shown). Virtual so that
  // a test can watch the byte stream.
  virtual bool LoaderSendByte(uint8_t b);
  virtual bool LoaderReceiveByte(uint8_t& b);

  // Reads min(length, Size) bytes from address 0 into `buffer`, storing
  // them without marks of any kind. Needs the loader written and started;
  // leaves it running and the external bar as it is.
  bool ReadExternalEeprom(uint8_t* buffer, int length);
  // Writes the image page by page, each page read back and written again
  // on a difference, at most MaxPageWrites times. Ends with the card
  // power-cycled and in programming mode (the loader still in flash).
  bool WriteExternalEeprom(const uint8_t* image, int length);
  // The page-write run of WriteExternalEeprom on its own, with the loader
  // already in flash and the card in programming mode: starts the loader,
  // writes and reads back every page, waits for the loader to be ready
  // again. Leaves the card running; powers it off only on a failure.
  bool WriteExternalPages(const uint8_t* image, int length);
  // Starts the loader (still in flash), compares min(length, Size) bytes,
  // stops at the first difference; the card is off afterwards.
  bool VerifyExternalEeprom(const uint8_t* image, int length);

  // Size and PageSize of the selected external EEPROM (0 for no row).
  int ExternalSize() const;
  int PageSize() const;

private:
  // The external bar: maximum `size`, position 0, step size / 64 (returned).
  int BeginProgress(int size);
  // Ticks the card while MISO shows `level`; false after
  // HandshakeTickLimit ticks.
  bool WaitWhileMiso(bool level);
  // The bound ran out: card off, bar reset, beep and message.
  void HandshakeLost();

  // ---- The page-write run (WriteExternalPages) -----------------------------
  // One page of the image being written: Size bytes from Pos, 0xFF past
  // the image's end.
  struct TPage {
    const uint8_t* Image;
    int ImageSize;
    int Pos;
    int Size;
    uint8_t operator[](int i) const { return Pos + i < ImageSize ? Image[Pos + i] : 0xFF; }
  };
  enum TPageCheck { pcSame, pcDiffers, pcLost };
  // Sends the page's bytes, the bar stepping after each but the last;
  // false when a handshake was lost.
  bool WritePage(const TPage& page, int step);
  // Asks for the page back (ReadBackPage) and compares it with what was
  // sent; pcLost when a handshake was lost.
  TPageCheck ReadPageBack(const TPage& page);
  // The page at `pos` was written MaxPageWrites times and never read back
  // as sent: card off, "Page verify error at: 0x..." shown; false.
  bool PageNeverVerified(int pos);
  // Steps the external bar once `pos` has reached its next step.
  void StepProgressTo(int pos, int step);
  // After the last page: the loader goes back to its command loop and
  // raises MISO (ready). False (after HandshakeLost) when it does not.
  bool AwaitLoaderReady();

  // `count` bytes from the loader into `dest`, `each(i)` after byte i
  // (false from it ends the transfer, the result then true). A page's
  // read-back (`readBack`) ends where the loader is ready again; read-all
  // streams on.
  bool ReceiveBytes(uint8_t* dest, int count, bool readBack, const std::function<bool(int)>& each);

  // ---- Batched links (LoaderLinkBatched.cpp) -------------------------------
  bool SendScheduled(uint8_t b);
  bool ReceiveScheduled(uint8_t* dest, int count, bool readBack,
                        const std::function<bool(int)>& each);
  bool Sync();
  void Tick();
  void TickTo(int64_t tick);
  // A sample here that must read `level`.
  void Expect(bool level);
  // Flushes the stream and compares every expected sample; false (after
  // HandshakeLost) on a difference.
  bool Checked();
  // Ticks `count` times with a sample after each tick.
  void SampledTicks(int64_t count, std::deque<uint8_t>& samples);

  TLoaderModel FModel;
  int64_t FTick = 0;      // ticks since the loader was started
  bool FSynced = false;   // FModel knows the loader's next ready
  std::deque<uint8_t> FSamples;
  std::vector<std::pair<size_t, bool>> FExpected;

  TIspLink& Link;
  TAvrCommands& Avr;
  TCardHost& Host;
};
