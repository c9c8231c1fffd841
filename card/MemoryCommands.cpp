#include "card/MemoryCommands.h"

#include <algorithm>

#include "card/CardSession.h"

namespace {

constexpr const char* NothingCompared = "Nothing has been compared.";

// StrobeTicks of the Verify Flash check of the millisecond clock.
constexpr int ClockCheckTicks = 1000001;

}  // namespace

TCompareResult VerifyCard(TCardContext& card, const TImageRef& flash, const TImageRef& intEE) {
  TCardSession session(card, "Verifying...");
  if (!session.Identify()) return crNotCompared;
  card.Host.PlanWork(std::min<int64_t>(flash.Size, card.Avr.FlashSize()) +
                     std::min<int64_t>(intEE.Size, card.Avr.EepromSize()));
  // The external image is not compared here.
  if (!CheckImagesFit(card.Host, {flash, intEE, {}}, NothingCompared)) {
    card.Host.SetStatusText("Verification error.");
    return crNotCompared;
  }
  bool ok = true;
  if (flash.HasData()) ok = card.Avr.VerifyFlash(flash.Data, flash.Size);
  if (ok && intEE.HasData()) ok = card.Avr.VerifyInternalEeprom(intEE.Data, intEE.Size);
  card.Host.SetStatusText(ok ? "Device verified." : "Verification error.");
  return ok ? crSame : crDifferent;
}

bool EraseCard(TCardContext& card) {
  TCardSession session(card, "Erasing chip...");
  // No signature is read: the erase works on whatever answers.
  if (!(card.Avr.EnterProgrammingMode() && card.Avr.ChipErase())) return false;
  card.Host.SetStatusText("Chip erased...");
  return true;
}

bool ReadCardMemory(TCardContext& card, TAvrMemoryKind memory, std::vector<uint8_t>& bytes) {
  TCardSession::CheckPort(card);
  card.Host.SetStatusText(memory == amFlash ? "Reading flash..." : "Reading internal eeprom...");
  TCardSession session(card);
  session.SetClosingStatus("");
  if (!session.Identify()) return false;
  card.Host.PlanWork(memory == amFlash ? card.Avr.FlashSize() : card.Avr.EepromSize());
  // The size of the detected processor's memory.
  if (memory == amFlash) {
    bytes.assign(static_cast<size_t>(card.Avr.FlashSize()), 0xFF);
    card.Avr.ReadFlash(bytes.data(), static_cast<int>(bytes.size()));
  } else {
    bytes.assign(static_cast<size_t>(card.Avr.EepromSize()), 0xFF);
    card.Avr.ReadInternalEeprom(bytes.data(), static_cast<int>(bytes.size()));
  }
  return true;
}

TCompareResult VerifyCardMemory(TCardContext& card, TAvrMemoryKind memory, const TImageRef& image) {
  TCardSession::CheckPort(card);
  if (memory == amFlash) {
    // The millisecond clock must move over a million card clock pulses
    // (the card is unpowered); where it does not, the command ends silently.
    const uint32_t before = card.Link.TickCount();
    for (int i = 0; i < ClockCheckTicks; ++i) card.Link.StrobeTick();
    if (card.Link.TickCount() == before) return crNotCompared;
  }
  const bool flash = memory == amFlash;
  TCardSession session(card, flash ? "Verifying flash..." : "Verifying internal eeprom...");
  if (!session.Identify()) return crNotCompared;
  card.Host.PlanWork(
      std::min<int64_t>(image.Size, flash ? card.Avr.FlashSize() : card.Avr.EepromSize()));
  const TCardImages images = flash ? TCardImages{image, {}, {}} : TCardImages{{}, image, {}};
  const bool fits = CheckImagesFit(card.Host, images, NothingCompared);
  const bool same = fits && (flash ? card.Avr.VerifyFlash(image.Data, image.Size)
                                   : card.Avr.VerifyInternalEeprom(image.Data, image.Size));
  if (flash)
    card.Host.SetStatusText(same ? "Flash verified." : "Flash verification error.");
  else
    card.Host.SetStatusText(same ? "Internal eeprom verified."
                                 : "Internal eeprom verification error.");
  if (!fits) return crNotCompared;
  return same ? crSame : crDifferent;
}
