#include "mesh/facetreducerimpl.h"

#include <QtTest>

#include <cmath>
#include <limits>

using VekMath::Vector3d;

Q_DECLARE_METATYPE(Facet)

namespace {

// Rows [firstRow, endRow) of a bumpy grid, two facets a cell; neighbouring
// row ranges share the grid points of their seam.
QVector<Facet> rows(int firstRow, int endRow, int width)
{
    auto point = [](int x, int y) { return Vector3d(x, y, 0.3 * std::sin(x * 0.7) * std::cos(y * 0.4) + 0.01 * ((x * y) % 5)); };
    QVector<Facet> facets;
    for (int j = firstRow; j < endRow; ++j)
        for (int i = 0; i < width; ++i) {
            facets << Facet(point(i, j), point(i + 1, j), point(i + 1, j + 1), Vector3d());
            facets << Facet(point(i + 1, j + 1), point(i, j + 1), point(i, j), Vector3d());
        }
    return facets;
}

// Everything the later steps read of a joined mesh, in order.
QStringList records(const FacetReducer::Impl& r)
{
    QStringList out;
    for (const Vector3d& p : r.positions)
        out << QString("v %1 %2 %3").arg(p.x, 0, 'g', 17).arg(p.y, 0, 'g', 17).arg(p.z, 0, 'g', 17);
    for (const auto& list : r.vertexEdges) {
        QStringList l;
        for (int g : list)
            l << QString::number(g);
        out << "ve " + l.join(' ');
    }
    for (const FacetReducer::Impl::Edge& e : r.edges) {
        QStringList l;
        for (int f : r.facesOf(e))
            l << QString::number(f);
        out << QString("e %1 %2 : %3").arg(e.first).arg(e.second).arg(l.join(' '));
    }
    for (const FacetReducer::Impl::Face& f : r.faces)
        out << QString("f %1 %2 %3 / %4 %5 %6 / %7%8%9 / %10 %11 %12 %13")
                   .arg(f.edges[0]).arg(f.edges[1]).arg(f.edges[2])
                   .arg(f.corners[0]).arg(f.corners[1]).arg(f.corners[2])
                   .arg(int(f.flipped[0])).arg(int(f.flipped[1])).arg(int(f.flipped[2]))
                   .arg(f.plane.a, 0, 'g', 17).arg(f.plane.b, 0, 'g', 17).arg(f.plane.c, 0, 'g', 17).arg(f.plane.d, 0, 'g', 17);
    out << QString("quadrics %1").arg(r.quadrics.size());
    return out;
}

} // namespace

class TestReducerPieces : public QObject
{
    Q_OBJECT

private slots:
    void piecesJoinAsTheirFacetsWould_data();
    void piecesJoinAsTheirFacetsWould();
};

void TestReducerPieces::piecesJoinAsTheirFacetsWould_data()
{
    QTest::addColumn<QVector<QVector<Facet>>>("pieces");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QVector<Facet> odd = rows(6, 8, 5);
    // A facet repeated, one with two corners alike, one not a number, and
    // one turned the other way round over an edge of the seam.
    odd << odd[3] << Facet(Vector3d(1, 6, 0), Vector3d(1, 6, 0), Vector3d(2, 7, 0), Vector3d())
        << Facet(Vector3d(nan, 6, 0), Vector3d(1, 6, 0), Vector3d(2, 7, 0), Vector3d()) << odd[0];
    odd.last() = Facet(odd[0].corners[1], odd[0].corners[0], Vector3d(0.5, 5.5, 2), Vector3d());
    QTest::newRow("strips with seams") << QVector<QVector<Facet>>{rows(0, 3, 6), rows(3, 6, 6), rows(6, 8, 6)};
    QTest::newRow("strips of unlike widths") << QVector<QVector<Facet>>{rows(0, 2, 9), rows(2, 5, 4)};
    QTest::newRow("a piece met twice") << QVector<QVector<Facet>>{rows(0, 2, 4), rows(0, 2, 4)};
    QTest::newRow("repeats, slivers and a fold on the seam") << QVector<QVector<Facet>>{rows(0, 6, 5), odd};
    QTest::newRow("an empty piece") << QVector<QVector<Facet>>{rows(0, 2, 3), {}, rows(2, 3, 3)};
}

void TestReducerPieces::piecesJoinAsTheirFacetsWould()
{
    QFETCH(QVector<QVector<Facet>>, pieces);
    FacetReducer::Impl byFacets, byPieces;
    int added = 0;
    for (const QVector<Facet>& piece : pieces) {
        byFacets.reserveFor(size_t(piece.size()), 0);
        byFacets.addFacets(piece.constData(), piece.size(), nullptr, added);
        byPieces.reserveFor(size_t(piece.size()), 0);
        byPieces.addPiece(*FacetReducer::Impl::preparePiece(piece.constData(), piece.size()), nullptr, added);
        added += piece.size();
    }
    QCOMPARE(records(byPieces), records(byFacets));
}

QTEST_GUILESS_MAIN(TestReducerPieces)
#include "tst_reducerpieces.moc"
