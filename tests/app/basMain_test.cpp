// The single-instance guard with real processes: each runs the program's start-up (through the
// StartUpChild helper) and reports the windows it shows.
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include "support/ModalAnswerer.h"
#include "support/TestFiles.h"

using namespace tralex::test;

namespace {

// One start of the program, sharing the runtime folder (where the guard lives) with the others.
class Start {
public:
    Start(const TempFolder& runtime, const TempFolder& settings)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        mProcess.setProcessEnvironment(env);
        mProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mProcess.start(QCoreApplication::applicationDirPath() + QStringLiteral("/StartUpChild"),
                       {settings.path()});
        EXPECT_TRUE(mProcess.waitForStarted(10000));
    }
    ~Start()
    {
        if (mProcess.state() != QProcess::NotRunning) {
            mProcess.kill();
            mProcess.waitForFinished(10000);
        }
    }

    // The windows reported so far, one line each.
    QStringList lines()
    {
        mOutput += QString::fromUtf8(mProcess.readAllStandardOutput());
        return mOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool waitForWindow(const QString& name)
    {
        return waitFor([&] { return lines().contains(name); });
    }
    bool running() const { return mProcess.state() == QProcess::Running; }
    QProcess& process() { return mProcess; }

private:
    QProcess mProcess;
    QString mOutput;
};

TEST(basMain, SecondStartIsRefusedWhileOneRunsAndAKilledOneDoesNotBlockTheNext)
{
    TempFolder runtime;
    TempFolder settings;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    Start first(runtime, settings);
    ASSERT_TRUE(first.waitForWindow(QStringLiteral("frmSplash"))) << first.lines().join('|').toStdString();

    {
        Start second(runtime, settings);
        ASSERT_TRUE(second.process().waitForFinished(30000));
        EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.process().exitCode(), 1);
        // The warning and nothing else: no splash, no main window.
        EXPECT_EQ(second.lines(), QStringList{QStringLiteral(
                                      "Msg_Warning\tすでにTralexは起動しています\tなお、複数起動は出来ません")});
    }

    // The first one goes on as if nothing happened.
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(first.waitForWindow(QStringLiteral("frmMain")));
    EXPECT_TRUE(first.running());

    // Killed, it cannot remove its lock: the next start must take it over.
    first.process().kill();
    ASSERT_TRUE(first.process().waitForFinished(10000));
    EXPECT_FALSE(QDir(runtime.path()).isEmpty());
    Start third(runtime, settings);
    EXPECT_TRUE(third.waitForWindow(QStringLiteral("frmSplash"))) << third.lines().join('|').toStdString();
}

}  // namespace
