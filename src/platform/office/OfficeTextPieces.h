#pragma once
// Rewrites a header or footer text piece by piece. Setting the whole text at once would turn its
// fields (page number, date, file name) into plain text, so only the plain-text portions are
// given to the transform, back to front, and only those it changes are written. A match that
// spans two portions of different formatting is therefore not found.
#include <com/sun/star/text/XText.hpp>

#include <QString>
#include <functional>

namespace tralex {

using TextTransform = std::function<QString(const QString&)>;

// Whether any portion changed.
bool EditTextPieces(const com::sun::star::uno::Reference<com::sun::star::text::XText>& text,
                    const TextTransform& transform);

}  // namespace tralex
