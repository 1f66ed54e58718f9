#include "mesh/facetshape.h"
#include "meshtestutil.h"

#include <QtTest>

using VekMath::Matrix3d;
using VekMath::Vector3d;

namespace {

bool near(const Vector3d& a, const Vector3d& b)
{
    return (a - b).length() < 1e-12;
}

} // namespace

class TestFacetShape : public QObject
{
    Q_OBJECT

private slots:
    void boundsFollowFacetsNotTheOrigin_data();
    void boundsFollowFacetsNotTheOrigin();
    void scaleThereAndBackRestoresCornersAndProduct();
    void centerMovesBoundsCentreToOrigin();
};

void TestFacetShape::boundsFollowFacetsNotTheOrigin_data()
{
    QTest::addColumn<QVector<Vector3d>>("corners");
    QTest::addColumn<Vector3d>("lo");
    QTest::addColumn<Vector3d>("hi");
    QTest::newRow("facet away from origin")
        << QVector<Vector3d>{{2, 3, 4}, {5, 3, 4}, {2, 7, 9}} << Vector3d(2, 3, 4) << Vector3d(5, 7, 9);
    QTest::newRow("facet below origin")
        << QVector<Vector3d>{{-2, -3, -4}, {-5, -3, -4}, {-2, -7, -9}} << Vector3d(-5, -7, -9) << Vector3d(-2, -3, -4);
    QTest::newRow("second facet grows bounds")
        << QVector<Vector3d>{{1, 1, 1}, {2, 1, 1}, {1, 2, 1}, {-1, 5, 0}, {0, 0, 3}, {4, 0, 0}}
        << Vector3d(-1, 0, 0) << Vector3d(4, 5, 3);
}

void TestFacetShape::boundsFollowFacetsNotTheOrigin()
{
    QFETCH(QVector<Vector3d>, corners);
    QFETCH(Vector3d, lo);
    QFETCH(Vector3d, hi);
    const FacetShape shape = shapeOf(corners);
    QCOMPARE(shape.boundsMin(), lo);
    QCOMPARE(shape.boundsMax(), hi);
}

void TestFacetShape::scaleThereAndBackRestoresCornersAndProduct()
{
    FacetShape shape = shapeOf({{1, 2, 3}, {4, -5, 6}, {-7, 8, 9}});
    shape.addFacet(Facet({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, Vector3d(7, 7, 7)));
    Matrix3d rotation;
    rotation.setStandardRotation(4);
    shape.transform(Matrix3d(2, 2, 2));
    shape.transform(rotation);
    QCOMPARE(shape.boundsMin(), Vector3d(-14, -18, -10));
    // Normals follow the corners; the stored one is not kept.
    QVERIFY(near(shape.facets()[1].normal, Vector3d(0, -1, 0)));
    shape.transform(rotation.inverted());
    shape.transform(Matrix3d(0.5, 0.5, 0.5));
    QVERIFY(near(shape.facets()[0].corners[0], Vector3d(1, 2, 3)));
    QVERIFY(near(shape.facets()[0].corners[2], Vector3d(-7, 8, 9)));
    QVERIFY(near(shape.boundsMin(), Vector3d(-7, -5, 0)));
    for (int i = 0; i < 9; ++i)
        QVERIFY(qAbs(shape.appliedTransform().m[i] - Matrix3d().m[i]) < 1e-12);
}

void TestFacetShape::centerMovesBoundsCentreToOrigin()
{
    FacetShape shape = shapeOf({{0, 0, 0}, {4, 0, 0}, {0, 2, 1}});
    shape.center();
    QCOMPARE(shape.boundsMin(), Vector3d(-2, -1, -0.5));
    QCOMPARE(shape.boundsMax(), Vector3d(2, 1, 0.5));
    QCOMPARE(cornersOf(shape), (QVector<Vector3d>{{-2, -1, -0.5}, {2, -1, -0.5}, {-2, 1, 0.5}}));
}

QTEST_GUILESS_MAIN(TestFacetShape)
#include "tst_facetshape.moc"
