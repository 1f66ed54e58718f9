#include "app/qdebugfile.h"
#include "base/veksettings.h"

#include "common/isolatedhome.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>

#include <unistd.h>

namespace {

QDebugFile* forwardTarget = nullptr;

int openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

void forwardToTarget(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    forwardTarget->write(type, context, message);
}

} // namespace

class TestQDebugFile : public QObject
{
    Q_OBJECT

    IsolatedHome home;

private slots:
    void linesFollowTheMessageType()
    {
        const QMessageLogContext context("relief.cpp", 12, "Relief::append", "default");
        const QString text = QStringLiteral("text");
        const QString source = QStringLiteral("text File: relief.cpp function: Relief::append\n");
        QCOMPARE(QDebugFile::formatLine(QtDebugMsg, context, text), QStringLiteral("DEBUG:text\n"));
        QCOMPARE(QDebugFile::formatLine(QtWarningMsg, context, text), QStringLiteral("WARN:") + source);
        QCOMPARE(QDebugFile::formatLine(QtCriticalMsg, context, text), QStringLiteral("CRIT:") + source);
        QCOMPARE(QDebugFile::formatLine(QtFatalMsg, context, text), QStringLiteral("FATAL:") + source);
        QCOMPARE(QDebugFile::formatLine(QtInfoMsg, context, text), QStringLiteral("INFO:") + source);
        QCOMPARE(QDebugFile::formatLine(QtMsgType(9), context, text), QString());
        QCOMPARE(QDebugFile::formatLine(QtWarningMsg, QMessageLogContext(), text),
                 QStringLiteral("WARN:text File:  function: \n"));
    }

    void unopenableFileRaisesNoMessagesOfItsOwn()
    {
        // Writing to a file that failed to open raises a Qt warning from
        // inside the handler, which Qt can only pass to standard error.
        const QString path = home.dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(path));
        QDebugFile file(path);
        forwardTarget = &file;

        QTemporaryFile captured;
        QVERIFY(captured.open());
        std::fflush(stderr);
        const int savedStderr = dup(STDERR_FILENO);
        dup2(captured.handle(), STDERR_FILENO);
        const QtMessageHandler previous = qInstallMessageHandler(forwardToTarget);
        qWarning("first");
        qDebug("second");
        qInstallMessageHandler(previous);
        std::fflush(stderr);
        dup2(savedStderr, STDERR_FILENO);
        ::close(savedStderr);

        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(captured.seek(0));
        QCOMPARE(captured.readAll(), QByteArray());
    }

    void destroyedWriterClosesAndFreesItsFile()
    {
        const QString path = home.dir.filePath(QStringLiteral("closed.txt"));
        const int before = openDescriptorCount();
        {
            QDebugFile file(path);
            forwardTarget = &file;
            const QtMessageHandler previous = qInstallMessageHandler(forwardToTarget);
            qWarning("kept");
            qInstallMessageHandler(previous);
            QCOMPARE(openDescriptorCount(), before + 1);
        }
        forwardTarget = nullptr;
        QCOMPARE(openDescriptorCount(), before);
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).startsWith(QStringLiteral("WARN:kept File: ")), qPrintable(lines.at(0)));
    }

    void handlerReplacesQdebugTxtInTheHomeFolder()
    {
        const QString path = VekSettings::homeDir() + QStringLiteral("/qdebug.txt");
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("DEBUG:stale\n") > 0);
        stale.close();
        const QtMessageHandler previous = qInstallMessageHandler(qdebugMessageHandler);
        qDebug("hello %d", 5);
        qWarning("careful");
        qInstallMessageHandler(previous);
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), QStringLiteral("DEBUG:hello 5"));
        QVERIFY2(lines.at(1).startsWith(QStringLiteral("WARN:careful File: ")), qPrintable(lines.at(1)));
        QVERIFY2(lines.at(1).contains(QStringLiteral("tst_qdebugfile.cpp function: ")), qPrintable(lines.at(1)));
        QVERIFY2(lines.at(1).endsWith(QStringLiteral("handlerReplacesQdebugTxtInTheHomeFolder()")),
                 qPrintable(lines.at(1)));
    }
};

QTEST_GUILESS_MAIN(TestQDebugFile)
#include "tst_qdebugfile.moc"
