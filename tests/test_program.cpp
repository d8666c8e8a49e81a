// The program as a user starts it: one copy at a time, a later start handing its file to
// the running one. Part of the window's tests, which give it their main().
#include <gtest/gtest.h>

#include <fstream>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>

#include "single_instance.h"
#include "test_support.h"

using namespace tolvarin;

TEST(Program, SecondCopyEndsAtOnceAndFirstRuns) {
    QProcess first;
    first.start(TOLVARIN_GUI_EXE, {});
    ASSERT_TRUE(first.waitForStarted());
    QTest::qWait(1500);
    ASSERT_EQ(first.state(), QProcess::Running);
    QProcess second;
    QElapsedTimer t;
    t.start();
    second.start(TOLVARIN_GUI_EXE, {});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(first.state(), QProcess::Running) << "the running copy is untouched";

    // A copy that crashed leaves its lock behind; the next start takes over.
    first.kill();
    first.waitForFinished();
    QProcess third;
    third.start(TOLVARIN_GUI_EXE, {});
    ASSERT_TRUE(third.waitForStarted());
    EXPECT_FALSE(third.waitForFinished(1500)) << "a stale lock must not stop the start";
    third.kill();
    third.waitForFinished();
}

// A later start hands its file to the running copy, as a path the running copy can open
// (made absolute in the later start's folder), or nothing when it names no file; then it
// ends. The running copy here is this process, under a user name of its own.
TEST(Program, SecondStartHandsItsFileToTheRunningCopy) {
    const QByteArray user = qgetenv("USER");
    qputenv("USER", "tolvarin-handover-test");
    {
        SingleInstance running;
        ASSERT_TRUE(running.acquire());
        QSignalSpy started(&running, &SingleInstance::startedAgain);
        test::TempDir dir;
        const QString folder = QString::fromStdU16String(dir.path().u16string());
        std::ofstream(dir.path() / "letter.rtf") << "{\\rtf1 x}";
        const struct {
            QStringList arguments;
            QString handed;
        } cases[] = {
            {{"letter.rtf"}, folder + "/letter.rtf"},
            {{folder + "/letter.rtf"}, folder + "/letter.rtf"},
            {{"missing.rtf"}, ""},
            {{}, ""},
        };
        for (const auto& c : cases) {
            QProcess later;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("USER", "tolvarin-handover-test");
            later.setProcessEnvironment(env);
            later.setWorkingDirectory(folder);
            later.start(TOLVARIN_GUI_EXE, c.arguments);
            ASSERT_TRUE(started.wait(10000)) << c.arguments.join(' ').toStdString();
            EXPECT_EQ(started.takeFirst().at(0).toString(), c.handed) << c.arguments.join(' ').toStdString();
            ASSERT_TRUE(later.waitForFinished(5000));
            EXPECT_EQ(later.exitCode(), 0);
        }
    }
    qputenv("USER", user);
}
