#include "platform/office/OfficeTextPieces.h"

#include "platform/office/OfficeUno.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <vector>

namespace tralex {

using namespace com::sun::star;

namespace {

bool isPlainText(const uno::Reference<text::XTextRange>& portion)
{
    uno::Reference<beans::XPropertySet> properties(portion, uno::UNO_QUERY);
    if (!properties.is())
        return false;
    rtl::OUString type;
    properties->getPropertyValue(rtl::OUString("TextPortionType")) >>= type;
    return type == "Text";
}

std::vector<uno::Reference<text::XTextRange>> plainPortions(const uno::Reference<text::XText>& text)
{
    std::vector<uno::Reference<text::XTextRange>> result;
    uno::Reference<container::XEnumerationAccess> paragraphs(text, uno::UNO_QUERY_THROW);
    const auto paragraphList = paragraphs->createEnumeration();
    while (paragraphList->hasMoreElements()) {
        // Tables inside a header are not paragraphs and are left alone.
        uno::Reference<container::XEnumerationAccess> paragraph(paragraphList->nextElement(),
                                                                uno::UNO_QUERY);
        if (!paragraph.is())
            continue;
        const auto portions = paragraph->createEnumeration();
        while (portions->hasMoreElements()) {
            uno::Reference<text::XTextRange> portion(portions->nextElement(), uno::UNO_QUERY);
            if (portion.is() && isPlainText(portion))
                result.push_back(portion);
        }
    }
    return result;
}

}  // namespace

bool EditTextPieces(const uno::Reference<text::XText>& text, const TextTransform& transform)
{
    // Most texts hold no match. The whole text takes one call, its portions a dozen or more; and
    // a find text that occurs in a portion occurs in the whole text too.
    const QString whole = lo::ToQ(text->getString());
    if (transform(whole) == whole)
        return false;
    const auto portions = plainPortions(text);
    bool changed = false;
    for (auto it = portions.rbegin(); it != portions.rend(); ++it) {
        const QString before = lo::ToQ((*it)->getString());
        const QString after = transform(before);
        if (after != before) {
            (*it)->setString(lo::ToOU(after));
            changed = true;
        }
    }
    return changed;
}

}  // namespace tralex
