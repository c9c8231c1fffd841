// The editor's appearance: colours, caret shape, paint switches and the
// bookmark images.

#include "hexedit/core/HexAppearance.h"

#include "hexedit/core/EHexEditor.h"

THexAppearance::THexAppearance() {
  FColors.OnChanged = [this] { Changed(acView); };
}

void THexAppearance::SetSystemColors(const THexSystemColors& value) {
  SetSwitch(FSystemColors, value, acView);
}

void THexAppearance::SetFontColor(TColor value) { SetSwitch(FFontColor, value, acView); }

void THexAppearance::SetCaretKind(THexCaretKind value) {
  SetSwitch(FCaretKind, value, acCaretKind);
}

void THexAppearance::SetBookmarkBitmap(const THexBitmap* value) {
  if (value == nullptr) {
    FBookmarkBitmap = BuiltInBookmarkBitmap();
    FOwnBookmarkBitmap = false;
  } else {
    if (value->Width != BookmarkBitmapWidth || value->Height != BookmarkBitmapHeight ||
        value->Pixels.size() != size_t(BookmarkBitmapWidth * BookmarkBitmapHeight))
      throw EHexEditor(HexMsg::InvalidBookmarkBitmap);
    FBookmarkBitmap = *value;
    FOwnBookmarkBitmap = true;
  }
  ++FBookmarkImagesVersion;
  Changed(acBookmarkIcons);
}

bool THexAppearance::BookmarkImagePixel(int image, int x, int y, TColor& color) const {
  if (image < 0 || image >= 20 || x < 0 || x >= BookmarkIconSize || y < 0 || y >= BookmarkIconSize)
    return false;
  color = FBookmarkBitmap.Pixel(image * BookmarkIconSize + x, y);
  return color != FBookmarkBitmap.Pixel(0, 0);
}
