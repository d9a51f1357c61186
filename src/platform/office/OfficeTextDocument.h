#pragma once
// The document operations of a text document opened by the office application: replace-all in
// the body (tables, frames and footnotes included) and the header and footer texts of the page
// styles in use. A Word section with a header of its own becomes a page style of its own when
// LibreOffice opens the file, while a section whose header is linked to the one before shares
// that style; walking the styles in use therefore meets every header exactly once.
#include "platform/office/OfficeDocument.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace tralex {

class OfficeTextDocument {
public:
    // The document must be a text document.
    explicit OfficeTextDocument(OfficeDocument& document);
    ~OfficeTextDocument();

    // Replaces every occurrence of each pair's find text in the body, pair after pair, and nothing
    // else: fields, references and indexes keep the text they showed, since LibreOffice would
    // otherwise update them all with each change. Returns the number of replacements.
    qint64 ReplaceAll(const TextPairs& pairs, bool matchCase);

    // The whole text of every header and footer in use (header, left-page and first-page header
    // where they differ, then the same for the footer, style after style).
    QStringList HeaderFooterTexts();
    // Gives one of them (an index into HeaderFooterTexts) to transform piece by piece, fields
    // kept, and writes back what changed. Returns whether anything changed.
    bool EditHeaderFooter(int index, const std::function<QString(const QString&)>& transform);

    // For making documents: a paragraph at the end of the body; optionally starting a new page
    // with a page style, which is created when missing and given the header text and the footer
    // text (followed by a page-number field) that are not empty.
    void AppendParagraph(const QString& text, const QString& newPageStyle = QString(),
                         const QString& header = QString(), const QString& footer = QString());
    QString BodyText();
    // The body's paragraphs, the text each field shows replaced by U+FFFC: fields show what
    // LibreOffice works out, and it works some out anew when it opens a file (the references of
    // a .doc file), whatever the file holds.
    QStringList BodyParagraphs();

private:
    struct Texts;
    Texts& texts();

    OfficeDocument& mDocument;
    std::unique_ptr<Texts> mTexts;
};

}  // namespace tralex
