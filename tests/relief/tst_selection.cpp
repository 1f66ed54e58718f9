#include "relief/indexer.h"
#include "relief/relief.h"
#include "relief/reliefselection.h"
#include "relief/sculptundo.h"
#include "relief/selectionshape.h"

#include <QtTest>

#include <cmath>
#include <vector>

using VekMath::Rect2d;
using VekMath::Rect2di;
using VekMath::Vector2d;

Q_DECLARE_METATYPE(Rect2d)
Q_DECLARE_METATYPE(Rect2di)
Q_DECLARE_METATYPE(Vector2d)
Q_DECLARE_METATYPE(SelectionMode)

namespace VekMath {
char* toString(const Rect2di& r)
{
    return qstrdup(qPrintable(QString("(%1, %2)-(%3, %4)").arg(r.x1).arg(r.y1).arg(r.x2).arg(r.y2)));
}
} // namespace VekMath

namespace {

// The selection as rows of '#' (selected) and '.'.
QString picture(const Relief& r)
{
    QString s;
    for (int y = 0; y < r.height(); ++y) {
        for (int x = 0; x < r.width(); ++x)
            s += r.selection()[y * r.width() + x] != 0.0f ? '#' : '.';
        s += '\n';
    }
    return s;
}

QString rows(const QStringList& lines)
{
    return lines.join('\n') + '\n';
}

int selectedCount(const Relief& r)
{
    int n = 0;
    for (size_t i = 0; i < r.cellCount(); ++i)
        n += r.selection()[i] != 0.0f;
    return n;
}

void setSelection(Relief& r, const Rect2di& cells)
{
    for (int y = cells.y1; y < cells.y2; ++y)
        for (int x = cells.x1; x < cells.x2; ++x)
            r.selection()[y * r.width() + x] = 1.0f;
}

// Normalised radius of a cell centre within the ellipse inscribed in r.
double ellipseRadius(const Rect2d& r, int x, int y)
{
    const double a = (r.x2 - r.x1) / 2, b = (r.y2 - r.y1) / 2;
    const double dx = (x + 0.5 - (r.x1 + a)) / a, dy = (y + 0.5 - (r.y1 + b)) / b;
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private slots:
    void rectangles_data();
    void rectangles();
    void ellipseFillsItsOutline_data();
    void ellipseFillsItsOutline();
    void thinEllipseStaysInItsBox_data();
    void thinEllipseStaysInItsBox();
    void polygons_data();
    void polygons();
    void magic_data();
    void magic();
    void magicOffTheGridChangesNothing_data();
    void magicOffTheGridChangesNothing();
    void cropKeepsTheShapeBox_data();
    void cropKeepsTheShapeBox();
    void cropWithoutShapeDoesNothing();
    void shapeBounds();
    void indexerNeighbours();
};

void TestSelection::rectangles_data()
{
    QTest::addColumn<Rect2d>("r");
    QTest::addColumn<SelectionMode>("mode");
    QTest::addColumn<QString>("expected");

    // The 8 x 9 grid starts with cells (0..2, 0..1) selected.
    QTest::newRow("from (2,3) to (5,7): 20 cells")
        << Rect2d(Vector2d(2, 3), Vector2d(5, 7)) << SelectionMode::Additive
        << rows({"###.....", "###.....", "........", "..####..", "..####..", "..####..", "..####..", "..####..",
                 "........"});
    QTest::newRow("fractions truncate") << Rect2d(Vector2d(1.9, 0.2), Vector2d(3.99, 1.7)) << SelectionMode::Normal
                                        << rows({"####....", "####....", "........", "........", "........",
                                                 "........", "........", "........", "........"});
    QTest::newRow("subtractive clears bounds included")
        << Rect2d(Vector2d(1, 1), Vector2d(1, 4)) << SelectionMode::Subtractive
        << rows({"###.....", "#.#.....", "........", "........", "........", "........", "........", "........",
                 "........"});
    QTest::newRow("clipped at the top left") << Rect2d(Vector2d(-3, -2), Vector2d(0, 2)) << SelectionMode::Additive
                                             << rows({"###.....", "###.....", "#.......", "........", "........",
                                                      "........", "........", "........", "........"});
    QTest::newRow("clipped at the bottom right")
        << Rect2d(Vector2d(6, 7), Vector2d(30, 1e12)) << SelectionMode::Additive
        << rows({"###.....", "###.....", "........", "........", "........", "........", "........", "......##",
                 "......##"});
    QTest::newRow("wholly off the grid") << Rect2d(Vector2d(9, 0), Vector2d(20, 5)) << SelectionMode::Additive
                                         << rows({"###.....", "###.....", "........", "........", "........",
                                                  "........", "........", "........", "........"});
}

void TestSelection::rectangles()
{
    QFETCH(Rect2d, r);
    QFETCH(SelectionMode, mode);
    QFETCH(QString, expected);

    Relief relief(8, 9);
    setSelection(relief, Rect2di(0, 0, 3, 2));
    ReliefSelection::selectRectangle(relief, r, mode);
    QCOMPARE(picture(relief), expected);
    QVERIFY(relief.selectionActive());
}

void TestSelection::ellipseFillsItsOutline_data()
{
    QTest::addColumn<Rect2d>("r");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("10 x 6 inside the grid") << Rect2d(Vector2d(3, 2), Vector2d(13, 8)) << 16 << 11;
    QTest::newRow("24 x 17 inside the grid") << Rect2d(Vector2d(1.5, 2.25), Vector2d(25.5, 19.25)) << 30 << 22;
    QTest::newRow("over the top left corner") << Rect2d(Vector2d(-6, -5), Vector2d(10, 9)) << 16 << 11;
    QTest::newRow("centre off the left edge") << Rect2d(Vector2d(-16, 1), Vector2d(4, 10)) << 16 << 11;
    QTest::newRow("centre off the bottom right") << Rect2d(Vector2d(6, 5), Vector2d(30, 25)) << 16 << 11;
}

void TestSelection::ellipseFillsItsOutline()
{
    QFETCH(Rect2d, r);
    QFETCH(int, width);
    QFETCH(int, height);

    Relief relief(width, height);
    ReliefSelection::selectEllipse(relief, r, SelectionMode::Normal);
    // Every cell well inside is selected, none clearly outside; the outline
    // cells lie within about a cell of the curve.
    const double reach = 1.5 / std::min(r.x2 - r.x1, r.y2 - r.y1) * 2;
    int inside = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double e = ellipseRadius(r, x, y);
            const bool selected = relief.selection()[y * width + x] != 0.0f;
            if (e < 1 - reach)
                QVERIFY2(selected, qPrintable(QString("inside cell %1,%2 left out").arg(x).arg(y)));
            if (e > 1 + reach)
                QVERIFY2(!selected, qPrintable(QString("outside cell %1,%2 selected").arg(x).arg(y)));
            inside += e < 1 - reach;
        }
    }
    QVERIFY(inside > 0);
}

void TestSelection::thinEllipseStaysInItsBox_data()
{
    QTest::addColumn<Rect2d>("r");
    QTest::addColumn<QString>("expected");

    // The outline runs from row 1 to row 5 (the top of the curve stays
    // just short of 6); it blocks the flood from the centre cell.
    QTest::newRow("zero width") << Rect2d(Vector2d(3, 1), Vector2d(3, 6))
                                << rows({"........", "...#....", "...#....", "...#....", "...#....", "...#....",
                                         "........", "........"});
    QTest::newRow("zero height") << Rect2d(Vector2d(1.5, 2.7), Vector2d(5.5, 2.7))
                                 << rows({"........", "........", ".#####..", "........", "........", "........",
                                          "........", "........"});
    QTest::newRow("under a cell across") << Rect2d(Vector2d(2.2, 5.2), Vector2d(2.8, 5.9))
                                         << rows({"........", "........", "........", "........", "........",
                                                  "..#.....", "........", "........"});
}

void TestSelection::thinEllipseStaysInItsBox()
{
    QFETCH(Rect2d, r);
    QFETCH(QString, expected);

    Relief relief(8, 8);
    ReliefSelection::selectEllipse(relief, r, SelectionMode::Additive);
    QCOMPARE(picture(relief), expected);
}

void TestSelection::polygons_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<QString>("expected");

    QTest::newRow("closed square") << QList<QPointF>{{1, 1}, {5, 1}, {5, 4}, {1, 4}, {1, 1}}
                                   << rows({"........", ".#####..", ".#####..", ".#####..", ".#####..", "........",
                                            "........", "........"});
    // Outline through the corner cell: the outside lies bottom right.
    QTest::newRow("triangle on the corner") << QList<QPointF>{{0, 0}, {6, 0}, {0, 6}, {0, 0}}
                                            << rows({"#######.", "#####...", "####....", "###.....", "##......",
                                                     "#.......", "#.......", "........"});
    // The outline cuts the grid in two: both outside parts stay outside.
    QTest::newRow("band across the grid")
        << QList<QPointF>{{2, -3}, {4, -3}, {4, 11}, {2, 11}, {2, -3}}
        << rows({"..###...", "..###...", "..###...", "..###...", "..###...", "..###...", "..###...",
                 "..###..."});
    QTest::newRow("over the top left") << QList<QPointF>{{-2, -2}, {4, -2}, {4, 3}, {-2, 3}, {-2, -2}}
                                       << rows({"#####...", "#####...", "#####...", "#####...", "........",
                                                "........", "........", "........"});
    QTest::newRow("far around the grid")
        << QList<QPointF>{{-1e7, -1e7}, {1e7, -1e7}, {1e7, 1e7}, {-1e7, 1e7}, {-1e7, -1e7}}
        << rows({"########", "########", "########", "########", "########", "########", "########",
                 "########"});
    QTest::newRow("open line") << QList<QPointF>{{1, 6}, {6, 6}}
                               << rows({"........", "........", "........", "........", "........", "........",
                                        ".#####..", "........"});
}

void TestSelection::polygons()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(QString, expected);

    Relief relief(8, 8);
    ReliefSelection::selectPolygon(relief, points, SelectionMode::Normal);
    QCOMPARE(picture(relief), expected);
    QVERIFY(relief.selectionActive());
}

void TestSelection::magic_data()
{
    QTest::addColumn<QPointF>("click");   // cell
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("continuous");
    QTest::addColumn<SelectionMode>("mode");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("active");

    // Heights (range 0..10), with cells (0, 0) and (1, 0) selected before:
    //   5 5 0 5 5 5
    //   5 5 0 5 6 5
    //   0 0 0 9 9 9
    //   5 4 0 9 5 5
    QTest::newRow("equal heights, connected") << QPointF(4, 0) << 0.0 << true << SelectionMode::Additive
                                              << rows({"##.###", "...#.#", "......", "......"}) << true;
    QTest::newRow("equal heights anywhere") << QPointF(4, 0) << 0.0 << false << SelectionMode::Normal
                                            << rows({"##.###", "##.#.#", "......", "#...##"}) << true;
    QTest::newRow("band of 1 connected") << QPointF(0, 1) << 0.1 << true << SelectionMode::Additive
                                         << rows({"##....", "##....", "......", "......"}) << true;
    QTest::newRow("band of 1 anywhere") << QPointF(5, 3) << 0.1 << false << SelectionMode::Additive
                                        << rows({"##.###", "##.###", "......", "##..##"}) << true;
    QTest::newRow("subtract the zeros") << QPointF(2, 2) << 0.0 << true << SelectionMode::Subtractive
                                        << rows({"##....", "......", "......", "......"}) << true;
    QTest::newRow("normal click on a selected cell deselects all")
        << QPointF(1, 0) << 0.5 << false << SelectionMode::Normal
        << rows({"......", "......", "......", "......"}) << false;
}

void TestSelection::magic()
{
    QFETCH(QPointF, click);
    QFETCH(double, tolerance);
    QFETCH(bool, continuous);
    QFETCH(SelectionMode, mode);
    QFETCH(QString, expected);
    QFETCH(bool, active);

    Relief relief(6, 4);
    const float h[24] = {5, 5, 0, 5, 5, 5, 5, 5, 0, 5, 6, 5, 0, 0, 0, 9, 9, 9, 5, 4, 0, 9, 5, 5};
    std::copy(h, h + 24, relief.heights());
    relief.setHeightMin(0);
    relief.setHeightMax(10);
    setSelection(relief, Rect2di(0, 0, 2, 1));
    relief.setSelectionActive(true);

    const Rect2di result = ReliefSelection::magicSelect(
        relief, Vector2d(click.x() - 3.0 + 0.5, click.y() - 2.0 + 0.5), tolerance, continuous, mode);
    QVERIFY(result.isEmpty());
    QCOMPARE(picture(relief), expected);
    QCOMPARE(relief.selectionActive(), active);
}

void TestSelection::magicOffTheGridChangesNothing_data()
{
    QTest::addColumn<Vector2d>("p");
    QTest::newRow("left") << Vector2d(-3.5, 0);
    QTest::newRow("right") << Vector2d(3.0, 0);
    QTest::newRow("above") << Vector2d(0, -2.01);
    QTest::newRow("below") << Vector2d(0, 2.5);
    QTest::newRow("NaN") << Vector2d(std::nan(""), 0);
}

void TestSelection::magicOffTheGridChangesNothing()
{
    QFETCH(Vector2d, p);
    Relief relief(6, 4);
    setSelection(relief, Rect2di(1, 1, 2, 2));
    relief.setSelectionActive(true);
    for (SelectionMode mode : {SelectionMode::Normal, SelectionMode::Additive, SelectionMode::Subtractive}) {
        ReliefSelection::magicSelect(relief, p, 1.0, false, mode);
        QCOMPARE(selectedCount(relief), 4);
        QVERIFY(relief.selectionActive());
    }
}

void TestSelection::cropKeepsTheShapeBox_data()
{
    QTest::addColumn<QList<QPointF>>("points");   // relative to the grid centre
    QTest::addColumn<Rect2di>("kept");

    // The 6 x 4 grid's centre is at cell (3, 2).
    QTest::newRow("inner box") << QList<QPointF>{{-2, -1}, {-2, 0.9}, {1.7, 0.9}, {1.7, -1}} << Rect2di(1, 1, 4, 2);
    QTest::newRow("box off the grid") << QList<QPointF>{{-9, -9}, {0, 9}} << Rect2di(0, 0, 4, 4);
    QTest::newRow("whole grid") << QList<QPointF>{{-3, -2}, {2, 1}} << Rect2di(0, 0, 6, 4);
}

void TestSelection::cropKeepsTheShapeBox()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(Rect2di, kept);

    Relief relief(6, 4);
    for (int i = 0; i < 24; ++i)
        relief.heights()[i] = float(i + 1);
    const std::vector<float> before(relief.heights(), relief.heights() + 24);
    auto shape = makeOwned(new SelectionShape(SelectionShape::ClosedPolygon));
    for (const QPointF& p : points)
        shape->addPoint(p);
    relief.selectionShapes().push_back(std::move(shape));
    relief.resetChangedRect();

    SculptUndo undo;
    ReliefSelection::crop(relief, &undo);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            QCOMPARE(relief.heights()[y * 6 + x],
                     x >= kept.x1 && x < kept.x2 && y >= kept.y1 && y < kept.y2 ? float(y * 6 + x + 1) : 0.0f);
    QVERIFY(relief.changed());
    QCOMPARE(relief.changedRect(), relief.fullRect());
    QCOMPARE(undo.count(), 1);
    QVERIFY(undo.event(0)->groupEnd);
    QCOMPARE(undo.event(0)->size(), quint64((24 + 24 + 24) * 4 + 48));

    undo.undo();
    QVERIFY(std::equal(before.begin(), before.end(), relief.heights()));
}

void TestSelection::cropWithoutShapeDoesNothing()
{
    Relief relief(3, 3);
    relief.heights()[4] = 2;
    relief.resetChangedRect();
    SculptUndo undo;
    ReliefSelection::crop(relief, &undo);
    relief.selectionShapes().push_back(makeOwned(new SelectionShape(SelectionShape::ClosedPolygon)));
    ReliefSelection::crop(relief, &undo);
    QCOMPARE(relief.heights()[4], 2.0f);
    QCOMPARE(undo.count(), 0);
    QVERIFY(!relief.changed());
    // Without an undo stack the crop still applies.
    relief.selectionShapes().front()->addPoint(QPointF(-1.5, -1.5));
    ReliefSelection::crop(relief, nullptr);
    QCOMPARE(relief.heights()[4], 0.0f);
}

void TestSelection::shapeBounds()
{
    SelectionShape shape(SelectionShape::OpenPolygon);
    Rect2d none = shape.boundingRect();
    QCOMPARE(none.x1, 2147483647.0);
    QCOMPARE(none.y1, 2147483647.0);
    QCOMPARE(none.x2, -2147483647.0);
    QCOMPARE(none.y2, -2147483647.0);
    shape.removeLastPoint();
    QVERIFY(shape.points().isEmpty());

    shape.addRect(Rect2d(Vector2d(-1.7, 2.2), Vector2d(3.9, -4.6)));
    QCOMPARE(shape.points(), (QList<QPointF>{{-1.7, 2.2}, {-1.7, -4.6}, {3.9, -4.6}, {3.9, 2.2}}));
    shape.addPoint(QPointF(5.5, 0));
    Rect2d r = shape.boundingRect();
    QCOMPARE(r.x1, -1.0);
    QCOMPARE(r.y1, -4.0);
    QCOMPARE(r.x2, 5.0);
    QCOMPARE(r.y2, 2.0);
    shape.removeLastPoint();
    QCOMPARE(shape.boundingRect().x2, 3.0);
}

void TestSelection::indexerNeighbours()
{
    const Indexer g(4, 3);
    struct Case
    {
        int i;
        Indexer::Neighbors n;
        int expected;
    };
    const Case cases[] = {
        {0, Indexer::Up, -1},        {0, Indexer::Left, -1},       {0, Indexer::Right, 1},
        {0, Indexer::Down, 4},       {0, Indexer::DownRight, 5},   {0, Indexer::UpRight, -1},
        {3, Indexer::Right, -1},     {3, Indexer::DownLeft, 6},    {4, Indexer::Left, -1},
        {4, Indexer::UpRight, 1},    {7, Indexer::Right, -1},      {8, Indexer::Down, -1},
        {11, Indexer::UpLeft, 6},    {11, Indexer::DownLeft, -1},  {12, Indexer::Left, -1},
        {-1, Indexer::Right, -1},    {5, Indexer::UpLeft, 0},      {5, Indexer::DownRight, 10},
    };
    for (const Case& c : cases)
        QVERIFY2(g.neighborOf(c.i, c.n) == c.expected, qPrintable(QString("%1 dir %2").arg(c.i).arg(int(c.n))));
    QCOMPARE(g.left(5), 4);
    QCOMPARE(g.right(5), 6);
    QCOMPARE(g.up(5), 1);
    QCOMPARE(g.down(5), 9);

    const int opposite[8] = {1, 0, 3, 2, 7, 6, 5, 4};
    for (int n = 0; n < 8; ++n) {
        QCOMPARE(int(Indexer::oppositeNeighborOf(Indexer::Neighbors(n))), opposite[n]);
        // Stepping there and back returns to the cell.
        const int there = g.neighborOf(5, Indexer::Neighbors(n));
        QCOMPARE(g.neighborOf(there, Indexer::oppositeNeighborOf(Indexer::Neighbors(n))), 5);
        QVERIFY(g.isNeighbor(5, there));
    }
    QVERIFY(g.isHorizontalNeighbor(5, 6) && !g.isVerticalNeighbor(5, 6));
    QVERIFY(g.isVerticalNeighbor(5, 1) && !g.isDiagonalNeighbor(5, 1));
    QVERIFY(g.isDiagonalNeighbor(5, 10));
    QVERIFY(!g.isNeighbor(3, 4));   // row end to next row start
    QVERIFY(!g.isNeighbor(5, 5));
    QCOMPARE(g.offset(5, 10), QPoint(1, 1));
}

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
