#pragma once
#include <QList>

namespace tralex {

// Types keys, given as Windows virtual-key codes (0 to 255; 0x09 Tab, 0x10 Shift, 0x0D Enter, ...),
// at the control that has the focus: all pressed in list order, then all released in list order.
// See PostVirtualKeys for the keys known and when the events arrive.
void SendKeyStrokes(const QList<int>& virtualKeyCodes);

}  // namespace tralex
