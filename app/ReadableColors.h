#pragma once
// Colours that carry meaning on the window's labels (the navy of the
// status line and the chip id, the blue of a web address, the red of a
// refused text), kept readable on the palette in force. A label keeps its
// designed colour where that stands out from the label's window colour by
// MinimumContrast or more; otherwise it takes the same hue made lighter
// (on a dark palette) or darker until it does. The choice is made again
// whenever the label's palette changes, so a new desktop colour scheme
// recolours a running window.

#include <QColor>

class QLabel;

// The contrast every text keeps against its background (the ratio the
// usual readability rules ask of normal text).
inline constexpr double MinimumContrast = 4.5;

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double ColorContrast(const QColor& a, const QColor& b);

// `wanted` where it stands out from `background` by MinimumContrast, else
// the nearest colour of its hue and saturation that does (white or black
// at the end of the scale).
QColor ReadableColor(const QColor& wanted, const QColor& background);

// Gives the label's text the colour `wanted`, kept readable from now on.
void SetMeaningColor(QLabel* label, const QColor& wanted);
