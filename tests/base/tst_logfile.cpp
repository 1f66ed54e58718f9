#include "base/logfile.h"

#include "common/isolatedhome.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {

const QString startText = QStringLiteral("Starting Morvane 2 log: ");
const QString closeText = QStringLiteral("Closing Morvane 2 log: ");

bool isRecentTextDate(const QString& text)
{
    const QDateTime stamp = QDateTime::fromString(text, Qt::TextDate);
    return stamp.isValid() && qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 120;
}

} // namespace

class TestLogFile : public QObject
{
    Q_OBJECT

    IsolatedHome home;

private slots:
    void nameHoldsTheProcessIdAndLinesTheirPrefix()
    {
        const QFileInfo path(LogFile::filePath());
        QCOMPARE(path.absolutePath(), QDir::homePath() + QStringLiteral("/Morvane2"));
        QCOMPARE(path.fileName(), QStringLiteral("morvane2_%1.log").arg(QCoreApplication::applicationPid(), 0, 16));
        LogFile::info() << "Scrubbing old logs\n";
        LogFile::warning() << "Unknown file type" << "/x.txt\n";
        LogFile::critical() << QString::fromUtf8("Modell \xc3\xbc 5\xc2\xb0\n");
        LogFile::flush();
        const QStringList lines = fileLines(path.filePath());
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines.first().startsWith(startText), qPrintable(lines.first()));
        QVERIFY2(isRecentTextDate(lines.first().mid(startText.size())), qPrintable(lines.first()));
        QCOMPARE(lines.mid(1), (QStringList{"Info: Scrubbing old logs", "Warning: Unknown file type/x.txt",
                                            QString::fromUtf8("Critical: Modell \xc3\xbc 5\xc2\xb0")}));
    }

    void closingTwiceLeavesOneClosingLineLast()
    {
        LogFile::info() << "before close\n";
        LogFile::close();
        LogFile::close();
        LogFile::warning() << "after close\n";
        LogFile::flush();
        const QStringList lines = fileLines(LogFile::filePath());
        QCOMPARE(lines.filter(closeText).size(), 1);
        QVERIFY2(lines.last().startsWith(closeText), qPrintable(lines.last()));
        QVERIFY(isRecentTextDate(lines.last().mid(closeText.size())));
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("Info: before close"));
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
