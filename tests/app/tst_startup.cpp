#include "logtext.h"
#include "morvanerun.h"

#include <QFileInfo>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void programWasBuilt()
    {
        QVERIFY2(QFileInfo(MorvaneRun::program()).isExecutable(), qPrintable(MorvaneRun::program()));
    }

    void withoutOpenGLItLogsAndEndsWith255()
    {
        MorvaneRun run;
        run.environment.remove(QStringLiteral("DISPLAY"));
        run.environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        run.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QVERIFY(run.start());
        QVERIFY(run.process.waitForFinished(60000));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 255);
        QCOMPARE(run.output(), QByteArray());

        const QStringList lines = fileLines(run.logPath());
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("Starting Morvane 2 log: ")));
        QCOMPARE(lines.at(1), QStringLiteral("Info: Starting Quillon Morvane 2...2.000.00202"));
        QCOMPARE(lines.at(2), QStringLiteral("Critical: glGetVersion returned null pointer, Can't continue"));
        QVERIFY(lines.at(3).startsWith(QStringLiteral("Closing Morvane 2 log: ")));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
