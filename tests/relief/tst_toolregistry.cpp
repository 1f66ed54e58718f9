#include "relief/toolregistry.h"

#include <QtTest>

namespace {

// The settings a new tool copies, then those it never copies.
QString settings(const Tool* t)
{
    return QString("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 | %12 %13 %14 %15")
        .arg(t->mode).arg(t->form).arg(t->size).arg(t->strength).arg(t->hardness).arg(t->aspectRatio)
        .arg(t->axisAngle).arg(t->keepTransparency).arg(t->useSmoothing).arg(t->decayLength).arg(t->clip)
        .arg(t->useDecayLength).arg(t->smoothLength).arg(t->tolerance).arg(t->continuous);
}

} // namespace

class TestToolRegistry : public QObject
{
    Q_OBJECT

private slots:
    void newToolCopiesTheCurrentBrush();
};

void TestToolRegistry::newToolCopiesTheCurrentBrush()
{
    // The registry is process-wide: the steps run in order on one instance.
    QVERIFY(ToolRegistry::current() == nullptr);
    Tool* smooth = ToolRegistry::select(Tool::Smooth);
    QCOMPARE(ToolRegistry::find(Tool::Smooth), smooth);
    QCOMPARE(settings(smooth), QString("0 0 0 0 0 1 0 1 0 0 0 | 0 0 0.001 0"));

    Tool* deposit = ToolRegistry::select(Tool::Deposit);
    *deposit = Tool(Tool::Deposit);
    deposit->mode = Tool::Raise;
    deposit->form = Tool::Square;
    deposit->size = 0.3;
    deposit->strength = 0.6;
    deposit->hardness = 0.7;
    deposit->aspectRatio = 4;
    deposit->axisAngle = 33;
    deposit->keepTransparency = false;
    deposit->useSmoothing = true;
    deposit->decayLength = 0.5;
    deposit->clip = true;
    deposit->smoothLength = 12;
    deposit->tolerance = 0.2;
    deposit->continuous = true;

    // Each copies from the one made before it; only Smudge fades.
    QCOMPARE(settings(ToolRegistry::select(Tool::Smudge)), QString("1 1 0.3 0.6 0.7 4 33 0 1 0.5 1 | 1 0 0.001 0"));
    Tool* remove = ToolRegistry::select(Tool::Remove);
    QCOMPARE(remove->type, Tool::Remove);
    QCOMPARE(settings(remove), QString("1 1 0.3 0.6 0.7 4 33 0 1 0.5 1 | 0 0 0.001 0"));

    // A known tool comes back unchanged.
    QCOMPARE(ToolRegistry::select(Tool::Smooth), smooth);
    QCOMPARE(settings(smooth), QString("0 0 0 0 0 1 0 1 0 0 0 | 0 0 0.001 0"));
    QCOMPARE(ToolRegistry::select(Tool::Deposit), deposit);
    QCOMPARE(settings(deposit), QString("1 1 0.3 0.6 0.7 4 33 0 1 0.5 1 | 0 12 0.2 1"));
    QCOMPARE(ToolRegistry::current(), deposit);
    QVERIFY(ToolRegistry::find(Tool::Fill) == nullptr);
}

QTEST_GUILESS_MAIN(TestToolRegistry)
#include "tst_toolregistry.moc"
