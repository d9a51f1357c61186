#include "platform/office/OfficeProcess.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tralex {

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

bool OfficeProcess::PrepareProfile(const QString& profileFolder)
{
    if (!launch({"--terminate_after_init"}, profileFolder))
        return false;
    int status = 0;
    while (::waitpid(mPid, &status, 0) < 0 && errno == EINTR) {
    }
    ::kill(-mPid, SIGKILL);
    mPid = -1;
    return WIFEXITED(status);
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
    mPid = pid;
    mEndStatus.clear();
    return true;
}

void OfficeProcess::KillNow() const
{
    if (mPid > 0) {
        ::kill(-mPid, SIGKILL);
        ::kill(mPid, SIGKILL);
    }
}

void OfficeProcess::Stop()
{
    if (mPid > 0) {
        KillNow();
        while (::waitpid(mPid, nullptr, 0) < 0 && errno == EINTR) {
        }
        mPid = -1;
    }
    removePipe();
}

void OfficeProcess::removePipe()
{
    // A process that is killed leaves the socket of its named pipe in /tmp, where LibreOffice
    // always puts them; without this every run would leave one behind.
    if (mPipe.isEmpty())
        return;
    const QByteArray socket = "/tmp/OSL_PIPE_" + QByteArray::number(::getuid()) + '_' + mPipe.toUtf8();
    struct stat st {};
    if (::lstat(socket.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid())
        ::unlink(socket.constData());
    mPipe.clear();
}

bool OfficeProcess::IsRunning()
{
    if (mPid <= 0)
        return false;
    int status = 0;
    const pid_t done = ::waitpid(mPid, &status, WNOHANG);
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
    ::kill(-mPid, SIGKILL);  // whatever it started goes with it
    mPid = -1;
    if (WIFSIGNALED(status))
        mEndStatus = QStringLiteral("signal %1").arg(WTERMSIG(status));
    else
        mEndStatus = QStringLiteral("exit %1").arg(WEXITSTATUS(status));
}

}  // namespace tralex
