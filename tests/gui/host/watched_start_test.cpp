// A watched program and the command run once it has ended.
#include "fake_tools.h"
#include "files.h"
#include "host/watched_start.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quillmere;
using namespace std::chrono_literals;

namespace {

struct AfterExitCase {
    const char* what;    // the case's name
    const char* program; // shell commands; each run appends a line to the log
    bool withAfterExit;
    std::chrono::milliseconds watch; // long enough to see a failure at once, short to end before a program that runs on
    QByteArray log;
    QString failure; // what failedSoon hears, if anything
};

void PrintTo(const AfterExitCase& row, std::ostream* out) {
    *out << row.what;
}

class AfterExit : public ::testing::TestWithParam<AfterExitCase> {
protected:
    QString file(const char* name) const { return tools.dir() + u'/' + QLatin1String(name); }
    // A shell script that works in the tools' folder.
    QString script(const QString& name, const QByteArray& body) {
        return tools.add(name, "#!/bin/sh\ncd '" + tools.dir().toLocal8Bit() + "'\n" + body);
    }

    test::FakeTools tools;
};

} // namespace

TEST_P(AfterExit, RunsOnceWhenTheProgramHasEnded) {
    const AfterExitCase& row = GetParam();
    const QString program = script(QStringLiteral("program"), row.program + QByteArray("\necho program >> log\n"));
    // It tells who its parent and its session are: neither is this program's.
    const QString after =
        script(QStringLiteral("after"), "/usr/bin/cut -d' ' -f4,6 /proc/$$/stat > stat\necho after >> log\n");
    QStringList failures;
    QString error;
    ASSERT_TRUE(host::startWatched(
        program, {}, QProcessEnvironment::systemEnvironment(), row.watch, [&](const QString& why) { failures << why; },
        &error, row.withAfterExit ? QStringList{after} : QStringList{}))
        << qPrintable(error);

    ASSERT_TRUE(QTest::qWaitFor([&] { return test::bytesOf(file("log")) == row.log; }, 10000))
        << row.what << ": " << test::bytesOf(file("log")).constData();
    QTest::qWait(300); // time enough for a second run
    EXPECT_EQ(test::bytesOf(file("log")), row.log) << row.what;
    EXPECT_EQ(failures, row.failure.isEmpty() ? QStringList() : QStringList{row.failure}) << row.what;
    if (!row.withAfterExit)
        return;
    const QStringList parentAndSession = QString::fromLatin1(test::bytesOf(file("stat"))).split(u' ');
    ASSERT_EQ(parentAndSession.size(), 2);
    EXPECT_NE(parentAndSession[0].toLongLong(), QCoreApplication::applicationPid()) << row.what;
    EXPECT_NE(parentAndSession[1].trimmed().toLongLong(), static_cast<qint64>(::getsid(0))) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    WatchedStart, AfterExit,
    ::testing::Values(AfterExitCase{"EndsWellAfterTheWatch", "/bin/sleep 0.5", true, 50ms, "program\nafter\n", {}},
                      AfterExitCase{"FailsAtOnce", "echo 'it broke' >&2; echo program >> log; exit 1", true, 5s,
                                    "program\nafter\n", QStringLiteral("it broke")},
                      AfterExitCase{"WithNothingToRunAfterIt", "/bin/sleep 0.5", false, 50ms, "program\n", {}}),
    [](const ::testing::TestParamInfo<AfterExitCase>& row) { return std::string(row.param.what); });
