#include "geomcompare.h"

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"

#include <QtTest>

#include <limits>

using namespace VekMath;

Q_DECLARE_METATYPE(VekMath::Vector2d)
Q_DECLARE_METATYPE(VekMath::Rect2d)
Q_DECLARE_METATYPE(VekMath::Rect2di)

namespace {

Rect2di corners(int x1, int y1, int x2, int y2)
{
    Rect2di r;
    r.setRect(x1, y1, x2, y2);
    return r;
}

Rect2d cornersD(double x1, double y1, double x2, double y2)
{
    Rect2d r;
    r.setRect(x1, y1, x2, y2);
    return r;
}

} // namespace

namespace QTest {
template <>
char* toString(const Rect2di& r)
{
    return qstrdup(qPrintable(QString("(%1, %2, %3, %4)").arg(r.x1).arg(r.y1).arg(r.x2).arg(r.y2)));
}
template <>
char* toString(const Rect2d& r)
{
    return qstrdup(qPrintable(QString("(%1, %2, %3, %4)").arg(r.x1).arg(r.y1).arg(r.x2).arg(r.y2)));
}
} // namespace QTest

class TestRectangles : public QObject
{
    Q_OBJECT

private slots:
    void emptiness_data();
    void emptiness();
    void unionWithRect_data();
    void unionWithRect();
    void takingInCellsGivesBoundingBox();
    void intersectedInt_data();
    void intersectedInt();
    void intersectedReal_data();
    void intersectedReal();
    void negativeSizeContainsNothing();
    void cellsCoveringRealRect_data();
    void cellsCoveringRealRect();
    void toQRect();
    void qRectConversionsKeepCorners();
    void translateByRealTruncatesTowardZero();
    void centring_data();
    void centring();
    void containsTolerance_data();
    void containsTolerance();
};

void TestRectangles::emptiness_data()
{
    QTest::addColumn<Rect2di>("r");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<int>("area");
    QTest::newRow("unit") << Rect2di(4, 5, 1, 1) << false << 1;
    QTest::newRow("zero width") << corners(3, 0, 3, 3) << true << 0;
    QTest::newRow("zero height") << corners(0, 2, 5, 2) << true << 0;
    QTest::newRow("default") << Rect2di() << true << 0;
    QTest::newRow("inverted in x") << corners(5, 0, 2, 4) << true << 0;
    // Inverted on both axes: the plain product of the sides would be positive.
    QTest::newRow("inverted in x and y") << corners(5, 6, 2, 4) << true << 0;
    QTest::newRow("huge") << corners(-2000000000, -2000000000, 2000000000, 2000000000) << false
                          << std::numeric_limits<int>::max();
    QTest::newRow("5 x 6") << corners(5, 7, 10, 13) << false << 30;
}

void TestRectangles::emptiness()
{
    QFETCH(Rect2di, r);
    QFETCH(bool, empty);
    QFETCH(int, area);
    QCOMPARE(r.isEmpty(), empty);
    QCOMPARE(r.area(), area);
    QCOMPARE(r.area() > 0, !empty);
}

void TestRectangles::unionWithRect_data()
{
    QTest::addColumn<Rect2di>("a");
    QTest::addColumn<Rect2di>("b");
    QTest::addColumn<Rect2di>("united");
    const Rect2di b = corners(2, 3, 4, 5);
    QTest::newRow("default empty") << Rect2di() << b << b;
    QTest::newRow("empty far away") << corners(-50, -50, -50, -40) << b << b;
    QTest::newRow("inverted in x and y") << corners(9, 9, 1, 1) << b << b;
    QTest::newRow("disjoint") << corners(10, 0, 12, 1) << b << corners(2, 0, 12, 5);
    QTest::newRow("inside") << corners(0, 0, 10, 10) << b << corners(0, 0, 10, 10);
}

void TestRectangles::unionWithRect()
{
    QFETCH(Rect2di, a);
    QFETCH(Rect2di, b);
    QFETCH(Rect2di, united);
    QCOMPARE(a.united(b), united);
    Rect2di inPlace = a;
    QCOMPARE(&(inPlace |= b), &inPlace);
    QCOMPARE(inPlace, united);
}

void TestRectangles::takingInCellsGivesBoundingBox()
{
    Rect2di box(5, 7, 1, 1);
    box |= QPoint(9, 7);
    box |= QPoint(5, 12);
    QCOMPARE(box, corners(5, 7, 10, 13));
    QCOMPARE(box.width(), 5);
    QCOMPARE(box.height(), 6);
    QCOMPARE(box.area(), 30);
    QCOMPARE(box.united(QPoint(2, 8)), corners(2, 7, 10, 13));
}

void TestRectangles::intersectedInt_data()
{
    QTest::addColumn<Rect2di>("a");
    QTest::addColumn<Rect2di>("b");
    QTest::addColumn<Rect2di>("overlap");
    QTest::addColumn<bool>("empty");
    QTest::newRow("touching edge") << Rect2di(0, 0, 3, 3) << Rect2di(3, 0, 3, 3) << corners(3, 0, 3, 3) << true;
    QTest::newRow("overlapping") << Rect2di(0, 0, 4, 4) << Rect2di(2, 1, 5, 2) << corners(2, 1, 4, 3) << false;
    QTest::newRow("apart") << Rect2di(0, 0, 3, 3) << Rect2di(5, 5, 3, 3) << Rect2di() << true;
    QTest::newRow("nested") << Rect2di(-5, -5, 20, 20) << Rect2di(1, 2, 3, 4) << Rect2di(1, 2, 3, 4) << false;
}

void TestRectangles::intersectedInt()
{
    QFETCH(Rect2di, a);
    QFETCH(Rect2di, b);
    QFETCH(Rect2di, overlap);
    QFETCH(bool, empty);
    QCOMPARE(a.intersected(b), overlap);
    QCOMPARE(b.intersected(a), overlap);
    Rect2di inPlace = a;
    inPlace &= b;
    QCOMPARE(inPlace, overlap);
    QCOMPARE(overlap.isEmpty(), empty);
}

void TestRectangles::intersectedReal_data()
{
    QTest::addColumn<Rect2d>("a");
    QTest::addColumn<Rect2d>("b");
    QTest::addColumn<Rect2d>("overlap");
    QTest::newRow("touching edge") << Rect2d(0, 0, 2, 2) << Rect2d(2, 0.5, 3, 1) << cornersD(2, 0.5, 2, 1.5);
    QTest::newRow("overlapping") << Rect2d(0, 0, 2, 2) << Rect2d(1, -1, 2, 2) << cornersD(1, 0, 2, 1);
    QTest::newRow("apart") << Rect2d(0, 0, 2, 2) << Rect2d(2.5, 0, 1, 1) << Rect2d();
}

void TestRectangles::intersectedReal()
{
    QFETCH(Rect2d, a);
    QFETCH(Rect2d, b);
    QFETCH(Rect2d, overlap);
    QCOMPARE(a.intersected(b), overlap);
    Rect2d inPlace = a;
    inPlace &= b;
    QCOMPARE(inPlace, overlap);
    QCOMPARE(a.intersects(b), overlap != Rect2d());
}

void TestRectangles::negativeSizeContainsNothing()
{
    const Rect2d r(4, 0, -3, 2);
    QCOMPARE(r.x2, 1.0);
    const Vector2d probes[] = {{1, 1}, {2.5, 1}, {4, 1}, {4, 0}, {1, 2}};
    for (const Vector2d& p : probes) {
        QVERIFY2(!r.contains(p), qPrintable(str(p)));
        QVERIFY2(!r.contains(p, 0.1), qPrintable(str(p)));
    }
    QVERIFY(Rect2d(1, 0, 3, 2).contains(Vector2d(4, 2)));
}

void TestRectangles::cellsCoveringRealRect_data()
{
    QTest::addColumn<Rect2d>("r");
    QTest::addColumn<Rect2di>("cells");
    QTest::newRow("fractional") << cornersD(0.5, -0.5, 2.0, 2.1) << corners(0, -1, 2, 3);
    QTest::newRow("whole") << cornersD(1, 2, 3, 4) << corners(1, 2, 3, 4);
    QTest::newRow("negative") << cornersD(-2.5, -0.1, -1.5, -0.01) << corners(-3, -1, -1, 0);
    QTest::newRow("beyond int range") << cornersD(-1e12, -1e300, 1e12, 1e300)
                                      << corners(std::numeric_limits<int>::min(), std::numeric_limits<int>::min(),
                                                 std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
}

void TestRectangles::cellsCoveringRealRect()
{
    QFETCH(Rect2d, r);
    QFETCH(Rect2di, cells);
    QCOMPARE(Rect2di(r), cells);
    if (r.x2 < 1e6)
        QCOMPARE(Rect2di(r, 2), corners(cells.x1 - 2, cells.y1 - 2, cells.x2 + 2, cells.y2 + 2));
}

void TestRectangles::toQRect()
{
    const QRect q = corners(2, 3, 6, 8).toQRect();
    QCOMPARE(q.topLeft(), QPoint(2, 3));
    QCOMPARE(q.width(), 4);
    QCOMPARE(q.height(), 5);
    const QRect rounded = cornersD(1.4, 2.6, 5.9, 3.5).toQRect();
    QCOMPARE(rounded, QRect(1, 3, 5, 1));
}

void TestRectangles::qRectConversionsKeepCorners()
{
    const QRect q(QPoint(2, 3), QPoint(6, 8));
    QCOMPARE(Rect2di(q), corners(2, 3, 6, 8));
    QCOMPARE(Rect2d(q), cornersD(2, 3, 6, 8));
    QCOMPARE(Rect2d(corners(-1, 2, 7, 9)), cornersD(-1, 2, 7, 9));
}

void TestRectangles::translateByRealTruncatesTowardZero()
{
    Rect2di r = corners(0, 0, 3, 3);
    r += Vector2d(-1.5, 1.7);
    QCOMPARE(r, corners(-1, 1, 1, 4));
    r += QPoint(2, -1);
    QCOMPARE(r, corners(1, 0, 3, 3));
    QCOMPARE(r + QPoint(1, 1), corners(2, 1, 4, 4));
}

void TestRectangles::centring_data()
{
    QTest::addColumn<Rect2di>("r");
    QTest::addColumn<Vector2d>("at");
    QTest::addColumn<Rect2di>("centred");
    QTest::addColumn<Vector2d>("half");
    QTest::newRow("even") << Rect2di(0, 0, 4, 6) << Vector2d(10, 20) << Rect2di(8, 17, 4, 6) << Vector2d(2, 3);
    QTest::newRow("odd") << Rect2di(0, 0, 5, 3) << Vector2d(10, 20) << Rect2di(7, 18, 5, 3) << Vector2d(3, 2);
}

void TestRectangles::centring()
{
    QFETCH(Rect2di, r);
    QFETCH(Vector2d, at);
    QFETCH(Rect2di, centred);
    QFETCH(Vector2d, half);
    QCOMPARE(r.centeredAt(at), centred);
    QCOMPARE(r.halfSize(), half);
    QCOMPARE(r.translated(3, 4).center(), Vector2d(3, 4) + half);
    const Rect2d real(0, 0, r.width(), r.height());
    QCOMPARE(real.centeredAt(at).center(), at);
}

void TestRectangles::containsTolerance_data()
{
    QTest::addColumn<Vector2d>("p");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("withTolerance");
    QTest::newRow("on edge") << Vector2d(2, 1) << true << true;
    QTest::newRow("just outside") << Vector2d(2.05, 1) << false << true;
    QTest::newRow("beyond tolerance") << Vector2d(2.25, 1) << false << false;
    QTest::newRow("inside") << Vector2d(1, 1) << true << true;
}

void TestRectangles::containsTolerance()
{
    QFETCH(Vector2d, p);
    QFETCH(bool, closed);
    QFETCH(bool, withTolerance);
    const Rect2d r(0, 0, 2, 2);
    QCOMPARE(r.contains(p), closed);
    QCOMPARE(r.contains(p, 0.1), withTolerance);
}

QTEST_GUILESS_MAIN(TestRectangles)
#include "tst_rectangles.moc"
