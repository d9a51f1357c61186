#include "platform/office/OfficeTextDocument.h"

#include "platform/office/OfficeBookmarks.h"
#include "platform/office/OfficeTextPieces.h"
#include "platform/office/OfficeUno.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/XStyle.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XDocumentIndexesSupplier.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XReplaceable.hpp>

#include <QHash>
#include <algorithm>
#include <vector>

namespace tralex {

using namespace com::sun::star;
using lo::ToOU;
using lo::ToQ;

namespace {

const QString ReasonDocument = QStringLiteral("文書を処理できません");

// A header or footer text of a page style, with the flag that tells whether it differs from the
// style's main one (nullptr: the main one, used whenever headers or footers are on).
struct TextProperty {
    const char* onFlag;
    const char* text;
    const char* sharedFlag;
};
const TextProperty HeaderFooterProperties[] = {
    {"HeaderIsOn", "HeaderText", nullptr},
    {"HeaderIsOn", "HeaderTextLeft", "HeaderIsShared"},
    {"HeaderIsOn", "HeaderTextFirst", "FirstIsShared"},
    {"FooterIsOn", "FooterText", nullptr},
    {"FooterIsOn", "FooterTextLeft", "FooterIsShared"},
    {"FooterIsOn", "FooterTextFirst", "FirstIsShared"},
};

bool flag(const uno::Reference<beans::XPropertySet>& style, const char* name, bool missing)
{
    bool value = missing;
    try {
        style->getPropertyValue(rtl::OUString::createFromAscii(name)) >>= value;
    } catch (const beans::UnknownPropertyException&) {
    }
    return value;
}

uno::Reference<text::XText> bodyText(const OfficeDocument& document)
{
    return uno::Reference<text::XTextDocument>(lo::ComponentOf(document), uno::UNO_QUERY_THROW)->getText();
}

// The lines of a table of contents or another index are text the reader sees, and Word's own
// replace-all replaces in them; LibreOffice protects an index from editing, and its replace
// passes it by. The indexes are opened for the replacement and protected again: the matches in
// their lines are replaced, and nothing makes them anew.
std::vector<uno::Reference<beans::XPropertySet>> protectedIndexes(const uno::Reference<lang::XComponent>& component)
{
    std::vector<uno::Reference<beans::XPropertySet>> result;
    const uno::Reference<text::XDocumentIndexesSupplier> supplier(component, uno::UNO_QUERY);
    if (!supplier.is())
        return result;
    const uno::Reference<container::XIndexAccess> indexes = supplier->getDocumentIndexes();
    const rtl::OUString isProtected("IsProtected");
    for (sal_Int32 i = 0, count = indexes->getCount(); i < count; ++i) {
        const uno::Reference<beans::XPropertySet> index(indexes->getByIndex(i), uno::UNO_QUERY);
        bool on = false;
        if (index.is() && (index->getPropertyValue(isProtected) >>= on) && on)
            result.push_back(index);
    }
    return result;
}

void setProtected(const std::vector<uno::Reference<beans::XPropertySet>>& indexes, bool on)
{
    for (const auto& index : indexes)
        index->setPropertyValue(rtl::OUString("IsProtected"), uno::Any(on));
}

}  // namespace

struct OfficeTextDocument::Texts {
    std::vector<uno::Reference<text::XText>> list;
};

OfficeTextDocument::OfficeTextDocument(OfficeDocument& document) : mDocument(document) {}

OfficeTextDocument::~OfficeTextDocument() = default;

OfficeTextDocument::Texts& OfficeTextDocument::texts()
{
    if (mTexts)
        return *mTexts;
    auto found = std::make_unique<Texts>();
    lo::Guarded(mDocument.Application(), ReasonDocument, [&] {
        const auto styles = lo::PageStyles(mDocument);
        const uno::Sequence<rtl::OUString> names = styles->getElementNames();
        for (const rtl::OUString& name : names) {
            uno::Reference<style::XStyle> style(styles->getByName(name), uno::UNO_QUERY_THROW);
            if (!style->isInUse())
                continue;
            uno::Reference<beans::XPropertySet> properties(style, uno::UNO_QUERY_THROW);
            for (const TextProperty& p : HeaderFooterProperties) {
                if (!flag(properties, p.onFlag, false))
                    continue;
                if (p.sharedFlag && flag(properties, p.sharedFlag, true))
                    continue;
                uno::Reference<text::XText> text(
                    properties->getPropertyValue(rtl::OUString::createFromAscii(p.text)), uno::UNO_QUERY);
                if (text.is())
                    found->list.push_back(text);
            }
        }
    });
    mTexts = std::move(found);
    return *mTexts;
}

qint64 OfficeTextDocument::ReplaceAll(const TextPairs& pairs, bool matchCase)
{
    return lo::Guarded(mDocument.Application(), ReasonDocument, [&] {
        const auto component = lo::ComponentOf(mDocument);
        // The setting is stored with the document: it is put back as it was before storing.
        const uno::Reference<beans::XPropertySet> settings(
            uno::Reference<lang::XMultiServiceFactory>(component, uno::UNO_QUERY_THROW)
                ->createInstance(rtl::OUString("com.sun.star.text.DocumentSettings")),
            uno::UNO_QUERY_THROW);
        const rtl::OUString autoUpdate("FieldAutoUpdate");
        const uno::Any wasOn = settings->getPropertyValue(autoUpdate);
        settings->setPropertyValue(autoUpdate, uno::Any(false));
        const uno::Reference<util::XModifiable> modifiable(component, uno::UNO_QUERY_THROW);
        const bool wasModified = modifiable->isModified();
        lo::BookmarkKeeper bookmarks(component, pairs, matchCase);
        const auto indexes = protectedIndexes(component);
        setProtected(indexes, false);
        const qint64 count =
            lo::ReplaceAllIn(uno::Reference<util::XReplaceable>(component, uno::UNO_QUERY_THROW), pairs, matchCase);
        setProtected(indexes, true);
        bookmarks.Restore();
        settings->setPropertyValue(autoUpdate, wasOn);
        // Opening and protecting the indexes again is no change of the document.
        if (count == 0 && !wasModified)
            modifiable->setModified(false);
        return count;
    });
}

QStringList OfficeTextDocument::HeaderFooterTexts()
{
    Texts& all = texts();
    return lo::Guarded(mDocument.Application(), ReasonDocument, [&] {
        QStringList result;
        for (const auto& text : all.list)
            result.append(ToQ(text->getString()));
        return result;
    });
}

bool OfficeTextDocument::EditHeaderFooter(int index, const std::function<QString(const QString&)>& transform)
{
    Texts& all = texts();
    return lo::Guarded(mDocument.Application(), ReasonDocument, [&] {
        return EditTextPieces(all.list.at(size_t(index)), transform);
    });
}

void OfficeTextDocument::AppendParagraph(const QString& text, const QString& newPageStyle,
                                         const QString& header, const QString& footer)
{
    mTexts.reset();
    lo::Guarded(mDocument.Application(), ReasonDocument, [&] {
        const auto body = bodyText(mDocument);
        const auto cursor = body->createTextCursor();
        cursor->gotoEnd(false);
        const bool empty = body->getString().isEmpty();
        if (!empty)
            body->insertControlCharacter(cursor.get(), text::ControlCharacter::PARAGRAPH_BREAK, false);
        if (!newPageStyle.isEmpty()) {
            const auto styles = lo::PageStyles(mDocument);
            const rtl::OUString name = ToOU(newPageStyle);
            uno::Reference<lang::XMultiServiceFactory> factory(lo::ComponentOf(mDocument), uno::UNO_QUERY_THROW);
            if (!styles->hasByName(name)) {
                uno::Reference<style::XStyle> style(
                    factory->createInstance(rtl::OUString("com.sun.star.style.PageStyle")), uno::UNO_QUERY_THROW);
                uno::Reference<container::XNameContainer>(styles, uno::UNO_QUERY_THROW)
                    ->insertByName(name, uno::Any(style));
            }
            uno::Reference<beans::XPropertySet> properties(styles->getByName(name), uno::UNO_QUERY_THROW);
            if (!header.isEmpty()) {
                properties->setPropertyValue(rtl::OUString("HeaderIsOn"), uno::Any(true));
                uno::Reference<text::XText> headerText(
                    properties->getPropertyValue(rtl::OUString("HeaderText")), uno::UNO_QUERY_THROW);
                headerText->setString(ToOU(header));
            }
            if (!footer.isEmpty()) {
                properties->setPropertyValue(rtl::OUString("FooterIsOn"), uno::Any(true));
                uno::Reference<text::XText> footerText(
                    properties->getPropertyValue(rtl::OUString("FooterText")), uno::UNO_QUERY_THROW);
                footerText->setString(ToOU(footer));
                uno::Reference<text::XTextContent> field(
                    factory->createInstance(rtl::OUString("com.sun.star.text.TextField.PageNumber")),
                    uno::UNO_QUERY_THROW);
                uno::Reference<beans::XPropertySet>(field, uno::UNO_QUERY_THROW)
                    ->setPropertyValue(rtl::OUString("NumberingType"), uno::Any(sal_Int16(4)));
                const auto end = footerText->createTextCursor();
                end->gotoEnd(false);
                footerText->insertTextContent(end.get(), field, false);
            }
            uno::Reference<beans::XPropertySet>(cursor, uno::UNO_QUERY_THROW)
                ->setPropertyValue(rtl::OUString("PageDescName"), uno::Any(name));
        }
        body->insertString(cursor.get(), ToOU(text), false);
    });
}

QString OfficeTextDocument::BodyText()
{
    return lo::Guarded(mDocument.Application(), ReasonDocument, [&] {
        return ToQ(bodyText(mDocument)->getString());
    });
}

QStringList OfficeTextDocument::BodyParagraphs()
{
    return lo::Guarded(mDocument.Application(), ReasonDocument, [&] {
        QStringList paragraphs = ToQ(bodyText(mDocument)->getString()).split(QLatin1Char('\n'));
        // Where each field stands: the text of its paragraph, and its start and length there.
        QHash<QString, QList<std::pair<qsizetype, qsizetype>>> fieldsByParagraph;
        const auto fields = uno::Reference<text::XTextFieldsSupplier>(lo::ComponentOf(mDocument), uno::UNO_QUERY_THROW)
                                ->getTextFields()
                                ->createEnumeration();
        while (fields->hasMoreElements()) {
            const uno::Reference<text::XTextContent> field(fields->nextElement(), uno::UNO_QUERY);
            const uno::Reference<text::XTextRange> anchor = field.is() ? field->getAnchor() : nullptr;
            if (!anchor.is())
                continue;
            const qsizetype length = ToQ(anchor->getString()).size();
            const uno::Reference<text::XParagraphCursor> cursor(
                anchor->getText()->createTextCursorByRange(anchor->getStart()), uno::UNO_QUERY);
            if (!cursor.is() || length == 0)
                continue;
            cursor->gotoStartOfParagraph(true);
            const qsizetype start = ToQ(cursor->getString()).size();
            cursor->gotoStartOfParagraph(false);
            cursor->gotoEndOfParagraph(true);
            fieldsByParagraph[ToQ(cursor->getString())].append({start, length});
        }
        for (QString& paragraph : paragraphs) {
            auto it = fieldsByParagraph.find(paragraph);
            if (it == fieldsByParagraph.end())
                continue;
            auto spans = it.value();
            std::sort(spans.begin(), spans.end(), std::greater<>());
            for (const auto& [start, length] : spans)
                paragraph.replace(start, length, QChar(0xFFFC));
        }
        return paragraphs;
    });
}

}  // namespace tralex
