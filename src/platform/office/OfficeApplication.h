#pragma once
// Our stand-in for the office application of a run: one private headless LibreOffice, started on
// first use and ended by Quit or when this object goes. Files are opened hidden, with macros
// never run, links never updated and every question to the user answered "abort".
//
// While a file is worked on (between BeginFile and EndFile) a watchdog ends a process that
// stopped answering. A crashed or hung process shows as an OfficeError of that kind; the caller
// then calls Restart. The process is also started afresh every few hundred files, since its
// memory grows with every file it has opened.
#include "platform/office/OfficeError.h"

#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

#include <sys/types.h>

namespace tralex {

class OfficeDocument;

class OfficeApplication {
public:
    enum class Kind { Spreadsheet, Text };

    OfficeApplication();
    ~OfficeApplication();
    OfficeApplication(const OfficeApplication&) = delete;
    OfficeApplication& operator=(const OfficeApplication&) = delete;

    // Time a single file may take before the process counts as hung; default 120 s.
    void setFileTimeout(int milliseconds) { mFileTimeout = milliseconds; }
    // Number of files opened by one process before it is started afresh; default 300.
    void setRestartEvery(int files) { mRestartEvery = files; }

    // Starts the process and connects to it, unless it runs. A process that cannot be started or
    // reached raises OfficeError of kind NotStarted with a Japanese description.
    void Start();
    // Ends the process (if any); every document of it is gone then.
    void Quit();
    // Quit, then Start.
    void Restart();
    bool IsRunning();
    // The process id of the running soffice, -1 when none runs.
    pid_t ProcessId() const;
    // How many processes this object has started and connected to so far.
    int StartCount() const { return mStartCount; }

    // Opens a file (starting the process when needed). A file LibreOffice cannot open raises
    // OfficeError of kind File with the reason. A copy opened in place of a file (`shownAs`)
    // reads the links relative to the file from the file's place.
    std::unique_ptr<OfficeDocument> Open(const QString& path, const QString& shownAs = QString());
    // A new empty document of a kind.
    std::unique_ptr<OfficeDocument> Create(Kind kind);

    // The watchdog's time for one file runs between these two calls.
    void BeginFile();
    void EndFile();
    // The watchdog's time for one piece of work: from its creation to its end, however the work
    // ends.
    class FileTime {
    public:
        explicit FileTime(OfficeApplication& application) : mApplication(application)
        {
            mApplication.BeginFile();
        }
        ~FileTime() { mApplication.EndFile(); }
        FileTime(const FileTime&) = delete;
        FileTime& operator=(const FileTime&) = delete;

    private:
        OfficeApplication& mApplication;
    };

    // Raises the OfficeError that fits the state of the process after a failed call: Hung when
    // the watchdog ended it, Crashed when it is gone or no longer answers over its connection
    // (then it is ended), else a failure of the file with `reason`.
    [[noreturn]] void RaiseFailure(const QString& reason, const QString& detail);
    // The same after the connection to the process was lost: Hung or Crashed; a process that is
    // still there without its connection is of no use and is ended.
    [[noreturn]] void RaiseLost(const QString& detail);

    // A private folder (made on first use) beside the process's profile, for the copies it works
    // on and the files it writes before they are moved into place; it goes with this object.
    QString WorkFolder(const QString& name) const;

    // A stop flag the watchdog looks at while a file is worked on: once it is set, the work on
    // the file gets a few more seconds before the process is ended. May be null.
    void setStopFlag(const std::atomic<bool>* flag);

    struct Impl;

private:
    void startProcess();
    // Connects to a started process; false when it ended or dropped the connection first.
    bool connect(const QString& pipe);
    [[noreturn]] void raiseFor(const QString& reason, const QString& detail);
    void removeOwnLocks();

    std::unique_ptr<Impl> d;
    int mFileTimeout = 120000;
    int mRestartEvery = 300;
    int mOpenedByProcess = 0;
    int mStartCount = 0;
};

}  // namespace tralex
