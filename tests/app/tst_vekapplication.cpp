#include "base/logfile.h"
#include "app/mainwindow.h"
#include "app/vekapplication.h"

#include "net/networkmanager.h"
#include "net/networkresponse.h"

#include "common/isolatedhome.h"
#include "net/loopbackhttpserver.h"

#include <QFileOpenEvent>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <new>

namespace {

// Stands for any part of the program that throws a fatal error from an
// event handler, as a shader that fails to compile does.
struct Thrower : QObject
{
    explicit Thrower(const char* text) : text(text) {}
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw text;
        return QObject::event(event);
    }
    const char* text;
};

// Stands for any event handler that runs out of memory; counts the events
// it is given after that.
struct Starved : QObject
{
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::bad_alloc();
        if (event->type() == QEvent::User + 1) {
            ++later;
            return true;
        }
        return QObject::event(event);
    }
    std::atomic<int> later{0};
};

struct RecordingResponse : NetworkResponse
{
    void netFinished(QUrl, QVariantMap reply) override { replies.append(reply); }
    void netProgress(QUrl, qint64, qint64) override {}
    void netError(QUrl, QString) override {}
    QList<QVariantMap> replies;
};

QMessageBox* modalBox()
{
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

} // namespace

class TestVekApplication : public QObject
{
    Q_OBJECT

private slots:
    void fileOpenEventLoadsIntoTheMainWindow()
    {
        auto* app = static_cast<VekApplication*>(QCoreApplication::instance());
        QFileOpenEvent open(QStringLiteral("/nowhere/notes.txt"));
        QVERIFY(!app->event(&open));
        MainWindow window;
        app->mainWindow = &window;
        QVERIFY(QCoreApplication::sendEvent(app, &open));
        app->mainWindow = nullptr;
        LogFile::flush();
        QCOMPARE(fileLines(LogFile::filePath()).last(), QStringLiteral("Warning: Unknown file type/nowhere/notes.txt"));
    }

    void outOfMemoryInAnEventEndsTheProgram()
    {
        auto* app = static_cast<VekApplication*>(QCoreApplication::instance());
        QWidget window;
        window.show();
        Starved starved;
        QString shown;
        QTimer::singleShot(50, [&] {
            if (QMessageBox* box = modalBox()) {
                shown = box->windowTitle() + QLatin1Char('/') + box->text();
                box->done(QMessageBox::Ok);
            }
        });
        QCoreApplication::postEvent(&starved, new QEvent(QEvent::User));
        QTRY_VERIFY(!shown.isEmpty());
        QCOMPARE(shown, QStringLiteral("Out of Memory/There was not enough memory to finish the last action. "
                                       "It was abandoned; save your work."));
        QVERIFY(window.isVisible());
        QVERIFY(!app->fatalErrorCaught());
        QCoreApplication::postEvent(&starved, new QEvent(QEvent::Type(QEvent::User + 1)));
        QTRY_COMPARE(starved.later.load(), 1);
        QVERIFY(fileLines(LogFile::filePath()).contains(QStringLiteral("Critical: Out of memory: the last action was abandoned")));
    }

    // The network manager's HTTP thread is such a thread: a failure there
    // may leave its reply waiting for ever, so the call must end as failed.
    void outOfMemoryOnAnotherThreadShowsOneBoxFromTheWindowsThread()
    {
        QWidget window;
        window.show();
        LoopbackHttpServer server;
        HttpRoute hang;
        hang.mode = HttpRoute::Hang;
        server.setRoute("/hang", hang);
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        RecordingResponse response;
        NetworkManager::instance()->get(server.url("/hang"), QVariantMap(), 300, &response);
        QTRY_COMPARE(server.requests.size(), 1);

        QThread worker;
        Starved starved;
        starved.moveToThread(&worker);
        int boxes = 0;
        bool fromWindowsThread = false;
        QString shown;
        QTimer sweeper;
        connect(&sweeper, &QTimer::timeout, [&] {
            if (QMessageBox* box = modalBox()) {
                ++boxes;
                fromWindowsThread = box->thread() == window.thread();
                shown = box->windowTitle() + QLatin1Char('/') + box->text();
                box->done(QMessageBox::Ok);
            }
        });
        sweeper.start(50);
        QCoreApplication::postEvent(&starved, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&starved, new QEvent(QEvent::User));
        worker.start();
        QTRY_COMPARE(boxes, 1);
        QVERIFY(fromWindowsThread);
        QCOMPARE(shown, QStringLiteral("Out of Memory/There was not enough memory to finish the last action. "
                                       "It was abandoned; save your work."));
        QTRY_COMPARE(response.replies.size(), 1);
        QCOMPARE(response.replies.first(), QVariantMap());
        QCOMPARE(NetworkManager::instance()->callsInFlight(), 0);

        QCoreApplication::postEvent(&starved, new QEvent(QEvent::Type(QEvent::User + 1)));
        QTRY_COMPARE(starved.later.load(), 1);
        QTest::qWait(200);
        QCOMPARE(boxes, 1);
        worker.quit();
        QVERIFY(worker.wait(5000));
        QVERIFY(window.isVisible());
        QCOMPARE(fileLines(LogFile::filePath()).count(QStringLiteral("Critical: Out of memory: the last action was abandoned")), 3);
    }

    // Must run last: a fatal error closes the log for the rest of the run.
    void secondThrowWhileTheBoxIsUpOnlyLogs()
    {
        auto* app = static_cast<VekApplication*>(QCoreApplication::instance());
        QWidget window;
        window.show();
        Thrower first("shader failed");
        Thrower second("second failure");
        QString shown;
        bool secondResult = true;
        QTimer::singleShot(50, [&] {
            QMessageBox* box = modalBox();
            QVERIFY(box);
            shown = box->windowTitle() + QLatin1Char('/') + box->text();
            QEvent again(QEvent::User);
            secondResult = QCoreApplication::sendEvent(&second, &again);
            box->done(QMessageBox::Ok);
        });
        // A second box would block the test: close it, and count it.
        int swept = 0;
        QTimer sweeper;
        connect(&sweeper, &QTimer::timeout, [&] {
            if (QMessageBox* box = modalBox()) {
                ++swept;
                box->done(QMessageBox::Ok);
            }
        });
        sweeper.start(2000);

        QVERIFY(!app->fatalErrorCaught());
        QEvent boom(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&first, &boom));
        QCOMPARE(shown, QStringLiteral("Fatal Error/shader failed"));
        QVERIFY(!secondResult);
        QCOMPARE(swept, 0);
        QVERIFY(app->fatalErrorCaught());
        QVERIFY(!window.isVisible());
        const QStringList lines = fileLines(LogFile::filePath());
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.mid(lines.size() - 3, 2), (QStringList{"Critical: shader failed", "Critical: second failure"}));
        QVERIFY(lines.last().startsWith(QStringLiteral("Closing Morvane 2 log: ")));
    }
};

int main(int argc, char** argv)
{
    IsolatedHome home;
    VekApplication app(argc, argv);
    TestVekApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vekapplication.moc"
