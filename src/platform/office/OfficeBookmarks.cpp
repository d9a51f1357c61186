#include "platform/office/OfficeBookmarks.h"

#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>

#include <algorithm>

namespace tralex::lo {

using namespace com::sun::star;

namespace {

// The settings of a bookmark besides its name.
const char* const BookmarkSettings[] = {"BookmarkHidden", "BookmarkCondition"};

// A text with the pairs applied one after another, each match replaced left to right, as
// replace-all does.
QString replacedByPairs(QString text, const TextPairs& pairs, bool matchCase)
{
    for (const auto& [find, replace] : pairs)
        text.replace(find, replace, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    return text;
}

// Moves the end of a cursor's selection right by the characters of `text` (a cursor counts
// characters, not UTF-16 units).
void extendOver(const uno::Reference<text::XTextCursor>& cursor, const QString& text)
{
    qsizetype characters = text.size();
    for (const QChar c : text)
        characters -= c.isLowSurrogate() ? 1 : 0;
    while (characters > 0) {
        const sal_Int16 step = sal_Int16(std::min<qsizetype>(characters, 0x7fff));
        if (!cursor->goRight(step, true))
            return;
        characters -= step;
    }
}

}  // namespace

BookmarkKeeper::BookmarkKeeper(const uno::Reference<lang::XComponent>& document, const TextPairs& pairs,
                               bool matchCase)
    : mDocument(document)
{
    const uno::Reference<text::XBookmarksSupplier> supplier(document, uno::UNO_QUERY);
    if (!supplier.is())
        return;
    const uno::Reference<container::XIndexAccess> marks(supplier->getBookmarks(), uno::UNO_QUERY_THROW);
    const sal_Int32 count = marks->getCount();
    for (sal_Int32 i = 0; i < count; ++i) {
        const uno::Reference<text::XTextContent> mark(marks->getByIndex(i), uno::UNO_QUERY);
        if (!mark.is())
            continue;
        // A bookmark at a point covers no text a match could cut.
        const QString text = ToQ(mark->getAnchor()->getString());
        if (text.isEmpty())
            continue;
        const QString replaced = replacedByPairs(text, pairs, matchCase);
        if (replaced != text)
            mNoted.push_back({mark, replaced});
    }
}

void BookmarkKeeper::Restore()
{
    for (const Noted& noted : mNoted) {
        const QString now = ToQ(noted.mark->getAnchor()->getString());
        if (now != noted.replaced && noted.replaced.startsWith(now))
            setOver(noted, now);
    }
}

void BookmarkKeeper::setOver(const Noted& noted, const QString& now)
{
    const uno::Reference<text::XTextRange> anchor = noted.mark->getAnchor();
    const uno::Reference<text::XText> text = anchor->getText();
    // From the start to the end: the cursor then grows at its end.
    const uno::Reference<text::XTextCursor> cursor = text->createTextCursorByRange(anchor->getStart());
    cursor->gotoRange(anchor->getEnd(), true);
    extendOver(cursor, noted.replaced.mid(now.size()));
    if (ToQ(cursor->getString()) != noted.replaced)
        return;
    // A bookmark cannot be moved: it is removed and made again, under its name, over the text.
    const uno::Reference<beans::XPropertySet> old(noted.mark, uno::UNO_QUERY_THROW);
    const uno::Reference<text::XTextContent> mark(
        uno::Reference<lang::XMultiServiceFactory>(mDocument, uno::UNO_QUERY_THROW)
            ->createInstance(rtl::OUString("com.sun.star.text.Bookmark")),
        uno::UNO_QUERY_THROW);
    const uno::Reference<beans::XPropertySet> settings(mark, uno::UNO_QUERY_THROW);
    for (const char* name : BookmarkSettings) {
        const rtl::OUString property = rtl::OUString::createFromAscii(name);
        try {
            settings->setPropertyValue(property, old->getPropertyValue(property));
        } catch (const beans::UnknownPropertyException&) {
        }
    }
    const rtl::OUString name = uno::Reference<container::XNamed>(noted.mark, uno::UNO_QUERY_THROW)->getName();
    text->removeTextContent(noted.mark);
    uno::Reference<container::XNamed>(mark, uno::UNO_QUERY_THROW)->setName(name);
    text->insertTextContent(cursor.get(), mark, true);
}

}  // namespace tralex::lo
