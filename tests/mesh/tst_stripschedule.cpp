#include "mesh/stripschedule.h"

#include <QtTest>

namespace {

const std::vector<unsigned int> Order = {2, 0, 1};

} // namespace

class TestStripSchedule : public QObject
{
    Q_OBJECT

private slots:
    void foldedStripIsReducedUprightBeforeAnyNewStrip();
    void idleWorkerStartsTheLastStartedStripUpright();
    void uprightOfAStripThatDidNotFoldIsDropped();
    void foldedStripWaitsForItsUprightReduction();
    void unwrittenFilesFailTheExport();
    void stoppedScheduleHandsOutNothing();
};

void TestStripSchedule::foldedStripIsReducedUprightBeforeAnyNewStrip()
{
    StripSchedule schedule(3);
    QCOMPARE(schedule.take(Order, false).strip, 2u);
    const StripSchedule::Outcome o = schedule.plainDone(2, 10, true);
    QVERIFY(!o.done);
    const StripSchedule::Task t = schedule.take(Order, false);
    QCOMPARE(t.kind, StripSchedule::Upright);
    QCOMPARE(t.strip, 2u);
    QCOMPARE(schedule.take(Order, false).kind, StripSchedule::Plain);
}

void TestStripSchedule::idleWorkerStartsTheLastStartedStripUpright()
{
    StripSchedule schedule(3);
    for (unsigned int s : Order)
        QCOMPARE(schedule.take(Order, false).strip, s);
    // Nothing new to start: the strip started last has the longest to go.
    StripSchedule::Task t = schedule.take(Order, false);
    QCOMPARE(t.kind, StripSchedule::Upright);
    QCOMPARE(t.strip, 1u);
    t = schedule.take(Order, false);
    QCOMPARE(t.kind, StripSchedule::Upright);
    QCOMPARE(t.strip, 0u);
    schedule.plainDone(2, 5, false);
    // Strip 2 ended without a fold and 0 and 1 are taken: wait for those.
    QCOMPARE(schedule.take(Order, false).kind, StripSchedule::Wait);
}

void TestStripSchedule::uprightOfAStripThatDidNotFoldIsDropped()
{
    StripSchedule schedule(1);
    const std::vector<unsigned int> one = {0};
    schedule.take(one, false);
    QCOMPARE(schedule.take(one, false).kind, StripSchedule::Upright);
    StripSchedule::Outcome o = schedule.plainDone(0, 7, false);
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
    QCOMPARE(schedule.take(one, false).kind, StripSchedule::None);
}

void TestStripSchedule::foldedStripWaitsForItsUprightReduction()
{
    // The upright reduction may end first or last.
    for (bool uprightFirst : {true, false}) {
        StripSchedule schedule(1);
        const std::vector<unsigned int> one = {0};
        schedule.take(one, false);
        schedule.take(one, false);
        StripSchedule::Outcome a, b;
        if (uprightFirst) {
            a = schedule.uprightDone(0, 4, false);
            b = schedule.plainDone(0, 6, true);
        } else {
            a = schedule.plainDone(0, 6, true);
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
    StripSchedule plain(1), upright(1);
    const std::vector<unsigned int> one = {0};
    plain.take(one, false);
    QVERIFY(plain.plainDone(0, -1, false).failed);
    upright.take(one, false);
    upright.plainDone(0, 6, true);
    upright.take(one, false);
    QVERIFY(upright.uprightDone(0, -1, false).failed);
}

void TestStripSchedule::stoppedScheduleHandsOutNothing()
{
    StripSchedule schedule(3);
    QCOMPARE(schedule.take(Order, true).kind, StripSchedule::None);
    schedule.take(Order, false);
    schedule.plainDone(2, 5, true);
    QCOMPARE(schedule.take(Order, true).kind, StripSchedule::None);
}

QTEST_GUILESS_MAIN(TestStripSchedule)
#include "tst_stripschedule.moc"
