// What an office package shows from outside itself, read from packages zipped by the zip program.
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficePackageLinks.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace tralex;
using namespace tralex::test;

namespace {

const QByteArray OpenDocumentNamespaces =
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\"";

QByteArray OpenDocumentPart(const QByteArray& elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content " + OpenDocumentNamespaces + ">"
           + elements + "</office:document-content>\n";
}

QByteArray Relationships(const QByteArray& elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + elements + "</Relationships>\n";
}

QByteArray Relationship(const char* type, const char* target, const char* mode)
{
    return "<Relationship Id=\"r\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           + QByteArray(type) + "\" Target=\"" + target + "\"" + (mode ? " TargetMode=\"" + QByteArray(mode) + "\"" : "")
           + "/>";
}

// An XML part written in UTF-16 (little-endian, with its byte order mark) instead of UTF-8.
QByteArray Utf16(const QByteArray& utf8Part)
{
    const QString text = QString::fromUtf8(utf8Part).replace(QStringLiteral("UTF-8"), QStringLiteral("UTF-16"));
    return QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// A part whose link's attribute name begins two bytes before the end of the first 64 KiB
// (the pieces a part is unpacked and searched in), after a comment that fills them.
QByteArray LinkAcrossPieces()
{
    const QByteArray whole = OpenDocumentPart("<!---->" "<draw:image xlink:href=\"../a.png\"/>");
    const qsizetype filler = 64 * 1024 - 2 - whole.indexOf("href");
    const QByteArray part = OpenDocumentPart("<!--" + QByteArray(filler, 'x') + "--><draw:image xlink:href=\"../a.png\"/>");
    EXPECT_EQ(part.indexOf("href"), 64 * 1024 - 2);
    return part;
}

// The links found, as "picture ../a.png", "object file:///o.ods", "web picture http://h/a.png".
QStringList Found(const PackageLinks& links)
{
    QStringList found;
    for (const PackageLink& link : links.links) {
        found.append((link.web ? QStringLiteral("web ") : QString())
                     + (link.kind == PackageLink::Kind::Object ? QStringLiteral("object ") : QStringLiteral("picture "))
                     + link.target);
    }
    return found;
}

}  // namespace

TEST(OfficePackageLinks, ListsWhatAPackageShowsFromOutsideItself)
{
    struct Case {
        const char* name;
        QList<std::pair<QString, QByteArray>> parts;
        QStringList found;
        QStringList zipOptions = {};
    };
    const QList<Case> cases = {
        // LibreOffice reads a link that goes up from inside the package in the package too.
        {"parts of the package itself",
         {{"content.xml", OpenDocumentPart("<draw:image xlink:href=\"Pictures/a.png\"/><draw:object xlink:href=\"./Object 1\"/>"
                                           "<draw:image xlink:href=\"./ObjectReplacements/Object 1\"/>"
                                           "<draw:object xlink:href=\"Object 2\"/><draw:image xlink:href=\"Pictures/../../b.png\"/>")}},
         {}},
        {"beside, above, absolute and addressed",
         {{"content.xml", OpenDocumentPart("<draw:image xlink:href=\"../a.png\"/>"
                                           "<draw:fill-image xlink:href=\"/etc/c.png\"/>"
                                           "<draw:object xlink:href=\"file:///tmp/o.ods\"/>"
                                           "<draw:object-ole xlink:href=\"..%2Fp.doc\"/>"
                                           "<draw:image xlink:href=\"HTTPS://host/d.png\"/>")}},
         {"picture ../a.png", "picture /etc/c.png", "object file:///tmp/o.ods",
          "object ..%2Fp.doc", "web picture HTTPS://host/d.png"}},
        {"page backgrounds, and embedded documents, whatever the prefixes",
         {{"styles.xml", "<s xmlns:st=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" xmlns:l=\"http://www.w3.org/1999/xlink\">"
                         "<st:background-image l:href=\"../bg.png\"/></s>"},
          {"Object 1/content.xml", OpenDocumentPart("<draw:image xlink:href=\"../../e.png\"/>")}},
         {"picture ../bg.png", "picture ../../e.png"}},
        {"hyperlinks and other elements are not shown",
         {{"content.xml", OpenDocumentPart("<office:a xlink:href=\"../a.odt\"/><draw:a xlink:href=\"http://h/\"/>")}},
         {}},
        {"relationships outside an Office Open XML package",
         {{"xl/drawings/_rels/drawing1.xml.rels",
           Relationships(Relationship("image", "file:///tmp/a.png", "External") + Relationship("image", "../media/b.png", nullptr)
                         + Relationship("hyperlink", "http://h/", "External")
                         + Relationship("oleObject", "../o.xlsx", "External")
                         + Relationship("image", "http://h/c.png", "External"))}},
         {"picture file:///tmp/a.png", "object ../o.xlsx", "web picture http://h/c.png"}},
        {"a part in UTF-16",
         {{"content.xml", Utf16(OpenDocumentPart("<draw:image xlink:href=\"../a.png\"/>"))}},
         {"picture ../a.png"}},
        {"a link across the pieces a part is searched in", {{"content.xml", LinkAcrossPieces()}}, {"picture ../a.png"}},
        {"a package of the 64-bit form",
         {{"content.xml", OpenDocumentPart("<draw:image xlink:href=\"../a.png\"/>")}},
         {"picture ../a.png"},
         {QStringLiteral("-fz")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.zip"));
        WritePackage(path, c.parts, c.zipOptions);

        const PackageLinks links = LinksOfPackage(path);

        EXPECT_TRUE(links.package);
        EXPECT_FALSE(links.unreadable);
        EXPECT_EQ(Found(links), c.found);
    }
}

// A part that does not read as XML may hide links: the package is unreadable. A part that the
// manifest names as encrypted (by a password, as LibreOffice encrypts a workbook) and a file
// that is no package list nothing.
TEST(OfficePackageLinks, TellsAPackageItCannotReadFromOneWithoutLinks)
{
    TempFolder dir;
    const QString broken = dir.file(QStringLiteral("broken.ods"));
    WritePackage(broken, {{QStringLiteral("content.xml"), OpenDocumentPart("<draw:image xlink:href=\"Pictures/a.png\"></draw:object>")}});
    const QString encrypted = dir.file(QStringLiteral("encrypted.ods"));
    WritePackage(encrypted,
                 {{QStringLiteral("content.xml"), QByteArray("\x9c\x12\xf0<draw:image", 14)},
                  {QStringLiteral("META-INF/manifest.xml"),
                   "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
                   "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/>"
                   "</manifest:file-entry></manifest:manifest>"}});
    const QString undeclared = dir.file(QStringLiteral("undeclared.ods"));
    WritePackage(undeclared, {{QStringLiteral("content.xml"), QByteArray("\x9c\x12\xf0<draw:image", 14)}});
    const QString protectedBook = dir.file(QStringLiteral("protected.ods"));
    OfficeApplication office;
    MakeProtectedWorkbook(office, protectedBook);
    const QString binary = dir.write(QStringLiteral("old.xls"), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0'));

    EXPECT_TRUE(LinksOfPackage(broken).unreadable);
    EXPECT_TRUE(LinksOfPackage(undeclared).unreadable);
    EXPECT_FALSE(LinksOfPackage(encrypted).unreadable);
    EXPECT_TRUE(LinksOfPackage(encrypted).package);
    EXPECT_FALSE(LinksOfPackage(protectedBook).unreadable);
    EXPECT_TRUE(LinksOfPackage(protectedBook).package);
    EXPECT_FALSE(LinksOfPackage(binary).package);
    EXPECT_FALSE(LinksOfPackage(binary).unreadable);
}
