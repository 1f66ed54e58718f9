#include "base/logfile.h"
#include "files/refusingdevice.h"
#include "mesh/facetshape.h"
#include "mesh/objfilereader.h"
#include "mesh/objfilewriter.h"
#include "meshtestutil.h"

#include <QFile>
#include <QTextStream>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

using VekMath::Vector3d;

namespace {

const QByteArray nineVertices = "v 1 0 0\nv 2 0 0\nv 3 0 0\nv 0 1 0\nv 0 2 0\nv 0 3 0\nv 0 0 1\nv 0 0 2\nv 0 0 3\n";

std::unique_ptr<FacetShape> read(QByteArray text)
{
    QTextStream in(&text, QIODevice::ReadOnly);
    ObjFileReader reader(&in);
    return std::unique_ptr<FacetShape>(reader.read());
}

QString logText()
{
    LogFile::flush();
    QFile file(LogFile::filePath());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

QString written(const std::function<bool(QTextStream&)>& write)
{
    QString text;
    QTextStream out(&text);
    if (!write(out))
        return "failed";
    out.flush();
    return text;
}

// A face through corners on a circle, one vertex a line, on the line after
// a comment that follows the vertices. It visits every step-th corner: a
// step of 1 makes it convex, a larger one a star crossing itself.
QByteArray roundFace(int corners, int step = 1)
{
    QByteArray text;
    for (int i = 0; i < corners; ++i) {
        const double a = 2 * M_PI * i / corners;
        text += "v " + QByteArray::number(std::cos(a)) + " " + QByteArray::number(std::sin(a)) + " 0\n";
    }
    text += "# the face\nf";
    for (int i = 0; i < corners; ++i)
        text += " " + QByteArray::number(i * step % corners + 1);
    return text + "\n";
}

// Ten faces through 16000 corners on a line but two slightly off it, so
// that each face's closing edge runs through nearly all its corners.
QByteArray facesAlongALine()
{
    const int corners = 16000;
    QByteArray text;
    for (int i = 0; i < corners; ++i)
        text += "v " + QByteArray::number(i) + (i == corners / 3 ? " 0.001 0\n" : i == 2 * corners / 3 ? " -0.001 0\n" : " 0 0\n");
    QByteArray face = "f";
    for (int i = 1; i <= corners; ++i)
        face += " " + QByteArray::number(i);
    return text + (face + "\n").repeated(10);
}

// Faces of teeth side by side along x, from y = 0 to 1000 and back, z
// falling along each tooth's way out as it rises along its way back: seen
// along z they cross nowhere, seen along x, the axis the tessellator takes,
// every long edge crosses every other.
QByteArray combFaces(int teeth, int faces)
{
    QByteArray text;
    int corners = 0;
    const auto corner = [&](double x, double y, double z) {
        // A little unevenness keeps the long edges from all meeting in one point.
        z += 1e-4 * (corners++ * 7 % 11);
        text += "v " + QByteArray::number(x) + " " + QByteArray::number(y) + " " + QByteArray::number(z, 'f', 6) + "\n";
    };
    for (int k = 0; k < teeth; ++k) {
        corner(0.002 * k, 0, k);
        corner(0.002 * k, 1000, -1.01 * k);
        corner(0.002 * k + 0.001, 1000, -1.01 * k - 0.5);
        corner(0.002 * k + 0.001, 0, k + 0.5);
    }
    corner(0.002 * teeth, -1, 0);
    corner(0, -1, 0);
    QByteArray face = "f";
    for (int i = 1; i <= corners; ++i)
        face += " " + QByteArray::number(i);
    return text + (face + "\n").repeated(faces);
}

// A star through corners on the sides of a square: along one axis each lies
// beyond 1e154, where products of the numbers overflow, and within 1e150
// along the other.
QByteArray farStar(int corners, int step)
{
    QByteArray text;
    for (int i = 0; i < corners; ++i) {
        const double a = 2 * M_PI * (i + 0.5) / corners;
        const double c = std::cos(a), s = std::sin(a), m = std::max(std::fabs(c), std::fabs(s));
        const auto far = [m](double t) { return std::fabs(t) == m ? std::copysign(1e160, t) : t / m * 1e150; };
        text += "v " + QByteArray::number(far(c), 'g', 17) + " " + QByteArray::number(far(s), 'g', 17) + " 0\n";
    }
    text += "# the face\nf";
    for (int i = 0; i < corners; ++i)
        text += " " + QByteArray::number(i * step % corners + 1);
    return text + "\n";
}

// A face of k edges along x and k along y crossing each other k * k times
// within 1e-168 of the origin, closed through two corners 1 away from it:
// the products that tell those crossings apart are below the smallest
// double.
QByteArray tinyGrid(int k)
{
    QByteArray text;
    const auto corner = [&text](double x, double y) {
        text += "v " + QByteArray::number(x * 1e-170, 'g', 17) + " " + QByteArray::number(y * 1e-170, 'g', 17) + " 0\n";
    };
    const double length = k + 1;
    for (int j = 0; j < k; ++j) {
        corner(j % 2 ? length : 0, j + 0.5);
        corner(j % 2 ? 0 : length, j + 0.5);
    }
    corner(length + 1, length + 1);
    for (int i = k - 1; i >= 0; --i) {
        const bool up = (k - 1 - i) % 2 == 0;
        corner(i + 0.75, up ? length + 0.5 : -0.5);
        corner(i + 0.75, up ? -0.5 : length + 0.5);
    }
    corner(-1, -1);
    text += "v 1 -1 0\nv -1 -1 0\nf";
    for (int i = 1; i <= 4 * k + 4; ++i)
        text += " " + QByteArray::number(i);
    return text + "\n";
}

// Faces going laps times round corners on one line, visiting every
// step-th, then a unit triangle; slope 0 puts the line along x.
QByteArray lineFaces(int corners, int step, double slope, int laps, int faces)
{
    QByteArray text;
    for (int i = 0; i < corners; ++i)
        text += "v " + QByteArray::number(i) + " " + QByteArray::number(slope * i) + " 0\n";
    QByteArray face = "f";
    for (int i = 0; i < corners * laps; ++i)
        face += " " + QByteArray::number(i * step % corners + 1);
    return text + (face + "\n").repeated(faces) + "v 0 0 1\nv 1 0 1\nv 0 1 1\nf -3 -2 -1\n";
}

// A vertex record that reads back as exactly p.
QByteArray vertexLine(const Vector3d& p)
{
    return "v " + QByteArray::number(p.x, 'g', 17) + " " + QByteArray::number(p.y, 'g', 17) + " "
         + QByteArray::number(p.z, 'g', 17) + "\n";
}

// A face through the first corners vertices in order.
QByteArray faceLine(int corners)
{
    QByteArray text = "f";
    for (int i = 1; i <= corners; ++i)
        text += " " + QByteArray::number(i);
    return text + "\n";
}

// A face through corners on a circle of the given radius about the origin
// and one corner 1 away from it.
QByteArray circleBesideCorner(int corners, double radius)
{
    QByteArray text;
    for (int i = 0; i < corners; ++i) {
        const double a = 2 * M_PI * i / corners;
        text += vertexLine(Vector3d(radius * std::cos(a), radius * std::sin(a), 0));
    }
    return text + "v 1 0 0\n" + faceLine(corners + 1);
}

} // namespace

class TestObjFile : public QObject
{
    Q_OBJECT

private slots:
    void facesAreTheirNamedVertices_data();
    void facesAreTheirNamedVertices();
    void badFilesAreRefusedWithTheirMessage_data();
    void badFilesAreRefusedWithTheirMessage();
    void lineEndsDoNotMatter();
    void polygonsAreSplitCoveringTheirArea_data();
    void polygonsAreSplitCoveringTheirArea();
    void scaledFaceGivesItsFacetsScaled_data();
    void scaledFaceGivesItsFacetsScaled();
    void largeFaceOfTinyNumbersIsSplit();
    void crossingAtTheLargestDoubleStaysInItsPlane();
    void writersNumberVerticesAndDropZeroTriangles();
    void writersReportARefusedWrite_data();
    void writersReportARefusedWrite();
};

void TestObjFile::facesAreTheirNamedVertices_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QVector<Vector3d>>("corners");
    QTest::newRow("plain") << nineVertices + "f 1 2 3\n" << QVector<Vector3d>{{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    QTest::newRow("texture and normal") << nineVertices + "f 1/2/3 4/5/6 7/8/9\n"
                                        << QVector<Vector3d>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    QTest::newRow("normal only") << nineVertices + "f 1//1 5//2 9//3\n"
                                 << QVector<Vector3d>{{1, 0, 0}, {0, 2, 0}, {0, 0, 3}};
    QTest::newRow("counted back") << "v 9 9 9\n" + nineVertices + "f -3 -2 -1\nv 7 7 7\n"
                                  << QVector<Vector3d>{{0, 0, 1}, {0, 0, 2}, {0, 0, 3}};
    QTest::newRow("vertices defined later") << "f 1 2 3\n" + nineVertices
                                            << QVector<Vector3d>{{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    QTest::newRow("other records skipped")
        << "# a comment v 5 5 5\n\nvn 0 0 1\nvt 0 0\ng group\nusemtl m\n" + nineVertices + "s off\nf 7 8 9\n"
        << QVector<Vector3d>{{0, 0, 1}, {0, 0, 2}, {0, 0, 3}};
    QTest::newRow("tabs and no final line end") << nineVertices + "f\t1 \t 4\t7"
                                                << QVector<Vector3d>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    QTest::newRow("no faces") << nineVertices << QVector<Vector3d>();
    const QByteArray face = "\nv 0 0 0\nv 0 0 1\nf 1 2 3\n";
    QTest::newRow("weight") << "v 2 4 6 2" + face << QVector<Vector3d>{{1, 2, 3}, {0, 0, 0}, {0, 0, 1}};
    QTest::newRow("weight 0") << "v 2 4 6 0" + face << QVector<Vector3d>{{2, 4, 6}, {0, 0, 0}, {0, 0, 1}};
    QTest::newRow("colour") << "v 2 4 6 0.5 0.25 1" + face << QVector<Vector3d>{{2, 4, 6}, {0, 0, 0}, {0, 0, 1}};
    QTest::newRow("number forms") << "v +1.5e2 -.25 3." + face << QVector<Vector3d>{{150, -0.25, 3}, {0, 0, 0}, {0, 0, 1}};
}

void TestObjFile::facesAreTheirNamedVertices()
{
    QFETCH(QByteArray, text);
    QFETCH(QVector<Vector3d>, corners);
    const std::unique_ptr<FacetShape> shape = read(text);
    QVERIFY(shape);
    QCOMPARE(cornersOf(*shape), corners);
}

void TestObjFile::badFilesAreRefusedWithTheirMessage_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("short face") << QByteArray("v 0 0 0\nv 1 0 0\nf 1 2\n") << "face with less than 3 vertices";
    QTest::newRow("word as index") << nineVertices + "f 1 x 3\n" << "bad vertex id (x)";
    QTest::newRow("index 0") << nineVertices + "f 0 1 2\n" << "bad vertex id (0)";
    QTest::newRow("index beyond") << nineVertices + "f 1 2 10\n" << "bad vertex id (10)";
    QTest::newRow("count back beyond") << nineVertices + "f -1 -2 -10\n" << "bad vertex id (-10)";
    QTest::newRow("index beyond int") << nineVertices + "f 1 2 99999999999\n" << "bad vertex id (99999999999)";
    QTest::newRow("nan") << QByteArray("v 0 nan 0\n") << "bad double (nan)";
    QTest::newRow("inf") << QByteArray("v 0 0 -inf\n") << "bad double (-inf)";
    QTest::newRow("word as number") << QByteArray("v 0 1,5 0\n") << "bad double (1,5)";
    QTest::newRow("missing number") << QByteArray("v 0 1\nv 0 0 0\n") << "bad double ()";
    QTest::newRow("weight overflows") << QByteArray("v 1e300 0 0 1e-300\n") << "bad double (1e-300)";
    QTest::newRow("face beyond the corner limit")
        << roundFace(ObjFileReader::MaxFaceCorners + 1)
        << QStringLiteral("face with more than %1 vertices on line %2")
               .arg(ObjFileReader::MaxFaceCorners)
               .arg(ObjFileReader::MaxFaceCorners + 3);
    // 301 corners, and 301 x 99 crossings that the splitting makes corners of.
    QTest::newRow("face crossing itself too often") << roundFace(301, 100)
                                                    << QStringLiteral("face crossing itself too often on line 303");
    QTest::newRow("faces along their closing edge") << facesAlongALine()
                                                    << QStringLiteral("face crossing itself too often on line 16001");
    // Two faces each within the corner limit, together splitting as much as
    // two faces of it.
    const QByteArray round = roundFace(11586);
    QTest::newRow("faces too large in all") << round + round.mid(round.lastIndexOf("\nf ") + 1)
                                            << QStringLiteral("faces too large in all to split on line 11589");
    // Each crossing along the tessellator's axis, not along the faces'
    // normals, where they cross nowhere, is paid for.
    QTest::newRow("comb face of 512 teeth") << combFaces(512, 1)
                                            << QStringLiteral("face crossing itself too often on line 2051");
    QTest::newRow("comb face of 1024 teeth") << combFaces(1024, 1)
                                             << QStringLiteral("face crossing itself too often on line 4099");
    QTest::newRow("5000 comb faces of 31 teeth") << combFaces(31, 5000)
                                                 << QStringLiteral("faces too large in all to split on line 144");
    // Crossings are counted however large or small the numbers, and so are
    // corners that seem on edges to the tessellator, its products vanishing.
    QTest::newRow("star beyond 1e154") << farStar(1042, 347)
                                       << QStringLiteral("face crossing itself too often on line 1044");
    QTest::newRow("crossings 1e-170 apart") << tinyGrid(300)
                                            << QStringLiteral("face crossing itself too often on line 1205");
    QTest::newRow("circle 1e-161 across beside a corner 1 away")
        << circleBesideCorner(16383, 1e-161) << QStringLiteral("face crossing itself too often on line 16385");
    QTest::newRow("long word quoted in part") << "v 0 " + QByteArray(100000, 'x') + " 0\n"
                                              << "bad double (" + QString(64, 'x') + "...)";
}

void TestObjFile::badFilesAreRefusedWithTheirMessage()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    const int before = logText().size();
    QVERIFY(!read(text));
    QVERIFY2(logText().mid(before).contains("Warning: ObjFileReader: " + message + "\n"),
             qPrintable(logText().mid(before)));
}

void TestObjFile::lineEndsDoNotMatter()
{
    const QByteArray lf = "# note\n" + nineVertices + "f 1 2 3\nf 4 5 6 7\n\nf 7 8 9 2\n";
    const std::unique_ptr<FacetShape> a = read(lf);
    QVERIFY(a);
    for (const QByteArray& end : {QByteArray("\r\n"), QByteArray("\r"), QByteArray("\r\n\r\n")}) {
        const std::unique_ptr<FacetShape> b = read(QByteArray(lf).replace("\n", end));
        QVERIFY2(b, end.toHex().constData());
        QCOMPARE(cornersOf(*b), cornersOf(*a));
    }
}

void TestObjFile::polygonsAreSplitCoveringTheirArea_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("facets");
    QTest::addColumn<double>("area");
    // The side the corners run anticlockwise seen from, which no facet may
    // turn its back on.
    QTest::addColumn<Vector3d>("facing");
    QTest::newRow("square") << QByteArray("v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nf 1 2 3 4\n") << 2 << 4.0
                            << Vector3d(0, 0, 1);
    QTest::newRow("square listed clockwise") << QByteArray("v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nf 4 3 2 1\n") << 2
                                             << 4.0 << Vector3d(0, 0, -1);
    // An L of three unit squares, concave at (1, 1).
    QTest::newRow("concave L") << QByteArray("v 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nv 1 2 0\nv 0 2 0\nf 1 2 3 4 5 6\n")
                               << 4 << 3.0 << Vector3d(0, 0, 1);
    QTest::newRow("tilted concave") << QByteArray("v 0 0 0\nv 0 2 0\nv 0 2 1\nv 0 1 1\nv 0 1 2\nv 0 0 2\nf 1 2 3 4 5 6\n")
                                    << 4 << 3.0 << Vector3d(1, 0, 0);
    // A face whose corners lie on a line encloses nothing: it gives no
    // facets, and the rest of the file is read.
    QTest::newRow("face on a line along an axis") << lineFaces(200, 1, 0, 1, 1) << 1 << 0.5 << Vector3d(0, 0, 1);
    QTest::newRow("face back and forth on a slanted line") << lineFaces(300, 37, 2, 1, 1) << 1 << 0.5
                                                           << Vector3d(0, 0, 1);
    QTest::newRow("faces back and forth between two corners") << lineFaces(2, 1, 0, 8000, 50) << 1 << 0.5
                                                              << Vector3d(0, 0, 1);
    QTest::newRow("corner listed twice") << QByteArray("v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nf 1 2 2 3 4\n") << 2 << 4.0
                                         << Vector3d(0, 0, 1);
}

void TestObjFile::polygonsAreSplitCoveringTheirArea()
{
    QFETCH(QByteArray, text);
    QFETCH(int, facets);
    QFETCH(double, area);
    QFETCH(Vector3d, facing);
    const std::unique_ptr<FacetShape> shape = read(text);
    QVERIFY(shape);
    QCOMPARE(shape->facetCount(), facets);
    double sum = 0;
    for (const Facet& f : shape->facets()) {
        const Vector3d twice = Vector3d::cross(f.corners[1] - f.corners[0], f.corners[2] - f.corners[0]);
        QVERIFY(Vector3d::dot(twice, facing) >= 0);
        sum += twice.length() / 2;
    }
    QCOMPARE(sum, area);
}

void TestObjFile::scaledFaceGivesItsFacetsScaled_data()
{
    QTest::addColumn<QVector<Vector3d>>("face");
    // The facets of the face at scale 1, a new corner where its edges cross.
    QTest::addColumn<QVector<Vector3d>>("facets");
    QTest::addColumn<int>("exponent");
    // An L in the plane y = x + 0.1: its normal is as long along x as along
    // y, and rounding decides which axis it is split along.
    const QVector<Vector3d> l = {{-0.1, 0, 0.3}, {0.5, 0.6, 0.3}, {0.5, 0.6, 0.6},
                                 {0.2, 0.3, 0.6}, {0.2, 0.3, 0.9}, {-0.1, 0, 0.9}};
    const QVector<Vector3d> lFacets = {l[2], l[0], l[1], l[0], l[2], l[3], l[0], l[3], l[5], l[5], l[3], l[4]};
    const QVector<Vector3d> tie = {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}};
    const QVector<Vector3d> tieFacets = {{1, 1, 0}, tie[3], tie[0], tie[1], {1, 1, 0}, tie[2]};
    for (int exponent : {0, -500, -1000, 500}) {
        QTest::addRow("L in a 45-degree plane, 2^%d", exponent) << l << lFacets << exponent;
        QTest::addRow("bow tie, 2^%d", exponent) << tie << tieFacets << exponent;
    }
}

void TestObjFile::scaledFaceGivesItsFacetsScaled()
{
    QFETCH(QVector<Vector3d>, face);
    QFETCH(QVector<Vector3d>, facets);
    QFETCH(int, exponent);
    const auto scaled = [exponent](const Vector3d& p) {
        return Vector3d(std::ldexp(p.x, exponent), std::ldexp(p.y, exponent), std::ldexp(p.z, exponent));
    };
    QByteArray text;
    for (const Vector3d& p : face)
        text += vertexLine(scaled(p));
    const std::unique_ptr<FacetShape> shape = read(text + faceLine(face.size()));
    QVERIFY(shape);
    QVector<Vector3d> expected;
    for (const Vector3d& p : facets)
        expected << scaled(p);
    QCOMPARE(cornersOf(*shape), expected);
}

void TestObjFile::largeFaceOfTinyNumbersIsSplit()
{
    // A band zigzagging out and back, its corners 1e-300 apart.
    const int corners = ObjFileReader::MaxFaceCorners;
    QByteArray text;
    for (int i = 0; i < corners; ++i) {
        const int along = i < corners / 2 ? i : corners - 1 - i;
        const int across = along % 2 + (i < corners / 2 ? 0 : 3);
        text += vertexLine(Vector3d(along * 1e-300, across * 1e-300, 0));
    }
    const std::unique_ptr<FacetShape> shape = read(text + faceLine(corners));
    QVERIFY(shape);
    QCOMPARE(shape->facetCount(), corners - 2);
}

void TestObjFile::crossingAtTheLargestDoubleStaysInItsPlane()
{
    // A face crossing itself in the plane x = the largest double.
    const QByteArray corners = "v 1.7976931348623157e308 0 -6e307\nv 1.7976931348623157e308 -11e307 -1e307\n"
                               "v 1.7976931348623157e308 -4e307 -16e307\nv 1.7976931348623157e308 -1e307 0\n";
    const std::unique_ptr<FacetShape> shape = read(corners + faceLine(4));
    QVERIFY(shape);
    QCOMPARE(shape->facetCount(), 2);
    for (const Vector3d& p : cornersOf(*shape))
        QVERIFY2(std::isfinite(p.x) && p.x > 1.79e308, qPrintable(QString::number(p.x)));
}

void TestObjFile::writersNumberVerticesAndDropZeroTriangles()
{
    const float heights[] = {1, 1, 1, 0};
    QCOMPARE(written([&](QTextStream& out) { return writeHeightFieldObj(out, 2, 2, 2.0, heights); }),
             QString("#Export from Quillon Morvane2\n"
                     "v 0.00000 0.00000 0.0156250\n"
                     "v 0.00781250 0.00000 0.0156250\n"
                     "v 0.00000 0.00781250 0.0156250\n"
                     "v 0.00781250 0.00781250 0.00000\n"
                     "f 1 2 3\n"));
    const float row[] = {5, 5, 5};
    QCOMPARE(written([&](QTextStream& out) { return writeHeightFieldObj(out, 3, 1, 1.0, row); }).count("\nf "), 0);

    const FacetShape shape = shapeOf({{0, 1, 1234567}, {1.0 / 128, -2.5, 1e-5}, {-0.0, 1.015625, -1636.125}, {3, 3, 3}, {4, 3, 3}, {3, 4, 3}});
    QCOMPARE(written([&](QTextStream& out) { return writeFacetShapeObj(out, shape); }),
             QString("#Export from Quillon Morvane2\n"
                     "v 0.00000 1.00000 1.23457e+06\n"
                     "v 0.00781250 -2.50000 1.00000e-05\n"
                     "v 0.00000 1.01563 -1636.13\n"
                     "f 1 2 3\n"
                     "v 3.00000 3.00000 3.00000\n"
                     "v 4.00000 3.00000 3.00000\n"
                     "v 3.00000 4.00000 3.00000\n"
                     "f 4 5 6\n"));
}

void TestObjFile::writersReportARefusedWrite_data()
{
    QTest::addColumn<bool>("facets");
    QTest::addColumn<int>("room");
    QTest::addColumn<bool>("ok");
    // Both outputs are far shorter than the text stream's buffer, so the
    // device sees them only when the writer flushes.
    for (bool facets : {false, true}) {
        const char* writer = facets ? "facets" : "height field";
        QTest::addRow("%s, nothing", writer) << facets << 0 << false;
        QTest::addRow("%s, the header line", writer) << facets << 30 << false;
        QTest::addRow("%s, enough", writer) << facets << 4096 << true;
    }
}

void TestObjFile::writersReportARefusedWrite()
{
    QFETCH(bool, facets);
    QFETCH(int, room);
    QFETCH(bool, ok);
    const float heights[] = {1, 2, 3, 4};
    const FacetShape shape = shapeOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    RefusingDevice device(room);
    QTextStream out(&device);
    QCOMPARE(facets ? writeFacetShapeObj(out, shape) : writeHeightFieldObj(out, 2, 2, 1.0, heights), ok);
    if (ok) {
        const QString expected = written([&](QTextStream& text) {
            return facets ? writeFacetShapeObj(text, shape) : writeHeightFieldObj(text, 2, 2, 1.0, heights);
        });
        QCOMPARE(QString::fromLatin1(device.taken), expected);
    }
}

QTEST_GUILESS_MAIN(TestObjFile)
#include "tst_objfile.moc"
