#include "relief/toolregistry.h"

#include <QtTest>

// The registry is process-wide, so the cases run in order on one instance.
class TestToolRegistry : public QObject
{
    Q_OBJECT

private slots:
    void firstToolTakesTheDefaults();
    void newToolCopiesTheCurrentBrush();
    void knownToolReturnsUnchanged();
    void findNeverCreates();
};

void TestToolRegistry::firstToolTakesTheDefaults()
{
    QVERIFY(ToolRegistry::current() == nullptr);
    QVERIFY(ToolRegistry::find(Tool::Smooth) == nullptr);

    Tool* smooth = ToolRegistry::select(Tool::Smooth);
    QVERIFY(smooth);
    QCOMPARE(ToolRegistry::current(), smooth);
    QCOMPARE(ToolRegistry::find(Tool::Smooth), smooth);
    QCOMPARE(smooth->type, Tool::Smooth);
    QCOMPARE(smooth->mode, Tool::Normal);
    QCOMPARE(smooth->form, Tool::Round);
    QCOMPARE(smooth->size, 0.0);
    QCOMPARE(smooth->strength, 0.0);
    QCOMPARE(smooth->aspectRatio, 1.0);
    QCOMPARE(smooth->useDecayLength, false);
    QCOMPARE(smooth->keepTransparency, true);
    QCOMPARE(smooth->smoothLength, 0);
    QCOMPARE(smooth->clip, false);
    QCOMPARE(smooth->tolerance, 0.001);
    QCOMPARE(smooth->continuous, false);
}

void TestToolRegistry::newToolCopiesTheCurrentBrush()
{
    Tool* deposit = ToolRegistry::select(Tool::Deposit);
    QVERIFY(deposit->useDecayLength == false);
    deposit->mode = Tool::Raise;
    deposit->form = Tool::Square;
    deposit->size = 0.3;
    deposit->strength = 0.6;
    deposit->hardness = 0.7;
    deposit->aspectRatio = 4;
    deposit->axisAngle = 33;
    deposit->keepTransparency = false;
    deposit->useSmoothing = true;
    deposit->smoothLength = 12;
    deposit->decayLength = 0.5;
    deposit->clip = true;
    deposit->tolerance = 0.2;
    deposit->continuous = true;

    struct Expect
    {
        Tool::Type type;
        bool decay;
    };
    // Each new tool copies from the one made just before it; only Smudge
    // fades along the stroke.
    for (const Expect& e : {Expect{Tool::Smudge, true}, Expect{Tool::Remove, false}}) {
        Tool* t = ToolRegistry::select(e.type);
        QCOMPARE(t->type, e.type);
        QCOMPARE(t->mode, Tool::Raise);
        QCOMPARE(t->form, Tool::Square);
        QCOMPARE(t->size, 0.3);
        QCOMPARE(t->strength, 0.6);
        QCOMPARE(t->hardness, 0.7);
        QCOMPARE(t->aspectRatio, 4.0);
        QCOMPARE(t->axisAngle, 33.0);
        QCOMPARE(t->keepTransparency, false);
        QCOMPARE(t->useSmoothing, true);
        QCOMPARE(t->decayLength, 0.5);
        QCOMPARE(t->clip, true);
        QCOMPARE(t->useDecayLength, e.decay);
        QCOMPARE(t->smoothLength, 0);
        QCOMPARE(t->tolerance, 0.001);
        QCOMPARE(t->continuous, false);
    }
}

void TestToolRegistry::knownToolReturnsUnchanged()
{
    Tool* deposit = ToolRegistry::find(Tool::Deposit);
    Tool* smooth = ToolRegistry::select(Tool::Smooth);
    QCOMPARE(smooth, ToolRegistry::find(Tool::Smooth));
    QCOMPARE(smooth->size, 0.0);
    QCOMPARE(ToolRegistry::select(Tool::Deposit), deposit);
    QCOMPARE(deposit->size, 0.3);
    QCOMPARE(deposit->smoothLength, 12);
    QCOMPARE(ToolRegistry::current(), deposit);
}

void TestToolRegistry::findNeverCreates()
{
    QVERIFY(ToolRegistry::find(Tool::NoTool) == nullptr);
    Tool* current = ToolRegistry::current();
    QVERIFY(ToolRegistry::find(Tool::Fill) == nullptr);
    QCOMPARE(ToolRegistry::current(), current);
}

QTEST_GUILESS_MAIN(TestToolRegistry)
#include "tst_toolregistry.moc"
