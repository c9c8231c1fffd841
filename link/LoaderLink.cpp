#include "link/LoaderLink.h"

#include <algorithm>

#include "images/DeviceCatalogue.h"
#include "link/loader/ELoader.h"

int TLoaderLink::ExternalSize() const {
  const EepromInfo* chip = EepromAt(Avr.Chips.EepromRow);
  return chip ? chip->Size : 0;
}

int TLoaderLink::PageSize() const {
  const EepromInfo* chip = EepromAt(Avr.Chips.EepromRow);
  return chip ? chip->PageSize : 0;
}

bool TLoaderLink::WriteLoader() {
  Host.SetStatusText("writing loader...");
  if (!Avr.ChipErase()) {
    Host.SetStatusText("Error erasing chip!");
    return false;
  }
  const bool ok = Avr.ProgramFlash(LoaderImage.data(), LoaderImageSize);
  if (!ok) Host.SetStatusText("Error writing loader!");
  Host.SetProgressPosition(pbFlash, 0);
  return ok;
}

void TLoaderLink::StartLoader() {
  // A batched link holds MOSI high until it has found the loader's first
  // ready (Sync).
  if (Link.Batched()) Link.DataLatch |= Lines::Mosi;
  Link.DataLatch |= Lines::Reset;
  Link.Write();
  Link.StrobeTick();
  Link.Delay(100);
  // The loader drives MISO low within these ticks and raises it (ready)
  // only after them, so the first handshake wait starts from a low line.
  for (int i = 0; i < 11; ++i) Link.StrobeTick();
  FModel.Reset();
  FTick = 0;
  FSynced = false;
}

int TLoaderLink::BeginProgress(int size) {
  Host.SetProgressMax(pbExtEE, size);
  Host.SetProgressPosition(pbExtEE, 0);
  const int step = size / 64;
  Host.SetProgressStep(pbExtEE, step);
  return step;
}

bool TLoaderLink::WaitWhileMiso(bool level) {
  for (uint32_t ticks = 0; Link.ReadMiso() == level; ++ticks) {
    if (ticks >= HandshakeTickLimit) return false;
    Link.StrobeTick();
  }
  return true;
}

void TLoaderLink::HandshakeLost() {
  Link.PowerOff();
  Host.SetProgressPosition(pbExtEE, 0);
  Host.Beep();
  Host.ShowMessageDialog(HandshakeLostText, mkError, mbOK);
}

bool TLoaderLink::LoaderSendByte(uint8_t b) {
  if (Link.Batched()) return SendScheduled(b);
  // MISO high: the loader is ready. Each bit is on MOSI for 5 ticks; the
  // first write of the first tick carries the new level.
  if (!WaitWhileMiso(false)) {
    HandshakeLost();
    return false;
  }
  for (uint8_t mask = 0x80; mask != 0; mask >>= 1) {
    if (b & mask)
      Link.DataLatch |= Lines::Mosi;
    else
      Link.DataLatch &= ~Lines::Mosi;
    for (int i = 0; i < 5; ++i) Link.StrobeTick();
  }
  // The loader acknowledges with MISO low.
  const bool acknowledged = WaitWhileMiso(true);
  Link.DataLatch &= ~Lines::Mosi;
  if (!acknowledged) {
    HandshakeLost();
    return false;
  }
  return true;
}

bool TLoaderLink::LoaderReceiveByte(uint8_t& b) {
  if (Link.Batched()) return ReceiveScheduled(&b, 1, false, nullptr);
  // MISO high marks the start; the bits follow every 7 ticks.
  if (!WaitWhileMiso(false)) {
    HandshakeLost();
    return false;
  }
  uint8_t r = 0;
  for (int bit = 0; bit < 8; ++bit) {
    for (int i = 0; i < 7; ++i) Link.StrobeTick();
    r = static_cast<uint8_t>((r << 1) | (Link.ReadMiso() ? 1 : 0));
  }
  Link.StrobeTick();
  Link.StrobeTick();
  // The loader ends the byte with MISO low.
  if (!WaitWhileMiso(true)) {
    HandshakeLost();
    return false;
  }
  b = r;
  return true;
}

bool TLoaderLink::ReadExternalEeprom(uint8_t* buffer, int length) {
  const int size = std::clamp(length, 0, ExternalSize());
  const int step = BeginProgress(size);
  if (!LoaderSendByte(ReadAll)) return false;
  return ReceiveBytes(buffer, size, false, [&](int i) {
    StepProgressTo(i + 1, step);
    Host.ProcessPendingEvents();
    return true;
  });
}

bool TLoaderLink::ReceiveBytes(uint8_t* dest, int count, bool readBack,
                               const std::function<bool(int)>& each) {
  if (Link.Batched()) return ReceiveScheduled(dest, count, readBack, each);
  for (int i = 0; i < count; ++i) {
    if (!LoaderReceiveByte(dest[i])) return false;
    if (each && !each(i)) return true;
  }
  return true;
}

bool TLoaderLink::WriteExternalEeprom(const uint8_t* image, int length) {
  if (std::clamp(length, 0, ExternalSize()) == 0 || PageSize() <= 0)
    return true;  // nothing to write
  if (!WriteLoader()) return false;
  if (!WriteExternalPages(image, length)) return false;
  Link.PowerOff();
  Link.Delay(50);
  Link.PowerOn();
  return Avr.EnterProgrammingMode() && Avr.ReadSignature();
}

bool TLoaderLink::WriteExternalPages(const uint8_t* image, int length) {
  const int pageSize = PageSize();
  const int imageSize = std::clamp(length, 0, ExternalSize());
  if (imageSize == 0 || pageSize <= 0) return true;
  // Whole pages: a short image's last page is completed with 0xFF.
  const int size = (imageSize + pageSize - 1) / pageSize * pageSize;

  Host.SetStatusText("Writing and page verifying external eeprom...");
  StartLoader();
  const int step = BeginProgress(size);

  if (!LoaderSendByte(StartWrite(pageSize))) return false;
  for (int pos = 0; pos < size; pos += pageSize) {
    const TPage page{image, imageSize, pos, pageSize};
    // The page is written again (RepeatPage) until it reads back as sent.
    for (int writes = 1;; ++writes) {
      if (!WritePage(page, step)) return false;
      const TPageCheck check = ReadPageBack(page);
      if (check == pcLost) return false;
      if (check == pcSame) break;
      if (writes >= MaxPageWrites) return PageNeverVerified(pos);
      if (!LoaderSendByte(RepeatPage)) return false;
      StepProgressTo(pos, step);
    }
    if (pos + pageSize >= size) break;
    if (!LoaderSendByte(NextPage)) return false;
    StepProgressTo(pos + pageSize, step);
  }
  if (!AwaitLoaderReady()) return false;
  Host.SetProgressPosition(pbExtEE, 0);
  Host.SetStatusText("");
  return true;
}

bool TLoaderLink::WritePage(const TPage& page, int step) {
  for (int i = 0; i < page.Size; ++i) {
    Host.ProcessPendingEvents();
    if (!LoaderSendByte(page[i])) return false;
    // After the last byte the bar waits for the page's read-back.
    if (i + 1 < page.Size) StepProgressTo(page.Pos + i + 1, step);
  }
  return true;
}

TLoaderLink::TPageCheck TLoaderLink::ReadPageBack(const TPage& page) {
  // Asked at once: the loader sends the page's stop condition (the
  // EEPROM's write cycle starts) and then polls the EEPROM's acknowledge
  // until the write cycle is over, all while this side clocks it; a pause
  // here, with the clock stopped, would only add to the wait.
  if (!LoaderSendByte(ReadBackPage)) return pcLost;
  std::vector<uint8_t> card(static_cast<size_t>(page.Size));
  if (!ReceiveBytes(card.data(), page.Size, true, nullptr)) return pcLost;
  for (int i = 0; i < page.Size; ++i)
    if (card[static_cast<size_t>(i)] != page[i]) return pcDiffers;
  return pcSame;
}

bool TLoaderLink::PageNeverVerified(int pos) {
  Link.PowerOff();
  std::string text = "Page verify error at: 0x" + HexText(pos, 1);
  // The very first page failing most often means a 24Cxx of another size:
  // its page or address layout differs.
  if (pos == 0) text += "\n\n" + std::string(FirstPageHintText);
  Host.ShowMessageDialog(text, mkError, mbOK);
  return false;
}

void TLoaderLink::StepProgressTo(int pos, int step) {
  if (pos >= Host.ProgressPosition(pbExtEE) + step) Host.StepProgress(pbExtEE);
}

bool TLoaderLink::AwaitLoaderReady() {
  if (Link.Batched()) {
    TickTo(FModel.Ready() - 1);
    Expect(false);
    Tick();
    Expect(true);
    return Checked();
  }
  if (WaitWhileMiso(false)) return true;
  HandshakeLost();
  return false;
}

std::string TLoaderLink::VerifyErrorText(int address, uint8_t image, uint8_t card) {
  return "External eeprom verification error!\n\nvalue differ at address 0x" + HexText(address, 1) +
         "\nBuffer value: 0x" + HexText(image, 2) + "\nExternal eeprom value: 0x" +
         HexText(card, 2);
}

bool TLoaderLink::VerifyExternalEeprom(const uint8_t* image, int length) {
  StartLoader();
  const int size = std::clamp(length, 0, ExternalSize());
  const int step = BeginProgress(size);

  if (!LoaderSendByte(ReadAll)) return false;
  std::vector<uint8_t> card(static_cast<size_t>(size), 0xFF);
  int differs = -1;
  if (!ReceiveBytes(card.data(), size, false, [&](int i) {
        if (card[static_cast<size_t>(i)] != image[i]) {
          differs = i;
          return false;
        }
        if (i + 1 >= Host.ProgressPosition(pbExtEE) + step) Host.StepProgress(pbExtEE);
        Host.ProcessPendingEvents();
        return true;
      }))
    return false;
  Link.PowerOff();
  const bool ok = differs < 0;
  if (!ok)
    Host.ShowMessageDialog(
        VerifyErrorText(differs, image[differs], card[static_cast<size_t>(differs)]), mkError,
        mbOK);
  Host.SetProgressPosition(pbExtEE, 0);
  return ok;
}
