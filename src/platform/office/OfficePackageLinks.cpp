#include "platform/office/OfficePackageLinks.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <functional>
#include <optional>
#include <zlib.h>

namespace tralex {

namespace {

// A zip file as the bytes of its file: little-endian numbers at offsets that are checked.
class ZipBytes {
public:
    ZipBytes(const uchar* data, qint64 size) : mData(data), mSize(size) {}
    bool has(quint64 at, quint64 count) const { return at <= quint64(mSize) && count <= quint64(mSize) - at; }
    quint64 number(quint64 at, int bytes) const
    {
        quint64 value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | mData[at + quint64(i)];
        return value;
    }
    const uchar* at(quint64 offset) const { return mData + offset; }
    qint64 size() const { return mSize; }

private:
    const uchar* mData;
    qint64 mSize;
};

struct ZipEntry {
    QByteArray name;
    quint64 method = 0;
    quint64 compressed = 0;
    quint64 offset = 0;  // of its local header
};

constexpr quint32 EndSignature = 0x06054b50;
constexpr quint32 End64Signature = 0x06064b50;
constexpr quint32 End64LocatorSignature = 0x07064b50;
constexpr quint32 EntrySignature = 0x02014b50;
constexpr quint32 LocalSignature = 0x04034b50;
constexpr int EndSize = 22;
constexpr int EntrySize = 46;
constexpr int LocalSize = 30;

// Where the central directory lies and how many entries it has, from the record at the end of
// the file (searched back over a comment of up to 64 KB), or of its 64-bit form.
struct Directory {
    quint64 offset = 0;
    quint64 entries = 0;
};

std::optional<Directory> findDirectory(const ZipBytes& zip)
{
    for (qint64 end = zip.size() - EndSize; end >= 0 && end >= zip.size() - EndSize - 0xFFFF; --end) {
        if (zip.number(quint64(end), 4) != EndSignature)
            continue;
        Directory directory{zip.number(quint64(end) + 16, 4), zip.number(quint64(end) + 10, 2)};
        const quint64 locator = quint64(end) >= 20 ? quint64(end) - 20 : 0;
        if (end >= 20 && zip.number(locator, 4) == End64LocatorSignature) {
            const quint64 end64 = zip.number(locator + 8, 8);
            if (!zip.has(end64, 56) || zip.number(end64, 4) != End64Signature)
                return std::nullopt;
            directory = {zip.number(end64 + 48, 8), zip.number(end64 + 32, 8)};
        }
        return directory;
    }
    return std::nullopt;
}

// Sizes and offsets too large for their 32-bit fields are in the entry's 64-bit extra field, in
// this order, each only when its field says so.
void readWideFields(const ZipBytes& zip, quint64 extra, quint64 extraSize, quint64 size, ZipEntry& entry)
{
    for (quint64 at = extra; at + 4 <= extra + extraSize;) {
        const quint64 id = zip.number(at, 2);
        const quint64 length = zip.number(at + 2, 2);
        if (at + 4 + length > extra + extraSize)
            return;
        if (id == 1) {
            quint64 field = at + 4;
            for (quint64* value : {&size, &entry.compressed, &entry.offset}) {
                if (*value == 0xFFFFFFFF && field + 8 <= at + 4 + length) {
                    *value = zip.number(field, 8);
                    field += 8;
                }
            }
            return;
        }
        at += 4 + length;
    }
}

std::optional<QList<ZipEntry>> readEntries(const ZipBytes& zip)
{
    const std::optional<Directory> directory = findDirectory(zip);
    if (!directory)
        return std::nullopt;
    QList<ZipEntry> entries;
    quint64 at = directory->offset;
    for (quint64 i = 0; i < directory->entries; ++i) {
        if (!zip.has(at, EntrySize) || zip.number(at, 4) != EntrySignature)
            return std::nullopt;
        const quint64 nameSize = zip.number(at + 28, 2);
        const quint64 extraSize = zip.number(at + 30, 2);
        const quint64 commentSize = zip.number(at + 32, 2);
        if (!zip.has(at + EntrySize, nameSize + extraSize + commentSize))
            return std::nullopt;
        ZipEntry entry;
        entry.name = QByteArray(reinterpret_cast<const char*>(zip.at(at + EntrySize)), qsizetype(nameSize));
        entry.method = zip.number(at + 10, 2);
        entry.compressed = zip.number(at + 20, 4);
        entry.offset = zip.number(at + 42, 4);
        readWideFields(zip, at + EntrySize + nameSize, extraSize, zip.number(at + 24, 4), entry);
        entries.append(entry);
        at += EntrySize + nameSize + extraSize + commentSize;
    }
    return entries;
}

// Hands the unpacked content of an entry to `sink` piece by piece, so that a large part is never
// held whole. False when the entry cannot be unpacked (damaged, or packed in a way LibreOffice
// cannot read either) or when `sink` stops.
bool unpack(const ZipBytes& zip, const ZipEntry& entry, const std::function<bool(const QByteArray&)>& sink)
{
    if (!zip.has(entry.offset, LocalSize) || zip.number(entry.offset, 4) != LocalSignature)
        return false;
    const quint64 data = entry.offset + LocalSize + zip.number(entry.offset + 26, 2) + zip.number(entry.offset + 28, 2);
    if (!zip.has(data, entry.compressed))
        return false;
    constexpr quint64 Piece = 64 * 1024;
    if (entry.method == 0) {
        for (quint64 done = 0; done < entry.compressed; done += Piece) {
            const quint64 size = std::min(Piece, entry.compressed - done);
            if (!sink(QByteArray::fromRawData(reinterpret_cast<const char*>(zip.at(data + done)), qsizetype(size))))
                return false;
        }
        return true;
    }
    if (entry.method != Z_DEFLATED)
        return false;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    QByteArray out(qsizetype(Piece), Qt::Uninitialized);
    quint64 fed = 0;
    int status = Z_OK;
    bool ok = true;
    while (ok && status != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            const quint64 size = std::min<quint64>(Piece, entry.compressed - fed);
            if (size == 0)
                break;  // the data ends before the stream does
            stream.next_in = const_cast<Bytef*>(zip.at(data + fed));
            stream.avail_in = uInt(size);
            fed += size;
        }
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        status = inflate(&stream, Z_NO_FLUSH);
        ok = (status == Z_OK || status == Z_STREAM_END)
             && sink(QByteArray::fromRawData(out.constData(), out.size() - qsizetype(stream.avail_out)));
    }
    inflateEnd(&stream);
    return ok && status == Z_STREAM_END;
}

const QString DrawingNamespace = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString StyleNamespace = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString LinkNamespace = QStringLiteral("http://www.w3.org/1999/xlink");
const QString RelationshipNamespace = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");

// Whether a link of an OpenDocument package names a part of the package itself ("Pictures/1.png",
// "./Object 1"), decided as LibreOffice decides it when it loads the file: a link that starts with
// "/" or "..", or with a scheme (a colon before any slash), leads outside; any other is read from
// the package, which nothing can leave.
bool insidePackage(const QString& href)
{
    if (href.startsWith(QLatin1Char('/')) || href.startsWith(QLatin1String("..")))
        return false;
    if (href.startsWith(QLatin1String("./")))
        return true;
    for (qsizetype i = 1; i < href.size(); ++i) {
        if (href.at(i) == QLatin1Char('/'))
            return true;
        if (href.at(i) == QLatin1Char(':'))
            return false;
    }
    return true;
}

bool isWebAddress(const QString& target)
{
    static const QRegularExpression web(QStringLiteral("^(https?|ftp)://"), QRegularExpression::CaseInsensitiveOption);
    return target.contains(web);
}

// The link an element of an OpenDocument part or of a relationship part shows, if it is one
// that LibreOffice loads.
std::optional<PackageLink> linkOf(const QXmlStreamReader& reader)
{
    const QXmlStreamAttributes attributes = reader.attributes();
    if (reader.namespaceUri() == RelationshipNamespace && reader.name() == QLatin1String("Relationship")) {
        if (attributes.value(QLatin1String("TargetMode")) != QLatin1String("External"))
            return std::nullopt;
        const QStringView type = attributes.value(QLatin1String("Type"));
        const QString target = attributes.value(QLatin1String("Target")).toString();
        if (type.endsWith(QLatin1String("/image")))
            return PackageLink{PackageLink::Kind::Picture, target, isWebAddress(target)};
        if (type.endsWith(QLatin1String("/oleObject")))
            return PackageLink{PackageLink::Kind::Object, target, isWebAddress(target)};
        return std::nullopt;
    }
    const QStringView name = reader.name();
    PackageLink::Kind kind;
    if (reader.namespaceUri() == DrawingNamespace && (name == QLatin1String("image") || name == QLatin1String("fill-image")))
        kind = PackageLink::Kind::Picture;
    else if (reader.namespaceUri() == DrawingNamespace && (name == QLatin1String("object") || name == QLatin1String("object-ole")))
        kind = PackageLink::Kind::Object;
    else if (reader.namespaceUri() == StyleNamespace && name == QLatin1String("background-image"))
        kind = PackageLink::Kind::Picture;
    else
        return std::nullopt;
    const QString href = attributes.value(LinkNamespace, QLatin1String("href")).toString();
    if (href.isEmpty() || insidePackage(href))
        return std::nullopt;
    return PackageLink{kind, href, isWebAddress(href)};
}

bool isRelationshipPart(const QByteArray& name)
{
    return name.endsWith(".rels");
}

bool isOpenDocumentPart(const QByteArray& name)
{
    const QByteArray base = name.mid(name.lastIndexOf('/') + 1);
    return base == "content.xml" || base == "styles.xml";
}

// Whether an OpenDocument part may show a link. In UTF-8 (declared so, or not declared) a link
// can only be named by the letters "href", and a large workbook's cells, which take the XML
// reader many times longer than unpacking them, hold none: such a part is passed by after one
// search. A part in another encoding is read as XML.
bool mayShowLinks(const ZipBytes& zip, const ZipEntry& entry)
{
    bool utf8 = false;
    bool found = false;
    QByteArray tail;
    bool first = true;
    unpack(zip, entry, [&](const QByteArray& piece) {
        if (first) {
            first = false;
            const QByteArray start = piece.startsWith("\xEF\xBB\xBF") ? piece.mid(3, 200) : piece.left(200);
            const qsizetype declarationEnd = start.indexOf("?>");
            const QByteArray declaration = start.startsWith("<?xml") ? start.left(declarationEnd).toLower() : QByteArray();
            utf8 = start.startsWith('<')
                   && (!declaration.contains("encoding") || declaration.contains("\"utf-8\"") || declaration.contains("'utf-8'"));
            if (!utf8)
                return false;
        }
        found = (tail + piece.left(3)).contains("href") || piece.contains("href");
        tail = piece.right(3);
        return !found;
    });
    return !utf8 || found;
}

// Reads a part as XML, handing each element that starts to `element`. False when the part is not
// XML through to its end; a part that cannot be unpacked (damaged) reads as far as it goes.
bool readXml(const ZipBytes& zip, const ZipEntry& entry, const std::function<void(const QXmlStreamReader&)>& element)
{
    QXmlStreamReader reader;
    const auto wellFormed = [&] {
        return reader.error() == QXmlStreamReader::NoError || reader.error() == QXmlStreamReader::PrematureEndOfDocumentError;
    };
    const bool unpacked = unpack(zip, entry, [&](const QByteArray& piece) {
        reader.addData(QByteArray(piece.constData(), piece.size()));
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement)
                element(reader);
        }
        return wellFormed();
    });
    return unpacked ? reader.error() == QXmlStreamReader::NoError : wellFormed();
}

const QString ManifestNamespace = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");

// The parts of an OpenDocument package that its manifest names as encrypted (the file has a
// password): they are left to LibreOffice, which refuses such a file for that.
QSet<QByteArray> encryptedParts(const ZipBytes& zip, const QList<ZipEntry>& entries)
{
    QSet<QByteArray> encrypted;
    for (const ZipEntry& entry : entries) {
        if (entry.name != "META-INF/manifest.xml")
            continue;
        QByteArray part;
        readXml(zip, entry, [&](const QXmlStreamReader& reader) {
            if (reader.namespaceUri() != ManifestNamespace)
                return;
            if (reader.name() == QLatin1String("file-entry"))
                part = reader.attributes().value(ManifestNamespace, QLatin1String("full-path")).toUtf8();
            else if (reader.name() == QLatin1String("encryption-data"))
                encrypted.insert(part);
        });
    }
    return encrypted;
}

}  // namespace

PackageLinks LinksOfPackage(const QString& path)
{
    PackageLinks links;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return links;
    const uchar* data = file.map(0, file.size());
    if (!data)
        return links;
    const ZipBytes zip(data, file.size());
    const std::optional<QList<ZipEntry>> entries = readEntries(zip);
    if (!entries)
        return links;
    links.package = true;
    const QSet<QByteArray> encrypted = encryptedParts(zip, *entries);
    for (const ZipEntry& entry : *entries) {
        if (encrypted.contains(entry.name) || !(isRelationshipPart(entry.name)
                                                || (isOpenDocumentPart(entry.name) && mayShowLinks(zip, entry))))
            continue;
        // XML that does not read as such may hide links.
        if (!readXml(zip, entry, [&](const QXmlStreamReader& reader) {
                if (const std::optional<PackageLink> link = linkOf(reader))
                    links.links.append(*link);
            }))
            links.unreadable = true;
    }
    return links;
}

}  // namespace tralex
