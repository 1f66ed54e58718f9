#include "windowtest.h"

#include "app/ribbontabs.h"
#include "relief/sculptundo.h"
#include "ui/backstagewidget.h"
#include "views/facetwin.h"
#include "views/flatwin.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>

#include <limits>

namespace {

QPushButton* ribbonButton(MainWindow& window, const QString& page, const QString& toolTip)
{
    const QList<QPushButton*> buttons = window.ribbonWidget()->page(page)->findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
        if (b->toolTip() == toolTip)
            return b;
    }
    return nullptr;
}

int sculptTool(MainWindow& window)
{
    const Tool* tool = window.sculptWin()->currentTool();
    return tool ? int(tool->type) : -1;
}

int flatTool(MainWindow& window)
{
    const Tool* tool = window.flatWin()->currentTool();
    return tool ? int(tool->type) : -1;
}

// Types the text into 2D Edit's Sample field and presses Enter.
QLineEdit* typeSample(MainWindow& window, const QString& text)
{
    window.ribbonWidget()->setCurrentTab(tab2dEdit);
    auto* edit = window.ribbonWidget()->page(tab2dEdit)->findChild<QLineEdit*>(QStringLiteral("sampleEdit"));
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    return edit;
}

// Sent to the sculpt view, which leaves keys to the window as the user's
// focus would.
void pressKey(MainWindow& window, Qt::Key key, Qt::KeyboardModifiers mods)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(window.sculptWin(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(window.sculptWin(), &release);
}

// A 1366 x 768 screen less a 40-pixel taskbar and a title bar.
const int shortScreenHeight = 700;

// A page just shown asks for its room through the event loop, one layout a
// pass, up to the window.
void settleLayouts()
{
    for (int pass = 0; pass < 10; ++pass)
        QApplication::processEvents();
}

// Scrolls the panel control into view, as the user would, and clicks its
// middle through the window: a control outside the window or hidden by
// its scroll area never gets the click.
void clickInWindow(MainWindow& window, const char* name)
{
    auto* control = window.panel()->findChild<QWidget*>(QLatin1String(name));
    QVERIFY(control);
    for (QWidget* w = control; w; w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(w)) {
            scroll->ensureWidgetVisible(control);
            break;
        }
    }
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      control->mapTo(&window, control->rect().center()));
}

// Opens the picture or mesh file, written first, and waits for the page it
// leads to: its Import page, or with accept the Tools page after that.
void showPageOf(MainWindow& window, const QString& path, bool accept)
{
    if (path.endsWith(QLatin1String(".png"))) {
        QVERIFY(writePicture(path, 16, 16, [](int x, int y) { return hillPixel(x, y, 16); }));
    } else {
        QFile obj(path);
        QVERIFY(obj.open(QIODevice::WriteOnly));
        obj.write("v 0 0 0\nv 1 0 0\nv 0 1 1\nf 1 2 3\n");
    }
    window.load(path, false);
    if (accept)
        clickInWindow(window, "accept");
    settleLayouts();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void firstStartShowsDefaultModelAndTabs()
    {
        auto window = openWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Morvane 2"));
        QVERIFY(window->width() >= 1000);
        QVERIFY(window->currentModel());
        QCOMPARE(window->currentModel()->width(), 300);
        QCOMPARE(window->currentModel()->height(), 300);
        auto* sizeLabel = window->ribbonWidget()->page(tabExport)->findChildren<QLabel*>().value(0);
        QVERIFY(sizeLabel);
        QCOMPARE(sizeLabel->text(), QStringLiteral("Size: 2.34 in. X 2.34 in."));
        QCOMPARE(shownTabs(window->ribbonWidget()),
                 QStringList({tabViewSettings, tabScaleZ, tabSculptingTools, tab2dEdit}));
        QCOMPARE(window->ribbonWidget()->currentIndex(), 0);
        for (const QString& tab : {tabViewSettings, tabScaleZ, tabSculptingTools, tab2dEdit})
            QVERIFY(window->ribbonWidget()->page(tab)->isEnabled());
        QCOMPARE(sculptTool(*window), int(Tool::Smooth));
        QVERIFY(window->sculptWin()->isVisible());
        QVERIFY(!window->flatWin()->isVisible());
        QVERIFY(!window->facetWin()->isVisible());
        QVERIFY(!window->panel()->undoStack()->isModified());
    }

    void shortcutsSelectOnlyWithExactModifiers_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("tool");
        QTest::newRow("1 smooth") << int(Qt::Key_1) << int(Qt::NoModifier) << int(Tool::Smooth);
        QTest::newRow("2 smudge") << int(Qt::Key_2) << int(Qt::NoModifier) << int(Tool::Smudge);
        QTest::newRow("3 deposit") << int(Qt::Key_3) << int(Qt::NoModifier) << int(Tool::Deposit);
        QTest::newRow("4 remove") << int(Qt::Key_4) << int(Qt::NoModifier) << int(Tool::Remove);
        QTest::newRow("5 undo brush") << int(Qt::Key_5) << int(Qt::NoModifier) << int(Tool::Undo);
        QTest::newRow("6 erase") << int(Qt::Key_6) << int(Qt::NoModifier) << int(Tool::Erase);
        QTest::newRow("shift 1 ignored") << int(Qt::Key_1) << int(Qt::ShiftModifier) << -1;
        QTest::newRow("keypad 1 ignored") << int(Qt::Key_1) << int(Qt::KeypadModifier) << -1;
        QTest::newRow("ctrl 4 ignored") << int(Qt::Key_4) << int(Qt::ControlModifier) << -1;
    }

    void shortcutsSelectOnlyWithExactModifiers()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, tool);
        auto window = openWindow();
        window->ribbonWidget()->setCurrentTab(tabSculptingTools);
        pressKey(*window, Qt::Key_2, Qt::NoModifier);
        QCOMPARE(sculptTool(*window), int(Tool::Smudge));
        pressKey(*window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(sculptTool(*window), tool < 0 ? int(Tool::Smudge) : tool);
    }

    void undoRedoKeysNeedExactlyControl()
    {
        auto window = openWindow();
        window->ribbonWidget()->setCurrentTab(tabSculptingTools);
        pressKey(*window, Qt::Key_3, Qt::NoModifier);
        Relief* relief = window->currentModel();
        std::fill(relief->heights(), relief->heights() + relief->cellCount(), 20.0f);
        relief->setHeightMax(20.0);
        relief->mergeChangedRect(relief->fullRect());
        relief->setRemesh(true);
        const std::vector<float> before = heightsOf(window->currentModel());
        strokeAcross(window->sculptWin());
        const std::vector<float> after = heightsOf(window->currentModel());
        QVERIFY(after != before);
        SculptUndo* undo = window->panel()->undoStack();
        QVERIFY(undo->isModified());

        pressKey(*window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(heightsOf(window->currentModel()) == after);
        pressKey(*window, Qt::Key_Z, Qt::ControlModifier | Qt::KeypadModifier);
        QVERIFY(heightsOf(window->currentModel()) == after);
        pressKey(*window, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(heightsOf(window->currentModel()) == before);
        pressKey(*window, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(heightsOf(window->currentModel()) == after);
    }

    void keyFFitsTheViewAndCtrlFTogglesTheBackStage()
    {
        auto window = openWindow();
        window->sculptWin()->zoom(5.0);
        const double zoomed = window->sculptWin()->zoom();
        pressKey(*window, Qt::Key_F, Qt::NoModifier);
        QVERIFY(window->sculptWin()->zoom() != zoomed);

        QVERIFY(!window->backStageWidget()->isVisible());
        pressKey(*window, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(window->backStageWidget()->isVisible());
        pressKey(*window, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!window->backStageWidget()->isVisible());
    }

    void ctrlOOpensTheDialogAndCtrlSAsksForAName()
    {
        auto window = openWindow();
        ModalAnswerer answerer;
        pressKey(*window, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(answerer.fileDialogs, 1);
        pressKey(*window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answerer.fileDialogs, 2);
        pressKey(*window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(answerer.fileDialogs, 3);
        pressKey(*window, Qt::Key_O, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(answerer.fileDialogs, 3);
    }

    void eachViewGetsBackItsToolAcrossTabSwitches()
    {
        auto window = openWindow();
        Ribbon* ribbon = window->ribbonWidget();
        ribbon->setCurrentTab(tabSculptingTools);
        ribbonButton(*window, tabSculptingTools, QStringLiteral("Deposit Tool"))->click();
        QCOMPARE(sculptTool(*window), int(Tool::Deposit));

        ribbon->setCurrentTab(tab2dEdit);
        QVERIFY(window->flatWin()->isVisible());
        QVERIFY(!window->sculptWin()->isVisible());
        ribbonButton(*window, tab2dEdit, QStringLiteral("Magic Tool"))->click();
        QCOMPARE(flatTool(*window), int(Tool::Magic));

        ribbon->setCurrentTab(tabSculptingTools);
        QVERIFY(window->sculptWin()->isVisible());
        QCOMPARE(sculptTool(*window), int(Tool::Deposit));
        ribbon->setCurrentTab(tab2dEdit);
        QCOMPARE(flatTool(*window), int(Tool::Magic));
    }

    void hidingATabBeforeTheCurrentOneKeepsTheTools()
    {
        auto window = openWindow();
        Ribbon* ribbon = window->ribbonWidget();
        ribbon->setCurrentTab(tabSculptingTools);
        ribbonButton(*window, tabSculptingTools, QStringLiteral("Remove Tool"))->click();
        ribbon->setCurrentTab(tab2dEdit);
        ribbonButton(*window, tab2dEdit, QStringLiteral("Magic Tool"))->click();

        // The tab widget announces the same page again here.
        ribbon->showTab(tabScaleZ, false);
        QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tab2dEdit);
        QCOMPARE(flatTool(*window), int(Tool::Magic));
        ribbon->setCurrentTab(tabSculptingTools);
        QCOMPARE(sculptTool(*window), int(Tool::Remove));
    }

    void ceilingAndFloorFollowTheTool()
    {
        auto window = openWindow();
        Ribbon* ribbon = window->ribbonWidget();
        ribbon->setCurrentTab(tabSculptingTools);
        const QList<QCheckBox*> boxes = ribbon->page(tabSculptingTools)->findChildren<QCheckBox*>();
        QCheckBox* ceiling = nullptr;
        QCheckBox* floor = nullptr;
        for (QCheckBox* b : boxes) {
            if (b->text() == QLatin1String("Ceiling"))
                ceiling = b;
            if (b->text() == QLatin1String("Floor"))
                floor = b;
        }
        QVERIFY(ceiling && floor);
        ribbonButton(*window, tabSculptingTools, QStringLiteral("Deposit Tool"))->click();
        QVERIFY(ceiling->isEnabled());
        QVERIFY(!floor->isEnabled());
        ceiling->click();
        QVERIFY(window->sculptWin()->currentTool()->clip);
        ribbonButton(*window, tabSculptingTools, QStringLiteral("Smooth Tool"))->click();
        QVERIFY(!ceiling->isEnabled());
        QVERIFY(!ceiling->isChecked());
        ribbonButton(*window, tabSculptingTools, QStringLiteral("Deposit Tool"))->click();
        QVERIFY(ceiling->isChecked());
        window->sculptWin()->setToolClip(false);
    }

    void storedLightPositionOutsideThePresetsSelectsTheDefault_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("preset 6") << QVariant(6) << 6;
        QTest::newRow("eight") << QVariant(8) << 0;
        QTest::newRow("negative") << QVariant(-3) << 0;
        QTest::newRow("text") << QVariant(QStringLiteral("top")) << 0;
    }

    void storedLightPositionOutsideThePresetsSelectsTheDefault()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, shown);
        VekSettings().setValue(QStringLiteral("lightPosition"), stored);
        auto window = openWindow();
        QCOMPARE(window->sculptWin()->lightPosition(), shown);
        VekSettings().remove(QStringLiteral("lightPosition"));
    }

    void sampleTextFollowsItsMagnitude_data()
    {
        QTest::addColumn<double>("sample");
        QTest::addColumn<QString>("text");
        QTest::newRow("large in exponent form") << 12345.6 << "1.235e+04";
        QTest::newRow("small with one decimal") << 12.34 << "12.3";
        QTest::newRow("exponent from 1000 on") << 1000.0 << "1.000e+03";
        QTest::newRow("just below 1000") << 999.94 << "999.9";
        QTest::newRow("large negative by its size") << -2500.0 << "-2.500e+03";
    }

    void sampleTextFollowsItsMagnitude()
    {
        QFETCH(double, sample);
        QFETCH(QString, text);
        auto window = openWindow();
        emit window->flatWin()->SampleChanged(sample);
        QCOMPARE(window->ribbonWidget()->page(tab2dEdit)->findChild<QLineEdit*>(QStringLiteral("sampleEdit"))->text(),
                 text);
    }

    void typedSampleSetsOnlyAValidBaseLevel_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("level");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a level") << "2.5" << 2.5 << "2.5";
        QTest::newRow("negative refused") << "-1" << 0.0 << "0.0";
        QTest::newRow("not a number refused") << "abc" << 0.0 << "0.0";
        // A height is a float: a larger level would fill cells with infinity.
        const double highest = std::numeric_limits<float>::max();
        QTest::newRow("beyond a float held at its largest") << "1e39" << highest << "3.4028234663852886e+38";
        QTest::newRow("just beyond a float held at its largest") << "3.5e38" << highest << "3.4028234663852886e+38";
        QTest::newRow("the shown exponent form") << "1.235e+04" << 12350.0 << "1.235e+04";
    }

    void typedSampleSetsOnlyAValidBaseLevel()
    {
        QFETCH(QString, typed);
        QFETCH(double, level);
        QFETCH(QString, shown);
        auto window = openWindow();
        QLineEdit* edit = typeSample(*window, typed);
        QCOMPARE(window->currentModel()->baseLevel(), level);
        QCOMPARE(edit->text(), shown);
    }

    void sampleFieldShowsTheBaseLevelOfANewModel_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("import") << false;
        QTest::newRow("accepted") << true;
    }

    void sampleFieldShowsTheBaseLevelOfANewModel()
    {
        QFETCH(bool, accept);
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("hill.png"));
        QVERIFY(writePicture(png, 32, 32, [](int x, int y) { return hillPixel(x, y, 32); }));
        auto window = openWindow();
        QLineEdit* edit = typeSample(*window, QStringLiteral("30"));
        QCOMPARE(window->currentModel()->baseLevel(), 30.0);

        window->load(png, true);
        if (accept)
            buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
        QCOMPARE(edit->text().toDouble(), window->currentModel()->baseLevel());
    }

    void everyPageFitsTheScreen_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("accept");
        QTest::newRow("picture, Import page") << QStringLiteral("hill.png") << false;
        QTest::newRow("mesh, Orient / Scale") << QStringLiteral("facet.obj") << false;
        QTest::newRow("picture accepted, Tools page") << QStringLiteral("hill.png") << true;
    }

    // Where the screen has room the window grows for the page rather than
    // scrolling it; made as small as it goes, it fits a short screen and,
    // the panel narrowed as far as it goes too, still shows the page's whole
    // width beside the scroll bar.
    void everyPageFitsTheScreen()
    {
        QFETCH(QString, file);
        QFETCH(bool, accept);
        QTemporaryDir dir;
        auto window = openWindow();
        showPageOf(*window, dir.filePath(file), accept);
        auto* pages = window->panel()->findChild<QTabWidget*>();
        QVERIFY2(pages->parentWidget()->height() >= pages->height(),
                 qPrintable(QStringLiteral("%1 of %2").arg(pages->parentWidget()->height()).arg(pages->height())));

        QVERIFY2(window->minimumSize().height() <= shortScreenHeight,
                 qPrintable(QString::number(window->minimumSize().height())));
        window->resize(window->minimumSize());
        QTRY_COMPARE(window->size(), window->minimumSize());
        auto* splitter = window->panel()->findChild<QSplitter*>();
        splitter->setSizes({1, splitter->width()});
        settleLayouts();
        QVERIFY2(pages->parentWidget()->width() >= pages->width(),
                 qPrintable(QStringLiteral("%1 of %2").arg(pages->parentWidget()->width()).arg(pages->width())));
    }

    void importButtonsWorkInTheSmallestWindow()
    {
        QTemporaryDir dir;
        auto window = openWindow();
        showPageOf(*window, dir.filePath(QStringLiteral("hill.png")), false);
        const QSize smallest = window->minimumSize().boundedTo(QSize(1366, shortScreenHeight));
        window->resize(smallest);
        QTRY_COMPARE(window->size(), smallest);

        auto* update = window->panel()->findChild<QPushButton*>(QStringLiteral("update"));
        clickInWindow(*window, "basReliefOn");
        QVERIFY(update->isEnabled());
        const std::vector<float> before = heightsOf(window->currentModel());
        clickInWindow(*window, "update");
        QVERIFY(heightsOf(window->currentModel()) != before);
        clickInWindow(*window, "accept");
        auto* pages = window->panel()->findChild<QTabWidget*>();
        QCOMPARE(pages->count(), 1);
        QCOMPARE(pages->tabText(0), QStringLiteral("Tools"));
    }

    void closingStoresTheWindowState()
    {
        {
            auto window = openWindow();
            window->resize(1300, 700);
            QVERIFY(window->close());
        }
        VekSettings settings;
        QVERIFY(settings.contains(QStringLiteral("geometry")));
        QVERIFY(settings.contains(QStringLiteral("windowState")));
        QVERIFY(settings.contains(QStringLiteral("lightPosition")));
        auto again = openWindow(false);
        QCOMPARE(again->width(), 1300);
        settings.remove(QStringLiteral("geometry"));
        settings.remove(QStringLiteral("windowState"));
    }
};

MORVANE_WINDOW_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow_gl.moc"
