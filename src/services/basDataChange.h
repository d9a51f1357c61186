#pragma once
#include <QVariant>

namespace tralex {

// Normalises a value before it is shown or used.
// Numeric: the value as a double when it reads as a number (numbers, or texts such as " 12 " or
// "1.5e3"), otherwise the integer 0 (also for a null value).
// Text: the empty text for a null value, otherwise the value as text without the spaces at its
// two ends.
QVariant CleanValue(const QVariant& value, bool vblnNumeric);

}  // namespace tralex
