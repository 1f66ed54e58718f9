#include "app/myprogresshelper.h"
#include "app/updateflow.h"
#include "base/veksettings.h"
#include "net/downloadmanager.h"
#include "ui/statusbutton.h"

#include "common/isolatedhome.h"
#include "net/loopbackhttpserver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

namespace {

const QByteArray queryTarget = "/checkmorvane.php?os=win&name=morvane&version=2.000&type=release";
const QByteArray downloadTarget = "/checkmorvane.php?os=win&name=morvane&version=2.001.00300";
const QByteArray installerMime = "application/vnd.microsoft.portable-executable";

QByteArray versionsReply(const QByteArray& list)
{
    return "{\"status\":\"OK\",\"version\":[" + list + "]}";
}

// Answers every modal box that comes up by pressing the button with the
// given text, and keeps what each box said.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(const QString& answer)
        : answer(answer)
    {
        connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start(30);
    }

    QStringList seen;

private:
    void poll()
    {
        QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen.append(box->windowTitle() + " | " + box->text());
        const QList<QAbstractButton*> buttons = box->buttons();
        for (QAbstractButton* button : buttons) {
            if (button->text() == answer || (answer.isEmpty() && buttons.size() == 1)) {
                button->click();
                return;
            }
        }
        box->reject();
    }

    QString answer;
    QTimer timer;
};

// A newer version offered ten bytes every 100 ms, so the check is still
// waiting for its reply a while after it starts.
HttpRoute slowVersionsReply()
{
    HttpRoute slow = HttpRoute::json(versionsReply("\"2.001.00300\""));
    slow.mode = HttpRoute::Chunked;
    slow.chunkSize = 10;
    slow.chunkDelayMs = 100;
    return slow;
}

} // namespace

class TestUpdateFlow : public QObject
{
    Q_OBJECT

    IsolatedHome home;
    LoopbackHttpServer server;
    QMainWindow* window = nullptr;
    StatusButton* button = nullptr;
    UpdateFlow* flow = nullptr;

    QString installerDir() const { return DownloadManager::filePath(DownloadManager::Installer, QString()); }

    int installEntries() const
    {
        int n = 0;
        for (QAction* action : button->findChild<QMenu*>()->actions())
            n += action->text() == QLatin1String("Install Update");
        return n;
    }

    QByteArray markerScript(const QString& marker) const
    {
        return "#!/bin/sh\necho ran > '" + marker.toUtf8() + "'\n";
    }

    void writeInstaller(const QString& name, const QByteArray& body)
    {
        QFile file(installerDir() + '/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(body);
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.isListening());
    }

    void init()
    {
        VekSettings().setUpdateBaseUrl(server.baseUrl());
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QDir(VekSettings::downloadDir()).removeRecursively();
        QDir().mkpath(installerDir());
        server.requests.clear();
        server.clearRoutes();
        window = new QMainWindow;
        window->setStatusBar(new QStatusBar);
        button = new StatusButton(window);
        flow = new UpdateFlow(window, button);
        window->resize(600, 400);
        window->show();
    }

    void cleanup()
    {
        delete window;
    }

    void skipKeepsOneInstallEntryAcrossOffers()
    {
        server.setRoute(queryTarget, HttpRoute::json(versionsReply("\"2.001.00300\"")));
        BoxAnswerer skip("Skip");
        flow->checkForUpdates();
        flow->checkForUpdates();
        const QString offer = QStringLiteral("Update Available | A Morvane 2 update is available.");
        QCOMPARE(skip.seen, (QStringList{offer, offer}));
        QCOMPARE(installEntries(), 1);
        QCOMPARE(server.countRequests("/checkmorvane.php"), 2);
        QVERIFY(window->findChildren<QProgressDialog*>().isEmpty());
    }

    void installEntryDownloadsUnderProgressAndStartsInstaller()
    {
        const QString marker = home.dir.filePath("installed");
        server.setRoute(queryTarget, HttpRoute::json(versionsReply("\"2.001.00300\"")));
        QByteArray body = markerScript(marker);
        body += '#' + QByteArray(12000, 'x') + '\n';
        HttpRoute route = HttpRoute::file(installerMime, "a; filename=\"morvane_2_001_00300.exe\"", body);
        route.mode = HttpRoute::Chunked;
        route.chunkSize = 3000;
        route.chunkDelayMs = 150;
        server.setRoute(downloadTarget, route);
        {
            BoxAnswerer skip("Skip");
            flow->checkForUpdates();
        }
        QVERIFY(flow->installAction());
        flow->installAction()->trigger();
        QProgressDialog* dialog = window->findChild<QProgressDialog*>();
        QVERIFY(dialog);
        QPointer<QProgressDialog> watch(dialog);
        QCOMPARE(dialog->labelText(), QStringLiteral("Downloading Morvane"));
        QVERIFY(dialog->findChildren<QPushButton*>().isEmpty());
        // A second request while the download runs starts nothing new.
        flow->installAction()->trigger();
        QTRY_VERIFY(QFile::exists(marker));
        QTRY_VERIFY(!watch);
        QCOMPARE(server.countRequests("/checkmorvane.php"), 2);
    }

    void upgradeNowStartsTheNewestDownloadedInstaller()
    {
        const QString marker = home.dir.filePath("newest");
        const QString older = home.dir.filePath("older");
        writeInstaller("morvane_2_001_00300.exe", markerScript(marker));
        writeInstaller("morvane_2_000_00100.exe", markerScript(older));
        server.setRoute(queryTarget, HttpRoute::json(versionsReply("\"2.000.00100\",\"2.001.00300\",\"2.001.00299\"")));
        BoxAnswerer upgrade("Upgrade Now");
        flow->checkForUpdates();
        QCOMPARE(upgrade.seen.size(), 1);
        QTRY_VERIFY(QFile::exists(marker));
        QVERIFY(!QFile::exists(older));
        QCOMPARE(server.countRequests("/checkmorvane.php"), 1);
        QVERIFY(window->findChildren<QProgressDialog*>().isEmpty());
    }

    void failedDownloadClosesDialogAndSaysSo()
    {
        server.setRoute(queryTarget, HttpRoute::json(versionsReply("\"2.001.00300\"")));
        BoxAnswerer answer("Upgrade Now");
        flow->checkForUpdates();
        QTRY_COMPARE(answer.seen.size(), 2);
        QCOMPARE(answer.seen[1].section(" | ", 0, 0), QStringLiteral("Install Failed"));
        QTRY_VERIFY(window->findChildren<QProgressDialog*>().isEmpty());
        QCOMPARE(QDir(installerDir()).entryList(QDir::Files), QStringList());
    }

    void failedCheckWarns()
    {
        BoxAnswerer ok{QString()};
        flow->checkForUpdates();
        QCOMPARE(ok.seen, QStringList{"Failed | Check for update failed"});
        QVERIFY(!flow->installAction());
    }

    void plainHttpServerIsRefusedAndNothingRuns()
    {
        // The loopback server stands in as a proxy that would offer an
        // update for the plain server and serve a script as its installer;
        // no name is looked up.
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", server.port()));
        VekSettings().setUpdateBaseUrl("http://example.invalid");
        const QString marker = home.dir.filePath("plain");
        server.setRoute("http://example.invalid" + queryTarget, HttpRoute::json(versionsReply("\"2.001.00300\"")));
        server.setRoute("http://example.invalid" + downloadTarget,
                        HttpRoute::file(installerMime, "a; filename=\"morvane_2_001_00300.exe\"", markerScript(marker)));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Update server refused, not https: http://example.invalid$"));
        BoxAnswerer answer("Upgrade Now");
        flow->checkForUpdates();
        QTest::qWait(500);
        QCOMPARE(answer.seen, QStringList{"Failed | Check for update failed"});
        QCOMPARE(server.requests.size(), 0);
        QVERIFY(!QFile::exists(marker));
        QCOMPARE(QDir(installerDir()).entryList(QDir::Files), QStringList());
    }

    void secondCheckWhileOneRunsIsIgnored()
    {
        server.setRoute(queryTarget, slowVersionsReply());
        BoxAnswerer skip("Skip");
        QTimer::singleShot(150, flow, &UpdateFlow::checkForUpdates);
        flow->checkForUpdates();
        QTest::qWait(300);
        QCOMPARE(server.countRequests("/checkmorvane.php"), 1);
        QCOMPARE(skip.seen.size(), 1);
    }

    // Keys and clicks sent through the window system while the check waits
    // for its reply would reach the window from the check's nested loop.
    void inputDuringTheCheckReachesOnlyItsBoxes()
    {
        server.setRoute(queryTarget, slowVersionsReply());
        int opened = 0;
        QAction* open = new QAction(window);
        open->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
        open->setShortcutContext(Qt::ApplicationShortcut);
        window->addAction(open);
        connect(open, &QAction::triggered, [&opened] { ++opened; });
        int clicked = 0;
        QPushButton* press = new QPushButton(QStringLiteral("Press"), window);
        press->setGeometry(20, 20, 120, 40);
        press->show();
        connect(press, &QPushButton::clicked, [&clicked] { ++clicked; });
        const auto input = [&] {
            QApplication::setActiveWindow(window);
            QTest::keyClick(window->windowHandle(), Qt::Key_O, Qt::ControlModifier);
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, press->geometry().center());
        };

        BoxAnswerer skip("Skip");
        bool sent = false;
        QTimer::singleShot(100, [&] {
            sent = true;
            input();
        });
        flow->checkForUpdates();
        QVERIFY(sent);
        QCOMPARE(skip.seen.size(), 1);
        QCOMPARE(opened, 0);
        QCOMPARE(clicked, 0);
        QVERIFY(!QApplication::overrideCursor());
        input();
        QCOMPARE(opened, 1);
        QCOMPARE(clicked, 1);
    }

    void progressDialogFollowsTheDownload()
    {
        MyProgressHelper* helper = new MyProgressHelper("Downloading Morvane", window, QString());
        QPointer<MyProgressHelper> alive(helper);
        QPointer<QProgressDialog> dialog(helper->dialog());
        QSignalSpy finish(helper, &MyProgressHelper::finish);
        helper->progress(5000, -1);
        QCOMPARE(dialog->minimum(), 0);
        QCOMPARE(dialog->maximum(), 0);
        helper->progress(5000, 20000);
        QCOMPARE(dialog->maximum(), 20000);
        QCOMPARE(dialog->value(), 5000);
        helper->finished(DownloadManager::Installer, "2.001.00300", QString());
        QCOMPARE(finish.size(), 1);
        QCOMPARE(finish[0][0].toString(), QString());
        QVERIFY(!dialog->isVisible());
        QTRY_VERIFY(!alive && !dialog);
    }
};

QTEST_MAIN(TestUpdateFlow)
#include "tst_updateflow_gl.moc"
