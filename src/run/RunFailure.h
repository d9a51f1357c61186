#pragma once
// The one way every front end turns an error that ended an action into the text the user reads.
#include <QString>
#include <functional>

namespace tralex {

// Runs `action`; returns the description of the error that ended it, or an empty text.
QString FailureOf(const std::function<void()>& action);

}  // namespace tralex
