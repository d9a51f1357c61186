#pragma once
// One private headless soffice process. It runs with a profile folder of its own (a second
// soffice on a shared profile would hand its work to the first and exit, and ending it would end
// the user's own LibreOffice), in a process group of its own, and with a parent-death signal, so
// that it dies with this program even when this program is killed.
#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

#include <atomic>
#include <mutex>

namespace tralex {

class OfficeProcess {
public:
    OfficeProcess() = default;
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    // Starts soffice listening on a named pipe, with the given profile folder. False when the
    // program cannot be started.
    bool Start(const QString& pipeName, const QString& profileFolder);
    // Sets up a new profile folder: soffice started on a profile it has never seen sets it up,
    // may accept a connection, and then ends to be started again, which would look like a crash.
    // Runs soffice once only to set the profile up and waits for it, `deadlineMs` at most: one
    // that hangs is ended. False when that fails.
    bool PrepareProfile(const QString& profileFolder, int deadlineMs);
    // Notes the sockets of the named pipes the running process listens on (its own single-instance
    // pipe besides the one it was started with), to be removed when it is ended.
    void NotePipes();
    // Kills the whole process group, waits for the process and removes the sockets of its named
    // pipes. For the owner's thread only.
    void Stop();
    // Only sends the kill, and may be called from another thread (a watchdog) while the owner
    // waits on the process; the owner's next Stop() reaps it.
    void KillNow() const;
    // Whether the process is still there (not ended and not a zombie of ours).
    bool IsRunning();
    // Waits up to `milliseconds` for the process to end; whether it has ended.
    bool WaitForEnd(int milliseconds);
    // How the last process ended, for diagnosis: "exit 81", "signal 11", or empty when it was
    // ended by Stop or has not ended.
    const QString& EndStatus() const { return mEndStatus; }
    pid_t Pid() const { return mPid.load(); }

private:
    bool launch(const QList<QByteArray>& extraArguments, const QString& profileFolder);
    void ended(int status);
    void removePipes();

    void killGroup(pid_t pid) const;

    // Written by the owner's thread only, read by a watchdog's too. A process is reaped and its
    // id cleared under mReaping, and KillNow reads and kills under it too, so a kill never reaches
    // a process that took over the id of one already reaped.
    std::atomic<pid_t> mPid{-1};
    mutable std::mutex mReaping;
    QString mEndStatus;
    QString mPipe;  // the named pipe of the running process
    QList<QByteArray> mPipeSockets;  // the sockets it was seen listening on
};

}  // namespace tralex
