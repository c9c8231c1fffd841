#pragma once
// The status line's last word on the commands that replace, read or save
// images, so that every such command leaves one line saying what it did.
// (The card commands' own texts, "Device programmed." and the like, come
// from card/.)

#include <QString>
#include <array>

#include "app/ImagePages.h"

// "Flash image loaded from flash.hex." (the file's name without its folder).
QString ImageLoadedText(TImageKind kind, const QString& fileName);
// "Flash image saved to flash.hex."
QString ImageSavedText(TImageKind kind, const QString& fileName);
// "Flash image read from the card."
QString ImageReadText(TImageKind kind);
// "Card read: flash, internal eeprom, external eeprom."
QString CardReadText();
// "Card image card.hex loaded: flash, external eeprom." with `verb`
// "loaded" or "written", the images the file holds; "... every image is
// empty." when it holds none.
QString CardImageText(const QString& fileName, const char* verb, const std::array<bool, 3>& images);
