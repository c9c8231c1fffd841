#include "card/CardSession.h"

#include <string>

#include "images/DeviceCatalogue.h"

void TCardSession::CheckPort(const TCardContext& card) {
  if (!card.Port.Active) throw ECardPortError();
  // An adapter that is opened when used is opened now.
  std::string error;
  if (!card.Port.OpenSelected(error)) throw ECardPortError(error);
}

TCardSession::TCardSession(TCardContext& card, const char* status) : Card(card) {
  CheckPort(card);
  Card.Avr.BeginCommand();
  Card.Host.SetInterfaceLocked(true);
  if (status) Card.Host.SetStatusText(status);
  Card.Link.PowerOn();
}

TCardSession::~TCardSession() {
  // Each step on its own: a port that fails (its I/O raising an error,
  // maybe the very error that ends the command) must not keep the
  // interface locked, and nothing may leave a destructor.
  const auto step = [](const auto& action) {
    try {
      action();
    } catch (...) {
    }
  };
  step([&] { Card.Host.EndWork(); });
  step([&] { Card.Link.PowerOff(); });
  // An adapter opened for the command (a GPIO chip, a USB board) is let
  // go once the card is off.
  step([&] { Card.Port.ReleaseSelected(); });
  for (TProgressBarId bar : FBars) step([&] { Card.Host.SetProgressPosition(bar, 0); });
  step([&] { Card.Host.SetInterfaceLocked(false); });
  if (FClosingStatus) step([&] { Card.Host.SetStatusText(FClosingStatus); });
}

bool TCardSession::Identify() {
  if (!(Card.Avr.EnterProgrammingMode() && Card.Avr.ReadSignature())) return false;
  const ProcessorInfo* expected = ProcessorAt(Card.Avr.Chips.ExpectedProcessorRow);
  const ProcessorInfo* found = ProcessorAt(Card.Avr.Chips.ProcessorRow);
  if (!expected || found == expected) return true;
  Card.Host.Beep();
  Card.Host.ShowMessageDialog(std::string("The card's processor is an ") +
                                  (found ? found->Name : "unknown processor") +
                                  ", not the expected " + expected->Name + "!",
                              mkError, mbOK);
  return false;
}
