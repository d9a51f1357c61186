#include "platform/office/OfficeProcess.h"

#include <QByteArray>
#include <QDir>
#include <QSet>
#include <QFile>
#include <QList>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tralex {

namespace {

// LibreOffice runs in a network of its own with nothing in it, so that nothing a document links
// to on the network is ever fetched, whatever the file's format. Where the process may not
// simply leave the network (not root), it does so in a user namespace of its own in which it is
// the same user and group (its named pipe, under its user id, must stay where this program
// looks for it).
struct OwnNetwork {
    bool asUser = false;  // in a user namespace of its own
    QByteArray uidMap;
    QByteArray gidMap;
};

// Written whole or not at all; async-signal-safe (nothing is allocated).
bool writeProcFile(const char* path, const char* text, size_t size)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool whole = ::write(fd, text, size) == ssize_t(size);
    ::close(fd);
    return whole;
}

// Async-signal-safe: for the child between fork and exec. False when the process still shares
// the network.
bool leaveNetwork(const OwnNetwork& network)
{
    if (!network.asUser)
        return ::unshare(CLONE_NEWNET) == 0;
    static constexpr char Deny[] = "deny";
    return ::unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0
           && writeProcFile("/proc/self/setgroups", Deny, sizeof Deny - 1)
           && writeProcFile("/proc/self/uid_map", network.uidMap.constData(), size_t(network.uidMap.size()))
           && writeProcFile("/proc/self/gid_map", network.gidMap.constData(), size_t(network.gidMap.size()));
}

// Whether a child of its own leaves the network that way.
bool works(const OwnNetwork& way)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0)
        ::_exit(leaveNetwork(way) ? 0 : 1);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// How this system lets a child leave the network, tried once: on its own (root), else in a user
// namespace; nothing when neither works (namespaces turned off, say): LibreOffice then shares
// the network.
const std::optional<OwnNetwork>& ownNetwork()
{
    static const std::optional<OwnNetwork> network = []() -> std::optional<OwnNetwork> {
        OwnNetwork way;
        way.uidMap = QByteArray::number(::getuid()) + ' ' + QByteArray::number(::getuid()) + " 1";
        way.gidMap = QByteArray::number(::getgid()) + ' ' + QByteArray::number(::getgid()) + " 1";
        for (const bool asUser : {false, true}) {
            way.asUser = asUser;
            if (works(way))
                return way;
        }
        return std::nullopt;
    }();
    return network;
}

}  // namespace

OfficeProcess::~OfficeProcess()
{
    Stop();
}

bool OfficeProcess::Start(const QString& pipeName, const QString& profileFolder)
{
    if (!launch({"--accept=pipe,name=" + pipeName.toUtf8() + ";urp;StarOffice.ComponentContext"},
                profileFolder))
        return false;
    mPipe = pipeName;
    return true;
}

bool OfficeProcess::PrepareProfile(const QString& profileFolder, int deadlineMs)
{
    if (!launch({"--terminate_after_init"}, profileFolder))
        return false;
    if (!WaitForEnd(deadlineMs)) {
        Stop();
        mEndStatus = QStringLiteral("hung while setting up its profile");
        return false;
    }
    return mEndStatus.startsWith(QLatin1String("exit"));
}

bool OfficeProcess::launch(const QList<QByteArray>& extraArguments, const QString& profileFolder)
{
    Stop();
    // soffice.bin itself, not the soffice script: the script's launcher would be the child we
    // track while the real process runs on beside it.
    const QByteArray program = QByteArrayLiteral(TRALEX_LO_PROGRAM "/soffice.bin");
    const QList<QByteArray> arguments = QList<QByteArray>{
        program,
        "--headless", "--invisible", "--nologo", "--nodefault", "--norestore", "--nolockcheck",
        "-env:UserInstallation=" + QUrl::fromLocalFile(profileFolder).toEncoded(),
    } + extraArguments;
    QList<char*> argv;
    for (const QByteArray& a : arguments)
        argv.append(const_cast<char*>(a.constData()));
    argv.append(nullptr);
    // Its temporary files go into its private profile, which goes with it, instead of piling up
    // in /tmp when it is killed.
    const QByteArray tmpDir = "TMPDIR=" + QFile::encodeName(profileFolder);
    QList<char*> envp;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "TMPDIR=", 7) != 0)
            envp.append(*e);
    }
    envp.append(const_cast<char*>(tmpDir.constData()));
    envp.append(nullptr);

    const std::optional<OwnNetwork>& network = ownNetwork();
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);  // the parent died before the signal was set
        if (network && !leaveNetwork(*network))
            ::_exit(127);  // the probe said it works: never started with the network after all
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            // Its output goes nowhere: a pipe nobody reads could block it.
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // also from here, so the group exists before the first kill
    {
        std::lock_guard lock(mReaping);
        mPid = pid;
    }
    mEndStatus.clear();
    return true;
}

void OfficeProcess::killGroup(pid_t pid) const
{
    if (pid > 0) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
}

void OfficeProcess::KillNow() const
{
    std::lock_guard lock(mReaping);
    killGroup(mPid.load());
}

void OfficeProcess::Stop()
{
    if (mPid > 0) {
        NotePipes();
        // Killed first, so the wait under the lock is short.
        std::lock_guard lock(mReaping);
        killGroup(mPid.load());
        while (::waitpid(mPid.load(), nullptr, 0) < 0 && errno == EINTR) {
        }
        mPid = -1;
    }
    removePipes();
}

namespace {

// Where LibreOffice puts the sockets of its named pipes, always.
QByteArray pipePrefix()
{
    return "/tmp/OSL_PIPE_" + QByteArray::number(::getuid()) + '_';
}

}  // namespace

void OfficeProcess::NotePipes()
{
    if (mPid <= 0)
        return;
    // The socket inodes among the process's open files...
    QSet<QByteArray> inodes;
    const QByteArray fdFolder = "/proc/" + QByteArray::number(mPid.load()) + "/fd";
    for (const QString& fd : QDir(QString::fromLatin1(fdFolder)).entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        const ssize_t n = ::readlink((fdFolder + '/' + fd.toLatin1()).constData(), target, sizeof target - 1);
        const QByteArray link(target, n > 0 ? n : 0);
        if (link.startsWith("socket:[") && link.endsWith(']'))
            inodes.insert(link.mid(8, link.size() - 9));
    }
    // ...and the pipe sockets bound to them: "Num RefCount Protocol Flags Type St Inode Path".
    QFile table(QStringLiteral("/proc/%1/net/unix").arg(mPid.load()));
    if (!table.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 8 && inodes.contains(fields.at(6)) && fields.at(7).startsWith(pipePrefix())
            && !mPipeSockets.contains(fields.at(7)))
            mPipeSockets.append(fields.at(7));
    }
}

void OfficeProcess::removePipes()
{
    // A process that is killed leaves the sockets of its named pipes in /tmp; without this every
    // run would leave them behind.
    if (!mPipe.isEmpty())
        mPipeSockets.append(pipePrefix() + mPipe.toUtf8());
    for (const QByteArray& socket : std::as_const(mPipeSockets)) {
        struct stat st {};
        if (::lstat(socket.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid())
            ::unlink(socket.constData());
    }
    mPipeSockets.clear();
    mPipe.clear();
}

bool OfficeProcess::IsRunning()
{
    if (mPid <= 0)
        return false;
    int status = 0;
    std::lock_guard lock(mReaping);
    const pid_t done = ::waitpid(mPid.load(), &status, WNOHANG);
    if (done == mPid) {
        ended(status);
        return false;
    }
    return done == 0;
}

bool OfficeProcess::WaitForEnd(int milliseconds)
{
    for (int waited = 0; IsRunning(); waited += 10) {
        if (waited >= milliseconds)
            return false;
        ::usleep(10000);
    }
    return true;
}

void OfficeProcess::ended(int status)
{
    ::kill(-mPid.load(), SIGKILL);  // whatever it started goes with it
    mPid = -1;
    if (WIFSIGNALED(status))
        mEndStatus = QStringLiteral("signal %1").arg(WTERMSIG(status));
    else
        mEndStatus = QStringLiteral("exit %1").arg(WEXITSTATUS(status));
}

}  // namespace tralex
