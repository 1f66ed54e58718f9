#include "mesh/stripschedule.h"

#include <QtTest>

namespace {

// Strip 2 is the heaviest, then 0, then 1.
const std::vector<long long> Weights = {50, 20, 90};

} // namespace

class TestStripSchedule : public QObject
{
    Q_OBJECT

private slots:
    void heaviestStripsStartFirst();
    void foldedStripIsReducedUprightBeforeAnyNewStrip();
    void idleWorkerStartsTheStripLikelyToEndLastUpright();
    void uprightOfAStripThatDidNotFoldIsDropped();
    void foldedStripWaitsForItsUprightReduction();
    void unwrittenFilesFailTheExport();
    void stoppedScheduleHandsOutNothing();
};

void TestStripSchedule::heaviestStripsStartFirst()
{
    StripSchedule schedule({5, 9, 1, 9});
    // Alike weights in strip order.
    for (unsigned int s : {1u, 3u, 0u, 2u}) {
        const StripSchedule::Task t = schedule.take(false, 0);
        QCOMPARE(t.kind, StripSchedule::Plain);
        QCOMPARE(t.strip, s);
    }
}

void TestStripSchedule::foldedStripIsReducedUprightBeforeAnyNewStrip()
{
    StripSchedule schedule(Weights);
    QCOMPARE(schedule.take(false, 0).strip, 2u);
    const StripSchedule::Outcome o = schedule.plainDone(2, 10, true, 1);
    QVERIFY(!o.done);
    const StripSchedule::Task t = schedule.take(false, 1);
    QCOMPARE(t.kind, StripSchedule::Upright);
    QCOMPARE(t.strip, 2u);
    QCOMPARE(schedule.take(false, 1).kind, StripSchedule::Plain);
}

void TestStripSchedule::idleWorkerStartsTheStripLikelyToEndLastUpright()
{
    StripSchedule schedule({100, 40, 90, 10});
    QCOMPARE(schedule.take(false, 0).strip, 0u);
    QCOMPARE(schedule.take(false, 0).strip, 2u);
    // Strip 0 ends after 1 s: a hundredth of a second per weight.
    schedule.plainDone(0, 5, false, 1.0);
    QCOMPARE(schedule.take(false, 1.0).strip, 1u);
    QCOMPARE(schedule.take(false, 1.0).strip, 3u);
    // Strip 2 is likely to end at 0.9 s, 1 at 1.4 s, 3 at 1.1 s: the one
    // started late outlasts the heavier one started early.
    StripSchedule::Task t = schedule.take(false, 1.0);
    QCOMPARE(t.kind, StripSchedule::Upright);
    QCOMPARE(t.strip, 1u);
    t = schedule.take(false, 1.0);
    QCOMPARE(t.kind, StripSchedule::Upright);
    QCOMPARE(t.strip, 3u);
    t = schedule.take(false, 1.0);
    QCOMPARE(t.kind, StripSchedule::Upright);
    QCOMPARE(t.strip, 2u);
    // All taken: wait for the plain reductions still running.
    QCOMPARE(schedule.take(false, 1.0).kind, StripSchedule::Wait);
}

void TestStripSchedule::uprightOfAStripThatDidNotFoldIsDropped()
{
    StripSchedule schedule({7});
    schedule.take(false, 0);
    QCOMPARE(schedule.take(false, 0).kind, StripSchedule::Upright);
    StripSchedule::Outcome o = schedule.plainDone(0, 7, false, 1);
    QVERIFY(o.done);
    QVERIFY(o.dropUpright);
    QVERIFY(!o.failed);
    QCOMPARE(schedule.parked(0), 7);
    QCOMPARE(schedule.parkedUp(0), -2);
    // Stopped by the drop: that fails nothing, and the strip was done already.
    o = schedule.uprightDone(0, 3, true);
    QVERIFY(!o.done);
    QVERIFY(o.dropUpright);
    QVERIFY(!o.failed);
    QCOMPARE(schedule.parkedUp(0), -2);
    QCOMPARE(schedule.take(false, 1).kind, StripSchedule::None);
}

void TestStripSchedule::foldedStripWaitsForItsUprightReduction()
{
    // The upright reduction may end first or last.
    for (bool uprightFirst : {true, false}) {
        StripSchedule schedule({7});
        schedule.take(false, 0);
        schedule.take(false, 0);
        StripSchedule::Outcome a, b;
        if (uprightFirst) {
            a = schedule.uprightDone(0, 4, false);
            b = schedule.plainDone(0, 6, true, 1);
        } else {
            a = schedule.plainDone(0, 6, true, 1);
            b = schedule.uprightDone(0, 4, false);
        }
        QVERIFY(!a.done);
        QVERIFY(b.done);
        QVERIFY(!a.dropUpright && !b.dropUpright);
        QCOMPARE(schedule.parked(0), 6);
        QCOMPARE(schedule.parkedUp(0), 4);
    }
}

void TestStripSchedule::unwrittenFilesFailTheExport()
{
    StripSchedule plain({7}), upright({7});
    plain.take(false, 0);
    QVERIFY(plain.plainDone(0, -1, false, 1).failed);
    upright.take(false, 0);
    upright.plainDone(0, 6, true, 1);
    upright.take(false, 1);
    QVERIFY(upright.uprightDone(0, -1, false).failed);
}

void TestStripSchedule::stoppedScheduleHandsOutNothing()
{
    StripSchedule schedule(Weights);
    QCOMPARE(schedule.take(true, 0).kind, StripSchedule::None);
    schedule.take(false, 0);
    schedule.plainDone(2, 5, true, 1);
    QCOMPARE(schedule.take(true, 1).kind, StripSchedule::None);
}

QTEST_GUILESS_MAIN(TestStripSchedule)
#include "tst_stripschedule.moc"
