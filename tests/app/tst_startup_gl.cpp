#include "app/glprobe.h"

#include "logtext.h"
#include "morvanerun.h"
#include "xwindowcloser.h"

#include <QFileInfo>
#include <QtTest>

namespace {

const int windowTimeout = 60000;

// Index of the first line at or after `from` that starts with `text`, or -1.
int findLine(const QStringList& lines, const QString& text, int from)
{
    for (int i = from; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(text))
            return i;
    }
    return -1;
}

} // namespace

class TestStartupGL : public QObject
{
    Q_OBJECT

private:
    // Starts the program, waits for its window titled `title` and closes it
    // like a user would; true once the program has ended.
    bool runUntilClosed(MorvaneRun& run, const QString& title)
    {
        XWindowCloser closer;
        if (!closer.isReady() || !run.start())
            return false;
        xcb_window_t window = 0;
        QElapsedTimer waited;
        waited.start();
        while (!window && waited.elapsed() < windowTimeout && run.process.state() == QProcess::Running) {
            QTest::qWait(100);
            window = closer.findWindow(run.pid, title);
        }
        if (!window)
            return false;
        closer.requestClose(window);
        return run.process.waitForFinished(windowTimeout);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs the X display of xvfb-run");
        QVERIFY2(XWindowCloser().isReady(), "cannot talk to the X display");
    }

    void startsInOrderShowsItsWindowAndClosesItsLog()
    {
        MorvaneRun run;
        QVERIFY(runUntilClosed(run, QStringLiteral("Morvane 2")));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
        QCOMPARE(run.output(), QByteArray("2.000\n"));

        const QStringList lines = fileLines(run.logPath());
        QVERIFY2(lines.size() >= 8, qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY(lines.at(0).startsWith(QStringLiteral("Starting Morvane 2 log: ")));
        QCOMPARE(lines.at(1), QStringLiteral("Info: Starting Quillon Morvane 2...2.000.00202"));
        const QString glLine = QStringLiteral("Info: GL Version String:: ");
        QVERIFY2(lines.at(2).startsWith(glLine), qPrintable(lines.at(2)));
        QVERIFY(GLProbe::versionNumber(lines.at(2).mid(glLine.size()).toLatin1()) >= 2.1);
        int at = 3;
        for (const char* step : {"Info: Scrubbing old logs", "Info: Cleaning temporary folders",
                                 "Info: About to create main window", "Info: Created main window"}) {
            at = findLine(lines, QLatin1String(step), at);
            QVERIFY2(at > 0, step);
        }
        QVERIFY2(lines.last().startsWith(QStringLiteral("Closing Morvane 2 log: ")), qPrintable(lines.last()));
        QCOMPARE(lines.filter(QStringLiteral("Closing Morvane 2 log: ")).size(), 1);
    }

    void tooOldOpenGLIsRefusedWithABox()
    {
        MorvaneRun run;
        run.environment.insert(QStringLiteral("MESA_GL_VERSION_OVERRIDE"), QStringLiteral("2.0"));
        QVERIFY(runUntilClosed(run, QStringLiteral("Missing OpenGL 2.1")));
        QCOMPARE(run.process.exitCode(), 255);
        QCOMPARE(run.output(), QByteArray());
        const QStringList lines = fileLines(run.logPath());
        QVERIFY2(lines.size() == 5, qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY(lines.at(2).startsWith(QStringLiteral("Info: GL Version String:: 2.0")));
        QCOMPARE(lines.at(3), QStringLiteral("Critical: Missing OpenGL 2.1 support, Can't continue"));
        QVERIFY(lines.at(4).startsWith(QStringLiteral("Closing Morvane 2 log: ")));
    }
};

QTEST_GUILESS_MAIN(TestStartupGL)
#include "tst_startup_gl.moc"
