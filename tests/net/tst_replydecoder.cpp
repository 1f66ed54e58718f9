#include "net/replydecoder.h"

#include "loopbackhttpserver.h"

#include <QtTest>

#include <zlib.h>

namespace {

QByteArray zlibPacked(const QByteArray& data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(int(size), '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
             uLong(data.size()));
    out.truncate(int(size));
    return out;
}

// Bytes that do not compress, so output sizes land where the test wants.
QByteArray noise(int size)
{
    QByteArray data(size, '\0');
    quint32 state = 12345;
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 24);
    }
    return data;
}

} // namespace

class TestReplyDecoder : public QObject
{
    Q_OBJECT

private slots:
    void inflatesAcrossOutputChunkBoundaries_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {0, 1, 1023, 1024, 1025, 2048, 100000})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }

    void inflatesAcrossOutputChunkBoundaries()
    {
        QFETCH(int, size);
        const QByteArray data = noise(size);
        for (const QByteArray& packed : {HttpRoute::gzip(data), zlibPacked(data)}) {
            QByteArray out;
            QVERIFY(ReplyDecoder::inflate(packed, out, ReplyDecoder::bodyLimit(QByteArray())));
            QCOMPARE(out, data);
        }
    }

    void unfinishedStreamsFail_data()
    {
        QTest::addColumn<QByteArray>("packed");
        const QByteArray whole = HttpRoute::gzip(noise(5000));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only") << whole.left(10);
        QTest::newRow("cut in the data") << whole.left(whole.size() / 2);
        QTest::newRow("cut before the trailer") << whole.left(whole.size() - 4);
        QByteArray badCrc = whole;
        badCrc[badCrc.size() - 6] = char(badCrc[badCrc.size() - 6] ^ 1);
        QTest::newRow("wrong checksum") << badCrc;
        QTest::newRow("not compressed") << QByteArray("plain text body");
    }

    void unfinishedStreamsFail()
    {
        QFETCH(QByteArray, packed);
        QByteArray out;
        QVERIFY(!ReplyDecoder::inflate(packed, out, ReplyDecoder::bodyLimit(QByteArray())));
        QCOMPARE(ReplyDecoder::decode("text/plain", "gzip", "a; filename=\"x\"", packed), QVariantMap());
    }

    void badBodyIsLoggedAsAShortExcerpt()
    {
        static QString logged;
        logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { logged += text; });
        const QVariantMap reply = ReplyDecoder::decode("application/json", QByteArray(), QByteArray(),
                                                       QByteArray(1 << 20, 'x'));
        qInstallMessageHandler(previous);
        QCOMPARE(reply, QVariantMap());
        QVERIFY2(logged.startsWith("NetworkManager: Parse failed with:xxx"), qPrintable(logged.left(80)));
        QVERIFY2(logged.size() < 1024, qPrintable(QString::number(logged.size())));
    }

    void dispositionNames_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("name");
        QTest::newRow("quoted") << QByteArray("attachment; filename=\"a b.exe\"") << "a b.exe";
        QTest::newRow("missing") << QByteArray() << "";
        QTest::newRow("one quote") << QByteArray("attachment; filename=\"a.exe") << "";
        QTest::newRow("cut at nul") << QByteArray("a; filename=\"ab\0c\"", 18) << "";
        QTest::newRow("utf-8") << QByteArray("a; filename=\"r\xc3\xa9sum\xc3\xa9.txt\"") << QString::fromUtf8("r\xc3\xa9sum\xc3\xa9.txt");
    }

    void dispositionNames()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, name);
        QCOMPARE(ReplyDecoder::dispositionFileName(header), name);
    }
};

QTEST_GUILESS_MAIN(TestReplyDecoder)
#include "tst_replydecoder.moc"
