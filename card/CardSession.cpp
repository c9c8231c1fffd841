#include "card/CardSession.h"

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
  Card.Link.PowerOff();
  for (TProgressBarId bar : FBars) Card.Host.SetProgressPosition(bar, 0);
  Card.Host.SetInterfaceLocked(false);
  if (FClosingStatus) Card.Host.SetStatusText(FClosingStatus);
}

bool TCardSession::Identify() { return Card.Avr.EnterProgrammingMode() && Card.Avr.ReadSignature(); }
