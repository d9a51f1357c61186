#pragma once
// Bookmarks through replace-all. LibreOffice replaces a match by keeping the characters it shares
// with its replacement at the start and putting the rest after the old text, which it then
// removes; a bookmark that ends in the match ends after the shared part ("draw.Page" with
// Page -> Pg becomes "draw.P", "Page" alone "P"), and every reference to it shows that cut name
// once it is updated, in LibreOffice or in Word. The bookmarks whose text holds a match are noted
// before replacing and set again afterwards over the text the pairs made of theirs, with their
// name and settings. (Reference marks of a document grow with the replaced text by themselves;
// Word's formats keep them as bookmarks.)
#include "platform/office/OfficeUno.h"

#include <com/sun/star/text/XTextContent.hpp>

#include <QString>
#include <vector>

namespace tralex::lo {

class BookmarkKeeper {
public:
    // Notes the bookmarks of a text document whose text the pairs change.
    BookmarkKeeper(const css::uno::Reference<css::lang::XComponent>& document, const TextPairs& pairs, bool matchCase);
    // Sets every noted bookmark that now covers only the start of its replaced text over the
    // whole of it. A bookmark whose text came out otherwise is left as it is.
    void Restore();

private:
    struct Noted {
        css::uno::Reference<css::text::XTextContent> mark;
        QString replaced;  // its text with the pairs applied
    };
    void setOver(const Noted& noted, const QString& now);

    css::uno::Reference<css::lang::XComponent> mDocument;
    std::vector<Noted> mNoted;
};

}  // namespace tralex::lo
