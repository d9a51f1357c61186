// What the office engines never do to a file they open: run its macros, update its links, load
// what it links to, or rewrite a format that LibreOffice reads but cannot store as itself.
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeWorkbook.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <thread>
#include <tuple>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tralex;
using namespace tralex::test;

namespace {

std::unique_ptr<OfficeEngine> EngineFor(const QString& type)
{
    if (type == QLatin1String("odt") || type == QLatin1String("docx"))
        return std::make_unique<clsWordControl>();
    return std::make_unique<clsExcelControl>();
}

// A red picture of 1 x 1 pixel.
const QByteArray Png = QByteArray::fromBase64(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC");

// A web server on 127.0.0.1 that counts the requests made to it and answers each with the picture.
class ConnectionCounter {
public:
    ConnectionCounter()
    {
        mSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(mSocket, reinterpret_cast<sockaddr*>(&address), size), 0);
        EXPECT_EQ(::listen(mSocket, 16), 0);
        ::getsockname(mSocket, reinterpret_cast<sockaddr*>(&address), &size);
        mPort = ntohs(address.sin_port);
        mThread = std::thread([this] {
            for (;;) {
                const int connection = ::accept(mSocket, nullptr, nullptr);
                if (connection < 0 && errno == EINTR)
                    continue;
                if (connection < 0)
                    return;  // shut down
                ++mCount;
                char request[4096];
                [[maybe_unused]] const ssize_t n = ::read(connection, request, sizeof request);
                const QByteArray answer = "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\nContent-Length: "
                                          + QByteArray::number(Png.size()) + "\r\n\r\n" + Png;
                [[maybe_unused]] const ssize_t w = ::write(connection, answer.constData(), size_t(answer.size()));
                ::close(connection);
            }
        });
    }
    ~ConnectionCounter()
    {
        ::shutdown(mSocket, SHUT_RDWR);
        mThread.join();
        ::close(mSocket);
    }
    QString url(const QString& name) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(mPort).arg(name); }
    int takeCount() { return mCount.exchange(0); }

private:
    int mSocket = -1;
    int mPort = 0;
    std::atomic<int> mCount{0};
    std::thread mThread;
};

// Counts the times a file is opened from now on.
class OpenCounter {
public:
    explicit OpenCounter(const QString& path) : mNotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        EXPECT_GE(::inotify_add_watch(mNotify, QFile::encodeName(path).constData(), IN_OPEN), 0);
    }
    ~OpenCounter() { ::close(mNotify); }
    int count() const
    {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(mNotify, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                opens += (reinterpret_cast<inotify_event*>(p)->mask & IN_OPEN) != 0;
        }
        return opens;
    }

private:
    int mNotify;
};

}  // namespace

namespace {

// The pictures a document links to (.odt, .docx), as the places they lead to from the file's own
// place (a web address as it is).
QStringList LinkedPictures(const QString& path)
{
    const bool openDocument = QFileInfo(path).suffix().startsWith(QLatin1Char('o'));
    const QString part = openDocument ? QStringLiteral("content.xml") : QStringLiteral("word/_rels/document.xml.rels");
    const QRegularExpression link(openDocument ? QStringLiteral("<draw:image [^>]*xlink:href=\"([^\"]*)\"")
                                               : QStringLiteral("Target=\"([^\"]*)\" TargetMode=\"External\""));
    // A link in an OpenDocument file is relative to the file as if it were a folder.
    const QUrl base = QUrl::fromLocalFile(openDocument ? path + QLatin1Char('/') : path);
    QStringList places;
    QRegularExpressionMatchIterator links = link.globalMatch(CommandOutput(QStringLiteral("unzip"), {QStringLiteral("-p"), path, part}));
    while (links.hasNext()) {
        const QUrl place = base.resolved(QUrl(links.next().captured(1)));
        places.append(place.isLocalFile() ? place.toLocalFile() : place.toString());
    }
    return places;
}

}  // namespace

// A file that shows an image linked from a file only root may read, or from the web. The run (as
// root) sends no request and never opens the image. LibreOffice reads the pictures a workbook
// links to while it loads the workbook, and stores a copy of them in place of the links in
// .xlsx: such a workbook is left as it was, unless its links are web addresses that .ods keeps.
// A changed file stores nothing it could have loaded (no image, no preview picture) and keeps
// its links, which lead to the image from the file's own place.
TEST(OfficeEngineLinks, LinkedImagesAreNeverFetchedNorStoredWhileAFileIsChanged)
{
    struct Case {
        const char* type;
        bool fileLinkChanged, webLinkChanged;
    };
    const QList<Case> cases = {{"odt", true, true}, {"docx", true, true}, {"ods", false, true}, {"xlsx", false, false}};
    ConnectionCounter web;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TempFolder dir;
        TempFolder elsewhere;
        const QString image = elsewhere.write(QStringLiteral("secret.png"), Png);
        ASSERT_EQ(::chmod(QFile::encodeName(image).constData(), 0600), 0);
        const auto engine = EngineFor(QLatin1String(c.type));
        OfficeApplication& office = engine->Application();
        // Deeper than the run's private copy, so that a link read or written from the copy's
        // place would lead elsewhere.
        const QString folder = dir.mkdir(QStringLiteral("a/b/c/d"));
        const QString byFile = folder + QStringLiteral("file.") + QLatin1String(c.type);
        const QString byWeb = folder + QStringLiteral("web.") + QLatin1String(c.type);
        const auto make = QLatin1String(c.type) == QLatin1String("xlsx") ? MakeXlsxWithLinkedImage : MakeFileWithLinkedImage;
        make(office, byFile, QUrl::fromLocalFile(image).toString());
        make(office, byWeb, web.url(QStringLiteral("picture.png")));
        const QByteArray fileBytes = readBytes(byFile);
        const QByteArray webBytes = readBytes(byWeb);
        office.Quit();  // the run starts afresh, with nothing loaded yet
        web.takeCount();
        const OpenCounter opens(image);
        Configure(*engine, folder, QLatin1String(c.type), {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

        engine->TralexGo();

        EXPECT_EQ(engine->CountResult(), int(c.fileLinkChanged) + int(c.webLinkChanged))
            << engine->ItemSkipped()->items().join(u'\n').toStdString();
        EXPECT_EQ(web.takeCount(), 0);
        EXPECT_EQ(opens.count(), 0);
        const QList<std::tuple<QString, QByteArray, bool>> files = {{byFile, fileBytes, c.fileLinkChanged},
                                                                    {byWeb, webBytes, c.webLinkChanged}};
        for (const auto& [path, bytes, changed] : files) {
            if (!changed) {
                EXPECT_EQ(readBytes(path), bytes);
                EXPECT_EQ(SkipReason(*engine, QFileInfo(path).fileName()), QStringLiteral("他のファイルにリンクした画像があります"));
                continue;
            }
            const QString parts = CommandOutput(QStringLiteral("unzip"), {QStringLiteral("-l"), path});
            EXPECT_FALSE(parts.contains(QStringLiteral("Thumbnails/")) || parts.contains(QStringLiteral("Pictures/"))
                         || parts.contains(QStringLiteral("media/")))
                << parts.toStdString();
        }
        if (c.fileLinkChanged) {
            EXPECT_EQ(LinkedPictures(byFile), QStringList{image}) << "the link is lost or leads elsewhere";
        }
        if (c.webLinkChanged) {
            EXPECT_EQ(LinkedPictures(byWeb), QStringList{web.url(QStringLiteral("picture.png"))}) << "the link is lost";
        }
    }
}

// A file that shows another file as an object linked to it: LibreOffice would read that file
// while it loads the file (and store the object without its link where it could not). The run
// opens nothing linked and leaves the file as it was.
TEST(OfficeEngineLinks, FilesWithLinkedObjectsAreLeftAsTheyWereAndTheLinkedFileIsNeverOpened)
{
    for (const char* type : {"odt", "ods", "docx", "xlsx"}) {
        SCOPED_TRACE(type);
        TempFolder dir;
        TempFolder elsewhere;
        const QString name = QStringLiteral("a.") + QLatin1String(type);
        const QString path = dir.file(name);
        const QString source = elsewhere.file(QStringLiteral("source.ods"));
        const auto engine = EngineFor(QLatin1String(type));
        MakeLinkSource(engine->Application(), source, QStringLiteral("秘密の値"));
        MakeFileWithLinkedObject(path, QUrl::fromLocalFile(source).toString());
        const QByteArray bytes = readBytes(path);
        engine->Application().Quit();
        const OpenCounter opens(source);
        Configure(*engine, dir.path(), QLatin1String(type), {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

        engine->TralexGo();

        EXPECT_EQ(engine->CountResult(), 0);
        EXPECT_EQ(SkipReason(*engine, name), QStringLiteral("他のファイルにリンクしたオブジェクトがあります"));
        EXPECT_EQ(opens.count(), 0);
        EXPECT_EQ(readBytes(path), bytes);
    }
}

// DDE links to another workbook: a run does not open the workbook they link to, and the stored
// file keeps the link and the value it showed (111; the workbook now holds 222).
TEST(OfficeEngineLinks, DdeLinksAreNeitherFollowedNorUpdated)
{
    for (const char* type : {"odt", "ods"}) {
        SCOPED_TRACE(type);
        TempFolder dir;
        TempFolder elsewhere;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(type));
        const QString source = elsewhere.file(QStringLiteral("source.ods"));
        const auto engine = EngineFor(QLatin1String(type));
        OfficeApplication& office = engine->Application();
        MakeLinkSource(office, source, QStringLiteral("111"));
        MakeFileWithDdeLink(office, path, source, QStringLiteral("111"));
        ASSERT_TRUE(ReadBack(path).contains(QStringLiteral("source.ods"))) << "the fixture holds no link";
        MakeLinkSource(office, source, QStringLiteral("222"));
        office.Quit();  // the run starts afresh, with nothing loaded yet
        const OpenCounter opens(source);
        Configure(*engine, dir.path(), QLatin1String(type), {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

        engine->TralexGo();

        ASSERT_EQ(engine->CountResult(), 1) << engine->ItemSkipped()->items().join(u'\n').toStdString();
        EXPECT_EQ(opens.count(), 0);
        const QString stored = ReadBack(path);
        EXPECT_TRUE(stored.contains(QStringLiteral("source.ods"))) << "the link is lost";
        EXPECT_TRUE(stored.contains(QStringLiteral("111")) && !stored.contains(QStringLiteral("222"))) << stored.toStdString();
    }
}

// The process runs with the most permissive settings, so that only the way the engines open
// files keeps macros from running and links from being updated.

// In a workbook the replacement in A1 makes LibreOffice compute B1 again, which calls the macro;
// loading, changing, storing and closing are bound to it in both kinds.
TEST(OfficeEngineMacros, NeverRunWhileAFileIsOpenChangedAndStored)
{
    for (const char* type : {"ods", "odt"}) {
        SCOPED_TRACE(type);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(type));
        const QString marker = dir.file(QStringLiteral("macro-ran.txt"));
        const auto engine = EngineFor(QLatin1String(type));
        OfficeApplication& office = engine->Application();
        AllowEverything(office);
        MakeFileWithMacro(office, path, marker);
        OpenWithMacrosAllowed(office, path);
        ASSERT_TRUE(FileAppears(marker, 5000)) << "the macro of the fixture does not run at all";
        QFile::remove(marker);
        Configure(*engine, dir.path(), QLatin1String(type), {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

        engine->TralexGo();

        ASSERT_EQ(engine->CountResult(), 1) << engine->ItemSkipped()->items().join(u'\n').toStdString();
        EXPECT_FALSE(FileAppears(marker, 1000)) << readBytes(marker).toStdString();
    }
}

// The file shows an older value of another file than that file now holds. After the run, the
// stored file still shows the old value, computed again in a workbook from the value its link
// holds (3 for the length of "ベータ", then the linked 111; 222 if the link had been updated).
TEST(OfficeEngineLinks, NeverUpdatedWhileAFileIsOpenChangedAndStored)
{
    // What the file shows: when made, after the run, and after a run that updated the link.
    struct Case {
        const char* type;
        const char* sourceType;
        QString oldValue, newValue;
        QString shownWhenMade, shownAfterRun, shownIfUpdated;
    };
    const QString oldText = QStringLiteral("古い段落");
    const QString newText = QStringLiteral("新しい段落");
    const QList<Case> cases = {
        {"ods", "ods", QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("4111"), QStringLiteral("3111"),
         QStringLiteral("3222")},
        {"xlsx", "ods", QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("4111"), QStringLiteral("3111"),
         QStringLiteral("3222")},
        {"odt", "odt", oldText, newText, oldText, oldText, newText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TempFolder dir;
        TempFolder elsewhere;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(c.type));
        const QString source = elsewhere.file(QStringLiteral("source.") + QLatin1String(c.sourceType));
        const auto engine = EngineFor(QLatin1String(c.type));
        OfficeApplication& office = engine->Application();
        AllowEverything(office);
        MakeLinkSource(office, source, c.oldValue);
        MakeLinkedFile(office, path, source);
        ASSERT_TRUE(ShownText(office, path).contains(c.shownWhenMade)) << "the link of the fixture does not work";
        MakeLinkSource(office, source, c.newValue);
        Configure(*engine, dir.path(), QLatin1String(c.type), {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

        engine->TralexGo();

        ASSERT_EQ(engine->CountResult(), 1) << engine->ItemSkipped()->items().join(u'\n').toStdString();
        const QString readBack = ReadBack(path);
        EXPECT_TRUE(readBack.contains(c.shownAfterRun)) << readBack.toStdString();
        EXPECT_FALSE(readBack.contains(c.shownIfUpdated));
        // The run ended its application; a fresh one shows the stored file.
        EXPECT_TRUE(ShownText(engine->Application(), path).contains(c.shownAfterRun));
    }
}

// LibreOffice reads these formats but has no filter to write them. The file is an Excel 4.0
// worksheet: a BOF record, a label cell "abc" and an EOF record.
TEST(ExcelEngineOldFormats, OldWorkbookIsRefusedByNameAndNeverRewritten)
{
    TempFolder dir;
    const QByteArray biff4("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00"
                           "\x04\x02\x0b\x00\x00\x00\x00\x00\x0f\x00\x03\x00" "abc"
                           "\x0a\x00\x00\x00", 29);
    const QString path = dir.write(QStringLiteral("old.xls"), biff4);
    clsExcelControl engine;
    Configure(engine, dir.path(), "xls", {{QStringLiteral("abc"), QStringLiteral("xyz")}});

    engine.TralexGo();

    EXPECT_EQ(engine.CountResult(), 0);
    EXPECT_EQ(SkipReason(engine, "old.xls"), QStringLiteral("古い形式のファイルは保存できません"));
    EXPECT_EQ(readBytes(path), biff4);
    EXPECT_EQ(NamesIn(dir.path()), QStringList({QStringLiteral("old.xls")}));
}
