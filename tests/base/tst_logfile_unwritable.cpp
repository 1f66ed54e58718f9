#include "base/logfile.h"

#include "common/isolatedhome.h"

#include <QFileInfo>
#include <QtTest>

namespace {

QStringList reports;

void recordFailure(const QString& title, const QString& text)
{
    reports << title + QLatin1Char('/') + text;
    // Anything logged while the failure is on screen must not report again.
    LogFile::warning() << "logged while reporting\n";
}

} // namespace

class TestLogFileUnwritable : public QObject
{
    Q_OBJECT

    IsolatedHome home;

private slots:
    void failureIsReportedOnceAndTheProgramGoesOn()
    {
        // A plain file already has the home folder's name: it cannot be made,
        // for root too, which ignores permissions.
        QFile blocker(home.dir.filePath(QStringLiteral("Morvane2")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        LogFile::setOpenFailedHandler(recordFailure);
        for (int i = 0; i < 20000; ++i)
            LogFile::critical() << "lost message " << i << "\n";
        LogFile::flush();
        LogFile::close();
        LogFile::close();
        QCOMPARE(reports, QStringList{"Error opening Log/Could not open log file for writing"});
        QVERIFY(QFileInfo(blocker).isFile());
        QVERIFY(!QFile::exists(LogFile::filePath()));
    }
};

QTEST_GUILESS_MAIN(TestLogFileUnwritable)
#include "tst_logfile_unwritable.moc"
