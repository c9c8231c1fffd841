#include "hexedit/widget/HexKeyMap.h"

#include <QGuiApplication>

namespace {

// X11 key codes of the number row: 10 is "1", ..., 18 is "9", 19 is "0".
int DigitFromX11KeyCode(quint32 code) {
  if (code < 10 || code > 19) return -1;
  return code == 19 ? 0 : int(code) - 9;
}

int DigitFromUsSymbol(int key) {
  switch (key) {
    case Qt::Key_ParenRight: return 0;
    case Qt::Key_Exclam: return 1;
    case Qt::Key_At: return 2;
    case Qt::Key_NumberSign: return 3;
    case Qt::Key_Dollar: return 4;
    case Qt::Key_Percent: return 5;
    case Qt::Key_AsciiCircum: return 6;
    case Qt::Key_Ampersand: return 7;
    case Qt::Key_Asterisk: return 8;
    case Qt::Key_ParenLeft: return 9;
    default: return -1;
  }
}

}  // namespace

int QtKeyToHexKey(const QKeyEvent& event) {
  const int k = event.key();
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return hk0 + (k - Qt::Key_0);
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return hkA + (k - Qt::Key_A);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return hkF1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace: return hkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return hkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return hkReturn;
    case Qt::Key_Shift: return hkShift;
    case Qt::Key_Control: return hkControl;
    case Qt::Key_Alt: return hkAlt;
    case Qt::Key_Escape: return hkEscape;
    case Qt::Key_Space: return hkSpace;
    case Qt::Key_PageUp: return hkPageUp;
    case Qt::Key_PageDown: return hkPageDown;
    case Qt::Key_End: return hkEnd;
    case Qt::Key_Home: return hkHome;
    case Qt::Key_Left: return hkLeft;
    case Qt::Key_Up: return hkUp;
    case Qt::Key_Right: return hkRight;
    case Qt::Key_Down: return hkDown;
    case Qt::Key_Insert: return hkInsert;
    case Qt::Key_Delete: return hkDelete;
    default: break;
  }
  if (event.modifiers() & Qt::ShiftModifier) {
    int digit = -1;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
      digit = DigitFromX11KeyCode(event.nativeScanCode());
    if (digit < 0) digit = DigitFromUsSymbol(k);
    if (digit >= 0) return hk0 + digit;
  }
  return hkOther;
}

THexShiftState QtToShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  THexShiftState s = 0;
  if (modifiers & Qt::ShiftModifier) s |= hsShift;
  if (modifiers & Qt::ControlModifier) s |= hsCtrl;
  if (modifiers & Qt::AltModifier) s |= hsAlt;
  if (buttons & Qt::LeftButton) s |= hsLeft;
  if (buttons & Qt::RightButton) s |= hsRight;
  if (buttons & Qt::MiddleButton) s |= hsMiddle;
  return s;
}

THexShiftState KeyEventShiftState(const QKeyEvent& event, int hexKey) {
  THexShiftState s = QtToShiftState(event.modifiers());
  THexShiftState own = 0;
  if (hexKey == hkShift) own = hsShift;
  if (hexKey == hkControl) own = hsCtrl;
  if (hexKey == hkAlt) own = hsAlt;
  if (event.type() == QEvent::KeyRelease)
    s &= THexShiftState(~own);
  else
    s |= own;
  return s;
}

std::vector<char32_t> TypedCharacters(const QKeyEvent& event) {
  std::vector<char32_t> chars;
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return chars;
  for (const char32_t c : event.text().toUcs4()) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
    chars.push_back(c);
  }
  return chars;
}
