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

const int intMin = std::numeric_limits<int>::min();
const int intMax = std::numeric_limits<int>::max();

Rect2di corners(int x1, int y1, int x2, int y2)
{
    Rect2di r;
    r.setRect(x1, y1, x2, y2);
    return r;
}

Rect2d corners(double x1, double y1, double x2, double y2)
{
    Rect2d r;
    r.setRect(x1, y1, x2, y2);
    return r;
}

} // namespace

class TestRectangles : public QObject
{
    Q_OBJECT

private slots:
    void emptinessAreaAndSides_data()
    {
        QTest::addColumn<Rect2di>("r");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<int>("area");
        QTest::addColumn<QPoint>("size");
        QTest::newRow("unit") << Rect2di(4, 5, 1, 1) << false << 1 << QPoint(1, 1);
        QTest::newRow("5 x 6") << corners(5, 7, 10, 13) << false << 30 << QPoint(5, 6);
        QTest::newRow("zero width") << corners(3, 0, 3, 3) << true << 0 << QPoint(0, 3);
        QTest::newRow("default") << Rect2di() << true << 0 << QPoint(0, 0);
        QTest::newRow("inverted in x") << corners(5, 0, 2, 4) << true << 0 << QPoint(-3, 4);
        // Inverted on both axes: the plain product of the sides would be positive.
        QTest::newRow("inverted in x and y") << corners(5, 6, 2, 4) << true << 0 << QPoint(-3, -2);
        // Sides of 4e9 cells: the plain difference of the corners overflows.
        QTest::newRow("huge") << corners(-2000000000, -2000000000, 2000000000, 2000000000) << false
                              << intMax << QPoint(intMax, intMax);
        QTest::newRow("whole int range inverted")
            << corners(intMax, intMax, intMin, intMin) << true << 0 << QPoint(intMin, intMin);
    }

    void emptinessAreaAndSides()
    {
        QFETCH(Rect2di, r);
        QFETCH(bool, empty);
        QFETCH(int, area);
        QFETCH(QPoint, size);
        QCOMPARE(r.isEmpty(), empty);
        QCOMPARE(r.area(), area);
        QCOMPARE(QPoint(r.width(), r.height()), size);
        QCOMPARE(r.size(), size);
    }

    void unionWithRect_data()
    {
        QTest::addColumn<Rect2di>("a");
        QTest::addColumn<Rect2di>("united");
        QTest::newRow("default empty") << Rect2di() << corners(2, 3, 4, 5);
        QTest::newRow("empty far away") << corners(-50, -50, -50, -40) << corners(2, 3, 4, 5);
        QTest::newRow("inverted in x and y") << corners(9, 9, 1, 1) << corners(2, 3, 4, 5);
        QTest::newRow("disjoint") << corners(10, 0, 12, 1) << corners(2, 0, 12, 5);
    }

    void unionWithRect()
    {
        QFETCH(Rect2di, a);
        QFETCH(Rect2di, united);
        QCOMPARE(a.united(corners(2, 3, 4, 5)), united);
        a |= corners(2, 3, 4, 5);
        QCOMPARE(a, united);
    }

    void takingInCellsGivesBoundingBox()
    {
        Rect2di box(5, 7, 1, 1);
        box |= QPoint(9, 7);
        box |= QPoint(5, 12);
        QCOMPARE(box, corners(5, 7, 10, 13));
        QCOMPARE(box.united(QPoint(2, 8)), corners(2, 7, 10, 13));
    }

    void intersected_data()
    {
        QTest::addColumn<Rect2di>("a");
        QTest::addColumn<Rect2di>("b");
        QTest::addColumn<Rect2di>("overlap");
        QTest::newRow("touching edge") << Rect2di(0, 0, 3, 3) << Rect2di(3, 0, 3, 3) << corners(3, 0, 3, 3);
        QTest::newRow("overlapping") << Rect2di(0, 0, 4, 4) << Rect2di(2, 1, 5, 2) << corners(2, 1, 4, 3);
        QTest::newRow("apart") << Rect2di(0, 0, 3, 3) << Rect2di(5, 5, 3, 3) << Rect2di();
    }

    void intersected()
    {
        QFETCH(Rect2di, a);
        QFETCH(Rect2di, b);
        QFETCH(Rect2di, overlap);
        QCOMPARE(a.intersected(b), overlap);
        QCOMPARE(b.intersected(a), overlap);
        // The same rectangles in doubles: touching edges overlap there.
        const Rect2d real = Rect2d(a).intersected(Rect2d(b));
        QCOMPARE(real, overlap == Rect2di() ? Rect2d() : Rect2d(overlap));
        QCOMPARE(Rect2d(a).intersects(Rect2d(b)), overlap != Rect2di());
    }

    void containsWithTolerance_data()
    {
        QTest::addColumn<Rect2d>("r");
        QTest::addColumn<Vector2d>("p");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("withTolerance");
        const Rect2d square(0, 0, 2, 2);
        QTest::newRow("inside") << square << Vector2d(1, 1) << true << true;
        QTest::newRow("on edge") << square << Vector2d(2, 1) << true << true;
        QTest::newRow("just outside") << square << Vector2d(2.05, 1) << false << true;
        QTest::newRow("beyond tolerance") << square << Vector2d(2.25, 1) << false << false;
        // A negative width gives corners out of order: nothing is inside.
        QTest::newRow("negative width, mid span") << Rect2d(4, 0, -3, 2) << Vector2d(2.5, 1) << false << false;
        QTest::newRow("negative width, corner") << Rect2d(4, 0, -3, 2) << Vector2d(4, 0) << false << false;
    }

    void containsWithTolerance()
    {
        QFETCH(Rect2d, r);
        QFETCH(Vector2d, p);
        QFETCH(bool, closed);
        QFETCH(bool, withTolerance);
        QCOMPARE(r.contains(p), closed);
        QCOMPARE(r.contains(p, 0.1), withTolerance);
    }

    void cellsCoveringRealRect_data()
    {
        QTest::addColumn<Rect2d>("r");
        QTest::addColumn<Rect2di>("cells");
        QTest::newRow("fractional") << corners(0.5, -0.5, 2.0, 2.1) << corners(0, -1, 2, 3);
        QTest::newRow("negative") << corners(-2.5, -0.1, -1.5, -0.01) << corners(-3, -1, -1, 0);
        QTest::newRow("beyond int range") << corners(-1e12, -1e300, 1e12, 1e300)
                                          << corners(intMin, intMin, intMax, intMax);
    }

    void cellsCoveringRealRect()
    {
        QFETCH(Rect2d, r);
        QFETCH(Rect2di, cells);
        QCOMPARE(Rect2di(r), cells);
        if (r.x2 < 1e6)
            QCOMPARE(Rect2di(r, 2), corners(cells.x1 - 2, cells.y1 - 2, cells.x2 + 2, cells.y2 + 2));
    }

    void conversionsAndMovesRoundAsStated()
    {
        QCOMPARE(corners(2, 3, 6, 8).toQRect(), QRect(2, 3, 4, 5));
        QCOMPARE(corners(1.4, 2.6, 5.9, 3.5).toQRect(), QRect(1, 3, 5, 1));
        QCOMPARE(Rect2di(QRect(QPoint(2, 3), QPoint(6, 8))), corners(2, 3, 6, 8));
        Rect2di r = corners(0, 0, 3, 3);
        r += Vector2d(-1.5, 1.7);
        QCOMPARE(r, corners(-1, 1, 1, 4));
    }

    void centringRoundsHalfCellsUp()
    {
        QCOMPARE(Rect2di(0, 0, 4, 6).centeredAt(Vector2d(10, 20)), Rect2di(8, 17, 4, 6));
        const Rect2di odd(0, 0, 5, 3);
        QCOMPARE(odd.centeredAt(Vector2d(10, 20)), Rect2di(7, 18, 5, 3));
        QCOMPARE(odd.halfSize(), Vector2d(3, 2));
        QCOMPARE(odd.translated(3, 4).center(), Vector2d(6, 6));
        QCOMPARE(Rect2d(0, 0, 5, 3).centeredAt(Vector2d(10, 20)).center(), Vector2d(10, 20));
    }
};

QTEST_GUILESS_MAIN(TestRectangles)
#include "tst_rectangles.moc"
