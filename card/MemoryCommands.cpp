#include "card/MemoryCommands.h"

#include <algorithm>

#include "card/CardSession.h"

namespace {

constexpr const char* NothingCompared = "Nothing has been compared.";

// StrobeTicks of the Verify Flash check of the millisecond clock.
constexpr int ClockCheckTicks = 1000001;

}  // namespace

TCompareResult VerifyCard(TCardContext& card, const TImageRef& flash, const TImageRef& intEE) {
  if (!flash.HasData() && !intEE.HasData()) {
    // Only an external image: the card is not asked, and the status line
    // does not claim what was never compared.
    TCardSession::CheckPort(card);
    card.Host.SetStatusText(NothingToVerifyText);
    return crNotCompared;
  }
  TCardSession session(card, "Verifying...");
  if (!session.Identify()) return crNotCompared;
  // The external image is not compared here.
  const TCardImages images{flash, intEE, {}};
  int64_t work = 0;
  for (const TAvrMemory* memory : AvrMemories)
    work += std::min<int64_t>(images.Of(*memory).Size, card.Avr.MemorySize(*memory));
  card.Host.PlanWork(work);
  if (!CheckImagesFit(card.Host, card.Avr.Chips, images, NothingCompared)) {
    card.Host.SetStatusText("Verification error.");
    return crNotCompared;
  }
  bool ok = true;
  for (const TAvrMemory* memory : AvrMemories) {
    const TImageRef& image = images.Of(*memory);
    if (ok && image.HasData()) ok = card.Avr.VerifyMemory(*memory, image.Data, image.Size);
  }
  // The result names what was compared.
  const char* verified = !intEE.HasData() ? AvrFlash.VerifiedText
                         : !flash.HasData() ? AvrEeprom.VerifiedText
                                            : BothVerifiedText;
  card.Host.SetStatusText(ok ? verified : "Verification error.");
  return ok ? crSame : crDifferent;
}

bool EraseCard(TCardContext& card) {
  TCardSession session(card, "Erasing chip...");
  // No signature is read: the erase works on whatever answers.
  if (!(card.Avr.EnterProgrammingMode() && card.Avr.ChipErase())) return false;
  card.Host.SetStatusText("Chip erased...");
  return true;
}

bool ReadCardMemory(TCardContext& card, const TAvrMemory& memory, std::vector<uint8_t>& bytes) {
  TCardSession::CheckPort(card);
  card.Host.SetStatusText(memory.ReadingText);
  TCardSession session(card);
  session.SetClosingStatus("");
  if (!session.Identify()) return false;
  // The size of the detected processor's memory.
  const int size = card.Avr.MemorySize(memory);
  card.Host.PlanWork(size);
  bytes.assign(static_cast<size_t>(size), 0xFF);
  card.Avr.ReadMemory(memory, bytes.data(), size);
  return true;
}

TCompareResult VerifyCardMemory(TCardContext& card, const TAvrMemory& memory,
                                const TImageRef& image) {
  TCardSession::CheckPort(card);
  if (&memory == &AvrFlash) {
    // The millisecond clock must move over a million card clock pulses
    // (the card is unpowered); where it does not, the command ends silently.
    const uint32_t before = card.Link.TickCount();
    for (int i = 0; i < ClockCheckTicks; ++i) card.Link.StrobeTick();
    if (card.Link.TickCount() == before) return crNotCompared;
  }
  TCardSession session(card, memory.VerifyingText);
  if (!session.Identify()) return crNotCompared;
  card.Host.PlanWork(std::min<int64_t>(image.Size, card.Avr.MemorySize(memory)));
  TCardImages images;
  images.Of(memory) = image;
  const bool fits = CheckImagesFit(card.Host, card.Avr.Chips, images, NothingCompared);
  const bool same = fits && card.Avr.VerifyMemory(memory, image.Data, image.Size);
  card.Host.SetStatusText(same ? memory.VerifiedText : memory.VerifyFailedText);
  if (!fits) return crNotCompared;
  return same ? crSame : crDifferent;
}
