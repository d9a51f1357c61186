#pragma once
#include <QList>

namespace tralex {

// Types keys given as Windows virtual-key codes (0x09 Tab, 0x0D Enter, 0x10 Shift, 0x11 Ctrl,
// 0x12 Alt, 0x1B Esc, 0x20 Space, 0x25 to 0x28 arrows, "0" to "9", "A" to "Z", F1 to F24, the
// number pad, ...): every key is pressed in list order, then every key is released, again in
// list order. A pressed Shift, Ctrl or Alt holds its modifier for the keys after it until it is
// released, so Shift then Tab moves the focus backwards. Letters type in lower case, in upper
// case under Shift. Codes that stand for no key here are passed over.
//
// Like keys typed on the keyboard, the events are queued: they arrive once control returns to the
// event loop, each at the object that has the focus at that moment, so a Tab that moves the focus
// sends its release to the newly focused control.
void PostVirtualKeys(const QList<int>& virtualKeyCodes);

}  // namespace tralex
