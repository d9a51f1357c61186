#pragma once
// Workbooks and documents for the office tests, made through the office automation itself, and
// independent readers (catdoc's xls2csv and catdoc, unzip) that show what another program sees.
#include "platform/office/OfficeApplication.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QString>
#include <sys/types.h>
#include <utility>

namespace tralex::test {

// The filter that stores a file of a type: "xls", "xlsx", "ods", "doc", "docx", "odt".
QString FilterOf(const QString& type);

// A workbook with two sheets: "売上" (A1 "株式会社アルファ", B2 "abc") and "アルファ集計" (A1
// "アルファ商品"). Its page style's center header reads "アルファ 見積" followed by a page-number
// field; its right footer reads `footer` (default "アルファ フッタ").
void MakeWorkbook(OfficeApplication& office, const QString& path,
                  const QString& footer = QStringLiteral("アルファ フッタ"),
                  const QString& cellA1 = QStringLiteral("株式会社アルファ"));

// A document of three sections: the body paragraphs "アルファ本文 abc", "第二節", "第三節"; the
// first section's header "アルファ 表紙", the second's "アルファ 本章", the third continuing the
// second's (linked); footers "アルファ 頁" (first) and `footer` (second and third), each followed by
// a page-number field.
void MakeDocument(OfficeApplication& office, const QString& path,
                  const QString& footer = QStringLiteral("アルファ 下"),
                  const QString& body = QStringLiteral("アルファ本文 abc"));

// The same stored with a password.
void MakeProtectedWorkbook(OfficeApplication& office, const QString& path);

// A workbook (.ods) whose A1 reads "アルファ", or a document (.odt) whose text does, with a Basic
// function that appends a line to `marker` whenever it runs: bound to the events of loading,
// changing, storing and closing, and, in a workbook, called by the formula in B1 from A1, so that
// any change of A1 calls it again.
void MakeFileWithMacro(OfficeApplication& office, const QString& path, const QString& marker);
// Opens such a file with macros allowed and closes it: shows that its macro runs.
void OpenWithMacrosAllowed(OfficeApplication& office, const QString& path);

// A workbook (.ods) whose A1 holds `value`, or a document (.odt) whose text is `value`.
void MakeLinkSource(OfficeApplication& office, const QString& path, const QString& value);
// A file that shows a value of `source` (made by MakeLinkSource) through a link LibreOffice may
// update when it opens the file. A workbook (.ods, .xlsx): A1 "アルファ" and in B1
// =LEN(A1)*1000+'source'#$Sheet1.A1, so that a change of A1 computes B1 again from the value
// the link holds. A document (.odt): the body "アルファ本文" and a section linked to `source`.
void MakeLinkedFile(OfficeApplication& office, const QString& path, const QString& source);
// What our own automation shows of such a file: B1 of a workbook, the body of a document.
QString ShownText(OfficeApplication& office, const QString& path);

// A workbook (.ods, .xlsx: A1 "アルファ") or a document (.odt, .docx: the text "アルファ本文") that
// shows an image linked from `imageUrl` (a file or a web address) instead of holding it.
void MakeFileWithLinkedImage(OfficeApplication& office, const QString& path, const QString& imageUrl);
// An .xlsx that shows an image linked from `imageUrl` instead of holding it. LibreOffice stores
// the pictures of an .xlsx inside it (an empty one for a picture it did not load), so the file is
// made as MakeFileWithLinkedImage makes one and its picture is then linked by hand, as Excel
// links them.
void MakeXlsxWithLinkedImage(OfficeApplication& office, const QString& path, const QString& imageUrl);
// A workbook (.ods, .xlsx: "アルファ" in A1) or a document (.odt, .docx: the text "アルファ本文")
// zipped by hand, that shows the file `href` as an object linked to it instead of held in it
// (LibreOffice drops such an object from a file it stores from a flat file).
void MakeFileWithLinkedObject(const QString& path, const QString& href);
// A zip package of the given parts (name, content), written by the zip program with
// `zipOptions`: "mimetype", when given, first and uncompressed, as office packages hold it.
void WritePackage(const QString& path, const QList<std::pair<QString, QByteArray>>& parts,
                  const QStringList& zipOptions = {});
// A workbook (.ods: B1) or a document (.odt: after "アルファ本文") that shows `shown`
// as the value of A1 of the workbook `source` through a DDE link LibreOffice would update.
void MakeFileWithDdeLink(OfficeApplication& office, const QString& path, const QString& source, const QString& shown);

// A document whose headings are reference fields: a table of contents, then a heading that
// refers to the bookmark "target" around "draw.Page" in "アルファの draw.Page を見る", and a
// heading that refers to the reference mark "mark" around "アルファ章" in "アルファ章 の説明".
// Every field and the contents show their current text.
void MakeDocumentWithReferences(OfficeApplication& office, const QString& path);

// A workbook whose A1 holds `formula` (as typed, "=..."), and nothing else.
void MakeWorkbookWithFormula(OfficeApplication& office, const QString& path, const QString& formula);

// A document of bookmarks and a reference mark that begin or end in words that the pairs
// Page -> Pg and アルファ -> ベータ replace, each paragraph followed by a heading "アルファ: " that
// goes on with the mark's text through a reference field:
//   "アルファの " [bookmark end: "draw.Page"] " を見る"
//   [bookmark start: "Page.draw"] " の前"
//   "第一 " [bookmark jp: "アルファ章"] " の説明"
//   "x" [bookmark whole: "Page"] "y"
//   "第二 " [bookmark word: "アルファ"] " 節"
//   "要約 " [reference mark mark: "drawPage"]
// and in the header of its pages: "ヘッダ " [bookmark head: "draw.Page"] " 終".
void MakeDocumentWithMarks(OfficeApplication& office, const QString& path);
// A document with a table of contents of its headings "アルファ章", "draw.Page 説明" and "第三章",
// each followed by the paragraph "本文 アルファ", and a fourth such heading "追加章" that the
// table does not list (it was made before).
void MakeDocumentWithContents(OfficeApplication& office, const QString& path);
// The text each bookmark and reference mark of a document covers, by name (the pieces of a mark
// that a format splits, joined).
QMap<QString, QString> MarkedTexts(OfficeApplication& office, const QString& path);

// Gives the process the most permissive settings a user or an administrator could choose: every
// document's macros trusted, links of workbooks always and of documents automatically updated on
// load. They are written into the profile of the process, which is ended, to start again with them.
void AllowEverything(OfficeApplication& office);
// Whether a file exists within `milliseconds`.
bool FileAppears(const QString& path, int milliseconds);

// What a command prints (stdout, as UTF-8).
QString CommandOutput(const QString& program, const QStringList& arguments);
// What an independent reader sees of a file's text: xls2csv for .xls, catdoc for .doc, the XML
// of the zip formats (all of their parts) for the others.
QString ReadBack(const QString& path);

// Runs f, once more in a fresh process when LibreOffice crashed: now and then soffice dies while
// the tests make or read a file, and the engines themselves give such a file a second try too.
// The crashes Retried has met so far in this test program.
inline int CrashesRetried = 0;
template <typename F>
auto Retried(OfficeApplication& office, F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const OfficeError& e) {
        if (e.kind() != OfficeError::Kind::Crashed)
            throw;
        ++CrashesRetried;
        office.Restart();
        return f();
    }
}

// Whether a process has ended (gone, or a zombie nobody reaped yet).
bool ProcessGone(pid_t pid);

}  // namespace tralex::test

#include "engines/TralexEngine.h"

#include <QDir>
#include <QList>
#include <utility>

namespace tralex::test {

// Sets an engine up as the main window does for a run over `folder` with the given pairs.
inline void Configure(TralexEngine& engine, const QString& folder, const QString& type,
                      const QList<std::pair<QString, QString>>& pairs, bool ucase = false)
{
    for (const auto& [find, replace] : pairs)
        engine.AddTarget(find, replace);
    engine.setTargetPath(folder);
    engine.setTargetType(type);
    engine.setUcaseOption(ucase);
}

// The names in a folder, sorted.
inline QStringList NamesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The skipped entries' reasons by file name.
inline QString SkipReason(TralexEngine& engine, const QString& name)
{
    for (const QString& entry : engine.ItemSkipped()->items()) {
        const QString path = entry.section(QLatin1Char('\t'), 0, 0);
        if (path.endsWith(QLatin1Char('/') + name))
            return entry.section(QLatin1Char('\t'), 1);
    }
    return QString();
}

}  // namespace tralex::test
