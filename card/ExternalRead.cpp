#include "card/ExternalRead.h"

#include <algorithm>

#include "card/CardSession.h"
#include "link/loader/ELoader.h"

std::optional<TExternalRead> ReadExternalThroughLoader(TCardContext& card, bool keep) {
  TCardSession session(card);
  session.CloseAsALoaderRead();
  if (!session.Identify()) return std::nullopt;
  TExternalRead result;
  const int size = std::max(card.Loader.ExternalSize(), 0);
  card.Host.PlanWork(LoaderImageSize + size +
                     (keep ? 2 * (int64_t{card.Avr.FlashSize()} + card.Avr.EepromSize()) : 0));
  // Set once the loader is being written: that erases the chip, even when
  // the loader then fails.
  bool erased = false;
  try {
    // No images: both memories are kept.
    if (keep) result.Memories = ReadBackups(card.Avr, card.Host, {}, &TAvrMemory::KeepReadingText);
    erased = true;
    if (card.Loader.WriteLoader()) {
      card.Host.SetStatusText("Reading external eeprom...");
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
  }
  if (keep && erased)
    result.Unrestored = WriteBackBackups(card.Link, card.Avr, card.Host, result.Memories,
                                         &TAvrMemory::KeepRestoringText);
  return result;
}
