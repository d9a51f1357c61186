#include "platform/office/OfficeApplication.h"

#include "platform/office/OfficeDocumentImpl.h"
#include "platform/office/OfficeInteraction.h"
#include "platform/office/OfficeLocks.h"
#include "platform/office/OfficeProcess.h"
#include "platform/office/OfficeProfileSettings.h"
#include "platform/office/OfficeUno.h"
#include "platform/office/OfficeWatchdog.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/ref.hxx>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>
#include <QUuid>

#include <csignal>
#include <mutex>

namespace tralex {

using namespace com::sun::star;
using lo::ToOU;
using lo::ToQ;

namespace {

// How long soffice may take to start and accept the connection (it takes 1 to 2 s alone; on a
// busy machine much more).
constexpr int StartTimeoutMs = 60000;
// Starts of soffice that may end before the connection stands, before it counts as unable to start.
constexpr int StartAttempts = 3;
// How long a soffice whose connection broke may take to end by itself (so that how it ended is
// known) before it is ended, and how long a check of a connection may take.
constexpr int EndGraceMs = 1000;
constexpr int ProbeTimeoutMs = 10000;
// How long a file may still be worked on after STOP before the process is ended.
constexpr int StopGraceMs = 3000;

// The local UNO environment, made once per program. URE_BOOTSTRAP must point at LibreOffice's
// own settings before it, or the first call to the remote desktop crashes.
uno::Reference<uno::XComponentContext> localContext()
{
    static const uno::Reference<uno::XComponentContext> context = [] {
        rtl::Bootstrap::set(rtl::OUString("URE_BOOTSTRAP"),
                            rtl::OUString("vnd.sun.star.pathname:" TRALEX_LO_PROGRAM "/fundamentalrc"));
        return cppu::defaultBootstrap_InitialComponentContext();
    }();
    return context;
}

const QString ReasonNotStarted = QStringLiteral("LibreOffice を起動できません");

}  // namespace

struct OfficeApplication::Impl {
    // Private (0700); its name marks it as ours in lock files (OfficeLocks).
    QTemporaryDir profile{QDir::tempPath() + QLatin1Char('/') + OwnProfilePrefix + QStringLiteral("XXXXXX")};
    OfficeProcess process;
    OfficeWatchdog watchdog;
    uno::Reference<frame::XDesktop2> desktop;
    rtl::Reference<OfficeInteraction> interaction = new OfficeInteraction;
    QStringList opened;  // the files the running process has opened

    // Whether the process still answers over its connection: a failed call may come from a
    // connection that broke while the process is still on its way out.
    bool answers()
    {
        if (!desktop.is() || !process.IsRunning())
            return false;
        // A check of a process that hangs must not hang too.
        const bool timed = !watchdog.Armed();
        if (timed) {
            OfficeProcess* target = &process;
            watchdog.Arm(ProbeTimeoutMs, [target] { target->KillNow(); });
        }
        bool ok = true;
        try {
            desktop->getCurrentComponent();
        } catch (const uno::Exception&) {
            ok = false;
        }
        if (timed)
            watchdog.Disarm();
        return ok && !watchdog.Fired();
    }

    // Ends a process whose connection is lost, after a short moment to end by itself.
    void endLost()
    {
        process.WaitForEnd(EndGraceMs);
        desktop.clear();
        process.Stop();
    }
};

OfficeApplication::OfficeApplication() : d(std::make_unique<Impl>()) {}

OfficeApplication::~OfficeApplication()
{
    Quit();
}

void OfficeApplication::Start()
{
    if (d->desktop.is() && d->process.IsRunning())
        return;
    Quit();
    startProcess();
}

namespace {

// The connection to LibreOffice is a socket: a write after soffice died (a crash, or the
// watchdog's kill) would end this whole program with SIGPIPE. Ignored, the write fails instead,
// and the file in hand is skipped as for any lost connection.
void IgnoreBrokenPipes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, nullptr);
    });
}

}  // namespace

void OfficeApplication::startProcess()
{
    IgnoreBrokenPipes();
    if (!d->profile.isValid())
        throw OfficeError(OfficeError::Kind::NotStarted, ReasonNotStarted);
    const QString profile = d->profile.filePath(QStringLiteral("profile"));
    if (!QDir(profile).exists()
        && !(d->process.PrepareProfile(profile, StartTimeoutMs) && WriteProfileSettings(profile))) {
        // A profile without our settings is never started on.
        QDir(profile).removeRecursively();
        throw OfficeError(OfficeError::Kind::NotStarted, ReasonNotStarted);
    }
    // A soffice that ends or drops the connection while it is being connected to (a crash at
    // start-up, or a restart of its own) gets another start; one that never accepts does not.
    for (int start = 1;; ++start) {
        const QString pipe = QStringLiteral("tralex_") + QUuid::createUuid().toString(QUuid::Id128);
        if (!d->process.Start(pipe, profile))
            throw OfficeError(OfficeError::Kind::NotStarted, ReasonNotStarted);
        mOpenedByProcess = 0;
        d->opened.clear();
        if (connect(pipe)) {
            d->process.NotePipes();
            ++mStartCount;
            return;
        }
        const QString ended = d->process.EndStatus();
        d->process.Stop();
        if (start == StartAttempts)
            throw OfficeError(OfficeError::Kind::NotStarted, ReasonNotStarted, ended);
    }
}

bool OfficeApplication::connect(const QString& pipe)
{
    const rtl::OUString url = rtl::OUString("uno:pipe,name=") + ToOU(pipe)
                              + rtl::OUString(";urp;StarOffice.ComponentContext");
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        try {
            const auto context = localContext();
            const auto resolver = bridge::UnoUrlResolver::create(context);
            uno::Reference<uno::XComponentContext> remote(resolver->resolve(url), uno::UNO_QUERY_THROW);
            d->desktop = frame::Desktop::create(remote);
            return true;
        } catch (const connection::NoConnectException&) {
            // not accepting yet
        } catch (const uno::Exception&) {
            d->desktop.clear();
            return false;
        }
        if (!d->process.IsRunning())
            return false;
        if (clock.elapsed() > StartTimeoutMs) {
            d->process.Stop();
            throw OfficeError(OfficeError::Kind::NotStarted, ReasonNotStarted);
        }
        QThread::msleep(100);
    }
}

void OfficeApplication::Quit()
{
    d->watchdog.Disarm();
    // The documents were closed by their owners; the profile is private, so nothing of worth is
    // lost by killing the process instead of asking it to end, which could hang as any call can.
    d->desktop.clear();
    d->process.Stop();
    removeOwnLocks();
}

void OfficeApplication::removeOwnLocks()
{
    // A process that crashed, hung or was ended with a file open leaves that file's lock file
    // beside it, which would make the file look in use by someone else from then on. Only a lock
    // that names this object's own profile is removed; anyone else's stays.
    const QByteArray profile = QFileInfo(d->profile.path()).fileName().toUtf8();
    for (const QString& path : std::as_const(d->opened)) {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString lock = path.left(slash + 1) + QLatin1String(".~lock.") + path.mid(slash + 1) + QLatin1Char('#');
        QFile file(lock);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const bool own = file.read(4096).contains(profile);
        file.close();
        if (own)
            QFile::remove(lock);
    }
    d->opened.clear();
}

void OfficeApplication::Restart()
{
    Quit();
    startProcess();
}

bool OfficeApplication::IsRunning()
{
    return d->process.IsRunning();
}

pid_t OfficeApplication::ProcessId() const
{
    return d->process.Pid();
}

QString OfficeApplication::WorkFolder(const QString& name) const
{
    const QString path = d->profile.filePath(name);
    QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void OfficeApplication::setStopFlag(const std::atomic<bool>* flag)
{
    d->watchdog.setStopFlag(flag, StopGraceMs);
}

void OfficeApplication::BeginFile()
{
    OfficeProcess* process = &d->process;
    d->watchdog.Arm(mFileTimeout, [process] { process->KillNow(); });
}

void OfficeApplication::EndFile()
{
    d->watchdog.Disarm();
}

void OfficeApplication::RaiseFailure(const QString& reason, const QString& detail)
{
    if (!d->watchdog.Fired() && !d->answers())
        d->endLost();
    raiseFor(reason, detail);
}

void OfficeApplication::RaiseLost(const QString& detail)
{
    if (!d->watchdog.Fired())
        d->endLost();
    raiseFor(QString(), detail);
}

void OfficeApplication::raiseFor(const QString& reason, const QString& detail)
{
    if (d->watchdog.Fired())
        throw OfficeError(OfficeError::Kind::Hung, QStringLiteral("LibreOffice が応答しません"), detail);
    if (!d->process.IsRunning()) {
        throw OfficeError(OfficeError::Kind::Crashed, QStringLiteral("LibreOffice が異常終了しました"),
                          detail + QLatin1String(" (") + d->process.EndStatus() + QLatin1Char(')'));
    }
    throw OfficeError(OfficeError::Kind::File, reason, detail);
}

namespace {

// Nothing done to an opened file is ever undone: without this, LibreOffice keeps an undo step for
// each replacement, which for a large file with tens of thousands of matches costs much time and
// memory.
void lockUndo(const uno::Reference<lang::XComponent>& component)
{
    uno::Reference<document::XUndoManagerSupplier> supplier(component, uno::UNO_QUERY);
    if (supplier.is())
        supplier->getUndoManager()->lock();
}

// Writer works on an open document in its idle time: it lays it out and updates its fields, a
// reference field then showing its bookmark's text as it is at that moment, not the text the file
// stored. Whether that time comes between two calls depends on how busy the machine is, so it is
// held off for as long as the document is open: the document is read, changed and stored exactly
// as the calls leave it. Workbooks are left alone: locked, their replace-all found nothing.
void holdIdleWork(const uno::Reference<lang::XComponent>& component)
{
    const uno::Reference<lang::XServiceInfo> info(component, uno::UNO_QUERY);
    const uno::Reference<frame::XModel> model(component, uno::UNO_QUERY);
    if (info.is() && model.is() && info->supportsService(rtl::OUString("com.sun.star.text.TextDocument")))
        model->lockControllers();
}

}  // namespace

std::unique_ptr<OfficeDocument> OfficeApplication::Open(const QString& path, const QString& shownAs)
{
    if (mOpenedByProcess >= mRestartEvery)
        Quit();
    Start();
    d->interaction->Reset();
    d->opened.append(path);
    const rtl::OUString url = ToOU(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()));
    const rtl::OUString base =
        shownAs.isEmpty() ? url : ToOU(QString::fromLatin1(QUrl::fromLocalFile(shownAs).toEncoded()));
    const uno::Sequence<beans::PropertyValue> arguments = lo::Properties({
        lo::Property("Hidden", uno::Any(true)),
        lo::Property("DocumentBaseURL", uno::Any(base)),
        lo::Property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
        lo::Property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
        lo::Property("InteractionHandler",
                     uno::Any(uno::Reference<task::XInteractionHandler>(d->interaction.get()))),
    });
    uno::Reference<lang::XComponent> component;
    try {
        component = d->desktop->loadComponentFromURL(url, rtl::OUString("_blank"), 0, arguments);
    } catch (const lang::DisposedException& e) {
        RaiseLost(ToQ(e.Message));
    } catch (const uno::Exception& e) {
        // the reason is known from the request the handler has seen
        RaiseFailure(d->interaction->FailureReason(), ToQ(e.Message));
    }
    ++mOpenedByProcess;
    if (!component.is())
        RaiseFailure(d->interaction->FailureReason(), QString());
    auto impl = std::make_unique<OfficeDocument::Impl>();
    impl->component = component;
    auto document = std::make_unique<OfficeDocument>(*this, std::move(impl));
    lo::Guarded(*this, QStringLiteral("ファイルが開けません"), [&] {
        holdIdleWork(component);
        lockUndo(component);
    });
    return document;
}

std::unique_ptr<OfficeDocument> OfficeApplication::Create(Kind kind)
{
    Start();
    const rtl::OUString url = kind == Kind::Spreadsheet ? rtl::OUString("private:factory/scalc")
                                                        : rtl::OUString("private:factory/swriter");
    const uno::Sequence<beans::PropertyValue> arguments = lo::Properties({lo::Property("Hidden", uno::Any(true))});
    auto impl = std::make_unique<OfficeDocument::Impl>();
    impl->component = lo::Guarded(*this, QStringLiteral("文書を作成できません"), [&] {
        return d->desktop->loadComponentFromURL(url, rtl::OUString("_blank"), 0, arguments);
    });
    return std::make_unique<OfficeDocument>(*this, std::move(impl));
}

}  // namespace tralex
