#include "app/logfile.h"
#include "app/veksettings.h"

#include "isolatedhome.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

int reported = 0;
QString reportedTitle;
QString reportedText;

void countFailure(const QString& title, const QString& text)
{
    ++reported;
    reportedTitle = title;
    reportedText = text;
    // Anything logged while the failure is on screen must not report again.
    LogFile::warning() << "logged while reporting\n";
}

} // namespace

// The home folder cannot be made: a plain file already has its name. This
// holds for root too, which ignores permissions.
class TestLogFileUnwritable : public QObject
{
    Q_OBJECT

private:
    IsolatedHome home;

private slots:
    void initTestCase()
    {
        QFile blocker(home.path() + QStringLiteral("/Morvane2"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        LogFile::setOpenFailedHandler(countFailure);
    }

    void failureIsReportedOnceAndTheProgramGoesOn()
    {
        LogFile::info() << "Starting Quillon Morvane 2...\n";
        LogFile::flush();
        for (int i = 0; i < 20000; ++i)
            LogFile::critical() << "lost message " << i << "\n";
        LogFile::flush();
        LogFile::close();
        LogFile::close();
        QCOMPARE(reported, 1);
        QCOMPARE(reportedTitle, QStringLiteral("Error opening Log"));
        QCOMPARE(reportedText, QStringLiteral("Could not open log file for writing"));
        QVERIFY(QFileInfo(home.path() + QStringLiteral("/Morvane2")).isFile());
        QVERIFY(!QFile::exists(LogFile::filePath()));
    }
};

QTEST_GUILESS_MAIN(TestLogFileUnwritable)
#include "tst_logfile_unwritable.moc"
