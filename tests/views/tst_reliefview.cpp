#include "glsupport.h"

#include "relief/toolregistry.h"
#include "views/cursors.h"
#include "views/facetwin.h"
#include "views/flatwin.h"
#include "views/sculptwin.h"

#include <QSignalSpy>

#include <memory>

Q_DECLARE_METATYPE(Qt::MouseButton)
Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

namespace {

// The tool reports, in the order of the views' signal tables, as the main
// window names them when it connects.
const char* const toolReports[] = {
    "ToolChanged(Tool::Type)",
    "ToolStrengthChanged(double)",
    "ToolSizeChanged(double)",
    "ToolKeepTransparencyChanged(bool)",
    "ToolModeChanged(Tool::Mode)",
    "ToolFormChanged(Tool::Form)",
    "ToolHardnessChanged(double)",
    "ToolAspectRatioChanged(double)",
    "ToolAxisAngleChanged(double)",
    "ToolUseDecayLengthChanged(bool)",
    "ToolDecayLengthChanged(double)",
    "ToolUseSmoothingChanged(bool)",
    "ToolSmoothLengthChanged(int)",
    "ToolClipChanged(bool)",
    "ReliefDirtyChanged(bool)",
    "Status(QString)",
    "Initialized()",
};

bool sameCursor(const QCursor& a, const QCursor& b)
{
    if (a.shape() != b.shape())
        return false;
    return a.shape() != Qt::BitmapCursor || a.pixmap().cacheKey() == b.pixmap().cacheKey();
}

QString cursorName(const QCursor& c)
{
    const std::pair<const QCursor*, const char*> names[] = {
        {&panCursor, "pan"},       {&zoomCursor, "zoom"},     {&rotateCursor, "rotate"},
        {&normalCursor, "normal"}, {&sampleCursor, "sample"}, {&blankCursor, "blank"}};
    for (const auto& n : names)
        if (sameCursor(c, *n.first))
            return n.second;
    return "other";
}

} // namespace

class TestReliefView : public QObject
{
    Q_OBJECT

private slots:
    void signalTablesKeepTheirSignaturesAndOrder_data()
    {
        QTest::addColumn<int>("view");
        QTest::newRow("sculpt view") << 0;
        QTest::newRow("2-D view") << 1;
    }

    void signalTablesKeepTheirSignaturesAndOrder()
    {
        QFETCH(int, view);
        std::unique_ptr<QWidget> w;
        if (view == 0)
            w = std::make_unique<SculptWin>();
        else
            w = std::make_unique<FlatWin>();
        const QMetaObject* meta = w->metaObject();
        int last = -1;
        for (const char* signature : toolReports) {
            const int index = meta->indexOfSignal(signature);
            QVERIFY2(index > last, signature);
            last = index;
        }
        if (view == 1)
            QVERIFY(meta->indexOfSignal("SampleChanged(double)") > last);
        // The main window connects by name and argument types.
        QSignalSpy byName(w.get(), SIGNAL(ToolChanged(Tool::Type)));
        QVERIFY(byName.isValid());
        QVERIFY(meta->indexOfSlot("setViewTool(int)") >= 0);
        QVERIFY(meta->indexOfSlot("statusTimeout()") >= 0);
    }

    void viewToolCursors_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("cursor");
        const char* const sculpt[] = {"normal", "pan", "zoom", "rotate", "rotate", "blank", "normal"};
        const char* const mesh[] = {"normal", "pan", "zoom", "rotate", "rotate", "normal", "normal"};
        // Mode 3 is the 2-D view's work with its tool: the tool's own cursor.
        const char* const flat[] = {"sample", "pan", "zoom", "sample", "sample", "sample", "sample"};
        for (int mode = 0; mode <= 6; ++mode) {
            QTest::addRow("sculpt view, mode %d", mode) << 0 << mode << sculpt[mode];
            QTest::addRow("mesh view, mode %d", mode) << 1 << mode << mesh[mode];
            QTest::addRow("2-D view with the Sample tool, mode %d", mode) << 2 << mode << flat[mode];
        }
    }

    void viewToolCursors()
    {
        QFETCH(int, view);
        QFETCH(int, mode);
        QFETCH(QString, cursor);
        std::unique_ptr<QWidget> w;
        if (view == 0) {
            auto v = std::make_unique<SculptWin>();
            v->setViewTool(mode);
            w = std::move(v);
        } else if (view == 1) {
            auto v = std::make_unique<FacetWin>();
            v->setViewTool(mode);
            w = std::move(v);
        } else {
            auto v = std::make_unique<FlatWin>();
            v->setTool(Tool::Sample);
            v->setViewTool(mode);
            w = std::move(v);
        }
        QCOMPARE(cursorName(w->cursor()), cursor);
    }

    void pressesOfTurningViews_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<bool>("onCube");
        QTest::addColumn<int>("tool");
        const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier), shift(Qt::ShiftModifier);
        QTest::newRow("plain left: the view's own") << Qt::LeftButton << none << false << 0;
        QTest::newRow("left on the cube turns") << Qt::LeftButton << none << true << 3;
        QTest::newRow("shift left zooms, on the cube too") << Qt::LeftButton << shift << true << 2;
        QTest::newRow("shift ctrl left does not zoom") << Qt::LeftButton << (shift | ctrl) << false
                                                       << 0;
        QTest::newRow("ctrl right turns") << Qt::RightButton << (shift | ctrl) << false << 3;
        QTest::newRow("shift right pans") << Qt::RightButton << shift << false << 1;
        QTest::newRow("plain right is passed on") << Qt::RightButton << none << true << -1;
        QTest::newRow("middle turns") << Qt::MiddleButton << none << false << 3;
        QTest::newRow("back button is passed on") << Qt::BackButton << shift << false << -1;
    }

    void pressesOfTurningViews()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(bool, onCube);
        QFETCH(int, tool);
        QCOMPARE(ViewNavigation::turningPressTool(button, mods, onCube), tool);
    }

    void toolStepsAreClamped_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<double>("size");
        QTest::addColumn<double>("strength");
        QTest::newRow("fine down") << 0 << 0.49 << 0.49;
        QTest::newRow("coarse up past 1") << 3 << 0.6 << 0.6;
        QTest::newRow("past the table") << 4 << 0.5 << 0.5;
        QTest::newRow("below the table") << -1 << 0.5 << 0.5;
    }

    void toolStepsAreClamped()
    {
        QFETCH(int, step);
        QFETCH(double, size);
        QFETCH(double, strength);
        SculptWin view;
        Tool* tool = ToolRegistry::select(Tool::Remove);
        view.setTool(Tool::Remove);
        tool->size = 0.5;
        tool->strength = 0.5;
        view.stepToolSize(step);
        view.stepToolStrength(step);
        QCOMPARE(tool->size, size);
        QCOMPARE(tool->strength, strength);
        tool->size = 0.95;
        tool->strength = 0.0002;
        view.stepToolSize(3);
        view.stepToolStrength(2);
        QCOMPARE(tool->size, 1.0);
        QCOMPARE(tool->strength, 0.0001);
    }
};

MORVANE_GL_TEST_MAIN(TestReliefView)

#include "tst_reliefview.moc"
