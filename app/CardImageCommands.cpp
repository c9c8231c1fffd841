// Whole-card images: File -> "Load Card Image..." and "Save Card Image...".
// One Intel HEX file holds the flash at 0x000000, the internal EEPROM at
// 0x810000 and the external EEPROM at 0x01000000 (the addresses avr-gcc
// and avrdude use for the first two), each only when its image holds data.
#include <QFileInfo>
#include <QLineEdit>
#include <vector>

#include "app/MainUnit.h"
#include "app/StatusTexts.h"
#include "hexedit/widget/HexEditor.h"
#include "images/CardImageFile.h"
#include "images/ImageFormats.h"

bool TMainForm::LoadCardImageFile(const QString& fileName) {
  // Read into scratch images of the chosen chips first: a file that does
  // not read changes nothing.
  std::array<std::vector<uint8_t>, 3> scratch;
  TCardBuffers buffers{};
  for (TImageKind kind : AllImageKinds) {
    scratch[kind].assign(static_cast<size_t>(CatalogueSize(kind)), Editor(kind)->FillByte());
    buffers[kind] = {scratch[kind].data(), static_cast<int32_t>(scratch[kind].size())};
  }
  const TCardMemories present = ReadCardImageFile(fileName, buffers);
  // Every edited image the file would replace is answered for first.
  for (TImageKind kind : AllImageKinds)
    if (present[kind] && !ConfirmDiscard(kind)) return false;
  for (TImageKind kind : AllImageKinds) {
    if (!present[kind]) continue;
    // The image's own file is not the card image: a later save asks.
    FileBox(kind)->clear();
    SetImageBytes(kind, scratch[kind], false);
  }
  UpdateActions();
  AddRecentFile(CardImageGroup(), QFileInfo(fileName).absoluteFilePath());
  SetStatusText(CardImageText(fileName, "loaded", present));
  return true;
}

void TMainForm::actLoadCardImageExecute() {
  const QString name = Dialogs->OpenFileName(
      this, {QStringLiteral("Open Card Image"), CardImageFilter(), QString(), QString()});
  if (name.isEmpty()) return;
  LoadCardImageFile(name);
}

void TMainForm::actSaveCardImageExecute() {
  const QString name =
      AskSaveFileName({QStringLiteral("Save Card Image As"), CardImageFilter(),
                       QStringLiteral("hex"), RecentFiles(CardImageGroup()).value(0)});
  if (name.isEmpty()) return;
  TConstCardBuffers buffers{};
  for (TImageKind kind : AllImageKinds)
    buffers[kind] = {Editor(kind)->DataPointer(), Editor(kind)->DataSize()};
  const TCardMemories written = WriteCardImageFile(name, buffers);
  SetStatusText(CardImageText(name, "written", written));
  AddRecentFile(CardImageGroup(), name);
}
