#include "app/qdebugfile.h"
#include "app/veksettings.h"

#include "isolatedhome.h"
#include "logtext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>

#include <unistd.h>

namespace {

QDebugFile* forwardTarget = nullptr;

void forwardToTarget(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    forwardTarget->write(type, context, message);
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class TestQDebugFile : public QObject
{
    Q_OBJECT

private:
    IsolatedHome home;
    QTemporaryDir files;

private slots:
    void linesFollowTheMessageType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("line");
        QTest::newRow("debug names no source") << int(QtDebugMsg) << "relief.cpp" << "Relief::append"
                                               << "DEBUG:text\n";
        QTest::newRow("warning") << int(QtWarningMsg) << "relief.cpp" << "Relief::append"
                                 << "WARN:text File: relief.cpp function: Relief::append\n";
        QTest::newRow("warning without source") << int(QtWarningMsg) << QString() << QString()
                                                << "WARN:text File:  function: \n";
        QTest::newRow("critical") << int(QtCriticalMsg) << "a.cpp" << "f" << "CRIT:text File: a.cpp function: f\n";
        QTest::newRow("fatal") << int(QtFatalMsg) << "a.cpp" << "f" << "FATAL:text File: a.cpp function: f\n";
        QTest::newRow("info") << int(QtInfoMsg) << "a.cpp" << QString() << "INFO:text File: a.cpp function: \n";
        QTest::newRow("unknown type writes nothing") << 9 << "a.cpp" << "f" << QString();
    }

    void linesFollowTheMessageType()
    {
        QFETCH(int, type);
        QFETCH(QString, file);
        QFETCH(QString, function);
        QFETCH(QString, line);
        const QByteArray fileName = file.toUtf8();
        const QByteArray functionName = function.toUtf8();
        const QMessageLogContext context(file.isNull() ? nullptr : fileName.constData(), 12,
                                         function.isNull() ? nullptr : functionName.constData(), "default");
        QCOMPARE(QDebugFile::formatLine(QtMsgType(type), context, QStringLiteral("text")), line);
    }

    void firstMessageEmptiesTheFileAndLaterOnesAppend()
    {
        const QString path = files.filePath(QStringLiteral("first.txt"));
        writeFile(path, "DEBUG:from the previous run\n");
        QDebugFile file(path);
        QCOMPARE(fileLines(path), QStringList{"DEBUG:from the previous run"});

        const QMessageLogContext context("view.cpp", 3, "paint", "default");
        file.write(QtDebugMsg, context, QStringLiteral("one"));
        file.write(QtMsgType(9), context, QStringLiteral("ignored"));
        file.write(QtWarningMsg, context, QStringLiteral("two"));
        QCOMPARE(fileLines(path), (QStringList{"DEBUG:one", "WARN:two File: view.cpp function: paint"}));
    }

    void unopenableFileRaisesNoMessagesOfItsOwn()
    {
        // Writing to a file that failed to open raises a Qt warning from
        // inside the handler, which Qt can only pass to standard error.
        const QString path = files.filePath(QStringLiteral("folder"));
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
        captured.seek(0);
        QCOMPARE(QString::fromLocal8Bit(captured.readAll()), QString());
    }

    void handlerWritesQdebugTxtInTheHomeFolder()
    {
        const QString path = VekSettings::homeDir() + QStringLiteral("/qdebug.txt");
        writeFile(path, "DEBUG:stale\n");
        const QtMessageHandler previous = qInstallMessageHandler(qdebugMessageHandler);
        qDebug("hello %d", 5);
        qWarning("careful");
        qInstallMessageHandler(previous);
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), QStringLiteral("DEBUG:hello 5"));
        QVERIFY2(lines.at(1).startsWith(QStringLiteral("WARN:careful File: ")), qPrintable(lines.at(1)));
        QVERIFY2(lines.at(1).contains(QStringLiteral("tst_qdebugfile.cpp function: ")), qPrintable(lines.at(1)));
        QVERIFY2(lines.at(1).endsWith(QStringLiteral("handlerWritesQdebugTxtInTheHomeFolder()")),
                 qPrintable(lines.at(1)));
    }
};

QTEST_GUILESS_MAIN(TestQDebugFile)
#include "tst_qdebugfile.moc"
