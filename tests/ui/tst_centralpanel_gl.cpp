#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "relief/tool.h"
#include "relief/toolregistry.h"
#include "ui/centralpanel.h"
#include "views/facetwin.h"
#include "views/flatwin.h"
#include "views/sculptwin.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<Relief> importedRelief()
{
    ReliefSource source(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            source.append((x > 3 && x < 12 && y > 3 && y < 12) ? 1.0 + x * 0.1 : 0.0);
    return std::make_unique<Relief>(source);
}

template <class T>
T* child(CentralPanel& panel, const char* name)
{
    T* w = panel.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QSlider* slider(CentralPanel& panel, const char* name)
{
    return child<QSlider>(panel, name);
}

// A quick drag: every step's events are handled, but no step waits, so a
// loaded machine cannot stretch the drag past the panel's delay.
void moveTo(QSlider* s, int from, int to)
{
    for (int v = from; v != to;) {
        v += to > from ? 1 : -1;
        s->setValue(v);
        QCoreApplication::processEvents();
    }
}

} // namespace

class TestCentralPanel : public QObject
{
    Q_OBJECT

private slots:
    // The tools outlive each panel, and a panel writes no form, aspect or
    // angle at construction: start every test from the tool's own defaults.
    void init()
    {
        Tool* smooth = ToolRegistry::select(Tool::Smooth);
        smooth->form = Tool::Round;
        smooth->aspectRatio = 1.0;
        smooth->axisAngle = 0.0;
    }

    void slidersStartWithTheirRangesAndValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("pageStep");
        QTest::addColumn<int>("value");
        QTest::newRow("smoothing") << "smoothing" << 0 << 50 << 5 << 0;
        QTest::newRow("raise/lower") << "raiseLower" << -100 << 100 << 10 << 0;
        QTest::newRow("trim") << "trim" << 0 << 20 << 1 << 0;
        QTest::newRow("tilt vertical") << "tiltVertical" << -100 << 100 << 20 << 0;
        QTest::newRow("tilt horizontal") << "tiltHorizontal" << -100 << 100 << 20 << 0;
        QTest::newRow("grid size") << "gridSize" << 1 << 5 << 1 << 2;
        QTest::newRow("contrast") << "contrastFactor" << 1 << 16 << 1 << 4;
        QTest::newRow("smoothness") << "smoothness" << 1 << 9 << 1 << 3;
        QTest::newRow("aspect") << "aspect" << 10 << 150 << 10 << 10;
        QTest::newRow("angle") << "angle" << -90 << 90 << 10 << 0;
        QTest::newRow("size") << "toolSize" << 1 << 100 << 10 << 50;
        QTest::newRow("strength") << "toolStrength" << 1 << 100 << 10 << 50;
        QTest::newRow("hardness") << "toolHardness" << 0 << 100 << 10 << 50;
        QTest::newRow("decay") << "decayLength" << 0 << 100 << 10 << 50;
        QTest::newRow("smooth length") << "smoothLength" << 10 << 99 << 10 << 50;
    }
    void slidersStartWithTheirRangesAndValues()
    {
        QFETCH(QString, name);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, pageStep);
        QFETCH(int, value);
        CentralPanel panel;
        QSlider* s = slider(panel, name.toLatin1().constData());
        QCOMPARE(s->minimum(), minimum);
        QCOMPARE(s->maximum(), maximum);
        QCOMPARE(s->pageStep(), pageStep);
        QCOMPARE(s->singleStep(), 1);
        QCOMPARE(s->value(), value);
    }

    void startValuesReachTheToolAndTheGetters()
    {
        CentralPanel panel;
        const Tool* tool = panel.sculptWin()->currentTool();
        QCOMPARE(tool->size, 0.5);
        QCOMPARE(tool->strength, 0.25);
        QCOMPARE(tool->hardness, 0.5);
        QCOMPARE(tool->decayLength, 0.5);
        QCOMPARE(tool->smoothLength, 50);
        QCOMPARE(tool->mode, Tool::Normal);
        QVERIFY(tool->keepTransparency);
        QVERIFY(!tool->useSmoothing);
        QVERIFY(!tool->useDecayLength);
        QCOMPARE(panel.gridSize(), 4);
        QCOMPARE(panel.contrastFactor(), 16);
        QCOMPARE(panel.smoothness(), 100000);
        QCOMPARE(panel.toolAspectRatio(), 1.0);
        QCOMPARE(panel.toolForm(), Tool::Round);
        QVERIFY(panel.preview() && panel.importKeepTransparency());
        QVERIFY(!panel.flipY() && !panel.invertZ());
        // Both switches start off, so their sliders start disabled.
        QVERIFY(!slider(panel, "decayLength")->isEnabled());
        QVERIFY(!slider(panel, "smoothLength")->isEnabled());
        QCOMPARE(panel.findChild<QTabWidget*>()->count(), 2);
        QCOMPARE(panel.findChild<QTabWidget*>()->currentIndex(), 1);
        QVERIFY(panel.sculptWin()->isVisibleTo(&panel));
        QVERIFY(!panel.flatWin()->isVisibleTo(&panel));
        QVERIFY(!panel.facetWin()->isVisibleTo(&panel));
        QVERIFY(panel.undoStack());
    }

    void basReliefSliderEndsMapToTheirSettings()
    {
        CentralPanel panel;
        slider(panel, "gridSize")->setValue(1);
        slider(panel, "contrastFactor")->setValue(1);
        slider(panel, "smoothness")->setValue(1);
        QCOMPARE(panel.gridSize(), 2);
        QCOMPARE(panel.contrastFactor(), 2);
        QCOMPARE(panel.smoothness(), 20000);
        slider(panel, "gridSize")->setValue(5);
        slider(panel, "contrastFactor")->setValue(16);
        slider(panel, "smoothness")->setValue(9);
        QCOMPARE(panel.gridSize(), 32);
        QCOMPARE(panel.contrastFactor(), 65536);
        QCOMPARE(panel.smoothness(), 10000000);
    }

    void quickSmoothingDragRebuildsOnceWithItsLastValue()
    {
        CentralPanel panel;
        auto relief = importedRelief();
        panel.sculptWin()->setRelief(relief.get(), false);
        QSignalSpy rebuilds(panel.sculptWin(), &SculptWin::ReliefDirtyChanged);
        QElapsedTimer sinceLastMove;
        moveTo(slider(panel, "smoothing"), 0, 30);
        sinceLastMove.start();
        QVERIFY(rebuilds.wait(2000));
        QVERIFY2(sinceLastMove.elapsed() >= 150, qPrintable(QString::number(sinceLastMove.elapsed())));
        QCOMPARE(relief->source()->smoothSteps, 3.0);
        QTest::qWait(250);
        QCOMPARE(rebuilds.count(), 1);
    }

    void bothTiltsWithinTheDelayGiveOneCall()
    {
        CentralPanel panel;
        auto relief = importedRelief();
        panel.sculptWin()->setRelief(relief.get(), false);
        QSignalSpy rebuilds(panel.sculptWin(), &SculptWin::ReliefDirtyChanged);
        slider(panel, "tiltVertical")->setValue(-40);
        QCoreApplication::processEvents();
        slider(panel, "tiltHorizontal")->setValue(60);
        QVERIFY(rebuilds.wait(2000));
        QCOMPARE(relief->source()->tiltHorizontal, 60);
        QCOMPARE(relief->source()->tiltVertical, -40);
        QTest::qWait(250);
        QCOMPARE(rebuilds.count(), 1);
    }

    // A change still waiting in its timer at Accept must reach the relief
    // before the receiver of acceptClicked lets the source go, and nothing
    // may arrive afterwards.
    void pendingImportChangesApplyBeforeAccept()
    {
        CentralPanel panel;
        auto relief = importedRelief();
        panel.sculptWin()->setRelief(relief.get(), false);
        panel.showImportTab();
        slider(panel, "smoothing")->setValue(20);
        slider(panel, "trim")->setValue(3);
        slider(panel, "raiseLower")->setValue(-7);
        slider(panel, "tiltVertical")->setValue(25);
        double smoothAtAccept = -1;
        int trimAtAccept = -1, raiseAtAccept = 0, tiltAtAccept = 0;
        connect(&panel, &CentralPanel::acceptClicked, [&] {
            smoothAtAccept = relief->source()->smoothSteps;
            trimAtAccept = relief->source()->trimSteps;
            raiseAtAccept = relief->source()->raiseLowerSteps;
            tiltAtAccept = relief->source()->tiltVertical;
            relief->freeSource();
        });
        QSignalSpy rebuilds(panel.sculptWin(), &SculptWin::ReliefDirtyChanged);
        child<QPushButton>(panel, "accept")->click();
        QCOMPARE(smoothAtAccept, 2.0);
        QCOMPARE(trimAtAccept, 3);
        QCOMPARE(raiseAtAccept, -7);
        QCOMPARE(tiltAtAccept, 25);
        const int atAccept = rebuilds.count();
        QTest::qWait(300);
        QCOMPARE(rebuilds.count(), atAccept);
    }

    void showingToolsAppliesPendingImportChanges()
    {
        CentralPanel panel;
        auto relief = importedRelief();
        panel.sculptWin()->setRelief(relief.get(), false);
        panel.showImportTab();
        slider(panel, "smoothing")->setValue(12);
        panel.showToolsTab();
        QCOMPARE(relief->source()->smoothSteps, 1.2);
        QSignalSpy rebuilds(panel.sculptWin(), &SculptWin::ReliefDirtyChanged);
        QTest::qWait(300);
        QCOMPARE(rebuilds.count(), 0);
    }

    void acceptLeavesOnlyToolsWithPreviewOn()
    {
        CentralPanel panel;
        panel.showImportTab();
        child<QCheckBox>(panel, "preview")->setChecked(false);
        auto* tabs = panel.findChild<QTabWidget*>();
        bool switchedFirst = false;
        connect(&panel, &CentralPanel::acceptClicked, [&] {
            switchedFirst = tabs->count() == 1 && tabs->tabText(0) == QLatin1String("Tools");
        });
        panel.acceptPressed();
        QVERIFY(switchedFirst);
        QVERIFY(panel.preview());
        QVERIFY(panel.sculptWin()->isVisibleTo(&panel));
    }

    void importTabResetsTheRebuildSliders()
    {
        CentralPanel panel;
        slider(panel, "smoothing")->setValue(20);
        slider(panel, "raiseLower")->setValue(-30);
        slider(panel, "trim")->setValue(4);
        child<QPushButton>(panel, "basReliefOn")->setChecked(true);
        QSignalSpy tabs(&panel, &CentralPanel::tabActivated);
        panel.showImportTab();
        QCOMPARE(panel.smoothing(), 0.0);
        QCOMPARE(panel.raiseLowerSteps(), 0);
        QCOMPARE(panel.trimSteps(), 0);
        QVERIFY(!child<QPushButton>(panel, "basReliefOn")->isChecked());
        QVERIFY(!child<QPushButton>(panel, "update")->isEnabled());
        QVERIFY(!tabs.isEmpty());
        QCOMPARE(tabs.last().at(0).toInt(), 0);
        auto* tabWidget = panel.findChild<QTabWidget*>();
        QCOMPARE(tabWidget->count(), 1);
        QCOMPARE(tabWidget->tabText(0), QStringLiteral("Import"));
    }

    void meshImportShowsOnlyTheMeshViewWithControlsOff()
    {
        CentralPanel panel;
        panel.showMeshImportTab();
        QVERIFY(!child<QFrame>(panel, "ControlFrame")->isEnabled());
        QVERIFY(panel.facetWin()->isVisibleTo(&panel));
        QVERIFY(!panel.sculptWin()->isVisibleTo(&panel));
        QVERIFY(!panel.flatWin()->isVisibleTo(&panel));
        panel.showToolsTab();
        QVERIFY(child<QFrame>(panel, "ControlFrame")->isEnabled());
        QVERIFY(panel.sculptWin()->isVisibleTo(&panel));
        QVERIFY(!panel.facetWin()->isVisibleTo(&panel));
    }

    // Reports from the view follow it without writing a rounded value back.
    void reportedStrengthIsNotWrittenBack()
    {
        CentralPanel panel;
        Tool* tool = panel.sculptWin()->currentTool();
        tool->strength = 0.3;
        panel.toolStrengthUpdated(0.3);
        QCOMPARE(tool->strength, 0.3);
        QCOMPARE(slider(panel, "toolStrength")->value(), 55);
        tool->size = 0.999;
        panel.toolSizeUpdated(0.999);
        QCOMPARE(tool->size, 0.999);
        QCOMPARE(slider(panel, "toolSize")->value(), 100);
    }

    void sliderPositionsSurviveToolSwitches_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("29") << 29;
        QTest::newRow("57") << 57;
        QTest::newRow("58") << 58;
        QTest::newRow("1") << 1;
    }
    void sliderPositionsSurviveToolSwitches()
    {
        QFETCH(int, position);
        CentralPanel panel;
        SculptWin* view = panel.sculptWin();
        connect(view, &SculptWin::ToolStrengthChanged, &panel, &CentralPanel::toolStrengthUpdated);
        connect(view, &SculptWin::ToolSizeChanged, &panel, &CentralPanel::toolSizeUpdated);
        connect(view, &SculptWin::ToolHardnessChanged, &panel, &CentralPanel::toolHardnessUpdated);
        connect(view, &SculptWin::ToolDecayLengthChanged, &panel, &CentralPanel::decayLengthUpdated);
        for (const char* name : {"toolStrength", "toolSize", "toolHardness", "decayLength"})
            slider(panel, name)->setValue(position);
        for (int i = 0; i < 6; ++i)
            view->setTool(Tool::Smooth);
        for (const char* name : {"toolStrength", "toolSize", "toolHardness", "decayLength"})
            QCOMPARE(slider(panel, name)->value(), position);
    }

    void reportedSwitchesAndModeFollowTheView()
    {
        CentralPanel panel;
        panel.toolUseDecayLengthUpdated(true);
        QVERIFY(panel.toolUseDecayLength());
        QVERIFY(slider(panel, "decayLength")->isEnabled());
        panel.toolUseSmoothingUpdated(true);
        QVERIFY(slider(panel, "smoothLength")->isEnabled());
        panel.toolSmoothLengthUpdated(77);
        QCOMPARE(panel.toolSmoothLength(), 77);
        panel.toolModeUpdated(Tool::Lower);
        QCOMPARE(panel.toolMode(), Tool::Lower);
        panel.toolModeUpdated(Tool::Mode(7));
        QCOMPARE(panel.toolMode(), Tool::Lower);
        panel.toolKeepTransparencyUpdated(false);
        QVERIFY(!panel.toolKeepTransparency());
    }

    void toolTypeEnablesItsControls_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("modes");
        QTest::addColumn<bool>("weights");
        QTest::addColumn<bool>("keep");
        QTest::newRow("smooth") << 0 << true << true << true;
        QTest::newRow("smudge") << 1 << true << true << true;
        QTest::newRow("deposit") << 2 << false << true << true;
        QTest::newRow("remove") << 3 << false << true << true;
        QTest::newRow("undo") << 4 << false << true << false;
        QTest::newRow("erase") << 5 << false << false << false;
    }
    void toolTypeEnablesItsControls()
    {
        QFETCH(int, type);
        QFETCH(bool, modes);
        QFETCH(bool, weights);
        QFETCH(bool, keep);
        CentralPanel panel;
        // From the opposite state, so that every control has to change.
        panel.toolChanged(type == 0 ? Tool::Erase : Tool::Smooth);
        panel.toolChanged(Tool::Type(type));
        for (const char* name : {"normal", "raise", "lower"})
            QCOMPARE(child<QRadioButton>(panel, name)->isEnabled(), modes);
        for (const char* name : {"toolStrength", "toolHardness", "decayLength"})
            QCOMPARE(slider(panel, name)->isEnabled(), weights);
        QCOMPARE(child<QCheckBox>(panel, "decaySwitch")->isEnabled(), weights);
        QCOMPARE(child<QCheckBox>(panel, "toolTransparency")->isEnabled(), keep);
        for (const char* name : {"aspect", "angle", "toolSize"})
            QVERIFY(slider(panel, name)->isEnabled());
        // Its switch is off, yet the tool change enables the slider.
        QVERIFY(!panel.toolUseDecayLength());
    }

    void focusWalksTheToolsPage_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        QTest::newRow("down to the next") << "roundBrush" << int(Qt::Key_Down) << "squareBrush";
        QTest::newRow("tab to the next") << "aspect" << int(Qt::Key_Tab) << "angle";
        QTest::newRow("backtab to the previous") << "angle" << int(Qt::Key_Backtab) << "aspect";
        QTest::newRow("down skips the modes") << "toolTransparency" << int(Qt::Key_Down)
                                              << "decaySwitch";
        QTest::newRow("up skips the modes") << "decaySwitch" << int(Qt::Key_Up)
                                            << "toolTransparency";
        QTest::newRow("up wraps past a disabled end") << "roundBrush" << int(Qt::Key_Up)
                                                      << "smoothPathsSwitch";
        QTest::newRow("down wraps past a disabled end") << "smoothPathsSwitch" << int(Qt::Key_Down)
                                                        << "roundBrush";
        QTest::newRow("panel down") << "" << int(Qt::Key_Down) << "roundBrush";
        QTest::newRow("panel up") << "" << int(Qt::Key_Up) << "smoothPathsSwitch";
    }
    void focusWalksTheToolsPage()
    {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        CentralPanel panel;
        panel.resize(900, 700);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        // Deposit: no modes; the smooth-length slider is off with its switch.
        panel.toolChanged(Tool::Deposit);
        QWidget* start = from.isEmpty() ? static_cast<QWidget*>(&panel)
                                        : child<QWidget>(panel, from.toLatin1().constData());
        QTest::keyClick(start, Qt::Key(key));
        QVERIFY(panel.focusWidget());
        QCOMPARE(panel.focusWidget()->objectName(), to);
    }

    // With the sculpt settings hidden for 2-D editing, the walk must stay
    // within the brush controls instead of stopping on a hidden one.
    void focusWalkSkipsHiddenSculptSettings()
    {
        CentralPanel panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.hideSculptSettings();
        QTest::keyClick(slider(panel, "toolSize"), Qt::Key_Down);
        QVERIFY(panel.focusWidget());
        QCOMPARE(panel.focusWidget()->objectName(), QStringLiteral("roundBrush"));
        QTest::keyClick(child<QWidget>(panel, "roundBrush"), Qt::Key_Up);
        QCOMPARE(panel.focusWidget()->objectName(), QStringLiteral("toolSize"));
    }

    void focusStaysWhenEveryControlIsDisabled()
    {
        CentralPanel panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QWidget* aspect = child<QWidget>(panel, "aspect");
        aspect->setFocus();
        panel.setBrushSettingsEnabled(false);
        for (const char* name : {"toolTransparency", "decaySwitch", "smoothPathsSwitch"})
            child<QWidget>(panel, name)->setEnabled(false);
        panel.toolChanged(Tool::Erase);
        QWidget* before = panel.focusWidget();
        panel.focusNextControl(&panel);
        panel.focusPreviousControl(&panel);
        QCOMPARE(panel.focusWidget(), before);
    }

    void sliderKeysStep_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("expected");
        const int none = Qt::NoModifier, shift = Qt::ShiftModifier;
        QTest::newRow("shift right smoothing") << "smoothing" << int(Qt::Key_Right) << shift << 0 << 5;
        QTest::newRow("shift right tilt") << "tiltVertical" << int(Qt::Key_Right) << shift << 0 << 20;
        QTest::newRow("shift right raise") << "raiseLower" << int(Qt::Key_Right) << shift << 0 << 10;
        QTest::newRow("shift left aspect") << "aspect" << int(Qt::Key_Left) << shift << 50 << 40;
        QTest::newRow("right by one") << "tiltHorizontal" << int(Qt::Key_Right) << none << 0 << 1;
        QTest::newRow("left by one") << "toolSize" << int(Qt::Key_Left) << none << 50 << 49;
        QTest::newRow("left at minimum") << "trim" << int(Qt::Key_Left) << none << 0 << 0;
        QTest::newRow("shift right near maximum") << "smoothing" << int(Qt::Key_Right) << shift << 48
                                                  << 50;
    }
    void sliderKeysStep()
    {
        QFETCH(QString, name);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, start);
        QFETCH(int, expected);
        CentralPanel panel;
        QSlider* s = slider(panel, name.toLatin1().constData());
        s->setValue(start);
        // The slider's own handler would add its step again if the key got
        // through.
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QApplication::sendEvent(s, &press);
        QCOMPARE(s->value(), expected);
    }

    void importPageLeavesUpAndDownToTheSlider()
    {
        CentralPanel panel;
        panel.showImportTab();
        QSlider* s = slider(panel, "trim");
        QTest::keyClick(s, Qt::Key_Up);
        QCOMPARE(s->value(), 1);
        QTest::keyClick(s, Qt::Key_Down);
        QCOMPARE(s->value(), 0);
    }

    void brushPreviewShowsTheFootprint()
    {
        CentralPanel panel;
        auto* preview = child<QLabel>(panel, "brushPreview");
        QCOMPARE(preview->size(), QSize(100, 100));
        const QImage shot = preview->grab().toImage();
        const QColor centre = shot.pixelColor(50, 50);
        const QColor corner = shot.pixelColor(4, 4);
        int rimX = 4;
        while (rimX < 50 && shot.pixelColor(rimX, 50) == corner)
            ++rimX;
        const QColor rim = shot.pixelColor(rimX, 50);
        QCOMPARE(corner, QColor(Qt::white));
        QVERIFY(std::abs(50 - rimX - 33) <= 2);
        // Red over the light label: the rim more opaque than the inside.
        QVERIFY(centre.red() > centre.green() + 40);
        QVERIFY(rim.red() > rim.green() + 120);
        QVERIFY(rim.green() < centre.green());
    }

    void brushPreviewFollowsFormAndAngle()
    {
        CentralPanel panel;
        auto* preview = child<QLabel>(panel, "brushPreview");
        const QImage round = preview->grab().toImage();
        child<QPushButton>(panel, "squareBrush")->click();
        QCOMPARE(panel.sculptWin()->currentTool()->form, Tool::Square);
        const QImage square = preview->grab().toImage();
        QVERIFY(square != round);
        // A square reaches its box's corner where a disc does not.
        QVERIFY(square.pixelColor(50 - 30, 50 - 30) != QColor(Qt::white));
        slider(panel, "angle")->setValue(45);
        QCOMPARE(panel.sculptWin()->currentTool()->axisAngle, 45.0);
        QCOMPARE(preview->grab().toImage().pixelColor(50 - 30, 50 - 30), QColor(Qt::white));
    }

    void updateButtonTurnsRedOnlyWhenDirtyAndOn_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("dirty");
        QTest::addColumn<bool>("red");
        QTest::newRow("on and dirty") << true << true << true;
        QTest::newRow("on and clean") << true << false << false;
        QTest::newRow("off and dirty") << false << true << false;
        QTest::newRow("off and clean") << false << false << false;
    }
    void updateButtonTurnsRedOnlyWhenDirtyAndOn()
    {
        QFETCH(bool, on);
        QFETCH(bool, dirty);
        QFETCH(bool, red);
        CentralPanel panel;
        auto* update = child<QPushButton>(panel, "update");
        QVERIFY(update->styleSheet().isEmpty());
        child<QPushButton>(panel, "basReliefOn")->setChecked(on);
        panel.reliefDirtyChanged(dirty);
        QCOMPARE(update->styleSheet(),
                 red ? QStringLiteral("* { background-color: red; selection-background-color: red; "
                                      "border: 4px double }")
                     : QStringLiteral("* { selection-color: black; border: 4px double }"));
    }

    void switchingBasReliefOnWhileDirtyTurnsUpdateRed()
    {
        CentralPanel panel;
        auto relief = importedRelief();
        panel.sculptWin()->setRelief(relief.get(), false);
        connect(panel.sculptWin(), &SculptWin::ReliefDirtyChanged, &panel,
                &CentralPanel::reliefDirtyChanged);
        panel.showImportTab();
        auto* update = child<QPushButton>(panel, "update");
        slider(panel, "gridSize")->setValue(3);
        QVERIFY(!update->styleSheet().contains(QLatin1String("red")));
        child<QPushButton>(panel, "basReliefOn")->click();
        QVERIFY(relief->source()->basRelief);
        QVERIFY(update->isEnabled());
        QVERIFY(update->styleSheet().contains(QLatin1String("red")));
    }
};

QTEST_MAIN(TestCentralPanel)
#include "tst_centralpanel_gl.moc"
