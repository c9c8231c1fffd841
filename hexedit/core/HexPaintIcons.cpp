// The built-in bookmark icons, drawn from a 4 x 6 digit font in the
// colours of a 16-colour bitmap.

#include <array>

#include "hexedit/core/HexPaint.h"

namespace {

// Rows of each digit, top to bottom; bit 3 is the leftmost pixel.
constexpr std::array<std::array<uint8_t, 6>, 10> DigitFont{{
    {0x6, 0x9, 0x9, 0x9, 0x9, 0x6},  // 0
    {0x2, 0x6, 0x2, 0x2, 0x2, 0x7},  // 1
    {0x6, 0x9, 0x1, 0x2, 0x4, 0xF},  // 2
    {0xE, 0x1, 0x6, 0x1, 0x1, 0xE},  // 3
    {0x2, 0x6, 0xA, 0xF, 0x2, 0x2},  // 4
    {0xF, 0x8, 0xE, 0x1, 0x1, 0xE},  // 5
    {0x6, 0x8, 0xE, 0x9, 0x9, 0x6},  // 6
    {0xF, 0x1, 0x2, 0x4, 0x4, 0x4},  // 7
    {0x6, 0x9, 0x6, 0x9, 0x9, 0x6},  // 8
    {0x6, 0x9, 0x9, 0x7, 0x1, 0x6},  // 9
}};

// The transparent colour sits in the corners, the top-left pixel first.
constexpr TColor Transparent = clFuchsia;

}  // namespace

THexBitmap BuiltInBookmarkBitmap() {
  THexBitmap bmp;
  bmp.Width = BookmarkBitmapWidth;
  bmp.Height = BookmarkBitmapHeight;
  bmp.Pixels.assign(static_cast<size_t>(bmp.Width * bmp.Height), Transparent);
  auto put = [&](int x, int y, TColor c) {
    bmp.Pixels[static_cast<size_t>(y * bmp.Width + x)] = c;
  };
  const int n = BookmarkIconSize;
  for (int image = 0; image < 20; ++image) {
    const int digit = image % 10;
    const bool charField = image >= 10;
    const int x0 = image * n;
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        const bool corner = (x == 0 || x == n - 1) && (y == 0 || y == n - 1);
        if (corner) continue;
        const bool border = x == 0 || x == n - 1 || y == 0 || y == n - 1;
        const bool leftHalf = x < n / 2;
        TColor c = leftHalf != charField ? clYellow : clSilver;
        if (border) c = clBlack;
        put(x0 + x, y, c);
      }
    }
    // The digit in the middle: columns 3..6, rows 2..7.
    for (int row = 0; row < 6; ++row)
      for (int col = 0; col < 4; ++col)
        if (DigitFont[static_cast<size_t>(digit)][static_cast<size_t>(row)] & (8 >> col))
          put(x0 + 3 + col, 2 + row, clBlack);
  }
  return bmp;
}
