// Names in Windows-31J bytes, as a zip archive made on a Japanese Windows leaves them once
// unpacked here. Every engine runs through the same loop, so each case runs against "txt" and,
// with the real LibreOffice, "xlsx": such a file or folder is worked on by its bytes, its backup
// keeps them (beside it and in the backup folder's mirror), and its name is shown with its mark.
#include "engines/clsTextTralex.h"
#include "engines/office/clsExcelControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/SettingsFolder.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace tralex;
using namespace tralex::test;

namespace {

const QString Find = QStringLiteral("アルファ");
// Replaced twice, a file would hold the find text four times.
const QString Replace = Find + Find;
const QString Mark = QStringLiteral("（Shift_JIS の名前）");
// A name whose Windows-31J bytes and UTF-8 bytes read as the same text.
const QString Same = QStringLiteral("ファイル");

QByteArray sjis(const QString& text)
{
    return iconvTo(text, "CP932");
}

QByteArray readRaw(const QByteArray& path)
{
    QFile file;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return QByteArray();
    return file.readAll();
}

void writeRaw(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

void mkdirRaw(const QByteArray& path)
{
    ASSERT_EQ(::mkdir(path.constData(), 0755), 0) << path.toStdString();
}

// The names of a folder as the file system has them, sorted.
QList<QByteArray> rawNames(const QByteArray& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* d = ::readdir(dir)) {
            const QByteArray name(d->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The backups of a file in a folder: "Bk", twelve digits, "_" and the file's own name bytes.
QList<QByteArray> backUpsOf(const QByteArray& folder, const QByteArray& name)
{
    QList<QByteArray> found;
    for (const QByteArray& entry : rawNames(folder)) {
        static const QRegularExpression stamp(QStringLiteral("^Bk[0-9]{12}_$"));
        if (entry.endsWith(name) && stamp.match(QString::fromLatin1(entry.chopped(name.size()))).hasMatch())
            found.append(folder + entry);
    }
    return found;
}

// CRC-32 of the zip format.
quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : data) {
        crc ^= uchar(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put16(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A zip archive as Windows writes one: names as their bytes, without the flag (bit 11) that
// would say they are UTF-8; the entries stored, not compressed.
QByteArray windowsZip(const QList<std::pair<QByteArray, QByteArray>>& entries)
{
    QByteArray local;
    QByteArray central;
    for (const auto& [name, data] : entries) {
        const quint32 offset = quint32(local.size());
        const quint32 crc = crc32(data);
        QByteArray common;  // from "version needed" to the extra field's length
        put16(common, 10);
        put16(common, 0);  // flags: no UTF-8 names
        put16(common, 0);  // stored
        put16(common, 0);
        put16(common, 0x21);  // 1 January 1980
        put32(common, crc);
        put32(common, quint32(data.size()));
        put32(common, quint32(data.size()));
        put16(common, quint32(name.size()));
        put16(common, 0);
        put32(local, 0x04034B50);
        local += common + name + data;
        put32(central, 0x02014B50);
        // Made on NTFS, as Windows writes it today: unzip keeps such names' bytes (for an entry
        // made on FAT it reads them as an OEM code page and changes them).
        put16(central, (11 << 8) | 20);
        central += common;
        put16(central, 0);  // comment
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, 0x20);  // archive attribute
        put32(central, offset);
        central += name;
    }
    QByteArray end;
    put32(end, 0x06054B50);
    put16(end, 0);
    put16(end, 0);
    put16(end, quint32(entries.size()));
    put16(end, quint32(entries.size()));
    put32(end, quint32(central.size()));
    put32(end, quint32(local.size()));
    put16(end, 0);
    return local + central + end;
}

// QTemporaryDir cannot remove names that are not UTF-8.
void removeAll(const TempFolder& folder)
{
    EXPECT_EQ(QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), folder.path()}), 0);
}

class ShiftJisNames : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        OverrideSettingsFolder(settings.path());
        if (office())
            excel = std::make_unique<clsExcelControl>();
        const QString path = made.file(QStringLiteral("made.") + type());
        if (office())
            Retried(excel->Application(), [&] { MakeWorkbook(excel->Application(), path); });
        else
            made.write(QStringLiteral("made.txt"), (QStringLiteral("株式会社") + Find + QStringLiteral("\n")).toUtf8());
        content = readBytes(path);
        before = finds(content);
        ASSERT_GT(before, 0);
    }
    void TearDown() override
    {
        OverrideSettingsFolder(QString());
        removeAll(dir);
    }

    QString type() const { return QString::fromStdString(GetParam()); }
    bool office() const { return type() != QLatin1String("txt"); }
    // A name of the type, as bytes and as its text.
    QByteArray ext() const { return "." + type().toLatin1(); }

    QByteArray root() const { return QFile::encodeName(dir.path()); }

    // How often the find text occurs in a file's content, as another program reads it.
    int finds(const QByteArray& bytes)
    {
        QString text;
        if (office()) {
            const QString copy = made.write(QStringLiteral("read.") + type(), bytes);
            text = ReadBack(copy);
        } else {
            text = QString::fromUtf8(bytes);
        }
        return int(text.count(Find));
    }

    std::unique_ptr<TralexEngine> engine(bool subFolders)
    {
        std::unique_ptr<TralexEngine> e;
        if (office())
            e = std::make_unique<clsExcelControl>();
        else
            e = std::make_unique<clsTextTralex>();
        Configure(*e, dir.path(), type(), {{Find, Replace}});
        e->setSubFolder(subFolders);
        return e;
    }

    static QStringList sorted(QStringList list)
    {
        list.sort();
        return list;
    }

    TempFolder settings;
    TempFolder dir;
    TempFolder made;
    QByteArray content;  // a file of the type holding the find text
    int before = 0;      // how often, as another program reads it
    std::unique_ptr<clsExcelControl> excel;
};

// Unpacked by unzip, the names keep their Windows-31J bytes. Without subfolders, a folder whose
// name matches the type is entered for it.
TEST_P(ShiftJisNames, ZipArchiveFromWindowsIsHandledByItsNamesBytes)
{
    const QByteArray file = sjis(Same) + ext();
    const QByteArray folder = sjis(QStringLiteral("古い")) + ext();
    const QByteArray inner = sjis(QStringLiteral("表")) + ext();  // 95 5C: a backslash byte
    const QString zip = made.write(QStringLiteral("windows.zip"),
                                   windowsZip({{file, content}, {folder + "/" + inner, content}}));
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-q"), zip, QStringLiteral("-d"), dir.path()});
    ASSERT_TRUE(unzip.waitForFinished(60000));
    ASSERT_EQ(unzip.exitCode(), 0) << unzip.readAllStandardError().toStdString();
    ASSERT_EQ(rawNames(root() + "/"), QList<QByteArray>({file, folder}));

    auto run = engine(false);
    run->TralexGo();
    const QString shownFolder = dir.path() + QStringLiteral("古い.") + type() + Mark + QLatin1Char('/');
    EXPECT_EQ(run->ItemSkipped()->items(), QStringList());
    EXPECT_EQ(run->ItemResult()->items(),
              QStringList({dir.path() + Same + QLatin1Char('.') + type() + Mark,
                           shownFolder + QStringLiteral("表.") + type() + Mark}));
    for (const QByteArray& where : {root() + "/", root() + "/" + folder + "/"}) {
        const QByteArray name = where.endsWith(folder + "/") ? inner : file;
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(finds(readRaw(where + name)), 2 * before);
        const QList<QByteArray> backUps = backUpsOf(where, name);
        ASSERT_EQ(backUps.size(), 1);
        EXPECT_EQ(readRaw(backUps.first()), content);
    }
}

// Two names that read as the same text are two files, and two folders: each is replaced once and
// keeps its own backup.
TEST_P(ShiftJisNames, NamesThatReadAsTheSameTextAreTwoEntries)
{
    const QList<QByteArray> spellings = {sjis(Same), Same.toUtf8()};
    for (const QByteArray& name : spellings) {
        writeRaw(root() + "/" + name + ext(), content);
        mkdirRaw(root() + "/" + name);
        writeRaw(root() + "/" + name + "/a" + ext(), content);
    }
    auto run = engine(true);
    run->TralexGo();
    const QString file = Same + QLatin1Char('.') + type();
    const QString inner = QStringLiteral("/a.") + type();
    EXPECT_EQ(run->ItemSkipped()->items(), QStringList());
    EXPECT_EQ(sorted(run->ItemResult()->items()),
              sorted({dir.path() + file + Mark, dir.path() + file, dir.path() + Same + Mark + inner,
                      dir.path() + Same + inner}));
    for (const QByteArray& name : spellings) {
        for (const auto& [folder, entry] : {std::pair(root() + "/", name + ext()),
                                            std::pair(root() + "/" + name + "/", "a" + ext())}) {
            SCOPED_TRACE((folder + entry).toStdString());
            EXPECT_EQ(finds(readRaw(folder + entry)), 2 * before);
            const QList<QByteArray> backUps = backUpsOf(folder, entry);
            ASSERT_EQ(backUps.size(), 1);
            EXPECT_EQ(readRaw(backUps.first()), content);
        }
    }
}

// With a backup folder, the mirror of a Windows-31J folder has the same name bytes.
TEST_P(ShiftJisNames, BackUpFolderMirrorsTheNamesBytes)
{
    TempFolder outside;
    const QByteArray folder = sjis(QStringLiteral("売上"));
    mkdirRaw(root() + "/" + folder);
    writeRaw(root() + "/" + folder + "/a" + ext(), content);
    auto run = engine(true);
    run->setBackUpPath(outside.path());
    run->TralexGo();
    EXPECT_EQ(run->ItemResult()->items(),
              QStringList({dir.path() + QStringLiteral("売上") + Mark + QStringLiteral("/a.") + type()}));
    const QByteArray mirror = QFile::encodeName(outside.path()) + root().mid(1) + "/" + folder + "/";
    const QList<QByteArray> backUps = backUpsOf(mirror, "a" + ext());
    ASSERT_EQ(backUps.size(), 1);
    EXPECT_EQ(readRaw(backUps.first()), content);
    EXPECT_EQ(rawNames(root() + "/" + folder), QList<QByteArray>({"a" + ext()}));
    removeAll(outside);
}

TEST_P(ShiftJisNames, BackUpsWithWindows31JNamesAreDeleted)
{
    const QByteArray folder = sjis(QStringLiteral("売上"));
    const QByteArray backUp = "Bk202612061831_" + sjis(Same) + ext();
    const QByteArray kept = sjis(Same) + ext();
    mkdirRaw(root() + "/" + folder);
    for (const QByteArray& where : {root() + "/", root() + "/" + folder + "/"}) {
        writeRaw(where + backUp, "old");
        writeRaw(where + kept, "own");
    }
    auto run = engine(true);
    run->KillBackUpFile();
    const QString shown = QStringLiteral("Bk202612061831_") + Same + QLatin1Char('.') + type() + Mark;
    EXPECT_EQ(run->ItemResult()->items(),
              QStringList({dir.path() + shown, dir.path() + QStringLiteral("売上") + Mark + QLatin1Char('/') + shown}));
    EXPECT_EQ(rawNames(root() + "/"), QList<QByteArray>({kept, folder}));
    EXPECT_EQ(rawNames(root() + "/" + folder), QList<QByteArray>({kept}));
}

INSTANTIATE_TEST_SUITE_P(TextAndOffice, ShiftJisNames, ::testing::Values("txt", "xlsx"),
                         [](const auto& info) { return info.param; });

}  // namespace
