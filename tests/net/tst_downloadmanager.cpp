#include "base/veksettings.h"
#include "net/downloadmanager.h"
#include "net/downloadprogress.h"
#include "net/replydecoder.h"
#include "net/updateprompts.h"

#include "common/isolatedhome.h"
#include "loopbackhttpserver.h"

#include <QDir>
#include <QFile>
#include <QNetworkProxy>
#include <QtTest>

#include "common/sanitizer.h"

namespace {

const QByteArray script = "/checkmorvane.php";
const QByteArray installerMime = "application/vnd.microsoft.portable-executable";

struct RecordingPrompts : UpdatePrompts
{
    void offerUpdate(bool available) override { offers.append(available); }
    void checkFailed() override { ++failedChecks; }
    void launchFailed(const QString& path, const QString& reason) override { launchFailures.append({path, reason}); }
    void showText(const QString&, const QString&) override {}

    QList<bool> offers;
    int failedChecks = 0;
    QList<QPair<QString, QString>> launchFailures;
};

struct RecordingProgress : DownloadProgress
{
    void progress(int received, int total) override { steps.append({received, total}); }
    void finished(DownloadManager::DLTypeEnum, QString version, QString fileName) override
    {
        versions.append(version);
        names.append(fileName);
    }
    QList<QPair<int, int>> steps;
    QStringList versions;
    QStringList names;
};

QByteArray versionsReply(const QStringList& versions, const char* status = "OK")
{
    QByteArray list;
    for (const QString& v : versions)
        list += (list.isEmpty() ? "\"" : ",\"") + v.toLatin1() + '"';
    return "{\"status\":\"" + QByteArray(status) + "\",\"version\":[" + list + "]}";
}

QByteArray queryTarget(const QByteArray& channelItem = "&type=release")
{
    return script + "?os=win&name=morvane&version=2.000" + channelItem;
}

QByteArray downloadTarget(const QByteArray& version, const QByteArray& name = "morvane")
{
    return script + "?os=win&name=" + name + "&version=" + version;
}

// A line of /proc/self/status such as VmRSS or VmHWM, in bytes.
qint64 memoryStatus(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// Starts the peak resident size (VmHWM) afresh from the current size.
bool resetMemoryPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

void touch(const QString& path, const QByteArray& data = QByteArray())
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

class TestDownloadManager : public QObject
{
    Q_OBJECT

    IsolatedHome home;
    LoopbackHttpServer server;
    RecordingPrompts recorded;
    RecordingPrompts* prompts = &recorded;
    DownloadManager* manager = nullptr;

    QString installerDir() const { return DownloadManager::filePath(DownloadManager::Installer, QString()); }

private slots:
    void initTestCase()
    {
        QVERIFY(server.isListening());
        manager = DownloadManager::instance();
    }

    void init()
    {
        VekSettings().setUpdateBaseUrl(server.baseUrl());
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QDir(VekSettings::downloadDir()).removeRecursively();
        QDir().mkpath(installerDir());
        QDir().mkpath(DownloadManager::filePath(DownloadManager::Readme, QString()));
        manager->scanLocal(DownloadManager::Installer);
        manager->scanLocal(DownloadManager::Readme);
        server.requests.clear();
        server.clearRoutes();
        recorded = RecordingPrompts();
        manager->setPrompts(prompts);
    }

    void versionsParsedByPattern_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("dotted with build") << "2.001.00300" << QStringList{"2", "001", "00300"};
        QTest::newRow("underscores with channel") << "2_001_00300,beta" << QStringList{"2", "001", "00300", "beta"};
        QTest::newRow("channel without build") << "2.001,beta" << QStringList{"2", "001", "beta"};
        QTest::newRow("two-digit major keeps its last digit") << "10.000" << QStringList{"0", "000"};
        QTest::newRow("inside a file name") << "morvane_2_001_00300.exe" << QStringList{"2", "001", "00300"};
        QTest::newRow("short minor") << "v2.01" << QStringList();
    }

    void versionsParsedByPattern()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, parts);
        QCOMPARE(DownloadManager::parseVersion(text), parts);
    }

    void versionsCompared_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("minor beats build") << "2.001" << "2.000.00202" << 1;
        QTest::newRow("missing build counts 0") << "2.000" << "2.000.00000" << 0;
        QTest::newRow("channel counts 0 as build") << "2.001,beta" << "2.001" << 0;
        QTest::newRow("older build") << "2.000.00202" << "2.000.00300" << -1;
        QTest::newRow("both empty") << "" << "" << 0;
        QTest::newRow("empty first") << "" << "2.000" << -1;
        QTest::newRow("empty second") << "2.000" << "" << 1;
    }

    void versionsCompared()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(DownloadManager::compareVersions(DownloadManager::parseVersion(a), DownloadManager::parseVersion(b)),
                 order);
    }

    void versionStringFormatting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("formatted");
        QTest::newRow("zero build dropped") << "2.001.00000" << "_" << "2_001";
        QTest::newRow("build kept") << "2.001.00300" << "." << "2.001.00300";
        QTest::newRow("channel ignored") << "2_001,beta" << "." << "2.001";
    }

    void versionStringFormatting()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QString, formatted);
        QCOMPARE(DownloadManager::versionString(DownloadManager::parseVersion(text), separator.at(0)), formatted);
    }

    void queryCarriesChannelFromFile_data()
    {
        QTest::addColumn<QString>("channelFile");
        QTest::addColumn<QByteArray>("channelItem");
        QTest::newRow("no file means release") << QString() << QByteArray("&type=release");
        QTest::newRow("first word of the file") << "beta nightly\n" << QByteArray("&type=beta");
        QTest::newRow("empty file, no channel") << "" << QByteArray();
        QTest::newRow("unreadable file, no channel") << "<folder>" << QByteArray();
    }

    void queryCarriesChannelFromFile()
    {
        QFETCH(QString, channelFile);
        QFETCH(QByteArray, channelItem);
        const QString path = VekSettings::downloadDir() + "/update.txt";
        if (channelFile == "<folder>")
            QVERIFY(QDir().mkpath(path));
        else if (!channelFile.isNull())
            touch(path, channelFile.toUtf8());
        server.setRoute(queryTarget(channelItem), HttpRoute::json(versionsReply({"2.001.00300"})));
        QStringList result;
        QVERIFY(manager->queryVersions(DownloadManager::Installer, 2, result));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests[0].target, queryTarget(channelItem));
    }

    void queryResultIsFirstVersionNotDownloaded()
    {
        // Put there behind the manager's back: the query looks again.
        touch(installerDir() + "/morvane_2_001_00300.exe");
        server.setRoute(queryTarget(), HttpRoute::json(versionsReply({"2.001.00300", "junk", "2.001.00299", "2.001.00299"})));
        QStringList result;
        QVERIFY(manager->queryVersions(DownloadManager::Installer, 2, result));
        QCOMPARE(result, (QStringList{"2", "001", "00299"}));
        QCOMPARE(manager->serverVersions(DownloadManager::Installer), (QStringList{"2.001.00300", "2.001.00299"}));
    }

    void checkOffersOnlyANewerVersionNotYetDownloaded_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("local");
        QTest::addColumn<bool>("offered");
        QTest::newRow("newer, not downloaded") << QStringList{"2.001.00300"} << QStringList() << true;
        QTest::newRow("everything downloaded")
            << QStringList{"2.001.00300"} << QStringList{"morvane_2_001_00300.exe"} << false;
        QTest::newRow("running build is newest") << QStringList{"2.000.00202", "2.000.00100"} << QStringList() << false;
    }

    void checkOffersOnlyANewerVersionNotYetDownloaded()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, local);
        QFETCH(bool, offered);
        for (const QString& name : local)
            touch(installerDir() + '/' + name);
        manager->scanLocal(DownloadManager::Installer);
        server.setRoute(queryTarget(), HttpRoute::json(versionsReply(listed)));
        manager->checkForUpdate();
        QCOMPARE(prompts->offers, offered ? QList<bool>{true} : QList<bool>());
        QCOMPARE(prompts->failedChecks, 0);
    }

    void failedQueryWarnsButRefusedStatusIsSilent()
    {
        QStringList result;
        QVERIFY(!manager->queryVersions(DownloadManager::Installer, 2, result));
        QCOMPARE(prompts->failedChecks, 1);
        server.setRoute(queryTarget(), HttpRoute::json(versionsReply({"2.001.00300"}, "BUSY")));
        QVERIFY(!manager->queryVersions(DownloadManager::Installer, 2, result));
        QCOMPARE(prompts->failedChecks, 1);
        QVERIFY(prompts->offers.isEmpty());
    }

    void newestUpdateIgnoresOlderDownloads()
    {
        touch(installerDir() + "/morvane_2_000_00100.exe");
        manager->scanLocal(DownloadManager::Installer);
        server.setRoute(queryTarget(), HttpRoute::json(versionsReply({"2.000.00100", "2.001.00299", "2.001.00300"})));
        QStringList result;
        QVERIFY(manager->queryVersions(DownloadManager::Installer, 2, result));
        QCOMPARE(manager->newestUpdate(), QStringLiteral("2.001.00300"));
    }

    void downloadStoresOnlyAPlainNameInItsFolder_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<QString>("stored");
        QTest::newRow("server's name kept") << "2.001.00300" << QByteArray("morvane_2_001_00300.exe")
                                            << "morvane_2_001_00300.exe";
        QTest::newRow("underscore version asks for the same file")
            << "2_001_00300" << QByteArray("morvane_2_001_00300.exe") << "morvane_2_001_00300.exe";
        QTest::newRow("parent folders dropped") << "2.001.00300" << QByteArray("../../escape.exe") << "escape.exe";
        QTest::newRow("backslash folders dropped") << "2.001.00300" << QByteArray("sub\\\\win.exe") << "win.exe";
        QTest::newRow("empty name refused") << "2.001.00300" << QByteArray("") << "";
        QTest::newRow("dot refused") << "2.001.00300" << QByteArray(".") << "";
        QTest::newRow("dot-dot refused") << "2.001.00300" << QByteArray("..") << "";
        QTest::newRow("trailing slash leaves nothing") << "2.001.00300" << QByteArray("../") << "";
    }

    void downloadStoresOnlyAPlainNameInItsFolder()
    {
        QFETCH(QString, version);
        QFETCH(QByteArray, served);
        QFETCH(QString, stored);
        server.setRoute(downloadTarget("2.001.00300"),
                        HttpRoute::file(installerMime, "attachment; filename=\"" + served + "\"", "MZ installer"));
        QCOMPARE(manager->download(DownloadManager::Installer, version, nullptr), stored);
        QCOMPARE(server.requests.size(), 1);
        const QStringList everything = QDir(home.dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
        QVERIFY2(everything.isEmpty(), qPrintable(everything.join(' ')));
        QCOMPARE(QDir(VekSettings::downloadDir()).entryList(QDir::Files), QStringList());
        if (stored.isEmpty()) {
            QCOMPARE(QDir(installerDir()).entryList(QDir::Files), QStringList());
        } else {
            QFile file(DownloadManager::filePath(DownloadManager::Installer, stored));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("MZ installer"));
            QCOMPARE(manager->localVersions(DownloadManager::Installer), QStringList{stored});
        }
    }

    void folderFollowsTheTypeAskedFor_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("mime");
        QTest::addColumn<bool>("stored");
        QTest::newRow("readme as text with charset") << int(DownloadManager::Readme) << QByteArray("text/plain; charset=utf-8") << true;
        QTest::newRow("installer as text") << int(DownloadManager::Installer) << QByteArray("text/plain") << false;
        QTest::newRow("readme as installer") << int(DownloadManager::Readme) << installerMime << false;
        QTest::newRow("disk image installer") << int(DownloadManager::Installer) << QByteArray("application/x-apple-diskimage") << true;
        QTest::newRow("error page") << int(DownloadManager::Installer) << QByteArray("text/html") << false;
    }

    void folderFollowsTheTypeAskedFor()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, mime);
        QFETCH(bool, stored);
        const auto dlType = DownloadManager::DLTypeEnum(type);
        const QByteArray name = DownloadManager::typeName(dlType).toLatin1();
        server.setRoute(downloadTarget("2.001.00300", name), HttpRoute::file(mime, "a; filename=\"f.bin\"", "bytes"));
        QCOMPARE(manager->download(dlType, "2.001.00300", nullptr), stored ? QString("f.bin") : QString());
        QCOMPARE(QFile::exists(DownloadManager::filePath(dlType, "f.bin")), stored);
        const auto other = DownloadManager::DLTypeEnum(1 - type);
        QVERIFY(!QFile::exists(DownloadManager::filePath(other, "f.bin")));
        QCOMPARE(manager->localVersions(dlType), stored ? QStringList{"f.bin"} : QStringList());
    }

    void writeFailureIsAnEmptyName()
    {
        QVERIFY(QDir().mkpath(installerDir() + "/blocked.exe"));
        server.setRoute(downloadTarget("2.001.00300"), HttpRoute::file(installerMime, "a; filename=\"blocked.exe\"", "MZ"));
        RecordingProgress listener;
        manager->download(DownloadManager::Installer, "2.001.00300", &listener);
        QTRY_COMPARE(listener.names, QStringList{QString()});
        QVERIFY(QFileInfo(installerDir() + "/blocked.exe").isDir());
        QCOMPARE(manager->localVersions(DownloadManager::Installer), QStringList());
    }

    void cutOffDownloadLeavesNoFile()
    {
        HttpRoute route = HttpRoute::file(installerMime, "a; filename=\"half.exe\"", QByteArray(20000, 'x'));
        route.mode = HttpRoute::Truncate;
        server.setRoute(downloadTarget("2.001.00300") + "&type=beta", route);
        RecordingProgress listener;
        manager->download(DownloadManager::Installer, "2.001.00300,beta", &listener);
        QTRY_COMPARE(listener.names.size(), 1);
        QCOMPARE(server.requests.value(0).target, downloadTarget("2.001.00300") + "&type=beta");
        QCOMPARE(listener.names[0], QString());
        QCOMPARE(listener.versions, QStringList{"2.001.00300,beta"});
        QCOMPARE(QDir(installerDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void backgroundDownloadReportsProgressAndName()
    {
        HttpRoute route = HttpRoute::file(installerMime, "a; filename=\"big.exe\"", QByteArray(12000, 'y'));
        route.mode = HttpRoute::Chunked;
        route.chunkSize = 3000;
        route.chunkDelayMs = 20;
        server.setRoute(downloadTarget("2.001.00300"), route);
        RecordingProgress listener;
        QCOMPARE(manager->download(DownloadManager::Installer, "2.001.00300", &listener), QString());
        QTRY_COMPARE(listener.names, QStringList{"big.exe"});
        QVERIFY(!listener.steps.isEmpty());
        QCOMPARE(listener.steps.last(), qMakePair(12000, 12000));
        QCOMPARE(QFileInfo(installerDir() + "/big.exe").size(), qint64(12000));
    }

    void installerStartsAsProgramWithoutShell_data()
    {
        QTest::addColumn<QByteArray>("served");
        QTest::newRow("plain name") << QByteArray("setup.sh");
        QTest::newRow("shell syntax in the name") << QByteArray("a; touch hacked $(touch hacked2) `touch hacked3` b.sh");
    }

    void installerStartsAsProgramWithoutShell()
    {
        QFETCH(QByteArray, served);
        const QString marker = home.dir.filePath("marker");
        QFile::remove(marker);
        const QByteArray body = "#!/bin/sh\necho ran > '" + marker.toUtf8() + "'\n";
        server.setRoute(downloadTarget("2.001.00300"), HttpRoute::file(installerMime, "a; filename=\"" + served + "\"", body));
        const QString name = manager->download(DownloadManager::Installer, "2.001.00300", nullptr);
        QCOMPARE(name, QString::fromUtf8(served));
        QVERIFY(manager->open(DownloadManager::Installer, name));
        QTRY_VERIFY(QFile::exists(marker));
        QTest::qWait(200);
        for (const QString& folder : {installerDir(), home.dir.path(), QDir::currentPath()})
            QCOMPARE(QDir(folder).entryList({"hacked*"}), QStringList());
        QVERIFY(prompts->launchFailures.isEmpty());
    }

    void installerThatCannotStartIsReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plainFile");
        QTest::addColumn<bool>("executable");
        QTest::newRow("not marked executable") << "notes.exe" << true << false;
        QTest::newRow("executable but no program") << "garbage.exe" << true << true;
        QTest::newRow("missing") << "gone.exe" << false << false;
        QTest::newRow("no name") << "" << false << false;
    }

    void installerThatCannotStartIsReported()
    {
        QFETCH(QString, name);
        QFETCH(bool, plainFile);
        QFETCH(bool, executable);
        const QString path = installerDir() + '/' + name;
        if (plainFile)
            touch(path, executable ? QByteArray("MZ\x90\0\3\0", 6) : QByteArray("#!/bin/sh\n"));
        if (executable)
            QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner));
        QVERIFY(!manager->open(DownloadManager::Installer, name));
        QCOMPARE(prompts->launchFailures.size(), 1);
        QVERIFY(!prompts->launchFailures[0].second.isEmpty());
    }

    void endlessReplyIsCutOffAtItsBound_data()
    {
        QTest::addColumn<bool>("query");
        QTest::addColumn<QByteArray>("mime");
        QTest::newRow("version query") << true << QByteArray("application/json");
        QTest::newRow("installer download") << false << installerMime;
    }

    void endlessReplyIsCutOffAtItsBound()
    {
        QFETCH(bool, query);
        QFETCH(QByteArray, mime);
        const qint64 bound = ReplyDecoder::bodyLimit(mime);
        // Well past the bound and what loopback sockets hold in flight, so
        // a client that reads on is told apart from one that hangs up.
        const qint64 cap = bound + (64 << 20);
        HttpRoute route = HttpRoute::file(mime, "a; filename=\"endless.exe\"", QByteArray(1 << 20, ' '));
        route.mode = HttpRoute::Endless;
        route.sendLength = false;
        route.cap = cap;
        server.setRoute(query ? queryTarget() : downloadTarget("2.001.00300"), route);
        QVERIFY(resetMemoryPeak());
        [[maybe_unused]] const qint64 before = memoryStatus("VmRSS");
        if (query) {
            QStringList result;
            QVERIFY(!manager->queryVersions(DownloadManager::Installer, 2, result));
            QCOMPARE(prompts->failedChecks, 1);
        } else {
            RecordingProgress listener;
            manager->download(DownloadManager::Installer, "2.001.00300", &listener);
            QTRY_COMPARE_WITH_TIMEOUT(listener.names, QStringList{QString()}, 60000);
            QCOMPARE(QDir(installerDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
        }
#ifndef MORVANE_ASAN
        // Sanitizer shadow and quarantine make resident size no measure.
        const qint64 grown = memoryStatus("VmHWM") - before;
        QVERIFY2(grown < bound + (16 << 20), qPrintable(QStringLiteral("%1 MB").arg(grown >> 20)));
#endif
        QVERIFY2(server.endlessSent < cap, qPrintable(QString::number(server.endlessSent)));
    }

    void plainHttpServerIsRefusedBeforeAnyRequest_data()
    {
        QTest::addColumn<bool>("query");
        QTest::newRow("version query") << true;
        QTest::newRow("installer download") << false;
    }

    void plainHttpServerIsRefusedBeforeAnyRequest()
    {
        QFETCH(bool, query);
        // The loopback server stands in as a proxy that would answer for the
        // plain server; no name is looked up.
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", server.port()));
        VekSettings().setUpdateBaseUrl("http://example.invalid");
        const QByteArray plain = "http://example.invalid";
        server.setRoute(plain + queryTarget(), HttpRoute::json(versionsReply({"2.001.00300"})));
        server.setRoute(plain + downloadTarget("2.001.00300"),
                        HttpRoute::file(installerMime, "a; filename=\"morvane_2_001_00300.exe\"", "#!/bin/sh\n"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Update server refused, not https: http://example.invalid$"));
        QStringList result;
        RecordingProgress listener;
        if (query)
            QVERIFY(!manager->queryVersions(DownloadManager::Installer, 2, result));
        else
            manager->download(DownloadManager::Installer, "2.001.00300", &listener);
        QTest::qWait(300);
        QCOMPARE(server.requests.size(), 0);
        QCOMPARE(prompts->failedChecks, query ? 1 : 0);
        QCOMPARE(listener.names, query ? QStringList() : QStringList{QString()});
        QCOMPARE(QDir(installerDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void cleanupTestCase()
    {
        manager->setPrompts(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
