#include "files/filesizelimit.h"
#include "files/ptrfile.h"
#include "files/refusingdevice.h"
#include "files/scrambler.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QBuffer>
#include <QDataStream>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <limits>

namespace {

std::unique_ptr<Relief> makeRelief(const QVector<float>& heights, double zScale = 1.0)
{
    auto relief = std::make_unique<Relief>(heights.size(), 1);
    std::copy(heights.begin(), heights.end(), relief->heights());
    relief->setZScale(zScale);
    return relief;
}

QByteArray written(const Relief& relief, qint32 range, const QString& key = QString())
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return PtrFile::write(buffer, relief, range, key).ok() ? buffer.data() : QByteArray();
}

FileResult readBack(QByteArray bytes, std::vector<float>& samples, const QString& key = QString())
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    PtrFile::Header header;
    return PtrFile::read(buffer, key, header, samples);
}

// A big-endian header, then little-endian floats.
QByteArray file(qint32 version, qint32 w, qint32 h, const QVector<float>& samples)
{
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << version << w << h << qint32(3);
    for (float v : samples) {
        quint32 bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 4; ++i)
            bytes.append(char(bits >> (8 * i)));
    }
    return bytes;
}

} // namespace

class TestPtrFile : public QObject
{
    Q_OBJECT

private slots:
    void keystreamMatchesHandWorkedBytes();
    void readsOrRefusesFiles_data();
    void readsOrRefusesFiles();
    void rangesNeverZeroForNonFlatReliefs();
    void writtenBytesAndKeys();
    void loadAndSaveThroughFiles();
    void failedExportKeepsThePreviousFile_data();
    void failedExportKeepsThePreviousFile();
    void nonFiniteHeightIsRefusedBeforeWriting_data();
    void nonFiniteHeightIsRefusedBeforeWriting();
};

void TestPtrFile::keystreamMatchesHandWorkedBytes()
{
    // Seed 0 stays silent; bit 1 of the seed leads the first byte; bit 0
    // never reaches the stream.
    const QPair<quint64, QByteArray> cases[] = {{0, QByteArray::fromHex("0000")}, {2, QByteArray::fromHex("8000")},
                                                {6, QByteArray::fromHex("c000")}, {0xFF, QByteArray::fromHex("fe00")}};
    for (const auto& c : cases) {
        Scrambler s(c.first);
        for (char expected : c.second)
            QCOMPARE(int(s.next(0)), int(uchar(expected)));
    }
    Scrambler s(2);
    QCOMPARE(int(s.next(0xFF)), 0x7F);

    // Scrambling in blocks of any length gives the byte-by-byte stream.
    for (quint64 seed : {quint64(0xDEADBEEFCAFEF00Dull), std::numeric_limits<quint64>::max()}) {
        QByteArray expected(300, '\0');
        Scrambler single(seed);
        for (int i = 0; i < expected.size(); ++i)
            expected[i] = char(single.next(uchar(i * 37)));
        for (int run : {1, 7, 8, 15, 300}) {
            Scrambler block(seed);
            QByteArray data(300, '\0');
            for (int i = 0; i < data.size(); ++i)
                data[i] = char(i * 37);
            for (int at = 0; at < data.size(); at += run)
                block.apply(data.data() + at, std::min(run, data.size() - at));
            QCOMPARE(data, expected);
        }
    }
}

void TestPtrFile::readsOrRefusesFiles_data()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVector<float>>("samples");   // none when the load fails
    QTest::newRow("complete") << file(2, 2, 1, {1, 2}) << QVector<float>{1, 2};
    QTest::newRow("version 0 reads floats") << file(0, 2, 1, {1, 2}) << QVector<float>{1, 2};
    QTest::newRow("version 1 reads big-endian shorts") << file(1, 2, 1, {}) + QByteArray::fromHex("012cffff")
                                                       << QVector<float>{300, 65535};
    QTest::newRow("version 3") << file(3, 2, 1, {1, 2}) << QVector<float>{};
    QTest::newRow("header cut short") << file(2, 2, 1, {}).left(14) << QVector<float>{};
    QTest::newRow("sample cut short") << file(2, 2, 1, {1, 2}).left(23) << QVector<float>{};
    QTest::newRow("version 1 cut short") << file(1, 2, 1, {}) + QByteArray(3, '\1') << QVector<float>{};
    QTest::newRow("negative size") << file(2, -2, -1, {1, 2}) << QVector<float>{};
    QTest::newRow("zero height") << file(2, 2, 0, {1, 2}) << QVector<float>{};
    QTest::newRow("larger than the file") << file(2, 65536, 65536, {1, 2}) << QVector<float>{};
    QTest::newRow("overflowing size") << file(2, 0x7FFFFFFF, 0x7FFFFFFF, {1, 2}) << QVector<float>{};
    QTest::newRow("NaN sample") << file(2, 2, 1, {1, nan}) << QVector<float>{};
    QTest::newRow("infinite sample") << file(2, 2, 1, {-inf, 1}) << QVector<float>{};
}

void TestPtrFile::readsOrRefusesFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVector<float>, samples);
    std::vector<float> read;
    QCOMPARE(readBack(bytes, read).code(), samples.isEmpty() ? FileResult::LoadFailed : FileResult::Ok);
    QCOMPARE(QVector<float>(read.begin(), read.end()), samples);
}

void TestPtrFile::rangesNeverZeroForNonFlatReliefs()
{
    // A relief under one cell deep (or scaled below it) still gets a range
    // of 1, so it does not read back a million times too tall.
    const int most = std::numeric_limits<int>::max();
    struct Case
    {
        float low, high;
        double zScale;
        int exportRange, handOverRange;
    };
    const Case cases[] = {{0.5f, 0.5f, 1.0, 0, 1},    {0, 10.7f, 2.0, 21, 10}, {0, 0.25f, 1.0, 1, 1},
                          {0, 10.0f, 0.05, 1, 10},    {0, 10.0f, 0.0, 1, 10},  {0, 3e9f, 1.0, most, most}};
    for (const Case& c : cases) {
        const auto relief = makeRelief({c.low, c.high}, c.zScale);
        QCOMPARE(PtrFile::exportRange(*relief), c.exportRange);
        QCOMPARE(PtrFile::handOverRange(*relief), c.handOverRange);
    }
}

void TestPtrFile::writtenBytesAndKeys()
{
    const auto pair = makeRelief({1.0f, 3.0f});
    QCOMPARE(written(*pair, PtrFile::exportRange(*pair)).toHex(),
             QByteArray("00000002" "00000002" "00000001" "00000002" "00000000" "00008049"));

    const auto relief = makeRelief({0.0f, 1.0f, 2.0f, 3.0f, 5e-7f, 8.0f});
    std::vector<float> plain, keyed, wrongKey;
    QCOMPARE(readBack(written(*relief, 8), plain).code(), FileResult::Ok);
    QCOMPARE(plain[4], 0.0f);   // 5e-7 / 8 * 2^20 is below 0.1
    QCOMPARE(plain[5], 1048576.0f);
    const QByteArray scrambled = written(*relief, 8, "9876543210");
    QCOMPARE(scrambled.left(16), written(*relief, 8).left(16));
    QVERIFY(scrambled != written(*relief, 8));
    QCOMPARE(readBack(scrambled, keyed, "9876543210").code(), FileResult::Ok);
    QCOMPARE(keyed, plain);
    // The wrong key differs in bit 1; its garbage may even decode to a
    // refused sample.
    QVERIFY(!readBack(scrambled, wrongKey, "9876543208").ok() || wrongKey != plain);
    // A key that is not a number gives zero samples.
    QCOMPARE(written(*relief, 8, "not a key").mid(16), QByteArray(24, '\0'));
    QCOMPARE(readBack(written(*relief, 8), keyed, "12x").code(), FileResult::Ok);
    QCOMPARE(keyed, std::vector<float>(6, 0.0f));
}

void TestPtrFile::loadAndSaveThroughFiles()
{
    QTemporaryDir dir;
    const auto relief = makeRelief({2.0f, 3.0f, 6.0f, 4.0f}, 2.0);
    const QString path = dir.filePath("relief.ptr");
    QCOMPARE(PtrFile::save(path, *relief, PtrFile::exportRange(*relief), QString()).code(), FileResult::Ok);
    std::unique_ptr<ReliefSource> source;
    QCOMPARE(PtrFile::load(path, QString(), source).code(), FileResult::Ok);
    QVERIFY(source && source->dirty && source->tiltDirty);
    QCOMPARE(source->heightScale, 8.0);
    double top = 0.0;
    for (uint32_t x = 0; x < source->width; ++x)
        top = std::max(top, source->sample(x, 0, true));
    QCOMPARE(top, 8.0);

    const FileResult unwritable = PtrFile::save(dir.filePath("missing/relief.ptr"), *relief, 2, QString());
    QCOMPARE(unwritable.code(), FileResult::OpenFailed);
    QCOMPARE(unwritable.title(), QStringLiteral("Open Failed"));
    source.reset();
    QCOMPARE(PtrFile::load(dir.filePath("absent.ptr"), QString(), source).code(), FileResult::OpenFailed);
    QVERIFY(!source);
}

void TestPtrFile::failedExportKeepsThePreviousFile_data()
{
    QTest::addColumn<int>("room");
    QTest::newRow("nothing") << 0;
    QTest::newRow("the version") << 4;
    QTest::newRow("the header") << 16;
    QTest::newRow("the first block of samples") << 16 + 16384 * 4;
}

void TestPtrFile::failedExportKeepsThePreviousFile()
{
    QFETCH(int, room);
    const Relief big(200, 200);
    RefusingDevice device(room);
    QCOMPARE(PtrFile::write(device, big, 1, QString()).code(), FileResult::SaveFailed);
    RefusingDevice keyed(room);
    QCOMPARE(PtrFile::write(keyed, big, 1, "12345").code(), FileResult::SaveFailed);

    // The same through a file: a size limit stops the save part-way, as a
    // full disk would, and the file written before stays as it was.
    QTemporaryDir dir;
    const QString path = dir.filePath("relief.ptr");
    const auto small = makeRelief({2.0f, 3.0f});
    QCOMPARE(PtrFile::save(path, *small, 7, QString()).code(), FileResult::Ok);
    FileResult result;
    {
        FileSizeLimit limit(static_cast<rlim_t>(room));
        result = PtrFile::save(path, big, 1, QString());
    }
    QCOMPARE(result.code(), FileResult::SaveFailed);
    QCOMPARE(result.title(), QStringLiteral("Save Failed"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), written(*small, 7).toHex());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"relief.ptr"});
}

// Such a height made an export of zero samples and the largest range.
void TestPtrFile::nonFiniteHeightIsRefusedBeforeWriting_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("key");
    QTest::newRow("infinite, export") << std::numeric_limits<float>::infinity() << QString();
    QTest::newRow("not a number, export") << std::numeric_limits<float>::quiet_NaN() << QString();
    QTest::newRow("infinite below, hand-over") << -std::numeric_limits<float>::infinity() << "12345";
}

void TestPtrFile::nonFiniteHeightIsRefusedBeforeWriting()
{
    QFETCH(float, value);
    QFETCH(QString, key);
    const auto relief = makeRelief({2.0f, value, 3.0f});
    const qint32 range = key.isEmpty() ? PtrFile::exportRange(*relief) : PtrFile::handOverRange(*relief);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(PtrFile::write(buffer, *relief, range, key).code(), FileResult::SaveFailed);
    QCOMPARE(buffer.data(), QByteArray());

    QTemporaryDir dir;
    const QString path = dir.filePath("relief.ptr");
    const auto small = makeRelief({2.0f, 3.0f});
    QCOMPARE(PtrFile::save(path, *small, 7, key).code(), FileResult::Ok);
    const FileResult result = PtrFile::save(path, *relief, range, key);
    QCOMPARE(result.code(), FileResult::SaveFailed);
    QCOMPARE(result.title(), QStringLiteral("Save Failed"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), written(*small, 7, key).toHex());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"relief.ptr"});
}

QTEST_GUILESS_MAIN(TestPtrFile)
#include "tst_ptrfile.moc"
