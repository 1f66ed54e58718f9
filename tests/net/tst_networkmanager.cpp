#include "net/networkmanager.h"
#include "net/networkresponse.h"

#include "loopbackhttpserver.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct RecordingResponse : NetworkResponse
{
    void netFinished(QUrl url, QVariantMap reply) override
    {
        finishedUrls.append(url);
        replies.append(reply);
    }
    void netProgress(QUrl, qint64 received, qint64 total) override { progress.append({received, total}); }
    void netError(QUrl, QString errorName) override { errors.append(errorName); }

    QList<QUrl> finishedUrls;
    QList<QVariantMap> replies;
    QList<QPair<qint64, qint64>> progress;
    QStringList errors;
};

// A JSON object of about 40 KB that compresses well but not trivially.
QByteArray largeJson()
{
    QVariantMap map;
    for (int i = 0; i < 1500; ++i)
        map.insert(QStringLiteral("key%1").arg(i), QStringLiteral("value %1 of the list").arg(i * 7919 % 1000));
    return QJsonDocument::fromVariant(map).toJson(QJsonDocument::Compact);
}

// Answers every connection with TLS under a fresh self-signed certificate,
// which the client must refuse.
class SelfSignedTlsServer : public QTcpServer
{
public:
    bool start(const QString& folder)
    {
        const QString key = folder + "/key.pem";
        const QString cert = folder + "/cert.pem";
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                  "-nodes", "-keyout", key, "-out", cert, "-subj", "/CN=127.0.0.1", "-days", "2"});
        if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0)
            return false;
        QFile keyFile(key), certFile(cert);
        if (!keyFile.open(QIODevice::ReadOnly) || !certFile.open(QIODevice::ReadOnly))
            return false;
        privateKey = QSslKey(keyFile.readAll(), QSsl::Ec);
        certificate = QSslCertificate(certFile.readAll());
        return !privateKey.isNull() && !certificate.isNull() && listen(QHostAddress::LocalHost, 0);
    }

protected:
    void incomingConnection(qintptr handle) override
    {
        QSslSocket* socket = new QSslSocket(this);
        socket->setSocketDescriptor(handle);
        socket->setPrivateKey(privateKey);
        socket->setLocalCertificate(certificate);
        socket->startServerEncryption();
    }

private:
    QSslKey privateKey;
    QSslCertificate certificate;
};

} // namespace

class TestNetworkManager : public QObject
{
    Q_OBJECT

    LoopbackHttpServer server;
    NetworkManager* net = nullptr;

private slots:
    void initTestCase()
    {
        QVERIFY(server.isListening());
        net = NetworkManager::instance();
    }

    void init()
    {
        server.requests.clear();
    }

    void cleanup()
    {
        net->abortAll();
    }

    void requestsCarryUserAgentAndAskForGzip()
    {
        server.setRoute("/h", HttpRoute::json("{}"));
        net->get(server.url("/h"), QVariantMap(), 5, nullptr);
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests[0].headers.value("user-agent"), QByteArray("Brennick Layora 2.000.00202"));
        QCOMPARE(server.requests[0].headers.value("accept-encoding"), QByteArray("gzip"));
    }

    void queryParamsAppendedInKeyOrderAndEncoded_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QVariantMap>("params");
        QTest::addColumn<QByteArray>("sent");
        const QVariantMap ab{{"b", 2}, {"a", 1}};
        QTest::newRow("after the url's own query") << "/q?x=0" << ab << QByteArray("/q?x=0&a=1&b=2");
        QTest::newRow("url without a query") << "/q" << ab << QByteArray("/q?&a=1&b=2");
        QTest::newRow("no params leave the url alone") << "/q?x=0" << QVariantMap() << QByteArray("/q?x=0");
        QTest::newRow("delimiters in a value cannot add keys")
            << "/q" << QVariantMap{{"k", "a b&c=d#e"}} << QByteArray("/q?&k=a%20b%26c%3Dd%23e");
    }

    void queryParamsAppendedInKeyOrderAndEncoded()
    {
        QFETCH(QString, path);
        QFETCH(QVariantMap, params);
        QFETCH(QByteArray, sent);
        server.setRoute("/q", HttpRoute::json("{}"));
        net->get(server.url(path), params, 5, nullptr);
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests[0].target, sent);
    }

    void repliesDecodedByContentType_data()
    {
        QTest::addColumn<HttpRoute>("route");
        QTest::addColumn<QVariantMap>("expected");
        QTest::newRow("json object") << HttpRoute::json(R"({"status":"OK","n":3})")
                                     << QVariantMap{{"status", "OK"}, {"n", 3.0}};
        QTest::newRow("json with a charset is a file")
            << HttpRoute::file("application/json; charset=utf-8", QByteArray(), "{}")
            << QVariantMap{{"mime", "application/json; charset=utf-8"}, {"filename", ""}, {"data", QByteArray("{}")}};
        QTest::newRow("file name between quotes")
            << HttpRoute::file("text/plain", "attachment; filename=\"read me.txt\"", "hello")
            << QVariantMap{{"mime", "text/plain"}, {"filename", "read me.txt"}, {"data", QByteArray("hello")}};
        QTest::newRow("disposition without quotes gives no name")
            << HttpRoute::file("text/plain", "attachment; filename=x.txt", "hi")
            << QVariantMap{{"mime", "text/plain"}, {"filename", ""}, {"data", QByteArray("hi")}};
        HttpRoute untyped;
        untyped.body = "{}";
        QTest::newRow("no content type") << untyped << QVariantMap();
        QTest::newRow("top-level array") << HttpRoute::json("[1,2]") << QVariantMap();
        QTest::newRow("json that does not parse") << HttpRoute::json("{\"a\":") << QVariantMap();
        QTest::newRow("gzip json equals plain")
            << HttpRoute::json(R"({"status":"OK"})").gzipped() << QVariantMap{{"status", "OK"}};
        QTest::newRow("gzip file is inflated")
            << HttpRoute::file("text/plain", "a; filename=\"r.txt\"", "plain words").gzipped()
            << QVariantMap{{"mime", "text/plain"}, {"filename", "r.txt"}, {"data", QByteArray("plain words")}};
    }

    void repliesDecodedByContentType()
    {
        QFETCH(HttpRoute, route);
        QFETCH(QVariantMap, expected);
        server.setRoute("/r", route);
        QCOMPARE(net->get(server.url("/r"), QVariantMap(), 5, nullptr), expected);
    }

    void brokenGzipIsAFailureNotTheRawBody_data()
    {
        QTest::addColumn<HttpRoute>("route");
        const QByteArray packed = HttpRoute::gzip(largeJson());
        HttpRoute cut = HttpRoute::file("application/octet-stream", "a; filename=\"f\"", packed.left(packed.size() / 2));
        cut.header("Content-Encoding", "gzip");
        QTest::newRow("truncated file") << cut;
        QByteArray garbled = packed;
        for (int i = 20; i < 60; ++i)
            garbled[i] = char(garbled[i] ^ 0x5a);
        HttpRoute corrupt = HttpRoute::file("application/octet-stream", "a; filename=\"f\"", garbled);
        corrupt.header("Content-Encoding", "gzip");
        QTest::newRow("corrupt file") << corrupt;
        HttpRoute plainAsGzip = HttpRoute::file("text/plain", "a; filename=\"f\"", "not compressed");
        plainAsGzip.header("Content-Encoding", "gzip");
        QTest::newRow("body that is not gzip") << plainAsGzip;
        HttpRoute cutJson = HttpRoute::json(largeJson()).gzipped();
        cutJson.body.chop(8);
        QTest::newRow("json without its trailer") << cutJson;
    }

    void brokenGzipIsAFailureNotTheRawBody()
    {
        QFETCH(HttpRoute, route);
        server.setRoute("/g", route);
        QCOMPARE(net->get(server.url("/g"), QVariantMap(), 5, nullptr), QVariantMap());
    }

    void oversizedAndRedirectedRepliesAreNoAnswer_data()
    {
        QTest::addColumn<HttpRoute>("route");
        QTest::addColumn<QVariantMap>("expected");
        // Trailing blanks keep the JSON valid, so only a bound can refuse it.
        const QByteArray padded = R"({"status":"OK"})" + QByteArray(64 << 20, ' ');
        QTest::newRow("gzip bomb") << HttpRoute::json(padded).gzipped() << QVariantMap();
        QTest::newRow("10 MB body") << HttpRoute::json(padded.left(10 << 20)) << QVariantMap();
        // A downloaded installer is a file, and is not held to the JSON bound.
        const QByteArray installer(10 << 20, 'x');
        QTest::newRow("10 MB file")
            << HttpRoute::file("application/octet-stream", "a; filename=\"f\"", installer).gzipped()
            << QVariantMap{{"mime", "application/octet-stream"}, {"filename", "f"}, {"data", installer}};
        for (int status : {301, 302}) {
            HttpRoute moved = HttpRoute::json(R"({"status":"OK"})");
            moved.status = status;
            moved.reason = "Moved";
            moved.header("Location", "/elsewhere");
            QTest::newRow(qPrintable(QStringLiteral("redirect %1").arg(status))) << moved << QVariantMap();
        }
    }

    void oversizedAndRedirectedRepliesAreNoAnswer()
    {
        QFETCH(HttpRoute, route);
        QFETCH(QVariantMap, expected);
        server.setRoute("/big", route);
        QCOMPARE(net->get(server.url("/big"), QVariantMap(), 30, nullptr), expected);
    }

    void gzipDecodesAtEveryChunkSize_data()
    {
        QTest::addColumn<int>("chunk");
        for (int size : {1, 7, 1023, 1024, 1025, 4096, 4097, 65536})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }

    void gzipDecodesAtEveryChunkSize()
    {
        QFETCH(int, chunk);
        const QByteArray text = largeJson();
        HttpRoute route = HttpRoute::json(text).gzipped();
        route.mode = HttpRoute::Chunked;
        route.chunkSize = chunk;
        route.chunkDelayMs = chunk < 64 ? 0 : 5;
        server.setRoute("/c", route);
        const QVariantMap reply = net->get(server.url("/c"), QVariantMap(), 30, nullptr);
        QCOMPARE(reply, QJsonDocument::fromJson(text).object().toVariantMap());
    }

    void errorStatusGivesEmptyMapAndNamedError()
    {
        QCOMPARE(net->get(server.url("/missing"), QVariantMap(), 5, nullptr), QVariantMap());
        QCOMPARE(net->lastError(), QStringLiteral("ContentNotFoundError"));
        net->setError(418);
        QCOMPARE(net->lastError(), QString());
    }

    void silentServerTimesOutWithinTwiceTheTimeout()
    {
        HttpRoute hang;
        hang.mode = HttpRoute::Hang;
        server.setRoute("/hang", hang);
        QElapsedTimer clock;
        clock.start();
        // Deadlines are checked once a second, so a 2 s call ends between
        // 2 and 3 s; twice the time-out leaves room for a loaded machine.
        QCOMPARE(net->get(server.url("/hang"), QVariantMap(), 2, nullptr), QVariantMap());
        QVERIFY2(clock.elapsed() >= 2000 && clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(net->callsInFlight(), 0);
    }

    void longTimeoutDoesNotWrapIntoThePast()
    {
        // 3,000,000 s is past 32-bit milliseconds: a wrapped deadline would
        // lie in the past and end the call at the next check.
        HttpRoute hang;
        hang.mode = HttpRoute::Hang;
        server.setRoute("/hang", hang);
        RecordingResponse response;
        net->get(server.url("/hang"), QVariantMap(), 3000000, &response);
        QTest::qWait(2300);
        QCOMPARE(response.replies.size(), 0);
        QCOMPARE(net->callsInFlight(), 1);
        net->abort(server.url("/hang"), &response);
        QCOMPARE(response.replies.size(), 1);
    }

    void abortNeedsTheUrlAndTheResponse()
    {
        HttpRoute hang;
        hang.mode = HttpRoute::Hang;
        server.setRoute("/hang", hang);
        server.setRoute("/other", hang);
        RecordingResponse first, second;
        net->get(server.url("/hang"), QVariantMap(), 60, &first);
        net->get(server.url("/other"), QVariantMap(), 60, &second);
        net->abort(server.url("/hang"), &second);
        QCOMPARE(net->callsInFlight(), 2);
        net->abort(server.url("/hang"), &first);
        QCOMPARE(net->callsInFlight(), 1);
        QCOMPARE(first.replies, QList<QVariantMap>{QVariantMap()});
        QCOMPARE(first.finishedUrls, QList<QUrl>{server.url("/hang")});
        QVERIFY(second.replies.isEmpty());
        net->abortAll();
        QCOMPARE(second.replies.size(), 1);
    }

    void abortAllTellsCallersAndLeavesClientUsable()
    {
        HttpRoute hang;
        hang.mode = HttpRoute::Hang;
        server.setRoute("/hang", hang);
        server.setRoute("/ok", HttpRoute::json(R"({"a":"b"})"));
        RecordingResponse response;
        net->get(server.url("/hang"), QVariantMap(), 60, &response);
        QVariantMap waited{{"not", "run"}};
        QTimer::singleShot(200, [this] { net->abortAll(); });
        waited = net->get(server.url("/hang"), QVariantMap(), 60, nullptr);
        QCOMPARE(waited, QVariantMap());
        QCOMPARE(response.replies, QList<QVariantMap>{QVariantMap()});
        QCOMPARE(net->get(server.url("/ok"), QVariantMap(), 5, nullptr), (QVariantMap{{"a", "b"}}));
        // The deadline timer still runs.
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(net->get(server.url("/hang"), QVariantMap(), 2, nullptr), QVariantMap());
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
    }

    void progressReportedOnlyAboveFourKilobytes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("sendLength");
        QTest::addColumn<bool>("reported");
        QTest::newRow("4096 bytes, known") << 4096 << true << false;
        QTest::newRow("4097 bytes, known") << 4097 << true << true;
        QTest::newRow("4096 bytes, unknown") << 4096 << false << false;
        QTest::newRow("9000 bytes, unknown") << 9000 << false << true;
    }

    void progressReportedOnlyAboveFourKilobytes()
    {
        QFETCH(int, size);
        QFETCH(bool, sendLength);
        QFETCH(bool, reported);
        HttpRoute route = HttpRoute::file("application/octet-stream", "a; filename=\"f\"", QByteArray(size, 'x'));
        route.mode = HttpRoute::Chunked;
        route.chunkSize = 1000;
        route.chunkDelayMs = 10;
        route.sendLength = sendLength;
        RecordingResponse response;
        // The client reports at most every 100 ms, and a loaded machine may
        // take in the whole body at once: past 4096 bytes the body waits,
        // trickling, until a report came while it is still arriving.
        if (reported && !sendLength) {
            route.holdFrom = 5000;
            route.releaseWhen = [&response] { return !response.progress.isEmpty(); };
        }
        server.setRoute("/p", route);
        net->get(server.url("/p"), QVariantMap(), 10, &response);
        QTRY_COMPARE(response.replies.size(), 1);
        QCOMPARE(response.replies[0].value("data").toByteArray().size(), size);
        QCOMPARE(!response.progress.isEmpty(), reported);
        // At its end an unsized reply reports what arrived as its total.
        for (const auto& step : response.progress) {
            if (sendLength)
                QCOMPARE(step.second, qint64(size));
            else
                QVERIFY(step.first > 4096 && (step.second == -1 || step.second == step.first));
        }
        if (reported && !sendLength)
            QCOMPARE(response.progress.first().second, qint64(-1));
    }

    void failedCallbackCallGetsErrorThenEmptyReply()
    {
        RecordingResponse response;
        net->get(server.url("/missing"), QVariantMap(), 5, &response);
        QTRY_COMPARE(response.replies.size(), 1);
        QCOMPARE(response.replies[0], QVariantMap());
        QCOMPARE(response.errors, QStringList{"ContentNotFoundError"});
    }

    void bodiesSentAsJson_data()
    {
        QTest::addColumn<int>("verb");
        QTest::addColumn<QByteArray>("method");
        QTest::newRow("put") << int(NetworkManager::PUT) << QByteArray("PUT");
        QTest::newRow("post") << int(NetworkManager::POST) << QByteArray("POST");
        QTest::newRow("delete") << int(NetworkManager::DELETE) << QByteArray("DELETE");
    }

    void bodiesSentAsJson()
    {
        QFETCH(int, verb);
        QFETCH(QByteArray, method);
        server.setRoute("/b", HttpRoute::json(R"({"done":true})"));
        const QVariantMap body{{"name", "relief"}, {"size", 3}};
        QVariantMap reply;
        if (verb == NetworkManager::PUT)
            reply = net->put(server.url("/b"), body, 5, nullptr);
        else if (verb == NetworkManager::POST)
            reply = net->post(server.url("/b"), body, 5, nullptr);
        else
            reply = net->deleteResource(server.url("/b"), body, 5, nullptr);
        QCOMPARE(reply, (QVariantMap{{"done", true}}));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests[0].method, method);
        QCOMPARE(server.requests[0].headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(QJsonDocument::fromJson(server.requests[0].body).object().toVariantMap(), body);
    }

    void certificateErrorsAreFatal()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("no TLS support in this Qt");
        QTemporaryDir folder;
        SelfSignedTlsServer tls;
        if (!tls.start(folder.path()))
            QSKIP("cannot make a test certificate");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^SSLError: "));
        const QUrl url(QStringLiteral("https://127.0.0.1:%1/version").arg(tls.serverPort()));
        QCOMPARE(net->get(url, QVariantMap(), 10, nullptr), QVariantMap());
        QCOMPARE(net->lastError(), QStringLiteral("SslHandshakeFailedError"));
    }
};

QTEST_GUILESS_MAIN(TestNetworkManager)
#include "tst_networkmanager.moc"
