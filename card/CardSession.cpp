#include "card/CardSession.h"

#include <string>

#include "images/DeviceCatalogue.h"

void TCardSession::CheckPort(const TCardContext& card) {
  if (!card.Port.Active) throw ECardPortError();
}

TCardSession::TCardSession(TCardContext& card, const char* status) : Card(card) {
  CheckPort(card);
  Card.Avr.BeginCommand();
  Card.Host.SetInterfaceLocked(true);
  if (status) Card.Host.SetStatusText(status);
  Card.Link.PowerOn();
}

TCardSession::~TCardSession() {
  Card.Host.EndWork();
  try {
    Card.Link.PowerOff();
  } catch (const std::exception&) {
    // An adapter that is gone cannot switch the card off; its failure has
    // already ended the command.
  }
  for (TProgressBarId bar : FBars) Card.Host.SetProgressPosition(bar, 0);
  Card.Host.SetInterfaceLocked(false);
  if (FClosingStatus) Card.Host.SetStatusText(FClosingStatus);
}

bool TCardSession::Identify() {
  if (!(Card.Avr.EnterProgrammingMode() && Card.Avr.ReadSignature())) return false;
  const ProcessorInfo* expected = ProcessorAt(Card.ExpectedProcessorRow);
  const ProcessorInfo* found = ProcessorAt(Card.Host.SelectedProcessorRow());
  if (!expected || found == expected) return true;
  Card.Host.Beep();
  Card.Host.ShowMessageDialog(std::string("The card's processor is an ") +
                                  (found ? found->Name : "unknown processor") +
                                  ", not the expected " + expected->Name + "!",
                              mkError, mbOK);
  return false;
}
