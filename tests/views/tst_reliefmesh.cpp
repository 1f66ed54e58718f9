#include "views/reliefmesh.h"

#include "relief/relief.h"

#include <QTest>

#include <cmath>

using VekMath::Rect2d;
using VekMath::Rect2di;

Q_DECLARE_METATYPE(Rect2d)
Q_DECLARE_METATYPE(Rect2di)

namespace {

const uint32_t R = 0xFFFFFFFFu;

void fill(Relief& relief, double (*f)(int, int))
{
    for (int y = 0; y < relief.height(); ++y)
        for (int x = 0; x < relief.width(); ++x)
            relief.heights()[size_t(y) * relief.width() + x] = float(f(x, y));
}

} // namespace

class TestReliefMesh : public QObject
{
    Q_OBJECT

private slots:
    void levelOfDetail_data()
    {
        QTest::addColumn<QSize>("relief");
        QTest::addColumn<Rect2d>("visible");
        QTest::addColumn<QSize>("widget");
        QTest::addColumn<Rect2di>("lodRect");
        QTest::addColumn<int>("lodStep");
        QTest::addColumn<int>("vertices");
        QTest::addColumn<int>("indices");

        QTest::newRow("one cell: the +2 is clipped, one vertex, no strip")
            << QSize(1, 1) << Rect2d(0, 0, 1, 1) << QSize(400, 300) << Rect2di(0, 0, 1, 1) << 1
            << 1 << 0;
        // 10 x 6 vertices: 5 strips of 2 x 10 indices and a restart each.
        QTest::newRow("small relief in full view")
            << QSize(10, 6) << Rect2d(0, 0, 10, 6) << QSize(400, 300) << Rect2di(0, 0, 10, 6)
            << 1 << 60 << 105;
        // 4000 cells seen across 800 pixels: 5600 with the margin, step 7;
        // 800 x 429 vertices (3000 rows / 7, rounded up).
        QTest::newRow("wide view: 5600 cells over 800 pixels")
            << QSize(8000, 3000) << Rect2d(2000, 0, 4000, 3000) << QSize(800, 600)
            << Rect2di(1200, 0, 5600, 3000) << 7 << 800 * 429 << 1601 * 428;
        // 1536 rows over 600 pixels: step 2, 768 x 768 vertices.
        QTest::newRow("large relief in full view")
            << QSize(1536, 1536) << Rect2d(0, 0, 1536, 1536) << QSize(800, 600)
            << Rect2di(0, 0, 1536, 1536) << 2 << 768 * 768 << 1537 * 767;
    }

    void levelOfDetail()
    {
        QFETCH(QSize, relief);
        QFETCH(Rect2d, visible);
        QFETCH(QSize, widget);
        QFETCH(Rect2di, lodRect);
        QFETCH(int, lodStep);
        QFETCH(int, vertices);
        QFETCH(int, indices);

        Relief r(relief.width(), relief.height());
        ReliefMesh mesh(true);
        mesh.remesh(r, visible, widget.width(), widget.height());
        QCOMPARE(mesh.lodStep, lodStep);
        QCOMPARE(mesh.vertexCount(), vertices);
        QCOMPARE(mesh.indexCount(), indices);
        QCOMPARE(int(mesh.positions.size()), 3 * vertices);
        QCOMPARE(int(mesh.selection.size()), vertices);
        QCOMPARE(mesh.lodRect, lodRect);
    }

    void marginCells()
    {
        // 50.25 - 20.1 = 30.15 and 150.75 + 20.1 = 170.85: cells 30 .. 171.
        Relief r(300, 200);
        ReliefMesh mesh(false);
        mesh.remesh(r, Rect2d(50.25, 50.25, 100.5, 100.5), 400, 300);
        QCOMPARE(mesh.lodRect, Rect2di(30, 30, 141, 141));
        QCOMPARE(mesh.nx, 141);
    }

    void stripIndices()
    {
        Relief r(3, 3);
        ReliefMesh mesh(true);
        mesh.remesh(r, Rect2d(0, 0, 3, 3), 400, 300);
        const ReliefMesh::IndexArray expected = {3, 0, 4, 1, 5, 2, R, 6, 3, 7, 4, 8, 5, R};
        QCOMPARE(mesh.indices, expected);
    }

    void remeshDecision_data()
    {
        QTest::addColumn<Rect2d>("meshedFor");
        QTest::addColumn<Rect2d>("nowVisible");
        QTest::addColumn<bool>("outgrown");

        QTest::newRow("panned inside the margin") << Rect2d(400, 400, 200, 100)
                                                  << Rect2d(430, 410, 200, 100) << false;
        QTest::newRow("panned past the margin") << Rect2d(400, 400, 200, 100)
                                                << Rect2d(450, 400, 200, 100) << true;
        QTest::newRow("zoomed in to under 1/1.4") << Rect2d(400, 400, 200, 100)
                                                  << Rect2d(420, 410, 150, 75) << true;
    }

    void remeshDecision()
    {
        QFETCH(Rect2d, meshedFor);
        QFETCH(Rect2d, nowVisible);
        QFETCH(bool, outgrown);

        Relief r(2000, 2000);
        ReliefMesh mesh(true);
        mesh.remesh(r, meshedFor, 800, 600);
        QCOMPARE(mesh.outgrown(nowVisible), outgrown);
    }

    void manyFreshMeshesAreNotOutgrown()
    {
        // Right after a remesh the meshed area is 1.4 times the visible one;
        // rounding must not make that count as "more than 1.4".
        Relief r(3000, 3000);
        ReliefMesh mesh(false);
        for (int i = 1; i < 200; ++i) {
            const Rect2d visible(500 + i * 0.37, 400 + i * 0.71, 100 + i * 3.13, 90 + i * 2.29);
            mesh.remesh(r, visible, 800, 600);
            QVERIFY2(!mesh.outgrown(visible), qPrintable(QString::number(i)));
        }
    }

    void heightRangeIsWrittenBack()
    {
        Relief r(4, 3);
        fill(r, [](int x, int y) { return -1.0 - x - y; });
        ReliefMesh mesh(true);
        mesh.remesh(r, Rect2d(0, 0, 4, 3), 400, 300);
        QCOMPARE(r.heightMin(), -6.0);
        QCOMPARE(r.heightMax(), 0.0);
    }

    void planeNormalsAndPositions()
    {
        Relief r(8, 6);
        fill(r, [](int x, int y) { return 2.0 * x + 3.0 * y; });
        r.setZScale(1.5);
        r.selection()[2 * 8 + 5] = 1.0f;
        ReliefMesh mesh(true);
        mesh.remesh(r, Rect2d(0, 0, 8, 6), 400, 300);
        QCOMPARE(mesh.nx, 8);
        for (int y = 1; y < 5; ++y) {
            for (int x = 1; x < 7; ++x) {
                const size_t k = size_t(y) * 8 + x;
                QCOMPARE(mesh.positions[3 * k], float(x - 4.0));
                QCOMPARE(mesh.positions[3 * k + 1], float(y - 3.0));
                QCOMPARE(mesh.positions[3 * k + 2], float((2.0 * x + 3.0 * y) * 1.5));
                QCOMPARE(mesh.normals[3 * k], -3.0f);
                QCOMPARE(mesh.normals[3 * k + 1], -4.5f);
                QCOMPARE(mesh.normals[3 * k + 2], 1.0f);
            }
        }
        QCOMPARE(mesh.selection[2 * 8 + 5], 1.0f);
        QCOMPARE(mesh.selection[2 * 8 + 4], 0.0f);
        // At the corner the neighbours outside the grid count as 0.
        QCOMPARE(mesh.normals[0], float((2 * (0 - 2.0) + 0 - 5.0 + 3.0 - 0) * 1.5 / 6));
    }

    void refreshMatchesAFullRemesh_data()
    {
        QTest::addColumn<Rect2di>("area");
        QTest::addColumn<int>("step");
        QTest::newRow("interior dab") << Rect2di(10, 12, 5, 4) << 1;
        QTest::newRow("dab at the corner") << Rect2di(0, 0, 3, 3) << 1;
        QTest::newRow("single cell") << Rect2di(20, 7, 1, 1) << 1;
        QTest::newRow("coarse grid") << Rect2di(9, 11, 6, 7) << 3;
    }

    void refreshMatchesAFullRemesh()
    {
        QFETCH(Rect2di, area);
        QFETCH(int, step);

        Relief r(40, 30);
        fill(r, [](int x, int y) { return std::sin(x * 0.3) * 4 + y * 0.5; });
        ReliefMesh mesh(true);
        const int widget = step == 1 ? 400 : 40 / step;
        mesh.remesh(r, Rect2d(0, 0, 40, 30), widget, widget);
        QCOMPARE(mesh.lodStep, step);

        for (int y = area.y1; y < area.y2; ++y)
            for (int x = area.x1; x < area.x2; ++x)
                r.heights()[size_t(y) * 40 + x] += 7.0f + x;
        const ReliefMesh::Range range = mesh.refresh(r, area);

        ReliefMesh fresh(true);
        fresh.remesh(r, Rect2d(0, 0, 40, 30), widget, widget);
        QCOMPARE(mesh.positions, fresh.positions);
        QCOMPARE(mesh.normals, fresh.normals);
        // Whole rows, covering the area and the ring around it.
        QCOMPARE(range.first % uint32_t(mesh.nx), 0u);
        QCOMPARE(range.count % uint32_t(mesh.nx), 0u);
        const int firstRow = int(range.first) / mesh.nx;
        const int rows = int(range.count) / mesh.nx;
        QVERIFY(firstRow * step <= std::max(0, area.y1 - 1));
        QVERIFY((firstRow + rows) * step >= std::min(30, area.y2 + 1));
        QVERIFY(rows <= (area.height() + 2) / step + 2);
    }

    void quantisedHeights_data()
    {
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("shown");
        QTest::newRow("lowest") << 0.0f << 0.0f;
        QTest::newRow("half way: level 64") << 0.5f << 0.5f;
        QTest::newRow("just above half: level 65") << 0.501f << float(65.0 / 128);
        QTest::newRow("highest") << 1.0f << 1.0f;
    }

    void quantisedHeights()
    {
        QFETCH(float, height);
        QFETCH(float, shown);

        Relief r(3, 1);
        r.heights()[0] = 0.0f;
        r.heights()[1] = height;
        r.heights()[2] = 1.0f;
        ReliefMesh mesh(false);
        mesh.setQuantization(128.0);
        mesh.remesh(r, Rect2d(0, 0, 3, 1), 400, 300);
        QVERIFY(mesh.normals.empty());
        QCOMPARE(mesh.positions[3 * 1 + 2], shown);
    }

    void flatReliefQuantisesToItsLevel()
    {
        // heightMax = heightMin: no division by the empty range.
        Relief r(3, 2);
        fill(r, [](int, int) { return 4.0; });
        r.setZScale(2.0);
        ReliefMesh mesh(false);
        mesh.remesh(r, Rect2d(0, 0, 3, 2), 400, 300);
        for (int k = 0; k < mesh.vertexCount(); ++k)
            QCOMPARE(mesh.positions[3 * k + 2], 8.0f);
    }
};

QTEST_GUILESS_MAIN(TestReliefMesh)
#include "tst_reliefmesh.moc"
