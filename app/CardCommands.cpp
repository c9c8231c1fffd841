// The card commands of the "Programmer" page: Program All, Verify, Erase,
// and reading and verifying single memories.
#include "app/MainUnit.h"

namespace {
constexpr const char* NotYet = " is not yet available.";
}

void TMainForm::actProgAllExecute() {
  CheckPortActive();
  SetStatusText(std::string("Program All") + NotYet);
}

void TMainForm::actVerifyExecute() {
  CheckPortActive();
  SetStatusText(std::string("Verify") + NotYet);
}

void TMainForm::actEraseExecute() {
  CheckPortActive();
  SetStatusText(std::string("Erase") + NotYet);
}

void TMainForm::actReadFlashExecute() {
  CheckPortActive();
  SetStatusText(std::string("Read Flash") + NotYet);
}

void TMainForm::actReadIntEEExecute() {
  CheckPortActive();
  SetStatusText(std::string("Read Int. EEprom") + NotYet);
}

void TMainForm::actReadExtEEExecute() {
  CheckPortActive();
  SetStatusText(std::string("Read Ext. EEprom") + NotYet);
}

void TMainForm::actVerifyFlashExecute() {
  CheckPortActive();
  SetStatusText(std::string("Verify Flash") + NotYet);
}

void TMainForm::actVerifyIntEEExecute() {
  CheckPortActive();
  SetStatusText(std::string("Verify Int. EEprom") + NotYet);
}
