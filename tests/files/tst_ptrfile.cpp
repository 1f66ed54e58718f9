#include "files/ptrfile.h"
#include "files/scrambler.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QBuffer>
#include <QDataStream>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

std::unique_ptr<Relief> makeRelief(int w, int h, const QVector<float>& heights, double zScale = 1.0)
{
    auto relief = std::make_unique<Relief>(w, h);
    std::copy(heights.begin(), heights.end(), relief->heights());
    relief->setZScale(zScale);
    return relief;
}

QByteArray written(const Relief& relief, qint32 range, const QString& key = QString())
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!PtrFile::write(buffer, relief, range, key).ok())
        return QByteArray();
    return bytes;
}

FileResult readBack(QByteArray bytes, std::vector<float>& samples, const QString& key = QString())
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    PtrFile::Header header;
    return PtrFile::read(buffer, key, header, samples);
}

QByteArray header(qint32 version, qint32 w, qint32 h, qint32 range)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << version << w << h << range;
    return bytes;
}

QByteArray floatSamples(const QVector<float>& values)
{
    QByteArray bytes;
    for (float v : values) {
        quint32 bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 4; ++i)
            bytes.append(char((bits >> (8 * i)) & 0xFF));
    }
    return bytes;
}

} // namespace

class TestPtrFile : public QObject
{
    Q_OBJECT

private slots:
    void keystreamMatchesHandWorkedBytes_data();
    void keystreamMatchesHandWorkedBytes();
    void blockScramblingMatchesByteByByte();
    void byteLayoutOfVersion2();
    void version1SamplesAreBigEndianShorts();
    void badFilesFailToLoad_data();
    void badFilesFailToLoad();
    void rangesNeverZeroForNonFlatReliefs_data();
    void rangesNeverZeroForNonFlatReliefs();
    void keyedSamplesRoundTrip();
    void keyThatIsNotANumberGivesZeroSamples();
    void loadedSourceSpansTheWrittenRange();
    void exportToUnwritablePathReportsOpenFailed();
};

void TestPtrFile::keystreamMatchesHandWorkedBytes_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<QByteArray>("stream");
    QTest::newRow("zero state stays silent") << quint64(0) << QByteArray::fromHex("0000");
    QTest::newRow("bit 1 leads the first byte") << quint64(2) << QByteArray::fromHex("8000");
    QTest::newRow("bits 1 and 2") << quint64(6) << QByteArray::fromHex("c000");
    QTest::newRow("low byte set") << quint64(0xFF) << QByteArray::fromHex("fe00");
}

void TestPtrFile::keystreamMatchesHandWorkedBytes()
{
    QFETCH(quint64, seed);
    QFETCH(QByteArray, stream);
    Scrambler s;
    s.setSeed(seed);
    for (char expected : stream)
        QCOMPARE(int(s.next(0)), int(uchar(expected)));
    s.setSeed(2);
    QCOMPARE(int(s.next(0xFF)), 0x7F);
}

void TestPtrFile::blockScramblingMatchesByteByByte()
{
    for (quint64 seed : {quint64(1), quint64(2), quint64(12345), quint64(0x8000000000000001ull),
                         quint64(0xDEADBEEFCAFEF00Dull), std::numeric_limits<quint64>::max()}) {
        QByteArray plain(300, '\0');
        for (int i = 0; i < plain.size(); ++i)
            plain[i] = char(i * 37);
        Scrambler single(seed);
        QByteArray expected = plain;
        for (char& c : expected)
            c = char(single.next(uchar(c)));
        for (int run : {1, 6, 7, 8, 15, 64, 300}) {
            Scrambler block(seed);
            QByteArray data = plain;
            for (int at = 0; at < data.size(); at += run)
                block.apply(data.data() + at, std::min(run, data.size() - at));
            QCOMPARE(data, expected);
        }
    }
}

void TestPtrFile::byteLayoutOfVersion2()
{
    const auto relief = makeRelief(2, 1, {1.0f, 3.0f});
    const QByteArray bytes = written(*relief, PtrFile::exportRange(*relief));
    QCOMPARE(bytes.toHex(), QByteArray("00000002" "00000002" "00000001" "00000002"
                                       "00000000" "00008049"));
}

void TestPtrFile::version1SamplesAreBigEndianShorts()
{
    std::vector<float> samples;
    const QByteArray file = header(1, 2, 1, 5) + QByteArray::fromHex("012cffff");
    QCOMPARE(readBack(file, samples).code(), FileResult::Ok);
    QCOMPARE(samples, (std::vector<float>{300.0f, 65535.0f}));
}

void TestPtrFile::badFilesFailToLoad_data()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");
    const QByteArray two = floatSamples({1.0f, 2.0f});
    QTest::newRow("complete") << header(2, 2, 1, 3) + two << int(FileResult::Ok);
    QTest::newRow("version 0 reads floats") << header(0, 2, 1, 3) + two << int(FileResult::Ok);
    QTest::newRow("version 3") << header(3, 2, 1, 3) + two << int(FileResult::LoadFailed);
    QTest::newRow("header cut short") << header(2, 2, 1, 3).left(14) << int(FileResult::LoadFailed);
    QTest::newRow("sample cut short") << header(2, 2, 1, 3) + two.left(7) << int(FileResult::LoadFailed);
    QTest::newRow("version 1 cut short") << header(1, 2, 1, 3) + QByteArray(3, '\1') << int(FileResult::LoadFailed);
    QTest::newRow("version 1 exact") << header(1, 2, 1, 3) + QByteArray(4, '\1') << int(FileResult::Ok);
    QTest::newRow("negative width") << header(2, -2, -1, 3) + two << int(FileResult::LoadFailed);
    QTest::newRow("zero height") << header(2, 2, 0, 3) + two << int(FileResult::LoadFailed);
    QTest::newRow("huge size") << header(2, 65536, 65536, 3) + two << int(FileResult::LoadFailed);
    QTest::newRow("overflowing size") << header(2, 0x7FFFFFFF, 0x7FFFFFFF, 3) + two << int(FileResult::LoadFailed);
    QTest::newRow("NaN sample") << header(2, 2, 1, 3) + floatSamples({1.0f, nan}) << int(FileResult::LoadFailed);
    QTest::newRow("infinite sample") << header(2, 2, 1, 3) + floatSamples({-inf, 1.0f}) << int(FileResult::LoadFailed);
}

void TestPtrFile::badFilesFailToLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    std::vector<float> samples;
    QCOMPARE(int(readBack(file, samples).code()), expected);
    QCOMPARE(samples.empty(), expected != FileResult::Ok);
}

void TestPtrFile::rangesNeverZeroForNonFlatReliefs_data()
{
    QTest::addColumn<QVector<float>>("heights");
    QTest::addColumn<double>("zScale");
    QTest::addColumn<int>("exportRange");
    QTest::addColumn<int>("handOverRange");
    QTest::newRow("flat") << QVector<float>{0.5f, 0.5f} << 1.0 << 0 << 1;
    QTest::newRow("deep, scaled") << QVector<float>{0.0f, 10.7f} << 2.0 << 21 << 10;
    QTest::newRow("under one cell") << QVector<float>{0.0f, 0.25f} << 1.0 << 1 << 1;
    QTest::newRow("scaled under one cell") << QVector<float>{0.0f, 10.0f} << 0.05 << 1 << 10;
    QTest::newRow("Z scale 0") << QVector<float>{0.0f, 10.0f} << 0.0 << 1 << 10;
    QTest::newRow("beyond int32") << QVector<float>{0.0f, 3e9f} << 1.0 << std::numeric_limits<int>::max()
                                  << std::numeric_limits<int>::max();
}

void TestPtrFile::rangesNeverZeroForNonFlatReliefs()
{
    QFETCH(QVector<float>, heights);
    QFETCH(double, zScale);
    QFETCH(int, exportRange);
    QFETCH(int, handOverRange);
    const auto relief = makeRelief(heights.size(), 1, heights, zScale);
    QCOMPARE(PtrFile::exportRange(*relief), exportRange);
    QCOMPARE(PtrFile::handOverRange(*relief), handOverRange);
}

void TestPtrFile::keyedSamplesRoundTrip()
{
    const auto relief = makeRelief(3, 2, {0.0f, 1.0f, 2.0f, 3.0f, 5e-7f, 8.0f});
    std::vector<float> plain, keyed, wrongKey;
    QCOMPARE(readBack(written(*relief, 8), plain).code(), FileResult::Ok);
    const QByteArray scrambled = written(*relief, 8, QStringLiteral("9876543210"));
    QCOMPARE(scrambled.left(16), written(*relief, 8).left(16));
    QVERIFY(scrambled != written(*relief, 8));
    QCOMPARE(readBack(scrambled, keyed, QStringLiteral("9876543210")).code(), FileResult::Ok);
    QCOMPARE(keyed, plain);
    // Bit 0 of the seed never reaches the stream, so the wrong key differs
    // in bit 1. Its garbage may even decode to a refused sample.
    const FileResult wrong = readBack(scrambled, wrongKey, QStringLiteral("9876543208"));
    QVERIFY(!wrong.ok() || wrongKey != plain);
    QCOMPARE(plain[0], 0.0f);
    QCOMPARE(plain[4], 0.0f);   // 5e-7 / 8 * 2^20 is below 0.1
    QCOMPARE(plain[5], 1048576.0f);
}

void TestPtrFile::keyThatIsNotANumberGivesZeroSamples()
{
    const auto relief = makeRelief(2, 1, {1.0f, 3.0f});
    const QByteArray file = written(*relief, 2, QStringLiteral("not a key"));
    QCOMPARE(file.mid(16), QByteArray(8, '\0'));
    std::vector<float> samples;
    const auto other = makeRelief(2, 1, {5.0f, 1.0f});
    QCOMPARE(readBack(written(*other, 2), samples, QStringLiteral("12x")).code(), FileResult::Ok);
    QCOMPARE(samples, (std::vector<float>{0.0f, 0.0f}));
}

void TestPtrFile::loadedSourceSpansTheWrittenRange()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("relief.ptr");
    const auto relief = makeRelief(4, 1, {2.0f, 3.0f, 6.0f, 4.0f}, 2.0);
    QCOMPARE(PtrFile::save(path, *relief, PtrFile::exportRange(*relief), QString()).code(), FileResult::Ok);
    std::unique_ptr<ReliefSource> source;
    QCOMPARE(PtrFile::load(path, QString(), source).code(), FileResult::Ok);
    QVERIFY(source);
    QCOMPARE(source->heightScale, 8.0);
    QVERIFY(source->dirty);
    QVERIFY(source->tiltDirty);
    double top = 0.0;
    for (uint32_t x = 0; x < source->width; ++x)
        top = std::max(top, source->sample(x, 0, true));
    QCOMPARE(top, 8.0);
}

void TestPtrFile::exportToUnwritablePathReportsOpenFailed()
{
    QTemporaryDir dir;
    const auto relief = makeRelief(2, 1, {1.0f, 3.0f});
    const FileResult result = PtrFile::save(dir.filePath("missing/relief.ptr"), *relief, 2, QString());
    QCOMPARE(result.code(), FileResult::OpenFailed);
    QCOMPARE(result.title(), QStringLiteral("Open Failed"));
    std::unique_ptr<ReliefSource> source;
    QCOMPARE(PtrFile::load(dir.filePath("absent.ptr"), QString(), source).code(), FileResult::OpenFailed);
    QVERIFY(!source);
}

QTEST_GUILESS_MAIN(TestPtrFile)
#include "tst_ptrfile.moc"
