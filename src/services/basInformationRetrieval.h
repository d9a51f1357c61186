#pragma once
#include <QString>

namespace tralex {

// The path of one of the user's special folders by its index (0 desktop, 2 documents; the full
// table is at SpecialFolderPath), without a final "/"; the empty text for an unknown index.
QString GetSpecialFolder(int index);

// The name of this computer; "????????" when it cannot be read.
QString GetMachineName();

}  // namespace tralex
