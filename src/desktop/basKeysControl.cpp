#include "desktop/basKeysControl.h"

#include "desktop/KeyInput.h"

namespace tralex {

void SendKeyStrokes(const QList<int>& virtualKeyCodes)
{
    PostVirtualKeys(virtualKeyCodes);
}

}  // namespace tralex
