#include "office/support/OfficeFixtures.h"

#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeTextDocument.h"
#include "platform/office/OfficeUno.h"
#include "platform/office/OfficeWorkbook.h"

#include <com/sun/star/frame/XStorable.hpp>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <cerrno>
#include <csignal>

namespace tralex::test {

using namespace com::sun::star;

void makeWorkbook(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& cellA1);
void makeDocument(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& body);

QString FilterOf(const QString& type)
{
    if (type == QLatin1String("xls")) return QStringLiteral("MS Excel 97");
    if (type == QLatin1String("xlsx")) return QStringLiteral("Calc MS Excel 2007 XML");
    if (type == QLatin1String("ods")) return QStringLiteral("calc8");
    if (type == QLatin1String("doc")) return QStringLiteral("MS Word 97");
    if (type == QLatin1String("docx")) return QStringLiteral("MS Word 2007 XML");
    return QStringLiteral("writer8");
}

void MakeWorkbook(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& cellA1)
{
    Retried(office, [&] { makeWorkbook(office, path, footer, cellA1); });
}

void makeWorkbook(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& cellA1)
{
    auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
    OfficeWorkbook book(*document);
    book.SetSheetName(0, QStringLiteral("売上"));
    book.SetCellText(0, 0, 0, cellA1);
    book.SetCellText(0, 1, 1, QStringLiteral("abc"));
    book.AppendSheet(QStringLiteral("アルファ集計"));
    book.SetCellText(1, 0, 0, QStringLiteral("アルファ商品"));
    book.SetPageText(0, 1, QStringLiteral("アルファ 見積"), true);
    book.SetPageText(0, 5, footer);
    document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
}

void MakeDocument(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& body)
{
    Retried(office, [&] { makeDocument(office, path, footer, body); });
}

void makeDocument(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& body)
{
    auto document = office.Create(OfficeApplication::Kind::Text);
    OfficeTextDocument text(*document);
    text.AppendParagraph(body, QStringLiteral("Standard"), QStringLiteral("アルファ 表紙"),
                         QStringLiteral("アルファ 頁"));
    text.AppendParagraph(QStringLiteral("第二節"), QStringLiteral("Chapter"),
                         QStringLiteral("アルファ 本章"), footer);
    text.AppendParagraph(QStringLiteral("第三節"), QStringLiteral("Chapter"));
    document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
}

void MakeProtectedWorkbook(OfficeApplication& office, const QString& path)
{
    auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
    OfficeWorkbook(*document).SetCellText(0, 0, 0, QStringLiteral("アルファ"));
    uno::Reference<frame::XStorable> storable(lo::ComponentOf(*document), uno::UNO_QUERY_THROW);
    storable->storeToURL(lo::ToOU(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded())),
                         lo::Properties({
                             lo::Property("FilterName", uno::Any(lo::ToOU(FilterOf(QFileInfo(path).suffix())))),
                             lo::Property("Password", uno::Any(rtl::OUString("secret"))),
                         }));
}

QString CommandOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString ReadBack(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix == QLatin1String("xls"))
        return CommandOutput(QStringLiteral("xls2csv"), {QStringLiteral("-d"), QStringLiteral("utf-8"), path});
    if (suffix == QLatin1String("doc"))
        return CommandOutput(QStringLiteral("catdoc"), {QStringLiteral("-d"), QStringLiteral("utf-8"), path});
    // The parts that hold the text, not settings or metadata (which keep, for example, a sheet's
    // original code name).
    const QStringList parts = suffix.startsWith(QLatin1Char('o'))
        ? QStringList{QStringLiteral("content.xml"), QStringLiteral("styles.xml")}
        : suffix == QLatin1String("xlsx") ? QStringList{QStringLiteral("xl/*.xml"), QStringLiteral("xl/worksheets/*.xml")}
                                          : QStringList{QStringLiteral("word/*.xml")};
    return CommandOutput(QStringLiteral("unzip"), QStringList{QStringLiteral("-p"), path} + parts);
}

bool ProcessGone(pid_t pid)
{
    if (pid <= 0)
        return true;
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.mid(close + 2, 1) == "Z";
}

}  // namespace tralex::test
