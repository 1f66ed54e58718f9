#include "base/logfile.h"
#include "relief/relief.h"
#include "relief/reliefpatch.h"
#include "relief/sculptmodifyevent.h"
#include "relief/sculptundo.h"

#include <QtTest>

#include <memory>
#include <vector>

using VekMath::Rect2di;

namespace VekMath {
char* toString(const Rect2di& r)
{
    return qstrdup(qPrintable(QString("(%1, %2)-(%3, %4)").arg(r.x1).arg(r.y1).arg(r.x2).arg(r.y2)));
}
} // namespace VekMath

namespace {

// Stands in for a QAction: the stack only calls setEnabled.
struct Switch : QObject
{
    bool enabled = true;
    void setEnabled(bool on) { enabled = on; }
};

// An event of a given size that counts its undos, redos and live copies.
class SizedEvent : public SculptUndoEvent
{
public:
    explicit SizedEvent(quint64 bytes, int* alive = nullptr) : m_bytes(bytes), m_alive(alive ? alive : &m_uncounted)
    {
        ++*m_alive;
    }
    ~SizedEvent() override { --*m_alive; }
    void undo() override { ++undos; }
    void redo() override { ++redos; }
    quint64 size() const override { return m_bytes; }

    int undos = 0;
    int redos = 0;

private:
    quint64 m_bytes;
    int m_uncounted = 0;
    int* m_alive;
};

std::vector<float> grid(const Relief& r)
{
    return std::vector<float>(r.heights(), r.heights() + r.cellCount());
}

// A stroke as the relief records one: the heights before, a change over
// rect, then one event and a closed group.
void stroke(Relief& relief, SculptUndo& undo, const Rect2di& rect, float value)
{
    const std::vector<float> before = grid(relief);
    for (int y = rect.y1; y < rect.y2; ++y)
        for (int x = rect.x1; x < rect.x2; ++x)
            relief.heights()[y * relief.width() + x] = value;
    undo.push(new SculptModifyEvent(&relief, std::make_unique<ReliefPatch>(relief, before.data(), rect)));
    undo.closeGroup();
}

QString logText()
{
    LogFile::flush();
    QFile f(LogFile::filePath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void strokesUndoAndRedoTheirHeights();
    void groupsUndoTogetherAndPushDropsTheRedoTail();
    void trimmingKeepsTheLimit_data();
    void trimmingKeepsTheLimit();
    void actionsAreNotCalledAfterTheyGo();
};

void TestUndo::strokesUndoAndRedoTheirHeights()
{
    Relief relief(8, 6);
    SculptUndo undo;
    Switch undoAction, redoAction;
    undo.setActions(&undoAction, &redoAction);
    QVERIFY(!undoAction.enabled && !redoAction.enabled);

    relief.setHeightMax(3);
    const std::vector<float> start = grid(relief);
    stroke(relief, undo, Rect2di(0, 0, 3, 2), 1.0f);
    const std::vector<float> afterFirst = grid(relief);
    stroke(relief, undo, Rect2di(2, 1, 4, 3), 2.0f);
    const std::vector<float> afterSecond = grid(relief);
    relief.setHeightMax(9);
    QVERIFY(undoAction.enabled && !redoAction.enabled);

    // Undo or redo, then the heights, index and actions expected; a step
    // past either end changes nothing.
    struct Step
    {
        bool isUndo;
        const std::vector<float>* heights;
        int index;
        bool canUndo;
        bool canRedo;
    };
    const Step steps[] = {{true, &afterFirst, 1, true, true},    {true, &start, 0, false, true},
                          {true, &start, 0, false, true},        {false, &afterFirst, 1, true, true},
                          {false, &afterSecond, 2, true, false}, {false, &afterSecond, 2, true, false},
                          {true, &afterFirst, 1, true, true}};
    for (const Step& s : steps) {
        s.isUndo ? undo.undo() : undo.redo();
        QVERIFY(grid(relief) == *s.heights);
        QCOMPARE(undo.index(), s.index);
        QCOMPARE(undoAction.enabled, s.canUndo);
        QCOMPARE(redoAction.enabled, s.canRedo);
    }
    QCOMPARE(relief.heightMax(), 3.0);

    // Redo takes back the range kept with the heights before the stroke and
    // adds its area to what is already marked changed; undo marks it too.
    relief.resetChangedRect();
    relief.mergeChangedRect(Rect2di(0, 0, 1, 1));
    relief.setHeightMax(-7);
    undo.redo();
    QCOMPARE(relief.heightMax(), 3.0);
    QCOMPARE(relief.changedRect(), Rect2di(0, 0, 6, 4));
    relief.resetChangedRect();
    undo.undo();
    QVERIFY(relief.changed());
    QCOMPARE(relief.changedRect(), Rect2di(2, 1, 4, 3));
}

void TestUndo::groupsUndoTogetherAndPushDropsTheRedoTail()
{
    int alive = 0;
    SculptUndo undo;
    Switch undoAction, redoAction;
    undo.setActions(&undoAction, &redoAction);
    std::vector<SizedEvent*> e;
    // Groups: {0}, {1, 2}, {3}.
    for (int i = 0; i < 4; ++i) {
        e.push_back(new SizedEvent(100 << i, &alive));
        undo.push(e.back());
        if (i != 1)
            undo.closeGroup();
    }
    QCOMPARE(undo.totalSize(), quint64(1500));
    undo.undo();
    undo.undo();
    QCOMPARE(undo.index(), 1);
    QCOMPARE(e[1]->undos + e[2]->undos, 2);
    QVERIFY(e[1]->undone && e[2]->undone && !e[0]->undone);
    undo.redo();
    QCOMPARE(undo.index(), 3);
    QCOMPARE(e[1]->redos + e[2]->redos, 2);
    QCOMPARE(e[3]->redos, 0);
    QVERIFY(!e[1]->undone && !e[2]->undone && redoAction.enabled);

    undo.push(new SizedEvent(50, &alive));
    QCOMPARE(alive, 4);
    QCOMPARE(undo.count(), 4);
    QCOMPARE(undo.totalSize(), quint64(750));
    QVERIFY(undoAction.enabled && !redoAction.enabled);
    undo.clear();
    QCOMPARE(alive, 0);
    QCOMPARE(undo.totalSize(), quint64(0));
}

void TestUndo::trimmingKeepsTheLimit_data()
{
    QTest::addColumn<QList<quint64>>("sizes");
    QTest::addColumn<int>("kept");
    QTest::addColumn<quint64>("total");
    QTest::addColumn<QString>("logged");   // the size in the trimming line

    const quint64 m = 1000000;
    QTest::newRow("exactly at the limit") << QList<quint64>{100 * m, 100 * m, 100 * m} << 3 << 300 * m << QString();
    QTest::newRow("one byte over drops the oldest")
        << QList<quint64>{100 * m, 100 * m, 100 * m, 1} << 3 << 200 * m + 1 << "300000001";
    QTest::newRow("oldest two go") << QList<quint64>{50 * m, 60 * m, 150 * m, 100 * m} << 2 << 250 * m << "360000000";
    QTest::newRow("one event over the limit alone") << QList<quint64>{400 * m} << 0 << quint64(0) << "400000000";
    QTest::newRow("size wider than 32 bits") << QList<quint64>{(quint64(1) << 32) + 100} << 0 << quint64(0)
                                             << "4294967396";
}

void TestUndo::trimmingKeepsTheLimit()
{
    QFETCH(QList<quint64>, sizes);
    QFETCH(int, kept);
    QFETCH(quint64, total);
    QFETCH(QString, logged);

    const int logBefore = logText().size();
    SculptUndo undo;
    Switch undoAction, redoAction;
    undo.setActions(&undoAction, &redoAction);
    QVERIFY(!undo.isModified());
    std::vector<SizedEvent*> events;
    for (quint64 size : sizes) {
        events.push_back(new SizedEvent(size));
        undo.push(events.back());
        undo.closeGroup();
    }
    QCOMPARE(undo.count(), kept);
    QCOMPARE(undo.index(), kept);
    QCOMPARE(undo.totalSize(), total);
    for (int i = 0; i < kept; ++i)
        QCOMPARE(undo.event(i), events[events.size() - kept + i]);
    QVERIFY(undoAction.enabled && !redoAction.enabled);
    QCOMPARE(logText().mid(logBefore),
             logged.isEmpty() ? QString() : "Info: Undo size = " + logged + " limit = 300000000 ... Trimming\n");

    // Undo stops at the start of what is left. The model stays modified,
    // even when trimming left nothing, until it is cleared.
    for (int i = 0; i <= kept; ++i)
        undo.undo();
    QCOMPARE(undo.index(), 0);
    QVERIFY(!undoAction.enabled);
    QCOMPARE(redoAction.enabled, kept > 0);
    QVERIFY(undo.isModified());
    undo.clear();
    QVERIFY(!undo.isModified());
}

void TestUndo::actionsAreNotCalledAfterTheyGo()
{
    // The stack outlives the actions when the window tears down first.
    SculptUndo undo;
    auto a = std::make_unique<Switch>();
    auto b = std::make_unique<Switch>();
    undo.setActions(a.get(), b.get());
    undo.push(new SizedEvent(1));
    a.reset();
    undo.undo();
    QVERIFY(b->enabled);
    undo.setActions<Switch>(nullptr, nullptr);
    undo.redo();
    QVERIFY(b->enabled);
}

QTEST_GUILESS_MAIN(TestUndo)
#include "tst_undo.moc"
