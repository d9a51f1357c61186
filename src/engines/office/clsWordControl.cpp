#include "engines/office/clsWordControl.h"

#include "platform/office/OfficeTextDocument.h"

namespace tralex {

namespace {

// The filters LibreOffice reports for each type, which are also the ones it stores with.
QStringList filtersFor(const QString& type)
{
    if (type == QLatin1String("doc"))
        return {QStringLiteral("MS Word 97")};
    if (type == QLatin1String("docx"))
        return {QStringLiteral("MS Word 2007 XML"), QStringLiteral("Office Open XML Text")};
    if (type == QLatin1String("odt"))
        return {QStringLiteral("writer8")};
    if (type == QLatin1String("rtf"))
        return {QStringLiteral("Rich Text Format")};
    if (type == QLatin1String("html") || type == QLatin1String("htm"))
        return {QStringLiteral("HTML (StarWriter)")};
    if (type == QLatin1String("txt"))
        return {QStringLiteral("Text"), QStringLiteral("Text (encoded)")};
    return {};
}

}  // namespace

bool clsWordControl::acceptsType(const QString& type) const
{
    return !filtersFor(type).isEmpty();
}

OfficeEngine::FormatCheck clsWordControl::checkFormat(const QString& type, const QString& filter) const
{
    // Word 95 and older files open but cannot be stored in their own format.
    return checkFilter(filter, filtersFor(type), {QStringLiteral("MS Word 95"), QStringLiteral("MS WinWord 6.0"), QStringLiteral("MS WinWord 5")});
}

QStringList clsWordControl::changeableTexts(OfficeDocument& document, Reading)
{
    // Paragraph by paragraph: fields elsewhere in the document may show other texts once it is
    // read again, and only what changed is compared.
    OfficeTextDocument text(document);
    return text.BodyParagraphs() + text.HeaderFooterTexts();
}

OfficeEngine::PairsApplied clsWordControl::applyPairs(OfficeDocument& document)
{
    OfficeTextDocument text(document);
    // Replace-all reaches some header copies (first and left pages) by itself; a header it has
    // changed is not given the pairs a second time.
    const QStringList before = text.HeaderFooterTexts();
    const bool matchCase = !mUcaseOption;
    PairsApplied applied;
    applied.replacements = text.ReplaceAll(pairs(), matchCase);
    const QStringList after = text.HeaderFooterTexts();
    for (int i = 0; i < before.size(); ++i) {
        if (before.at(i) == after.at(i))
            text.EditHeaderFooter(i, [this, &applied](const QString& t) {
                return applyAllPairs(t, &applied.replacements);
            });
    }
    return applied;
}

}  // namespace tralex
