// Both office engines when soffice is killed while a file is being worked on: the run ends
// normally, and every file is either changed, backed up and listed, or left as it was and listed
// as skipped with its reason; none is lost or half-written.
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "office/support/OfficeFixtures.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <ostream>
#include <thread>

using namespace tralex;
using namespace tralex::test;

namespace {

struct KillCase {
    const char* type;
    int delayMs;  // after the second file is announced
};

void PrintTo(const KillCase& c, std::ostream* out)
{
    *out << c.type << " after " << c.delayMs << " ms";
}

std::unique_ptr<OfficeEngine> engineFor(const QString& type)
{
    if (type == QLatin1String("xls"))
        return std::make_unique<clsExcelControl>();
    return std::make_unique<clsWordControl>();
}

}  // namespace

class OfficeEngineKilled : public ::testing::TestWithParam<KillCase> {};

TEST_P(OfficeEngineKilled, RunEndsNormallyWithEveryFileChangedOrSkipped)
{
    const QString type = QString::fromLatin1(GetParam().type);
    TempFolder dir;
    const std::unique_ptr<OfficeEngine> engine = engineFor(type);
    const QStringList names = {QStringLiteral("a.") + type, QStringLiteral("b.") + type, QStringLiteral("c.") + type};
    if (type == QLatin1String("xls"))
        MakeWorkbook(engine->Application(), dir.file(names.at(0)));
    else
        MakeDocument(engine->Application(), dir.file(names.at(0)));
    for (const QString& name : names.mid(1))
        QFile::copy(dir.file(names.at(0)), dir.file(name));
    const QByteArray original = readBytes(dir.file(names.at(0)));
    Configure(*engine, dir.path(), type, {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

    std::thread killer;
    int events = 0;
    engine->setProgressInterval(0);  // a report for every workbook
    QObject::connect(engine.get(), &TralexEngine::ExecutionMessage, [&](const QString&) {
        if (++events != 2)
            return;
        const pid_t pid = engine->Application().ProcessId();
        killer = std::thread([pid, delay = GetParam().delayMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            // Only while it is still that soffice, not a process that took over its id.
            if (readBytes(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains("soffice"))
                ::kill(pid, SIGKILL);
        });
    });
    try {
        engine->TralexGo();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "the run ended with an error: " << e.what();
    }
    if (killer.joinable())
        killer.join();

    const QStringList listed = engine->ItemResult()->items();
    for (const QString& name : names) {
        const QString path = dir.file(name);
        const QString reason = SkipReason(*engine, name);
        if (listed.contains(path)) {
            EXPECT_TRUE(reason.isEmpty()) << name.toStdString() << " both listed and skipped";
            EXPECT_NE(readBytes(path), original) << name.toStdString() << " listed but unchanged";
            EXPECT_TRUE(ReadBack(path).contains(QStringLiteral("ベータ"))) << name.toStdString();
        } else {
            EXPECT_FALSE(reason.isEmpty()) << name.toStdString() << " neither listed nor skipped";
            EXPECT_EQ(readBytes(path), original) << name.toStdString();
        }
    }
    // The files themselves and one backup per listed file; no renewal file left behind.
    EXPECT_EQ(NamesIn(dir.path()).size(), names.size() + listed.size())
        << NamesIn(dir.path()).join(u' ').toStdString();
    EXPECT_EQ(engine->Application().ProcessId(), -1);
}

// From killed before the file is opened to killed while it is stored.
INSTANTIATE_TEST_SUITE_P(Office, OfficeEngineKilled,
                         ::testing::Values(KillCase{"doc", 0}, KillCase{"doc", 80}, KillCase{"doc", 250},
                                           KillCase{"xls", 0}, KillCase{"xls", 80}, KillCase{"xls", 250}),
                         [](const ::testing::TestParamInfo<KillCase>& info) {
                             return std::string(info.param.type) + "_after_" + std::to_string(info.param.delayMs) + "ms";
                         });
