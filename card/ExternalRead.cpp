#include "card/ExternalRead.h"

#include <algorithm>
#include <exception>

#include "card/CardSession.h"
#include "card/TimeLeft.h"
#include "link/loader/ELoader.h"

int64_t ExternalReadWork(int64_t flashSize, int64_t eepromSize, int64_t externalSize, bool keep) {
  return LoaderImageSize + externalSize + (keep ? 2 * (flashSize + eepromSize) : 0);
}

int64_t ExternalReadSeconds(const ProcessorInfo& processor, int64_t externalSize, bool keep) {
  using P = TNominalPace;
  const TNvmFacts& nvm = processor.Nvm;
  const int64_t erase = nvm.ChipEraseUs + int64_t{nvm.EraseWaitMs} * 1000;
  // The loader: an erase, then each byte written.
  int64_t us = P::PowerCycleUs + erase + LoaderImageSize * (P::WriteByteUs + nvm.FlashWriteUs) +
               externalSize * P::LoaderByteUs;
  if (keep) {
    const int64_t flash = processor.FlashSize;
    const int64_t eeprom = processor.EepromSize;
    us += (flash + eeprom) * P::ReadByteUs + P::PowerCycleUs + erase +
          flash * (P::WriteByteUs + nvm.FlashWriteUs) +
          eeprom * (P::WriteByteUs + nvm.EepromWriteUs);
  }
  return (us + 999999) / 1000000;
}

std::optional<TExternalRead> ReadExternalThroughLoader(TCardContext& card, bool keep,
                                                       TCardBackups& unrestored,
                                                       const char* readingText) {
  unrestored = {};
  TCardSession session(card);
  session.CloseAsALoaderRead();
  if (!session.Identify()) return std::nullopt;
  TExternalRead result;
  const int size = std::max(card.Loader.ExternalSize(), 0);
  card.Host.PlanWork(
      ExternalReadWork(card.Avr.FlashSize(), card.Avr.EepromSize(), size, keep));
  // Set once the loader is being written: that erases the chip, even when
  // the loader then fails.
  bool erased = false;
  std::exception_ptr error;
  try {
    if (keep) {
      // No images: both memories are kept. Until they are back in the
      // card, `unrestored` holds them (copied before the erase, so that
      // nothing needs memory once the card's own contents are gone).
      result.Memories = ReadBackups(card.Avr, card.Host, {}, &TAvrMemory::KeepReadingText);
      unrestored = result.Memories;
    }
    erased = true;
    if (card.Loader.WriteLoader()) {
      card.Host.SetStatusText(readingText);
      // Read aside: callers replace their images only once every byte came.
      std::vector<uint8_t> bytes(static_cast<size_t>(size), 0xFF);
      card.Loader.StartLoader();
      result.Read = card.Loader.ReadExternalEeprom(bytes.data(), size);
      if (result.Read) result.External = std::move(bytes);
    }
  } catch (const ECardStopped&) {
    // Stopped (Ctrl+C in pellar-cli): a failed step. Before the erase the
    // card is as it was.
    result.Read = false;
  } catch (...) {
    // Any other error fails the read the same way; it goes on to the
    // caller once flash and internal EEPROM are back.
    result.Read = false;
    error = std::current_exception();
  }
  if (!erased) {
    unrestored = {};
  } else if (keep) {
    try {
      WriteBackBackups(card.Link, card.Avr, card.Host, unrestored,
                       &TAvrMemory::KeepRestoringText);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
  return result;
}
