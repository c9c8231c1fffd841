#pragma once
// Qt's keyboard and mouse vocabulary onto the editor core's own: key
// codes, the modifier and button set, mouse buttons, typed characters.

#include <QKeyEvent>
#include <QString>
#include <vector>

#include "hexedit/core/HexInput.h"

// The editor's code of the key of a key event (hkOther for a key it has
// no code for). With Shift held, the number row may report its shifted
// symbol: the digit is taken from the key's place (X11 key codes) or,
// failing that, from the US layout's symbols, so Ctrl+Shift+digit works.
int QtKeyToHexKey(const QKeyEvent& event);

// The modifier set of an event plus the mouse buttons held.
THexShiftState QtToShiftState(Qt::KeyboardModifiers modifiers,
                              Qt::MouseButtons buttons = Qt::NoButton);

// The modifiers as they stand after a key event: a modifier key that goes
// down counts as held, one that comes up as released, whatever the
// platform put into the event.
THexShiftState KeyEventShiftState(const QKeyEvent& event, int hexKey);

// The characters a key event types: its text's code points, without
// control characters (C0, DEL, C1); nothing while Ctrl or Alt is held.
std::vector<char32_t> TypedCharacters(const QKeyEvent& event);
