#include "cli/TerminalHost.h"

#include <algorithm>
#include <iterator>

#include "card/MemoryCommands.h"
#include "card/VerifyExtEepromCommand.h"
#include "cli/Interrupt.h"
#include "link/AvrMemory.h"

namespace {

// The texts the card commands end with: the caller writes them as the
// command's result, on stdout or stderr.
constexpr const char* ResultTexts[] = {"Device programmed.",
                                       "Programming error.",
                                       "Device verified.",
                                       "Verification error.",
                                       "Chip erased...",
                                       BothVerifiedText,
                                       AvrFlash.VerifiedText,
                                       AvrEeprom.VerifiedText,
                                       TVerifyExtEepromCommand::VerifiedText,
                                       TVerifyExtEepromCommand::DifferentText};

const char* BarLabel(TProgressBarId bar) {
  switch (bar) {
    case pbFlash: return "flash";
    case pbIntEE: return "internal eeprom";
    case pbExtEE: return "external eeprom";
    case pbInit: break;
  }
  return nullptr;
}

}  // namespace

TTerminalHost::TTerminalHost(TConsole& console, bool force) : Console(console), Force(force) {}

void TTerminalHost::SetStatusText(const std::string& text) {
  if (text.empty()) return;
  if (std::find_if(std::begin(ResultTexts), std::end(ResultTexts),
                   [&](const char* t) { return text == t; }) != std::end(ResultTexts))
    return;
  Console.Note(text);
}

void TTerminalHost::SetProgressMax(TProgressBarId bar, int max) { Bars[bar].Max = max; }

void TTerminalHost::SetProgressStep(TProgressBarId bar, int step) { Bars[bar].Step = step; }

void TTerminalHost::SetProgressPosition(TProgressBarId bar, int position) {
  TBar& b = Bars[bar];
  const int before = b.Position;
  b.Position = std::clamp(position, 0, std::max(b.Max, 0));
  const char* label = BarLabel(bar);
  if (!label) return;
  // Forward steps of the transfer bars are the command's work done.
  if (TimeLeft.Active()) TimeLeft.Advance(b.Position - before);
  const std::string left =
      TimeLeft.Active() ? TTimeLeft::Text(TimeLeft.SecondsLeft(NowMs())) : std::string();
  Console.Bar(label, b.Position, b.Max, left);
}

int64_t TTerminalHost::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               WorkStart)
      .count();
}

void TTerminalHost::PlanWork(int64_t bytes) {
  if (!TimeLeft.Active()) WorkStart = std::chrono::steady_clock::now();
  TimeLeft.Plan(bytes, NowMs());
}

void TTerminalHost::EndWork() { TimeLeft.End(); }

int TTerminalHost::ProgressPosition(TProgressBarId bar) { return Bars[bar].Position; }

void TTerminalHost::SetProgressVisible(TProgressBarId, bool) {}

void TTerminalHost::StepProgress(TProgressBarId bar) {
  SetProgressPosition(bar, Bars[bar].Position + Bars[bar].Step);
}

TMessageResult TTerminalHost::ShowMessageDialog(const std::string& text, TMessageKind kind,
                                                TMessageButtons buttons) {
  if (buttons == mbYesNo) {
    // Only No goes on.
    const bool goOn = Force && !Interrupted();
    Console.Error(text + (goOn ? " No (--force)" : " Yes"));
    return goOn ? mrNo : mrYes;
  }
  if (kind == mkInformation)
    Console.Note(text);
  else
    Console.Error(text);
  return mrOK;
}

void TTerminalHost::ProcessPendingEvents() {
  const int presses = InterruptCount();
  if (presses == InterruptsSeen) return;
  InterruptsSeen = presses;
  Console.Error("Interrupted: stopping.");
  throw ECardStopped();
}

bool TTerminalHost::Interrupted() const { return InterruptCount() > 0; }
