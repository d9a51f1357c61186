// The office automation on the real LibreOffice: what it stores it opens again as the same
// format, and its process never outlives its owner.
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeProcess.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tralex;
using namespace tralex::test;

TEST(OfficeApplication, OpensEveryFormatItStoresAsThatFormatAndEndsItsProcess)
{
    TempFolder dir;
    pid_t pid = -1;
    {
        OfficeApplication office;
        const int crashesBefore = CrashesRetried;
        EXPECT_EQ(office.ProcessId(), -1) << "started before first use";
        for (const QString type : {"xls", "xlsx", "ods", "doc", "docx", "odt"}) {
            const QString path = dir.file(QStringLiteral("a.") + type);
            if (type.startsWith(QLatin1String("doc")) || type == QLatin1String("odt"))
                MakeDocument(office, path);
            else
                MakeWorkbook(office, path);
            auto document = Retried(office, [&] { return office.Open(path); });
            EXPECT_EQ(document->FilterName(), FilterOf(type)) << type.toStdString();
            EXPECT_FALSE(document->IsModified());
        }
        pid = office.ProcessId();
        EXPECT_GT(pid, 0);
        // It runs in a network of its own: nothing a file links to on the network is fetched.
        const auto network = [](pid_t of) {
            char target[64] = {};
            const QByteArray link = "/proc/" + QByteArray::number(of) + "/ns/net";
            const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
            return std::string(target, n > 0 ? size_t(n) : 0);  // "net:[inode]"
        };
        EXPECT_EQ(network(pid).rfind("net:[", 0), 0u) << network(pid);
        EXPECT_NE(network(pid), network(::getpid()));
        // One process serves every format, unless it crashed.
        EXPECT_EQ(office.StartCount(), 1 + CrashesRetried - crashesBefore);
        // A write to the socket of a process that died fails; it never ends this program.
        struct sigaction pipe {};
        ASSERT_EQ(::sigaction(SIGPIPE, nullptr, &pipe), 0);
        EXPECT_EQ(pipe.sa_handler, SIG_IGN);
    }
    EXPECT_TRUE(ProcessGone(pid));
}

TEST(OfficeApplication, ProcessDiesWithTheProgramThatStartedIt)
{
    TempFolder profile;
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        OfficeProcess office;
        pid_t started = -1;
        if (office.Start(QStringLiteral("tralex_orphan_test_%1").arg(::getpid()), profile.path()))
            started = office.Pid();
        (void)!::write(channel[1], &started, sizeof started);
        ::pause();
        ::_exit(0);
    }
    pid_t office = -1;
    ASSERT_EQ(::read(channel[0], &office, sizeof office), ssize_t(sizeof office));
    ASSERT_GT(office, 0);
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    QElapsedTimer clock;
    clock.start();
    while (!ProcessGone(office) && clock.elapsed() < 10000)
        QThread::msleep(50);
    EXPECT_TRUE(ProcessGone(office)) << "soffice outlived the killed program";
    if (!ProcessGone(office))
        ::kill(office, SIGKILL);
}

namespace {

QSet<QString> pipeSockets()
{
    const QStringList names = QDir(QStringLiteral("/tmp")).entryList(
        {QStringLiteral("OSL_PIPE_%1_*").arg(::getuid())}, QDir::System | QDir::Files | QDir::Hidden);
    return {names.begin(), names.end()};
}

// The sockets bound in every network namespace (each LibreOffice has one of its own), as the
// lines of their tables.
QByteArray boundSockets()
{
    QByteArray bound;
    QSet<QByteArray> seen;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        char network[64] = {};
        const QByteArray link = "/proc/" + pid.toLatin1() + "/ns/net";
        const ssize_t n = ::readlink(link.constData(), network, sizeof network - 1);
        QFile table(QStringLiteral("/proc/%1/net/unix").arg(pid));
        if (n <= 0 || seen.contains(network) || !table.open(QIODevice::ReadOnly))
            continue;
        seen.insert(network);
        bound += table.readAll();
    }
    return bound;
}

// The sockets in /tmp that no process listens on any more (a killed process's leftovers). One
// that another test's process has just left gets half a second to be removed.
QSet<QString> stalePipeSockets(const QSet<QString>& candidates)
{
    QSet<QString> stale;
    for (int look = 0; look < 2; ++look) {
        const QByteArray bound = boundSockets();
        stale.clear();
        for (const QString& name : candidates) {
            if (QFileInfo::exists(QStringLiteral("/tmp/") + name) && !bound.contains("/tmp/" + name.toUtf8() + '\n'))
                stale.insert(name);
        }
        if (stale.isEmpty())
            break;
        QThread::msleep(500);
    }
    return stale;
}

}  // namespace

// The process is always killed, so it never removes the sockets of its named pipes itself (the
// one it was started with and its own single-instance pipe): ending it must, or every run would
// leave them in /tmp.
TEST(OfficeApplication, EndingTheProcessLeavesNoPipeBehind)
{
    TempFolder profile;
    const QString name = QStringLiteral("tralex_pipe_test_%1").arg(::getpid());
    const QString socket = QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(name);
    const QSet<QString> before = pipeSockets();
    OfficeProcess office;
    const QString folder = profile.file(QStringLiteral("profile"));
    ASSERT_TRUE(office.PrepareProfile(folder, 60000));
    ASSERT_TRUE(office.Start(name, folder));
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(socket) && office.IsRunning() && clock.elapsed() < 60000)
        QThread::msleep(50);
    ASSERT_TRUE(QFileInfo::exists(socket)) << "soffice never opened its pipe";
    ASSERT_GE(pipeSockets().subtract(before).size(), 2) << "soffice has no single-instance pipe";
    office.Stop();
    EXPECT_FALSE(QFileInfo::exists(socket));
    const QSet<QString> left = stalePipeSockets(pipeSockets().subtract(before));
    EXPECT_TRUE(left.isEmpty()) << QStringList(left.begin(), left.end()).join(u' ').toStdString();
}
