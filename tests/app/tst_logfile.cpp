#include "app/logfile.h"
#include "app/veksettings.h"

#include "isolatedhome.h"
#include "logtext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
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

private:
    IsolatedHome home;

private slots:
    void nameHoldsTheProcessIdInLowerCaseHex()
    {
        const QString path = LogFile::filePath();
        QCOMPARE(QFileInfo(path).absolutePath(), VekSettings::homeDir());
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^morvane2_([0-9a-f]+)\\.log$")).match(QFileInfo(path).fileName());
        QVERIFY2(match.hasMatch(), qPrintable(path));
        QVERIFY(!match.captured(1).startsWith(QLatin1Char('0')));
        bool ok = false;
        QCOMPARE(match.captured(1).toLongLong(&ok, 16), QCoreApplication::applicationPid());
        QVERIFY(ok);
    }

    void firstLineIsTheStartLineWithTheDate()
    {
        LogFile::flush();
        const QStringList lines = fileLines(LogFile::filePath());
        QVERIFY(!lines.isEmpty());
        QVERIFY2(lines.first().startsWith(startText), qPrintable(lines.first()));
        QVERIFY2(isRecentTextDate(lines.first().mid(startText.size())), qPrintable(lines.first()));
    }

    void streamsPrefixMessagesAndAddNothingElse_data()
    {
        QTest::addColumn<int>("stream");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("line");
        QTest::newRow("info") << 0 << "Scrubbing old logs" << "Info: Scrubbing old logs";
        QTest::newRow("warning") << 1 << "Unknown file type/x.txt" << "Warning: Unknown file type/x.txt";
        QTest::newRow("critical") << 2 << "glGetVersion returned null pointer, Can't continue"
                                  << "Critical: glGetVersion returned null pointer, Can't continue";
        QTest::newRow("non-ASCII text") << 0 << QString::fromUtf8("Modell \xc3\xbc 5\xc2\xb0")
                                        << QString::fromUtf8("Info: Modell \xc3\xbc 5\xc2\xb0");
    }

    void streamsPrefixMessagesAndAddNothingElse()
    {
        QFETCH(int, stream);
        QFETCH(QString, message);
        QFETCH(QString, line);
        QTextStream& out = stream == 0 ? LogFile::info() : stream == 1 ? LogFile::warning() : LogFile::critical();
        out << message << "\n";
        LogFile::flush();
        QCOMPARE(fileLines(LogFile::filePath()).last(), line);
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
        QCOMPARE(lines.filter(QStringLiteral("after close")).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
