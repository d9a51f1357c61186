#include "services/basKeysControl.h"

#include "platform/KeyInput.h"

namespace tralex {

void SendKeyStrokes(const QList<int>& virtualKeyCodes)
{
    PostVirtualKeys(virtualKeyCodes);
}

}  // namespace tralex
