#include "files/refusingdevice.h"
#include "mesh/facetshape.h"
#include "mesh/stlfilereader.h"
#include "mesh/stlfilewriter.h"
#include "meshtestutil.h"

#include <QBuffer>
#include <QDataStream>
#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>

using VekMath::Vector3d;

namespace {

const QByteArray asciiFacet = "facet normal 0 0 1\n"
                              "  outer loop\n"
                              "    vertex 0 0 0\n"
                              "    vertex 1.5 0 0\n"
                              "    vertex 0 2.5e-1 -3\n"
                              "  endloop\n"
                              "endfacet\n";

QByteArray ascii(const QByteArray& body)
{
    return "solid part\n" + body + "endsolid part\n";
}

// Binary STL of n facets (0,0,0), (value,0,0), (0,1,0) with the given count field.
QByteArray binary(int n, qint32 count, float value = 1.0f)
{
    QByteArray bytes(80, '\0');
    char le[4];
    qToLittleEndian(count, le);
    bytes.append(le, 4);
    for (int i = 0; i < n; ++i) {
        for (float f : {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, value, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f}) {
            qToLittleEndian(f, le);
            bytes.append(le, 4);
        }
        bytes.append(2, '\0');
    }
    return bytes;
}

std::unique_ptr<FacetShape> read(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    StlFileReader reader(&in);
    return std::unique_ptr<FacetShape>(readStl(reader));
}

// As long as a binary STL of the given count, zeros after the count, without
// holding the bytes.
class LongStlDevice : public QIODevice
{
public:
    explicit LongStlDevice(qint32 count) : count(count) { open(QIODevice::ReadOnly); }
    qint64 size() const override { return 84 + 50 * qint64(count); }
    bool isSequential() const override { return false; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, size() - pos());
        for (qint64 i = 0; i < n; ++i) {
            const qint64 at = pos() + i;
            data[i] = at >= 80 && at < 84 ? char((count >> (8 * (at - 80))) & 0xff) : '\0';
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint32 count;
};

QByteArray written(const std::function<bool(QDataStream&)>& write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    return write(out) ? bytes : QByteArray("failed");
}

} // namespace

class TestStlFile : public QObject
{
    Q_OBJECT

private slots:
    void linesAreSimplifiedLatin1();
    void detectionAndMalformedFiles_data();
    void detectionAndMalformedFiles();
    void numbersAreReadExactly();
    void lineEndsDoNotMatter();
    void countBeyondAShapeIsRefused();
    void facetWriterIsByteExactWithItsHeaderCut();
    void heightFieldWriterKeepsTrianglesWithAHeight_data();
    void heightFieldWriterKeepsTrianglesWithAHeight();
    void writersReportARefusedWrite_data();
    void writersReportARefusedWrite();
    void streamedFacetsWriteAsTheirShapeAndFailWhenTheyRunOut();
};

void TestStlFile::linesAreSimplifiedLatin1()
{
    // Random text rich in white space and line ends, long enough to cross the
    // reader's buffer, against lines cut by hand and simplified by Qt.
    std::mt19937 rng(99);
    const char alphabet[] = "ab \t\r\n\v\f\x85\xa0\x01\x00xyz   \n\n";
    for (int round = 0; round < 50; ++round) {
        QByteArray data;
        const int size = int(rng() % 3000);
        for (int i = 0; i < size; ++i)
            data += rng() % 4 ? alphabet[rng() % (sizeof alphabet - 1)] : char('c' + rng() % 20);
        int pos = 0;
        char pushed = 0;
        auto get = [&]() -> char {
            const char c = pushed ? pushed : pos < data.size() ? data[pos++] : '\0';
            pushed = 0;
            return c;
        };
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QDataStream in(&buffer);
        StlFileReader reader(&in);
        while (pos < data.size() || pushed) {
            const int limit = rng() % 8 ? 80 : int(rng() % 100);
            QByteArray raw;
            while (raw.size() < limit) {
                const char c = get();
                if (c == '\n' || c == '\r') {
                    const char next = get();
                    if (next != (c == '\n' ? '\r' : '\n'))
                        pushed = next;
                    break;
                }
                raw += c;
            }
            QCOMPARE(reader.readLine(limit), QString::fromLatin1(raw.constData(), raw.size()).simplified());
        }
    }
}

void TestStlFile::detectionAndMalformedFiles_data()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("facets");  // -1: refused

    QTest::newRow("ascii") << ascii(asciiFacet + asciiFacet) << 2;
    QTest::newRow("ascii without endsolid") << "solid x\n" + asciiFacet << 1;
    QTest::newRow("ascii with one byte after its last line end") << ascii(asciiFacet) + ' ' << 1;
    QTest::newRow("ascii unfinished facet dropped") << "solid x\n" + asciiFacet + "facet normal 0 0 1\nouter loop\n" << 1;
    QTest::newRow("ascii indented keywords") << QByteArray("   solid   x\n  facet   normal 0  0 1\nouter loop\n vertex 0 0 0\n"
                                                           "vertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n") << 1;
    QTest::newRow("solid without its space") << "solid\n" + asciiFacet + "endsolid\n" << -1;
    QTest::newRow("first line beyond 80 characters") << ascii(asciiFacet).replace("part", QByteArray(80, 'p')) << -1;
    QTest::newRow("ascii without facets") << ascii("") << -1;
    QTest::newRow("two solids") << ascii(asciiFacet) + ascii(asciiFacet) << -1;
    QTest::newRow("normal of two numbers") << ascii(QByteArray(asciiFacet).replace("0 0 1", "0 1")) << -1;
    QTest::newRow("missing endloop") << ascii(QByteArray(asciiFacet).replace("  endloop\n", "")) << -1;
    QTest::newRow("word for a number counts as 0") << ascii(QByteArray(asciiFacet).replace("1.5", "one")) << 1;
    QTest::newRow("ascii nan") << ascii(QByteArray(asciiFacet).replace("1.5", "nan")) << -1;
    QTest::newRow("ascii inf") << ascii(QByteArray(asciiFacet).replace("1.5", "-inf")) << -1;
    QTest::newRow("ascii overflow") << ascii(QByteArray(asciiFacet).replace("1.5", "1e999")) << -1;

    QTest::newRow("binary of 0 facets") << binary(0, 0) << 0;
    QTest::newRow("binary of 1 facet") << binary(1, 1) << 1;
    QTest::newRow("binary of 3 facets") << binary(3, 3) << 3;
    QTest::newRow("binary one byte long") << binary(2, 2) + '\0' << -1;
    QTest::newRow("binary one byte short") << binary(2, 2).chopped(1) << -1;
    QTest::newRow("binary count too high") << binary(2, 3) << -1;
    QTest::newRow("binary negative count") << binary(2, -1) << -1;
    QTest::newRow("binary nan") << binary(2, 2, nan) << -1;
    QTest::newRow("binary infinity") << binary(1, 1, inf) << -1;
    QTest::newRow("binary header beginning solid") << QByteArray("solid ").append(binary(1, 1).mid(6)) << 1;
    QTest::newRow("empty") << QByteArray() << -1;
}

void TestStlFile::detectionAndMalformedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, facets);
    const std::unique_ptr<FacetShape> shape = read(bytes);
    QCOMPARE(shape ? shape->facetCount() : -1, facets);
}

void TestStlFile::numbersAreReadExactly()
{
    const std::unique_ptr<FacetShape> text = read(ascii(asciiFacet));
    QVERIFY(text);
    QCOMPARE(text->facets()[0].normal, Vector3d(0, 0, 1));
    QCOMPARE(text->facets()[0].corners[1], Vector3d(1.5, 0, 0));
    QCOMPARE(text->facets()[0].corners[2], Vector3d(0, 0.25, -3));

    const FacetShape shape = shapeOf({{0.1, 0.2, 0.3}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}, {6, 5, 5}, {5, 6, -7}});
    const std::unique_ptr<FacetShape> back =
        read(written([&](QDataStream& out) { return writeFacetShapeStl(out, shape, "r"); }));
    QVERIFY(back);
    QCOMPARE(back->facetCount(), 2);
    QCOMPARE(back->facets()[0].corners[0], Vector3d(double(0.1f), double(0.2f), double(0.3f)));
    QCOMPARE(back->facets()[1].corners[2], Vector3d(5, 6, -7));
}

void TestStlFile::lineEndsDoNotMatter()
{
    const QByteArray lf = ascii(asciiFacet + asciiFacet);
    const std::unique_ptr<FacetShape> a = read(lf);
    for (const QByteArray& end : {QByteArray("\r\n"), QByteArray("\r"), QByteArray("\n\r")}) {
        const std::unique_ptr<FacetShape> b = read(QByteArray(lf).replace("\n", end));
        QVERIFY2(b, end.toHex().constData());
        QCOMPARE(b->facetCount(), 2);
        QCOMPARE(b->facets()[1].corners[2], a->facets()[1].corners[2]);
    }
}

void TestStlFile::countBeyondAShapeIsRefused()
{
    LongStlDevice device(FacetShape::MaxFacets + 1);
    QDataStream in(&device);
    StlFileReader reader(&in);
    QVERIFY(!readStl(reader));
}

void TestStlFile::facetWriterIsByteExactWithItsHeaderCut()
{
    FacetShape shape;
    shape.addFacet(Facet(Vector3d(1, 2, 3), Vector3d(0.5, -0.25, 1e10), Vector3d(-1, 0, 0), Vector3d(0, 0, 1)));
    const QByteArray expected = QByteArray("/part.stl") + QByteArray(71, '\0') +
                                QByteArray::fromHex("01000000"
                                                    "00000000" "00000000" "0000803f"   // normal
                                                    "0000803f" "00000040" "00004040"   // 1, 2, 3
                                                    "0000003f" "000080be" "f9021550"   // 0.5, -0.25, 1e10
                                                    "000080bf" "00000000" "00000000"   // -1, 0, 0
                                                    "0000");
    QCOMPARE(written([&](QDataStream& out) { return writeFacetShapeStl(out, shape, "/part.stl"); }).toHex(),
             expected.toHex());
    // Headers are cut at 80 bytes and at a NUL, in Latin-1.
    auto header = [](const QString& text) {
        return written([&](QDataStream& out) { return writeFacetShapeStl(out, FacetShape(), text); });
    };
    QCOMPARE(header(QString(100, 'a')), QByteArray(80, 'a') + QByteArray(4, '\0'));
    QCOMPARE(header(QString("ab") + QChar(0) + "cd").left(80), QByteArray("ab").append(78, '\0'));
    QCOMPARE(header(QString::fromUtf8("\xc3\xa9t\xc3\xa9")).left(80), QByteArray("\xe9t\xe9").append(77, '\0'));
}

void TestStlFile::heightFieldWriterKeepsTrianglesWithAHeight_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QVector<float>>("heights");
    QTest::addColumn<QByteArray>("body");  // everything after the header

    QTest::newRow("all zero") << 2 << 2 << QVector<float>{0, 0, 0, 0} << QByteArray::fromHex("00000000");
    QTest::newRow("width 1") << 1 << 3 << QVector<float>{1, 2, 3} << QByteArray::fromHex("00000000");
    QTest::newRow("height 1") << 3 << 1 << QVector<float>{1, 2, 3} << QByteArray::fromHex("00000000");
    // Heights 0, 0 / 0, 128 at zScale 2: only T2, (0,1)-(1,0)-(1,1), whose
    // far corner is 2 inches up.
    QTest::newRow("one raised corner")
        << 2 << 2 << QVector<float>{0, 0, 0, 128}
        << QByteArray::fromHex("01000000"
                               "c60435bf" "c60435bf" "c604353b"   // (-1, -1, 1/128) normalised
                               "00000000" "0000003c" "00000000"   // (0, 1/128, 0)
                               "0000003c" "00000000" "00000000"   // (1/128, 0, 0)
                               "0000003c" "0000003c" "00000040"   // (1/128, 1/128, 2)
                               "0000");
}

void TestStlFile::heightFieldWriterKeepsTrianglesWithAHeight()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QVector<float>, heights);
    QFETCH(QByteArray, body);
    const QByteArray bytes = written(
        [&](QDataStream& out) { return writeHeightFieldStl(out, width, height, 2.0, heights.constData(), "h"); });
    QCOMPARE(bytes.mid(80).toHex(), body.toHex());
}

void TestStlFile::writersReportARefusedWrite_data()
{
    // Two facets from either writer: 84 + 2 * 50 bytes.
    QTest::addColumn<int>("room");
    QTest::newRow("nothing") << 0;
    QTest::newRow("the header") << 80;
    QTest::newRow("all but the facets") << 84;
    QTest::newRow("all but the last byte") << 183;
    QTest::newRow("everything") << 184;
}

void TestStlFile::writersReportARefusedWrite()
{
    QFETCH(int, room);
    const float heights[] = {1, 2, 3, 4};
    const FacetShape shape = shapeOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}});
    const std::function<bool(QDataStream&)> writers[] = {
        [&](QDataStream& out) { return writeFacetShapeStl(out, shape, "h"); },
        [&](QDataStream& out) { return writeHeightFieldStl(out, 2, 2, 1.0, heights, "h"); },
        [&](QDataStream& out) {
            int i = 0;
            return writeFacetsStl(out, 2, [&](Facet* f) { *f = shape.facets()[i++]; return true; }, "h");
        }};
    for (const auto& write : writers) {
        RefusingDevice device(room);
        QDataStream out(&device);
        const QByteArray whole = written(write);
        QCOMPARE(whole.size(), 184);
        QCOMPARE(write(out), room >= whole.size());
        QCOMPARE(device.taken.toHex(), whole.left(device.taken.size()).toHex());
    }
}

void TestStlFile::streamedFacetsWriteAsTheirShapeAndFailWhenTheyRunOut()
{
    FacetShape shape = shapeOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.1, 0.2, 0.3}, {1e10, -2, 0.5}, {3, 4, 5}});
    auto streamed = [&](quint32 count, int supply, bool* ok) {
        int i = 0;
        return written([&](QDataStream& out) {
            *ok = writeFacetsStl(out, count, [&](Facet* f) {
                if (i == supply)
                    return false;
                *f = shape.facets()[i++];
                return true;
            }, "s");
            return *ok;
        });
    };
    bool ok = false;
    const QByteArray whole = streamed(2, 2, &ok);
    QVERIFY(ok);
    QCOMPARE(whole.toHex(), written([&](QDataStream& out) { return writeFacetShapeStl(out, shape, "s"); }).toHex());
    streamed(2, 1, &ok);
    QVERIFY(!ok);
}

QTEST_GUILESS_MAIN(TestStlFile)
#include "tst_stlfile.moc"
