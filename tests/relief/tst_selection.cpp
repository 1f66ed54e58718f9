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
Q_DECLARE_METATYPE(SelectionMode)

namespace {

// The selection as rows of '#' (selected) and '.', joined by '/'.
QString picture(const Relief& r)
{
    QString s;
    for (int i = 0; i < r.width() * r.height(); ++i)
        s += QString(i && i % r.width() == 0 ? "/" : "") + (r.selection()[i] != 0.0f ? '#' : '.');
    return s;
}

void select(Relief& r, const Rect2di& cells)
{
    for (int y = cells.y1; y < cells.y2; ++y)
        for (int x = cells.x1; x < cells.x2; ++x)
            r.selection()[y * r.width() + x] = 1.0f;
}

Rect2d box(double x1, double y1, double x2, double y2)
{
    return Rect2d(Vector2d(x1, y1), Vector2d(x2, y2));
}

enum Shape { Rectangle, Ellipse, Polygon };

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private slots:
    void shapesSelectTheirCells_data();
    void shapesSelectTheirCells();
    void ellipseFillsItsOutline_data();
    void ellipseFillsItsOutline();
    void magic_data();
    void magic();
    void cropKeepsTheShapeBox_data();
    void cropKeepsTheShapeBox();
};

void TestSelection::shapesSelectTheirCells_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<QList<QPointF>>("points");   // a rectangle's or ellipse's box: two corners
    QTest::addColumn<SelectionMode>("mode");
    QTest::addColumn<QString>("expected");
    // The 8 x 8 grid starts with cells (0..2, 0..1) selected; only a
    // subtractive shape clears cells.
    const auto add = SelectionMode::Additive;
    QTest::newRow("rectangle from (2,3) to (5,7): 20 cells") << int(Rectangle) << QList<QPointF>{{2, 3}, {5, 7}} << add
        << "###...../###...../......../..####../..####../..####../..####../..####..";
    QTest::newRow("rectangle fractions truncate") << int(Rectangle) << QList<QPointF>{{1.9, 0.2}, {3.99, 1.7}}
        << SelectionMode::Normal << "####..../####..../......../......../......../......../......../........";
    QTest::newRow("subtractive rectangle clears bounds included") << int(Rectangle) << QList<QPointF>{{1, 1}, {1, 4}}
        << SelectionMode::Subtractive << "###...../#.#...../......../......../......../......../......../........";
    QTest::newRow("rectangle clipped at the top left") << int(Rectangle) << QList<QPointF>{{-3, -2}, {0, 2}} << add
        << "###...../###...../#......./......../......../......../......../........";
    QTest::newRow("rectangle clipped at the bottom right") << int(Rectangle) << QList<QPointF>{{6, 6}, {30, 1e12}}
        << add << "###...../###...../......../......../......../......../......##/......##";
    QTest::newRow("rectangle off the grid") << int(Rectangle) << QList<QPointF>{{9, 0}, {20, 5}} << add
        << "###...../###...../......../......../......../......../......../........";
    // The outline blocks the flood from the centre cell, which must not
    // leak past a box too thin to hold an inside.
    QTest::newRow("ellipse of zero width") << int(Ellipse) << QList<QPointF>{{5, 2}, {5, 7}} << add
        << "###...../###...../.....#../.....#../.....#../.....#../.....#../........";
    QTest::newRow("ellipse of zero height") << int(Ellipse) << QList<QPointF>{{1.5, 3.7}, {5.5, 3.7}} << add
        << "###...../###...../......../.#####../......../......../......../........";
    QTest::newRow("ellipse under a cell across") << int(Ellipse) << QList<QPointF>{{2.2, 5.2}, {2.8, 5.9}} << add
        << "###...../###...../......../......../......../..#...../......../........";
    QTest::newRow("closed square") << int(Polygon) << QList<QPointF>{{1, 1}, {5, 1}, {5, 4}, {1, 4}, {1, 1}}
        << SelectionMode::Normal << "###...../######../.#####../.#####../.#####../......../......../........";
    // Outline through the corner cell: the outside lies bottom right.
    QTest::newRow("triangle on the corner") << int(Polygon) << QList<QPointF>{{0, 0}, {6, 0}, {0, 6}, {0, 0}}
        << SelectionMode::Normal << "#######./#####.../####..../###...../##....../#......./#......./........";
    // The outline cuts the grid in two: both outside parts stay outside.
    QTest::newRow("band across the grid") << int(Polygon) << QList<QPointF>{{2, -3}, {4, -3}, {4, 11}, {2, 11}, {2, -3}}
        << SelectionMode::Normal << "#####.../#####.../..###.../..###.../..###.../..###.../..###.../..###...";
    QTest::newRow("polygon over the top left") << int(Polygon) << QList<QPointF>{{-2, -2}, {4, -2}, {4, 3}, {-2, 3}}
        << SelectionMode::Normal << "#####.../#####.../#####.../#####.../......../......../......../........";
    QTest::newRow("polygon far around the grid") << int(Polygon)
        << QList<QPointF>{{-1e7, -1e7}, {1e7, -1e7}, {1e7, 1e7}, {-1e7, 1e7}} << SelectionMode::Normal
        << "########/########/########/########/########/########/########/########";
    QTest::newRow("open line") << int(Polygon) << QList<QPointF>{{1, 6}, {6, 6}} << SelectionMode::Normal
        << "###...../###...../......../......../......../......../.#####../........";
}

void TestSelection::shapesSelectTheirCells()
{
    QFETCH(int, shape);
    QFETCH(QList<QPointF>, points);
    QFETCH(SelectionMode, mode);
    QFETCH(QString, expected);
    Relief relief(8, 8);
    select(relief, Rect2di(0, 0, 3, 2));
    const Rect2d r(Vector2d(points[0].x(), points[0].y()), Vector2d(points.last().x(), points.last().y()));
    if (shape == Rectangle)
        ReliefSelection::selectRectangle(relief, r, mode);
    else if (shape == Ellipse)
        ReliefSelection::selectEllipse(relief, r, mode);
    else
        ReliefSelection::selectPolygon(relief, points, mode);
    QCOMPARE(picture(relief), expected);
    QVERIFY(relief.selectionActive());
}

void TestSelection::ellipseFillsItsOutline_data()
{
    QTest::addColumn<Rect2d>("r");
    QTest::newRow("inside the grid") << box(1.5, 2.25, 13.5, 9.25);
    QTest::newRow("over the top left corner") << box(-6, -5, 10, 9);
    QTest::newRow("centre off the bottom right") << box(6, 5, 30, 25);
}

void TestSelection::ellipseFillsItsOutline()
{
    // On a 16 x 11 grid every cell well inside is selected and none clearly
    // outside; the outline cells lie within about a cell of the curve.
    QFETCH(Rect2d, r);
    Relief relief(16, 11);
    ReliefSelection::selectEllipse(relief, r, SelectionMode::Normal);
    const double a = (r.x2 - r.x1) / 2, b = (r.y2 - r.y1) / 2;
    const double reach = 3 / std::min(r.x2 - r.x1, r.y2 - r.y1);
    int inside = 0;
    for (int i = 0; i < 16 * 11; ++i) {
        const double e = std::hypot((i % 16 + 0.5 - r.x1 - a) / a, (i / 16 + 0.5 - r.y1 - b) / b);
        const bool selected = relief.selection()[i] != 0.0f;
        QVERIFY2(selected || e >= 1 - reach, qPrintable(QString("inside cell %1 left out").arg(i)));
        QVERIFY2(!selected || e <= 1 + reach, qPrintable(QString("outside cell %1 selected").arg(i)));
        inside += e < 1 - reach;
    }
    QVERIFY(inside > 0);
}

void TestSelection::magic_data()
{
    QTest::addColumn<QPointF>("click");   // in cells
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("continuous");
    QTest::addColumn<SelectionMode>("mode");
    QTest::addColumn<QString>("expected");
    // Heights (range 0..10), with cells (0, 0) and (1, 0) selected before:
    //   5 5 0 5 5 5 / 5 5 0 5 6 5 / 0 0 0 9 9 9 / 5 4 0 9 5 5
    const auto add = SelectionMode::Additive;
    const auto normal = SelectionMode::Normal;
    const QString before = "##..../....../....../......";
    QTest::newRow("equal heights, connected") << QPointF(4, 0) << 0.0 << true << add << "##.###/...#.#/....../......";
    QTest::newRow("equal heights anywhere") << QPointF(4, 0) << 0.0 << false << normal << "##.###/##.#.#/....../#...##";
    QTest::newRow("band of 1 connected") << QPointF(0, 1) << 0.1 << true << add << "##..../##..../....../......";
    QTest::newRow("band of 1 anywhere") << QPointF(5, 3) << 0.1 << false << add << "##.###/##.###/....../##..##";
    QTest::newRow("subtract the zeros") << QPointF(2, 2) << 0.0 << true << SelectionMode::Subtractive << before;
    QTest::newRow("normal click on a selected cell deselects all") << QPointF(1, 0) << 0.5 << false << normal
                                                                   << "....../....../....../......";
    // Off the grid nothing changes, whatever the mode.
    QTest::newRow("left of the grid") << QPointF(-1, 0) << 1.0 << false << normal << before;
    QTest::newRow("on the right edge") << QPointF(5.5, 0) << 1.0 << false << add << before;
    QTest::newRow("above") << QPointF(2, -0.51) << 1.0 << false << SelectionMode::Subtractive << before;
    QTest::newRow("below") << QPointF(2, 4) << 1.0 << false << normal << before;
    QTest::newRow("not a number") << QPointF(std::nan(""), 0) << 1.0 << false << normal << before;
}

void TestSelection::magic()
{
    QFETCH(QPointF, click);
    QFETCH(double, tolerance);
    QFETCH(bool, continuous);
    QFETCH(SelectionMode, mode);
    QFETCH(QString, expected);
    Relief relief(6, 4);
    const float h[24] = {5, 5, 0, 5, 5, 5, 5, 5, 0, 5, 6, 5, 0, 0, 0, 9, 9, 9, 5, 4, 0, 9, 5, 5};
    std::copy(h, h + 24, relief.heights());
    relief.setHeightMin(0);
    relief.setHeightMax(10);
    select(relief, Rect2di(0, 0, 2, 1));
    relief.setSelectionActive(true);
    const Vector2d p(click.x() - 2.5, click.y() - 1.5);   // a cell's centre
    QVERIFY(ReliefSelection::magicSelect(relief, p, tolerance, continuous, mode).isEmpty());
    QCOMPARE(picture(relief), expected);
    QCOMPARE(relief.selectionActive(), expected.contains('#'));
}

void TestSelection::cropKeepsTheShapeBox_data()
{
    QTest::addColumn<QList<QPointF>>("points");   // relative to the grid centre, cell (3, 2)
    QTest::addColumn<Rect2di>("kept");
    QTest::newRow("inner box") << QList<QPointF>{{-2, -1}, {-2, 0.9}, {1.7, 0.9}, {1.7, -1}} << Rect2di(1, 1, 4, 2);
    QTest::newRow("box off the grid") << QList<QPointF>{{-9, -9}, {0, 9}} << Rect2di(0, 0, 4, 4);
    QTest::newRow("whole grid") << QList<QPointF>{{-3, -2}, {2, 1}} << Rect2di(0, 0, 6, 4);
    QTest::newRow("no points: nothing") << QList<QPointF>{} << Rect2di();
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
    if (kept.isEmpty()) {
        relief.selectionShapes().clear();
        ReliefSelection::crop(relief, &undo);
        QVERIFY(!relief.changed());
        QCOMPARE(undo.count(), 0);
        QVERIFY(std::equal(before.begin(), before.end(), relief.heights()));
        return;
    }
    for (int i = 0; i < 24; ++i) {
        const bool inside = i % 6 >= kept.x1 && i % 6 < kept.x2 && i / 6 >= kept.y1 && i / 6 < kept.y2;
        QCOMPARE(relief.heights()[i], inside ? float(i + 1) : 0.0f);
    }
    QCOMPARE(relief.changedRect(), relief.fullRect());
    QCOMPARE(undo.count(), 1);
    QVERIFY(undo.event(0)->groupEnd);
    undo.undo();
    QVERIFY(std::equal(before.begin(), before.end(), relief.heights()));
}

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
