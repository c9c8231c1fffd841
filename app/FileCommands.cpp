// Loading and saving the three images as Intel HEX files, and the XML
// import.
#include <stdexcept>

#include "app/MainUnit.h"

namespace {
constexpr const char* NotYet = " is not yet available.";
}

void TMainForm::LoadImageFile(TImageKind, const QString&) {
  throw std::runtime_error("Loading HEX files is not yet available");
}

void TMainForm::actLoadFlashExecute() { SetStatusText(std::string("Load Flash") + NotYet); }
void TMainForm::actLoadIntEEExecute() { SetStatusText(std::string("Load Int. EEprom") + NotYet); }
void TMainForm::actLoadExtEEExecute() { SetStatusText(std::string("Load Ext. EEprom") + NotYet); }
void TMainForm::actSaveFlashExecute() { SetStatusText(std::string("Save Flash") + NotYet); }
void TMainForm::actSaveIntEEExecute() { SetStatusText(std::string("Save Int. EEprom") + NotYet); }
void TMainForm::actSaveExtEEExecute() { SetStatusText(std::string("Save Ext. EEprom") + NotYet); }
void TMainForm::actImportXMLExecute() { SetStatusText(std::string("Import XML") + NotYet); }
