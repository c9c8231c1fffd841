#include "card/VerifyExtEepromCommand.h"

#include <algorithm>

#include "card/CardSession.h"
#include "card/ExternalRead.h"
#include "link/LoaderLink.h"

namespace {

// The first byte where the card differs from the image, shown as the
// loader's own verification shows it; false when there is one.
bool SameBytes(TCardHost& host, const TImageRef& image, const std::vector<uint8_t>& card) {
  const int size = std::min(image.Size, static_cast<int>(card.size()));
  for (int i = 0; i < size; ++i) {
    if (image.Data[i] == card[static_cast<size_t>(i)]) continue;
    host.ShowMessageDialog(
        TLoaderLink::VerifyErrorText(i, image.Data[i], card[static_cast<size_t>(i)]), mkError,
        mbOK);
    return false;
  }
  return true;
}

}  // namespace

TCompareResult TVerifyExtEepromCommand::Run(const TImageRef& image) {
  FUnrestored = {};
  TCardSession::CheckPort(Card);
  // The chosen EEPROM is known before the card is asked: an image that
  // does not fit is refused before the loader takes the flash.
  if (!CheckImagesFit(Card.Host, Card.Avr.Chips, {{}, {}, image}, "Nothing has been compared.")) {
    Card.Host.SetStatusText("Verification error.");
    return crNotCompared;
  }
  const std::optional<TExternalRead> read =
      ReadExternalThroughLoader(Card, true, FUnrestored, "Verifying external eeprom...");
  if (!read || !read->Read || FUnrestored.Any()) {
    Card.Host.SetStatusText("Verification error.");
    return crNotCompared;
  }
  const bool same = SameBytes(Card.Host, image, read->External);
  Card.Host.SetStatusText(same ? VerifiedText : DifferentText);
  return same ? crSame : crDifferent;
}
