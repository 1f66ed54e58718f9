#include "app/logfile.h"
#include "relief/relief.h"
#include "relief/reliefpatch.h"
#include "relief/sculptmodifyevent.h"
#include "relief/sculptundo.h"

#include <QtTest>

#include <memory>
#include <vector>

Q_DECLARE_METATYPE(VekMath::Rect2di)

namespace VekMath {
char* toString(const Rect2di& r)
{
    return qstrdup(qPrintable(QString("(%1, %2)-(%3, %4)").arg(r.x1).arg(r.y1).arg(r.x2).arg(r.y2)));
}
} // namespace VekMath

namespace {

// What the Undo and Redo actions were last told.
struct Actions
{
    bool undo = true;
    bool redo = true;

    void attach(SculptUndo& stack)
    {
        stack.setActions([this](bool on) { undo = on; }, [this](bool on) { redo = on; });
    }
};

// An event of a given size that counts its undos and redos.
class SizedEvent : public SculptUndoEvent
{
public:
    explicit SizedEvent(quint64 bytes, int* alive = nullptr)
        : m_bytes(bytes)
        , m_alive(alive)
    {
        if (m_alive)
            ++*m_alive;
    }
    ~SizedEvent() override
    {
        if (m_alive)
            --*m_alive;
    }
    void undo() override { ++undos; }
    void redo() override { ++redos; }
    quint64 size() const override { return m_bytes; }

    int undos = 0;
    int redos = 0;

private:
    quint64 m_bytes;
    int* m_alive;
};

std::vector<float> grid(const Relief& r)
{
    return std::vector<float>(r.heights(), r.heights() + r.cellCount());
}

// A stroke as the relief records one: the heights before, a change over
// rect, then one event and a closed group.
void stroke(Relief& relief, SculptUndo& undo, const VekMath::Rect2di& rect, float value)
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
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void patchCopiesAndClipsItsRectangle_data();
    void patchCopiesAndClipsItsRectangle();
    void eventSizeFollowsItsCells();
    void undoAndRedoStrokes();
    void undoRestoresHeightRangeAndChangedArea();
    void newPushDropsTheRedoTail();
    void groupsUndoTogether();
    void trimmingKeepsTheLimit_data();
    void trimmingKeepsTheLimit();
    void modifiedOutlivesTrimming();
    void clearedActionsAreNotCalledAfterTheyGo();
};

void TestUndo::patchCopiesAndClipsItsRectangle_data()
{
    QTest::addColumn<VekMath::Rect2di>("rect");
    QTest::addColumn<VekMath::Rect2di>("kept");

    QTest::newRow("inside") << VekMath::Rect2di(1, 1, 2, 3) << VekMath::Rect2di(1, 1, 2, 3);
    QTest::newRow("over the top left") << VekMath::Rect2di(-2, -1, 4, 3) << VekMath::Rect2di(0, 0, 2, 2);
    QTest::newRow("over the bottom right") << VekMath::Rect2di(3, 2, 9, 9) << VekMath::Rect2di(3, 2, 1, 3);
    QTest::newRow("off the grid") << VekMath::Rect2di(6, 0, 2, 2) << VekMath::Rect2di();
}

void TestUndo::patchCopiesAndClipsItsRectangle()
{
    QFETCH(VekMath::Rect2di, rect);
    QFETCH(VekMath::Rect2di, kept);

    Relief relief(4, 5);
    for (int i = 0; i < 20; ++i)
        relief.heights()[i] = float(i);
    relief.setHeightMin(-1);
    relief.setHeightMax(19);
    const ReliefPatch patch(relief, relief.heights(), rect);
    QCOMPARE(patch.rect(), kept);
    QCOMPARE(int(patch.cellCount()), kept.area());
    QCOMPARE(patch.heightMin(), -1.0);
    QCOMPARE(patch.heightMax(), 19.0);
    int k = 0;
    for (int y = kept.y1; y < kept.y2; ++y)
        for (int x = kept.x1; x < kept.x2; ++x)
            QCOMPARE(patch.heights()[k++], float(y * 4 + x));

    std::vector<float> target(20, -5.0f);
    patch.copyInto(target.data(), 4);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(target[y * 4 + x], kept.contains(QPoint(x, y)) && x < kept.x2 && y < kept.y2
                                            ? float(y * 4 + x) : -5.0f);
}

void TestUndo::eventSizeFollowsItsCells()
{
    Relief relief(1000, 1000);
    SculptModifyEvent big(&relief, std::make_unique<ReliefPatch>(relief, relief.heights(), relief.fullRect()));
    QCOMPARE(big.size(), quint64(8000144));

    SculptModifyEvent empty(&relief, std::make_unique<ReliefPatch>(relief, relief.heights(), VekMath::Rect2di()));
    QCOMPARE(empty.size(), quint64(24 * 4 + 48));
}

void TestUndo::undoAndRedoStrokes()
{
    Relief relief(6, 4);
    SculptUndo undo;
    Actions actions;
    actions.attach(undo);
    QVERIFY(!actions.undo && !actions.redo);

    const std::vector<float> start = grid(relief);
    stroke(relief, undo, VekMath::Rect2di(0, 0, 3, 2), 1.0f);
    const std::vector<float> afterFirst = grid(relief);
    stroke(relief, undo, VekMath::Rect2di(2, 1, 4, 3), 2.0f);
    const std::vector<float> afterSecond = grid(relief);
    QVERIFY(actions.undo && !actions.redo);
    QCOMPARE(undo.count(), 2);

    struct Step
    {
        bool isUndo;
        const std::vector<float>* heights;
        int index;
        bool canUndo;
        bool canRedo;
    };
    const Step steps[] = {
        {true, &afterFirst, 1, true, true},   {true, &start, 0, false, true},
        {true, &start, 0, false, true},       {false, &afterFirst, 1, true, true},
        {false, &afterSecond, 2, true, false}, {false, &afterSecond, 2, true, false},
        {true, &afterFirst, 1, true, true},
    };
    int n = 0;
    for (const Step& s : steps) {
        if (s.isUndo)
            undo.undo();
        else
            undo.redo();
        QVERIFY2(grid(relief) == *s.heights, qPrintable(QString("step %1").arg(n)));
        QCOMPARE(undo.index(), s.index);
        QCOMPARE(actions.undo, s.canUndo);
        QCOMPARE(actions.redo, s.canRedo);
        ++n;
    }
}

void TestUndo::undoRestoresHeightRangeAndChangedArea()
{
    Relief relief(8, 8);
    SculptUndo undo;
    relief.setHeightMin(0);
    relief.setHeightMax(3);
    const std::vector<float> before = grid(relief);
    relief.heights()[2 * 8 + 5] = 9.0f;
    undo.push(new SculptModifyEvent(&relief, std::make_unique<ReliefPatch>(relief, before.data(),
                                                                           VekMath::Rect2di(4, 1, 3, 2))));
    undo.closeGroup();
    relief.setHeightMax(9);

    relief.resetChangedRect();
    undo.undo();
    QCOMPARE(relief.heights()[2 * 8 + 5], 0.0f);
    QCOMPARE(relief.heightMax(), 3.0);
    QVERIFY(relief.changed());
    QCOMPARE(relief.changedRect(), VekMath::Rect2di(4, 1, 3, 2));

    relief.resetChangedRect();
    relief.mergeChangedRect(VekMath::Rect2di(0, 0, 1, 1));
    relief.setHeightMax(-7);
    undo.redo();
    QCOMPARE(relief.heights()[2 * 8 + 5], 9.0f);
    QCOMPARE(relief.heightMax(), 3.0);   // taken with the before side
    QCOMPARE(relief.changedRect(), VekMath::Rect2di(0, 0, 7, 3));
}

void TestUndo::newPushDropsTheRedoTail()
{
    int alive = 0;
    SculptUndo undo;
    Actions actions;
    actions.attach(undo);
    for (quint64 size : {100, 200, 400}) {
        undo.push(new SizedEvent(size, &alive));
        undo.closeGroup();
    }
    QCOMPARE(undo.totalSize(), quint64(700));
    undo.undo();
    undo.undo();
    QVERIFY(actions.redo);
    undo.push(new SizedEvent(50, &alive));
    QCOMPARE(alive, 2);
    QCOMPARE(undo.count(), 2);
    QCOMPARE(undo.index(), 2);
    QCOMPARE(undo.totalSize(), quint64(150));
    QVERIFY(actions.undo && !actions.redo);
    undo.clear();
    QCOMPARE(alive, 0);
    QCOMPARE(undo.totalSize(), quint64(0));
}

void TestUndo::groupsUndoTogether()
{
    SculptUndo undo;
    std::vector<SizedEvent*> e;
    // Groups: {0}, {1, 2}, {3}.
    for (int i = 0; i < 4; ++i) {
        e.push_back(new SizedEvent(1));
        undo.push(e.back());
        if (i != 1)
            undo.closeGroup();
    }
    QVERIFY(!e[1]->groupEnd && e[2]->groupEnd);

    undo.undo();
    QCOMPARE(undo.index(), 3);
    undo.undo();
    QCOMPARE(undo.index(), 1);
    QCOMPARE(e[1]->undos + e[2]->undos, 2);
    QVERIFY(e[1]->undone && e[2]->undone && !e[0]->undone);

    undo.redo();
    QCOMPARE(undo.index(), 3);
    QCOMPARE(e[1]->redos + e[2]->redos, 2);
    QCOMPARE(e[3]->redos, 0);
    QVERIFY(!e[1]->undone && !e[2]->undone);
}

void TestUndo::trimmingKeepsTheLimit_data()
{
    QTest::addColumn<QList<quint64>>("sizes");
    QTest::addColumn<int>("kept");
    QTest::addColumn<quint64>("total");
    QTest::addColumn<QString>("logLine");

    const quint64 m = 1000000;
    QTest::newRow("exactly at the limit") << QList<quint64>{100 * m, 100 * m, 100 * m} << 3 << 300 * m << QString();
    QTest::newRow("one byte over drops the oldest")
        << QList<quint64>{100 * m, 100 * m, 100 * m, 1} << 3 << 200 * m + 1
        << QString("Info: Undo size = 300000001 limit = 300000000 ... Trimming\n");
    QTest::newRow("oldest two go") << QList<quint64>{50 * m, 60 * m, 150 * m, 100 * m} << 2 << 250 * m
                                   << QString("Info: Undo size = 360000000 limit = 300000000 ... Trimming\n");
    QTest::newRow("one event over the limit alone") << QList<quint64>{400 * m} << 0 << quint64(0)
                                                    << QString("Info: Undo size = 400000000 limit = 300000000 ... Trimming\n");
    QTest::newRow("size wider than 32 bits") << QList<quint64>{(quint64(1) << 32) + 100} << 0 << quint64(0)
                                             << QString("Info: Undo size = 4294967396 limit = 300000000 ... Trimming\n");
}

void TestUndo::trimmingKeepsTheLimit()
{
    QFETCH(QList<quint64>, sizes);
    QFETCH(int, kept);
    QFETCH(quint64, total);
    QFETCH(QString, logLine);

    const int logBefore = logText().size();
    SculptUndo undo;
    Actions actions;
    actions.attach(undo);
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
    QVERIFY(actions.undo && !actions.redo);
    QCOMPARE(logText().mid(logBefore), logLine);

    // Undo stops at the start of what is left.
    for (int i = 0; i <= kept; ++i)
        undo.undo();
    QCOMPARE(undo.index(), 0);
    QVERIFY(!actions.undo);
    QCOMPARE(actions.redo, kept > 0);
}

void TestUndo::modifiedOutlivesTrimming()
{
    SculptUndo undo;
    QVERIFY(!undo.isModified());
    undo.push(new SizedEvent(SculptUndo::sizeLimit + 1));
    QCOMPARE(undo.count(), 0);
    QVERIFY(undo.isModified());
    undo.undo();
    QVERIFY(undo.isModified());
    undo.clear();
    QVERIFY(!undo.isModified());
}

void TestUndo::clearedActionsAreNotCalledAfterTheyGo()
{
    // The stack outlives the actions when the window tears down first.
    SculptUndo undo;
    struct Switch : QObject
    {
        bool enabled = true;
        void setEnabled(bool on) { enabled = on; }
    };
    auto a = std::make_unique<Switch>();
    auto b = std::make_unique<Switch>();
    undo.setActions(a.get(), b.get());
    QVERIFY(!a->enabled && !b->enabled);
    undo.push(new SizedEvent(1));
    QVERIFY(a->enabled && !b->enabled);
    a.reset();
    undo.undo();
    QVERIFY(b->enabled);
    undo.setActions<Switch>(nullptr, nullptr);
    undo.redo();
    QVERIFY(b->enabled);
}

QTEST_GUILESS_MAIN(TestUndo)
#include "tst_undo.moc"
