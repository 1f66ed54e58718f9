#include "files/imageimport.h"
#include "relief/reliefsource.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

quint32 pngCrc(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header announces the size but which holds no pixels: enough
// for a reader to tell the size, never enough to decode.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr("IHDR");
    char fields[13];
    qToBigEndian(width, fields);
    qToBigEndian(height, fields + 4);
    fields[8] = 8;   // bit depth
    fields[9] = 2;   // colour type RGB
    fields[10] = fields[11] = fields[12] = 0;
    ihdr.append(fields, 13);
    char length[4];
    qToBigEndian(quint32(13), length);
    png.append(length, 4);
    png.append(ihdr);
    char crc[4];
    qToBigEndian(pngCrc(ihdr), crc);
    png.append(crc, 4);
    return png;
}

} // namespace

class TestImageImport : public QObject
{
    Q_OBJECT

private slots:
    void pixelWeightsGiveTheDocumentedHeights_data()
    {
        QTest::addColumn<QRgb>("pixel");
        QTest::addColumn<int>("height");
        QTest::newRow("red") << qRgb(255, 0, 0) << 87;
        QTest::newRow("green") << qRgb(0, 255, 0) << 127;
        QTest::newRow("blue") << qRgb(0, 0, 255) << 39;
        QTest::newRow("white") << qRgb(255, 255, 255) << 255;
        QTest::newRow("black") << qRgb(0, 0, 0) << 0;
        QTest::newRow("alpha ignored") << qRgba(255, 255, 255, 0) << 255;
        QTest::newRow("truncated, not rounded") << qRgb(1, 1, 1) << 1;
        QTest::newRow("grey 2 sums to 64") << qRgb(2, 2, 2) << 2;
    }

    void pixelWeightsGiveTheDocumentedHeights()
    {
        QFETCH(QRgb, pixel);
        QFETCH(int, height);
        QCOMPARE(ImageImport::pixelHeight(pixel), height);
    }

    void heightsFollowRowsBottomFirstInAnyFormat()
    {
        QImage image(3, 2, QImage::Format_RGB888);
        image.fill(Qt::black);
        image.setPixel(2, 0, qRgb(255, 0, 0));
        image.setPixel(0, 1, qRgb(0, 255, 0));
        const std::vector<float> h = ImageImport::heights(image);
        QCOMPARE(h, std::vector<float>({127, 0, 0, 0, 0, 87}));
        const QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
        QCOMPARE(ImageImport::heights(indexed), h);
    }

    void sizeBound_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("fits");
        QTest::newRow("one pixel") << QSize(1, 1) << true;
        QTest::newRow("4096 square") << QSize(4096, 4096) << true;
        QTest::newRow("empty") << QSize(0, 10) << false;
        QTest::newRow("side too long") << QSize(70000, 1) << false;
        QTest::newRow("too many cells") << QSize(20000, 20000) << false;
        QTest::newRow("int overflow") << QSize(2147483647, 2147483647) << false;
    }

    void sizeBound()
    {
        QFETCH(QSize, size);
        QFETCH(bool, fits);
        QCOMPARE(ImageImport::fits(size), fits);
    }

    void loadMakesAPaddedDirtySource()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dot.png"));
        QImage image(20, 10, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(path));
        std::unique_ptr<ReliefSource> source;
        QVERIFY(ImageImport::load(path, source).ok());
        QVERIFY(source);
        QVERIFY(source->dirty);
        QVERIFY(source->tiltDirty);
        QCOMPARE(source->width, 22u);
        QCOMPARE(source->height, 10u);
        QCOMPARE(source->rawSample(1, 0), 255.0);
        QCOMPARE(source->rawSample(0, 0), 0.0);
    }

    void hugeAnnouncedSizeIsRefusedBeforeDecoding()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.png"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pngHeaderOnly(100000, 100000));
        file.close();
        std::unique_ptr<ReliefSource> source;
        QCOMPARE(ImageImport::load(path, source), FileResult(FileResult::OpenFailed));
        QVERIFY(!source);
    }

    void readablePictureBeyondTheBoundIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.png"));
        QImage image(70000, 1, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(path));
        std::unique_ptr<ReliefSource> source;
        QCOMPARE(ImageImport::load(path, source), FileResult(FileResult::OpenFailed));
        QVERIFY(!source);
    }

    void unreadableFilesFailToOpen_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not a picture");
        QTest::newRow("header of a small picture only") << pngHeaderOnly(4, 4);
    }

    void unreadableFilesFailToOpen()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.png"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        std::unique_ptr<ReliefSource> source;
        QCOMPARE(ImageImport::load(path, source), FileResult(FileResult::OpenFailed));
        QCOMPARE(ImageImport::load(dir.filePath(QStringLiteral("missing.png")), source),
                 FileResult(FileResult::OpenFailed));
    }
};

QTEST_GUILESS_MAIN(TestImageImport)
#include "tst_imageimport.moc"
