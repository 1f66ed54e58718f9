#include "mesh/vertextable.h"

#include <QtTest>

#include <vector>

using VekMath::Vector3d;

class TestVertexTable : public QObject
{
    Q_OBJECT

private slots:
    void relabelledPositionIsFoundUnderItsNewIndexOnly_data();
    void relabelledPositionIsFoundUnderItsNewIndexOnly();
};

void TestVertexTable::relabelledPositionIsFoundUnderItsNewIndexOnly_data()
{
    // A collapse hands its first end's slot to the new position and keeps
    // the old one under a new index: every other entry must stay findable,
    // however the probe chains run.
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("moved");
    QTest::newRow("few entries, first") << 10 << 0;
    QTest::newRow("few entries, last") << 10 << 9;
    QTest::newRow("after growing, middle") << 5000 << 2500;
    // The first table has 1024 slots and is filled to seven tenths of them.
    QTest::newRow("first table at its fill limit") << 716 << 300;
    QTest::newRow("first table one past its fill limit") << 717 << 716;
    QTest::newRow("negative zero") << 40 << 0;
}

void TestVertexTable::relabelledPositionIsFoundUnderItsNewIndexOnly()
{
    QFETCH(int, count);
    QFETCH(int, moved);
    std::vector<Vector3d> positions;
    VertexTable table;
    for (int i = 0; i < count; ++i) {
        positions.emplace_back(i % 7 * 0.5, i / 7 * 0.25, i % 3 == 0 ? 0.0 : 1.0);
        QCOMPARE(table.findOrAdd(positions.back(), VertexTable::hash(positions.back()), i, positions.data()),
                 int(VertexTable::None));
    }
    const Vector3d old = positions[size_t(moved)];
    const Vector3d moveTo(-3, -3, -3);
    positions.push_back(old);
    const int left = count;
    const Vector3d asked = QByteArray(QTest::currentDataTag()) == "negative zero" ? Vector3d(-0.0, 0, -0.0) : old;
    table.relabel(asked, left, positions.data());
    positions[size_t(moved)] = moveTo;
    QCOMPARE(table.findOrAdd(moveTo, VertexTable::hash(moveTo), moved, positions.data()), int(VertexTable::None));

    QCOMPARE(table.find(old, positions.data()), left);
    QCOMPARE(table.find(moveTo, positions.data()), moved);
    for (int i = 0; i < count; ++i)
        if (i != moved)
            QCOMPARE(table.find(positions[size_t(i)], positions.data()), i);
    QCOMPARE(table.find(Vector3d(100, 100, 100), positions.data()), int(VertexTable::None));
}

QTEST_APPLESS_MAIN(TestVertexTable)
#include "tst_vertextable.moc"
